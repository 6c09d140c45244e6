// The program as people use it: command line and splash, dropped and recent
// files, settings kept between runs, a failed opener; the real dialogs behind
// the window's hook, and every format exported through them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include "shell/qt/about_window.h"
#include "shell/qt/program.h"
#include "state/startup.h"
#include "test_support.h"
#include "ui/messages.h"

namespace kinsheet::qt::testing {
namespace {

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QSettings("kinsheet", "kinsheet").clear(); }
  void commandLineFile();
  void splashHandsOverToTheWindow();
  void dropAGedcomFile();
  void recentFiles();
  void settingsSurviveARestart();
  void livingChoice();
  void openerFailureIsSaidAndHelpShowsHere();
};

// Only one existing file ending in .ged or .GED is taken from the command
// line, made absolute; the program folder loses its trailing separator.
void DesktopTest::commandLineFile() {
  Sandbox sandbox;
  const QString root = PathText(sandbox.folder());
  for (const char* name : {"tree.ged", "TREE.GED", "tree.Ged", "tree.txt", "my tree.ged"}) {
    WriteFile(sandbox, name, "0 HEAD\r\n");
  }
  QVERIFY(QDir().mkpath(sandbox.Path("folder.ged")));
  const std::pair<QStringList, QString> cases[] = {
      {{"@/tree.ged"}, "@/tree.ged"},   {{"@/TREE.GED"}, "@/TREE.GED"}, {{"@/tree.Ged"}, ""},
      {{"\"@/tree.ged\""}, ""},         {{"@/missing.ged"}, ""},        {{"@/tree.txt"}, ""},
      {{"@/folder.ged"}, ""},           {{"  @/tree.ged  "}, "@/tree.ged"},
      {{"@/my", "tree.ged"}, "@/my tree.ged"}, {{"@/tree.ged", "@/tree.ged"}, ""},
      {{}, ""},                         {{"tree.ged"}, "@/tree.ged"},
  };
  const struct Back { QString folder; ~Back() { QDir::setCurrent(folder); } } back{QDir::currentPath()};
  QVERIFY(QDir::setCurrent(root));
  for (const auto& [arguments, preset] : cases) {
    std::vector<std::string> args;
    for (const QString& a : arguments) args.push_back(PathBytes(QString(a).replace("@", root)));
    RunState state;
    PrepareRunState(state, sandbox.folder() + "/", JoinCommandLine(args));
    QCOMPARE(PathText(state.current_file_name), QString(preset).replace("@", root));
    QCOMPARE(state.program_folder, sandbox.folder());
  }
}

// The splash shows first; its first tick shows the window and offers the
// command line's file in its own folder. The load's work files go to a
// folder of the run's own, which goes with the run.
void DesktopTest::splashHandsOverToTheWindow() {
  Sandbox sandbox;
  const std::string file = WriteGedcom(sandbox, "TREE.GED", 25);
  ScriptedDialogs dialogs;
  dialogs.file_answers.push_back(file);
  auto program = std::make_unique<Program>(dialogs, 0);
  QVERIFY(program->Start(sandbox.folder(), file, sandbox.folder()));
  frmAboutKinsheet& about = program->about();
  MainWindow& w = program->window();
  QVERIFY(about.isVisible() && !about.Command1->isVisibleTo(&about) && !w.isVisible());
  QCOMPARE(about.lblVersion->text(), QString("%1.%2").arg(KINSHEET_VERSION_MAJOR).arg(KINSHEET_VERSION_MINOR));
  QCOMPARE(w.StatusPanel1->text(), PathText(file));

  QTRY_VERIFY(w.isVisible());
  QVERIFY(!about.isVisible() && about.Command1->isVisibleTo(&about) && !about.Timer1->isActive());
  QCOMPARE(dialogs.file_dialogs.size(), std::size_t{1});
  QCOMPARE(dialogs.file_dialogs[0].file_name, file);
  QCOMPARE(dialogs.file_dialogs[0].initial_folder, sandbox.folder());
  QCOMPARE(program->state().work.individual_count, 25);
  const QString work = PathText(program->state().work_folder);
  QVERIFY(work.startsWith(sandbox.Path("kinsheet-")));
  QVERIFY(QFile::exists(work + "/Kinsheet.Ind"));
  program.reset();
  QVERIFY(!QFileInfo::exists(work));
}

void DesktopTest::dropAGedcomFile() {
  WindowFixture f;
  MainWindow& w = *f.window;
  QVERIFY(QDir().mkpath(f.sandbox.Path("elsewhere")));
  const std::string dropped = WriteGedcom(f.sandbox, "elsewhere/Dropped.GED", 30);
  QMimeData text;
  text.setUrls({QUrl::fromLocalFile(f.sandbox.Path("notes.txt"))});
  QDragEnterEvent refuse(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &refuse);
  QVERIFY(!refuse.isAccepted());

  QMimeData data;
  data.setUrls({QUrl("https://example.org/a.ged"), QUrl::fromLocalFile(PathText(dropped))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  f.dialogs.file_answers.push_back(dropped);
  QApplication::sendEvent(&w, &drop);
  QVERIFY(drop.isAccepted());
  // Through the loader's own dialog, preset with the file.
  QTRY_COMPARE(f.dialogs.file_dialogs.size(), std::size_t{1});
  QCOMPARE(f.dialogs.file_dialogs[0].file_name, dropped);
  QCOMPARE(f.state.work.individual_count, 30);
  QCOMPARE(w.RecentFiles(), QStringList{PathText(dropped)});
}

void DesktopTest::recentFiles() {
  WindowFixture f;
  MainWindow& w = *f.window;
  QStringList loaded;
  for (int i = 1; i <= 10; ++i) {
    const std::string path = WriteGedcom(f.sandbox, QString("tree%1.ged").arg(i), 21 + i);
    QVERIFY(f.Load(path));
    loaded.prepend(PathText(path));
  }
  // A file loaded again moves to the front; a failed load is not remembered.
  QVERIFY(f.Load(PathBytes(loaded[4])));
  loaded.move(4, 0);
  QVERIFY(!f.Load(WriteFile(f.sandbox, "empty.ged", "")));
  QCOMPARE(w.RecentFiles(), loaded.mid(0, kRecentFileCount));

  // One gone from disk leaves the menu when it opens.
  QVERIFY(QFile::remove(loaded[1]));
  emit w.mnuFile->aboutToShow();
  const QList<QAction*> items = w.mnuRecent->actions();
  QCOMPARE(items.size(), kRecentFileCount - 1);
  QCOMPARE(items[0]->text(), "&1 " + QFileInfo(loaded[0]).fileName());
  QCOMPARE(items[1]->toolTip(), loaded[2]);
  // Picking one loads it through the dialog, preset.
  f.dialogs.file_answers.push_back(PathBytes(loaded[3]));
  items[2]->trigger();
  QCOMPARE(f.dialogs.file_dialogs.back().file_name, PathBytes(loaded[3]));
  QCOMPARE(w.RecentFiles().value(0), loaded[3]);
}

void DesktopTest::settingsSurviveARestart() {
  Sandbox sandbox;
  QVERIFY(QDir().mkpath(sandbox.Path("trees")) && QDir().mkpath(sandbox.Path("exports")));
  const std::string tree = WriteGedcom(sandbox, "trees/kin.ged", 40);
  for (int run = 1; run <= 2; ++run) {
    ScriptedDialogs dialogs;
    Program program(dialogs, 60000);
    QVERIFY(program.Start(KINSHEET_BIN_DIR, "", sandbox.folder()));
    program.about().Timer1->stop();
    MainWindow& w = program.window();
    if (run == 1) {
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      dialogs.file_answers.push_back(tree);
      w.mnuFileItem_Click(0);
      for (int i : {0, 5, 20, 27}) w.chkSelect[i]->click();
      w.cboLiving->setCurrentIndex(2);
      QCOMPARE(program.state().living.mode, LivingMode::kExclude);
      dialogs.file_answers.push_back(sandbox.PathBytes("exports/kin.csv"));
      w.mnuSheetifyItem_Click(3);
      QVERIFY(QFile::exists(sandbox.Path("exports/kin.csv")));
      w.resize(760, 520);
      w.close();
      QSettings("kinsheet", "kinsheet").setValue("export/livingYears", 30);
      continue;
    }
    const auto& ticked = program.state().selection.ticked;
    for (int i = 0; i < kFieldCount; ++i) QCOMPARE(ticked[i], i == 0 || i == 5 || i == 20 || i == 27);
    QVERIFY(w.optInclSpouse->isEnabled());  // box 20's rule ran
    QCOMPARE(w.size(), QSize(760, 520));
    QCOMPARE(w.RecentFiles(), QStringList{PathText(tree)});
    QCOMPARE(w.cboLiving->currentIndex(), 2);
    QCOMPARE(program.state().living.mode, LivingMode::kExclude);
    QCOMPARE(program.state().living.years, 30);
    // The open dialog starts in the last GEDCOM folder, the save dialog in
    // the last export folder.
    dialogs.file_answers.push_back(tree);
    w.mnuFileItem_Click(0);
    w.mnuSheetifyItem_Click(4);
    QCOMPARE(dialogs.file_dialogs.at(0).initial_folder, sandbox.PathBytes("trees"));
    QCOMPARE(dialogs.file_dialogs.at(1).initial_folder, sandbox.PathBytes("exports"));
  }
}

// The living-people choice offers its three ways; a setting edited into
// nonsense falls back to the defaults.
void DesktopTest::livingChoice() {
  QSettings settings("kinsheet", "kinsheet");
  settings.setValue("export/living", "everyone");
  settings.setValue("export/livingYears", "-4");
  settings.sync();
  WindowFixture f;
  QComboBox* choice = f.window->cboLiving;
  QCOMPARE(choice->itemText(0) + "|" + choice->itemText(1) + "|" + choice->itemText(2) + "|" + choice->itemText(3),
           QString("Include|Private|Leave out|"));
  QCOMPARE(f.state.living.mode, LivingMode::kInclude);
  QCOMPARE(f.state.living.years, kDefaultLivingYears);
}

void DesktopTest::openerFailureIsSaidAndHelpShowsHere() {
  WindowFixture f;
  MainWindow& w = *f.window;
  f.state.opener = "false";  // xdg-open's way of saying no program is set up for the type
  w.mnuHelpItem_Click(2);
  // The help page needs no word on the missing program: it shows here.
  QTRY_VERIFY(w.help_viewer() != nullptr && w.help_viewer()->isVisible());
  QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{});
  const QString help = w.help_viewer()->findChild<QTextBrowser*>()->toPlainText();
  QVERIFY(help.contains("Open GEDCOM") && help.contains("Cancel"));
  w.help_viewer()->hide();

  // "View it now?" answered Yes, with nothing to view a .txt: said, and no
  // help page for it.
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "view.ged", 5)));
  w.Toolbar1_ButtonClick(13);
  f.dialogs.messages.clear();
  const std::string out = f.sandbox.PathBytes("view.txt");
  f.dialogs.file_answers.push_back(out);
  f.dialogs.message_answers.push_back(MsgResult::kYes);
  w.mnuSheetifyItem_Click(4);
  QTRY_COMPARE(f.dialogs.MessageTexts().size(), std::size_t{2});
  QCOMPARE(f.dialogs.MessageTexts()[1], msg::kNoOpener + out);
  QVERIFY(!w.help_viewer()->isVisible());
}

// Acts on the next modal dialog once it is up.
template <typename Dialog, typename Act>
void WhenShown(Act act) {
  QTimer::singleShot(0, [act] {
    QTRY_VERIFY(qobject_cast<Dialog*>(QApplication::activeModalWidget()) != nullptr);
    act(qobject_cast<Dialog*>(QApplication::activeModalWidget()));
  });
}

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void filtersAndTexts();
  void fileDialogs();
  void answersComeBack();
  void everyFormatFromItsButton();
};

void DialogsTest::filtersAndTexts() {
  QCOMPARE(NameFilters(msg::kOpenFilter),
           (QStringList{"All Files (*.*) (*)", "GEDCOM files (*.GED) (*.ged *.GED)",
                        "Text Files (*.txt) (*.txt *.TXT)"}));
  QCOMPARE(NameFilters("Odd|*.a;*.b|Unpaired"), QStringList{"Odd (*.a *.A *.b *.B)"});
  QCOMPARE(ToQString("\xC3\x96rebro"), QString::fromUtf8("\xC3\x96rebro"));  // UTF-8
  QCOMPARE(ToQString("\xD6rebro"), QString::fromUtf8("\xC3\x96rebro"));      // Windows-1252
  const QString name = QString::fromUtf8("/tmp/\xC3\xB6.ged");
  QCOMPARE(PathText(PathBytes(name)), name);
}

void DialogsTest::fileDialogs() {
  Sandbox sandbox;
  const QString folder = PathText(sandbox.folder());
  const std::string ged = WriteFile(sandbox, "tree.ged", "0 HEAD\r\n");
  auto dialog = BuildFileDialog(nullptr, {false, msg::kOpenTitle, msg::kOpenFilter, 2, ged, "", false});
  QCOMPARE(dialog->windowTitle(), QString(msg::kOpenTitle));
  QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
  QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
  // Shown as the description alone.
  QCOMPARE(dialog->selectedNameFilter(), QString("GEDCOM files (*.GED)"));
  QVERIFY(dialog->testOption(QFileDialog::HideNameFilterDetails));
  QCOMPARE(dialog->directory().absolutePath(), folder);
  QCOMPARE(dialog->selectedFiles(), QStringList{PathText(ged)});

  const char* filter = "All Files (*.*)|*.*|MS Excel Files (*.xls)|*.xls";
  dialog = BuildFileDialog(nullptr, {true, msg::kSaveTitle, filter, 1, "family.xls", sandbox.folder(), true});
  QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
  QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
  QCOMPARE(dialog->selectedNameFilter(), QString("All Files (*.*)"));
  QCOMPARE(dialog->directory().absolutePath(), folder);
  QCOMPARE(dialog->selectedFiles(), QStringList{sandbox.Path("family.xls")});
}

// Return takes the default button, Escape the last one.
void DialogsTest::answersComeBack() {
  DialogHooks hooks;
  const MessageBoxRequest question{msg::kOverwrite, MsgIcon::kQuestion, MsgButtons::kYesNo, 2, kAppTitle};
  WhenShown<QMessageBox>([](QMessageBox* box) {
    QCOMPARE(box->windowTitle(), QString(kAppTitle));
    QCOMPARE(box->text(), QString(msg::kOverwrite));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->icon(), QMessageBox::Question);
    QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    QTest::keyClick(box, Qt::Key_Return);
  });
  QCOMPARE(hooks.Message(nullptr, question), MsgResult::kNo);
  WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  QCOMPARE(hooks.Message(nullptr, question), MsgResult::kYes);
  const MessageBoxRequest retry{"x", MsgIcon::kExclamation, MsgButtons::kRetryCancel, 1, msg::kFileErrorTitle};
  WhenShown<QMessageBox>([](QMessageBox* box) {
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->standardButtons(), QMessageBox::Retry | QMessageBox::Cancel);
    QTest::keyClick(box, Qt::Key_Escape);
  });
  QCOMPARE(hooks.Message(nullptr, retry), MsgResult::kCancel);
  WhenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
  QCOMPARE(hooks.Message(nullptr, retry), MsgResult::kRetry);

  Sandbox sandbox;
  const FileDialogRequest save{true, "", "Text Files (*.txt)|*.txt", 1, "family.txt", sandbox.folder(), true};
  WhenShown<QFileDialog>([](QFileDialog* dialog) { static_cast<QDialog*>(dialog)->accept(); });
  FileDialogResult chosen = hooks.FileDialog(nullptr, save);
  QVERIFY(!chosen.cancelled);
  QCOMPARE(chosen.file_name, sandbox.PathBytes("family.txt"));
  WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  chosen = hooks.FileDialog(nullptr, save);
  QVERIFY(chosen.cancelled && chosen.file_name.empty());
}

// The first save starts beside the GEDCOM file, the next ones where the
// last was saved.
void DialogsTest::everyFormatFromItsButton() {
  struct Format {
    const char* filter;
    const char* extension;
    std::string start;
  };
  const Format formats[] = {
      {"MS Excel Files (*.xls)|*.xls", ".xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)},
      {"MS Access Files (*.mdb)|*.mdb", ".mdb", std::string("\0\1\0\0Standard Jet DB\0\1", 21)},
      {"MS Access Files (*.mdb)|*.mdb", ".mdb", std::string("\0\1\0\0Standard Jet DB\0\0", 21)},
      {"Comma Delimited Files (*.csv)|*.csv", ".csv", "\"INDI_ID\",\"FullName\",\"Surname\","},
      {"Text Files (*.txt)|*.txt", ".txt", "INDI_ID"},
      {"Excel Workbooks (*.xlsx)|*.xlsx", ".xlsx", std::string("PK\3\4", 4)},
      {"SQLite Databases (*.sqlite;*.sqlite3;*.db)|*.sqlite;*.sqlite3;*.db", ".sqlite",
       std::string("SQLite format 3\0", 16)},
  };
  WindowFixture f;
  QVERIFY(f.Load(SamplePath("family.ged")));
  f.window->Toolbar1_ButtonClick(13);
  for (int i = 0; i < kExportFormatCount; ++i) {
    f.dialogs.file_dialogs.clear();
    f.dialogs.messages.clear();
    const std::string out = f.sandbox.PathBytes(QString("out%1").arg(i));
    f.dialogs.file_answers.push_back(out);
    f.window->Toolbar1_ButtonClick(5 + i);
    const FileDialogRequest& save = f.dialogs.file_dialogs.at(0);
    QCOMPARE(save.filter, "All Files (*.*)|*.*|" + std::string(formats[i].filter));
    QCOMPARE(save.initial_folder, i == 0 ? std::string(KINSHEET_SOURCE_DIR) + "/samples" : f.sandbox.folder());
    const std::string written = out + formats[i].extension;
    QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{written + msg::kCreatedAsk});
    QCOMPARE(ReadFile(written).substr(0, formats[i].start.size()), formats[i].start);
  }
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QVERIFY(!f.window->ProgressBar1->isVisible());
}

}  // namespace

std::unique_ptr<QObject> MakeDesktopTest() { return std::make_unique<DesktopTest>(); }
std::unique_ptr<QObject> MakeDialogsTest() { return std::make_unique<DialogsTest>(); }

}  // namespace kinsheet::qt::testing

#include "desktop_test.moc"
