// Exports started from the window, with the save dialog and the questions
// answered by the test.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QSettings>
#include <QTest>
#include <QToolBar>

#include "export/export_command.h"

#include "suites.h"
#include "test_support.h"
#include "ui/messages.h"

namespace kinsheet::qt::testing {
namespace {

int Lines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n' ? 1 : 0;
  return n;
}

class ExportTest : public QObject {
  Q_OBJECT

 private slots:
  void refusals();
  void csvFromTheToolbar();
  void textFromTheMenuThenViewIt();
  void overwriteQuestion();
  void cancelledSaveDialog();
  void workbookAndDatabases();
  void xlsxAndSqliteFromMenuAndToolbar();
  void livingPeopleChoice();
};

void ExportTest::refusals() {
  WindowFixture f;
  auto check_only_message = [&](const char* text) {
    QCOMPARE(f.dialogs.messages.size(), std::size_t{1});
    const MessageBoxRequest& m = f.dialogs.messages[0];
    QCOMPARE(m.text, std::string(text));
    QCOMPARE(m.icon, MsgIcon::kInformation);
    QCOMPARE(m.buttons, MsgButtons::kOk);
    QCOMPARE(m.title, std::string("Kinsheet"));
    QVERIFY(f.dialogs.file_dialogs.empty());
    f.dialogs.Clear();
  };
  for (int index = 0; index < kExportFormatCount; ++index) {
    f.window->mnuSheetifyItem[index]->trigger();
    check_only_message(msg::kNoRecords);
  }
  QVERIFY(f.Load(SamplePath("family.ged")));
  f.dialogs.Clear();
  for (int index = 0; index < kExportFormatCount; ++index) {
    f.window->mnuSheetifyItem[index]->trigger();
    check_only_message(msg::kNoFields);
  }
  // Select All then Deselect All leaves nothing to export.
  f.window->Toolbar1_ButtonClick(13);
  f.window->Toolbar1_ButtonClick(14);
  f.window->Toolbar1_ButtonClick(8);
  check_only_message(msg::kNoFields);
}

void ExportTest::csvFromTheToolbar() {
  WindowFixture f;
  QVERIFY(f.Load(SamplePath("family.ged")));
  f.dialogs.Clear();
  f.window->Toolbar1_ButtonClick(13);
  f.dialogs.file_answers.push_back(f.sandbox.PathBytes("people"));  // no dot: ".csv" added
  f.window->Toolbar1_ButtonClick(8);

  QCOMPARE(f.dialogs.file_dialogs.size(), std::size_t{1});
  const FileDialogRequest& save = f.dialogs.file_dialogs[0];
  QVERIFY(save.save);
  QCOMPARE(save.title, std::string(msg::kSaveTitle));
  QCOMPARE(save.filter, std::string("All Files (*.*)|*.*|Comma Delimited Files (*.csv)|*.csv"));
  QCOMPARE(save.filter_index, 2);
  QCOMPARE(save.file_name, std::string("family.csv"));
  // The first save starts beside the GEDCOM file.
  QCOMPARE(save.initial_folder, std::string(KINSHEET_SOURCE_DIR) + "/samples");

  const std::string out = f.sandbox.PathBytes("people.csv");
  QCOMPARE(f.dialogs.messages.size(), std::size_t{1});
  const MessageBoxRequest& done = f.dialogs.messages[0];
  QCOMPARE(done.text, out + msg::kCreatedAsk);
  QCOMPARE(done.icon, MsgIcon::kQuestion);
  QCOMPARE(done.buttons, MsgButtons::kYesNo);
  QCOMPARE(done.default_button, 2);
  QCOMPARE(f.window->StatusPanel1->text(), PathText(out));
  QVERIFY(QApplication::overrideCursor() == nullptr);

  const std::string csv = ReadFile(out);
  QVERIFY(csv.rfind("\"INDI_ID\",\"FullName\",\"Surname\",", 0) == 0);
  QCOMPARE(Lines(csv), f.state.work.individual_count + 1);
  QVERIFY(csv.find("\"Lindqvist\",\"Johann\"") != std::string::npos);
  QTest::qWait(10);
  QVERIFY(f.sandbox.Opened().isEmpty());  // the default answer is No
}

void ExportTest::textFromTheMenuThenViewIt() {
  WindowFixture f;
  f.window->show();
  QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
  QVERIFY(f.Load(SamplePath("family.ged")));
  f.window->chkSelect[25]->click();  // Full name only
  f.dialogs.file_answers.push_back(f.sandbox.PathBytes("first.csv"));
  QTest::keyClick(f.window.get(), Qt::Key_D, Qt::ControlModifier);
  f.dialogs.Clear();

  // The proposal now comes from the last output's name.
  const std::string out = f.sandbox.PathBytes("report.txt");
  f.dialogs.file_answers.push_back(out);
  f.dialogs.message_answers.push_back(MsgResult::kYes);
  QTest::keyClick(f.window.get(), Qt::Key_T, Qt::ControlModifier);
  QCOMPARE(f.dialogs.file_dialogs.at(0).file_name, std::string("first.txt"));
  QCOMPARE(f.dialogs.file_dialogs.at(0).filter, std::string("All Files (*.*)|*.*|Text Files (*.txt)|*.txt"));
  const std::string text = ReadFile(out);
  QVERIFY(text.rfind("FullName", 0) == 0);
  QVERIFY2(text.find("Johann  Lindqvist") != std::string::npos, text.substr(0, 400).c_str());
  QCOMPARE(Lines(text), f.state.work.individual_count + 2);
  QTRY_COMPARE(f.sandbox.Opened(), QStringList{PathText(out)});
}

void ExportTest::overwriteQuestion() {
  WindowFixture f;
  QVERIFY(f.Load(SamplePath("family.ged")));
  f.window->Toolbar1_ButtonClick(13);
  const std::string out = WriteFile(f.sandbox, "old.csv", "keep me");
  f.dialogs.Clear();

  f.dialogs.file_answers.push_back(out);
  f.dialogs.message_answers.push_back(MsgResult::kNo);
  f.window->mnuSheetifyItem_Click(3);
  QCOMPARE(f.dialogs.messages.size(), std::size_t{1});
  const MessageBoxRequest& ask = f.dialogs.messages[0];
  QCOMPARE(ask.text, std::string(msg::kOverwrite));
  QCOMPARE(ask.icon, MsgIcon::kQuestion);
  QCOMPARE(ask.buttons, MsgButtons::kYesNo);
  QCOMPARE(ask.title, std::string("Kinsheet"));
  QCOMPARE(ReadFile(out), std::string("keep me"));

  f.dialogs.Clear();
  f.dialogs.file_answers.push_back(out);
  f.dialogs.message_answers.push_back(MsgResult::kYes);
  f.window->mnuSheetifyItem_Click(3);
  QCOMPARE(f.dialogs.MessageTexts(), (std::vector<std::string>{msg::kOverwrite, out + msg::kCreatedAsk}));
  QVERIFY(ReadFile(out).rfind("\"INDI_ID\"", 0) == 0);
}

void ExportTest::cancelledSaveDialog() {
  WindowFixture f;
  QVERIFY(f.Load(SamplePath("family.ged")));
  f.window->Toolbar1_ButtonClick(13);
  f.dialogs.Clear();
  f.window->Toolbar1_ButtonClick(9);
  QCOMPARE(f.dialogs.file_dialogs.size(), std::size_t{1});
  QVERIFY(f.dialogs.file_dialogs[0].cancel_error);
  QVERIFY(f.dialogs.messages.empty());
  QCOMPARE(f.window->StatusPanel1->text(), QString(msg::kSelectFields));
  QVERIFY(QDir(f.sandbox.Path("")).entryList({"*.txt"}).isEmpty());
}

// The workbook and the two database formats, each from its toolbar button:
// the proposal, then a file of the format asked for.
void ExportTest::workbookAndDatabases() {
  struct Case {
    int position;
    const char* file;
    const char* filter;
  };
  const Case cases[] = {
      {5, "family.xls", "All Files (*.*)|*.*|MS Excel Files (*.xls)|*.xls"},
      {6, "family.mdb", "All Files (*.*)|*.*|MS Access Files (*.mdb)|*.mdb"},
      {7, "family.mdb", "All Files (*.*)|*.*|MS Access Files (*.mdb)|*.mdb"},
  };
  for (const Case& c : cases) {
    WindowFixture f;
    QVERIFY(f.Load(SamplePath("family.ged")));
    f.window->Toolbar1_ButtonClick(13);
    f.dialogs.Clear();
    const std::string out = f.sandbox.PathBytes(QString("out%1").arg(c.position));
    f.dialogs.file_answers.push_back(out);
    f.window->Toolbar1_ButtonClick(c.position);
    QCOMPARE(f.dialogs.file_dialogs.at(0).file_name, std::string(c.file));
    QCOMPARE(f.dialogs.file_dialogs.at(0).filter, std::string(c.filter));
    const std::string written = out + (c.position == 5 ? ".xls" : ".mdb");
    QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{written + msg::kCreatedAsk});
    const std::string bytes = ReadFile(written);
    if (c.position == 5) {
      QVERIFY(bytes.rfind("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 0) == 0);  // compound file
    } else {
      // Jet's version byte: 1 for the Access 2000 format, 0 for Access 95.
      QVERIFY(bytes.size() > 0x14);
      QCOMPARE(int(bytes[0x14]), c.position == 6 ? 1 : 0);
    }
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }
}

// The two newest formats, each from its menu item and then from its toolbar
// button, the second time replacing the first file.
void ExportTest::xlsxAndSqliteFromMenuAndToolbar() {
  struct Case {
    int index;
    int position;
    const char* proposal;
    const char* filter;
    std::string magic;
  };
  const Case cases[] = {
      {5, 10, "family.xlsx", "All Files (*.*)|*.*|Excel Workbooks (*.xlsx)|*.xlsx", std::string("PK\x03\x04", 4)},
      {6, 11, "family.sqlite",
       "All Files (*.*)|*.*|SQLite Databases (*.sqlite;*.sqlite3;*.db)|*.sqlite;*.sqlite3;*.db",
       std::string("SQLite format 3\0", 16)},
  };
  for (const Case& c : cases) {
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QVERIFY(f.Load(SamplePath("family.ged")));
    f.window->Toolbar1_ButtonClick(13);
    f.dialogs.Clear();
    const std::string out = f.sandbox.PathBytes(QString("tree%1").arg(c.index));
    const std::string written = out + (c.index == 5 ? ".xlsx" : ".sqlite");

    f.dialogs.file_answers.push_back(out);
    f.window->mnuSheetifyItem[c.index]->trigger();
    QCOMPARE(f.dialogs.file_dialogs.at(0).file_name, std::string(c.proposal));
    QCOMPARE(f.dialogs.file_dialogs.at(0).filter, std::string(c.filter));
    QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{written + msg::kCreatedAsk});
    const std::string first = ReadFile(written);
    QVERIFY(first.rfind(c.magic, 0) == 0);

    f.dialogs.Clear();
    f.dialogs.file_answers.push_back(written);
    f.dialogs.message_answers.push_back(MsgResult::kYes);
    QWidget* button = f.window->Toolbar1->widgetForAction(f.window->Toolbar1->actions()[c.position - 1]);
    QVERIFY(button != nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(f.dialogs.MessageTexts(), (std::vector<std::string>{msg::kOverwrite, written + msg::kCreatedAsk}));
    QVERIFY(ReadFile(written).rfind(c.magic, 0) == 0);
    QCOMPARE(f.window->StatusPanel1->text(), PathText(written));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!f.window->ProgressBar1->isVisible());
    // Only the finished file is left in the folder.
    QCOMPARE(QDir(f.sandbox.Path("")).entryList(QDir::Files | QDir::Hidden).filter(".kinsheet-"), QStringList());
  }
}

// The living-people choice under the field boxes: it governs every format
// and is there again in the next window.
void ExportTest::livingPeopleChoice() {
  QSettings("kinsheet", "kinsheet").clear();
  const std::string family = std::string(KINSHEET_SOURCE_DIR) + "/tests/living/three_generations.ged";
  const std::string expected = ReadFile(std::string(KINSHEET_SOURCE_DIR) + "/tests/living/expected_private.csv");
  {
    WindowFixture f;
    QComboBox* choice = f.window->cboLiving;
    QVERIFY(choice != nullptr);
    QCOMPARE(choice->count(), 3);
    QCOMPARE(choice->itemText(0), QString("Include"));
    QCOMPARE(choice->itemText(1), QString("Private"));
    QCOMPARE(choice->itemText(2), QString("Leave out"));
    QCOMPARE(choice->currentIndex(), 0);
    auto* label = f.window->findChild<QLabel*>("lblLiving");
    QVERIFY(label != nullptr);
    QCOMPARE(label->text(), QString("Living people:"));
    // Below the last row of boxes.
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QVERIFY(choice->mapTo(f.window.get(), QPoint(0, 0)).y() >
            f.window->chkSelect[13]->mapTo(f.window.get(), QPoint(0, 0)).y());

    QVERIFY(f.Load(family));
    f.window->Toolbar1_ButtonClick(13);
    choice->setCurrentIndex(1);
    QCOMPARE(f.state.living.mode, LivingMode::kPrivate);
    const std::string csv = f.sandbox.PathBytes("cousins.csv");
    f.dialogs.file_answers.push_back(csv);
    f.window->Toolbar1_ButtonClick(8);
    QCOMPARE(ReadFile(csv), expected);

    choice->setCurrentIndex(2);
    const std::string txt = f.sandbox.PathBytes("cousins.txt");
    f.dialogs.file_answers.push_back(txt);
    f.window->Toolbar1_ButtonClick(9);
    QCOMPARE(Lines(ReadFile(txt)), 2 + 5);  // two header lines, the five dead
  }
  {
    QSettings("kinsheet", "kinsheet").setValue("export/livingYears", 30);
    WindowFixture f;
    QCOMPARE(f.window->cboLiving->currentIndex(), 2);
    QCOMPARE(f.state.living.mode, LivingMode::kExclude);
    QCOMPARE(f.state.living.years, 30);
    f.window->cboLiving->setCurrentIndex(0);
  }
  {
    // A setting edited into nonsense falls back to the defaults.
    QSettings settings("kinsheet", "kinsheet");
    settings.setValue("export/living", "everyone");
    settings.setValue("export/livingYears", "-4");
    settings.sync();
    WindowFixture f;
    QCOMPARE(f.state.living.mode, LivingMode::kInclude);
    QCOMPARE(f.state.living.years, kDefaultLivingYears);
  }
  QSettings("kinsheet", "kinsheet").clear();
}

}  // namespace

std::unique_ptr<QObject> MakeExportTest() { return std::make_unique<ExportTest>(); }

}  // namespace kinsheet::qt::testing

#include "export_test.moc"
