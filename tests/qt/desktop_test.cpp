// The window as people use it: dropping a file, the recent files, settings
// that outlive a run, Cancel and Escape during a long load or export, the
// opener's failure said and the help page shown here instead, the paging
// keys and the keys every desktop program has.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "shell/qt/about_window.h"
#include "shell/qt/program.h"
#include "state/startup.h"
#include "suites.h"
#include "test_support.h"
#include "ui/messages.h"

namespace kinsheet::qt::testing {
namespace {

// A generated file of `people` from the project's generator, made once per
// size and run.
std::string Generated(const Sandbox& sandbox, int people) {
  const QString path = sandbox.Path(QString("gen-%1.ged").arg(people));
  if (!QFile::exists(path)) {
    const int rc = QProcess::execute(QString(KINSHEET_BIN_DIR) + "/gedgen",
                                     {"--people", QString::number(people), "-o", path});
    if (rc != 0) return {};
  }
  return PathBytes(path);
}

// Presses `press` once `ready` holds, during the work the next command
// starts (the window takes its events while it works).
void PressWhen(MainWindow& window, std::function<bool()> ready, std::function<void()> press, bool* pressed) {
  auto* poll = new QTimer(&window);
  poll->setInterval(5);
  MainWindow* w = &window;
  QObject::connect(poll, &QTimer::timeout, w, [w, poll, ready, press, pressed] {
    if (!ready()) return;
    poll->stop();
    poll->deleteLater();
    *pressed = w->working() && w->cmdCancel->isVisible();
    press();
  });
  poll->start();
}

void ClearSettings() { QSettings("kinsheet", "kinsheet").clear(); }

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ClearSettings(); }
  void dropAGedcomFile();
  void recentFiles();
  void settingsSurviveARestart();
  void cancelALoadOfAHundredThousandPeople_data();
  void cancelALoadOfAHundredThousandPeople();
  void cancelAnExport();
  void closingWhileWorkingStopsTheWorkFirst();
  void openerFailureIsSaidAndHelpShowsHere();
  void pagingKeys();
  void desktopKeys();
  void noLeftoverInTheStatusBar();
};

void DesktopTest::dropAGedcomFile() {
  WindowFixture f;
  MainWindow& w = *f.window;
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "first.ged", 25)));
  f.dialogs.Clear();
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
  // Through the loader's own dialog, preset with the file in its folder.
  QTRY_COMPARE(f.dialogs.file_dialogs.size(), std::size_t{1});
  QCOMPARE(f.dialogs.file_dialogs[0].file_name, dropped);
  QCOMPARE(f.dialogs.file_dialogs[0].initial_folder, f.sandbox.PathBytes("elsewhere"));
  QCOMPARE(f.state.work.individual_count, 30);
  QCOMPARE(w.windowTitle(), QString("Kinsheet (Dropped.GED)"));
  QCOMPARE(w.RecentFiles().value(0), PathText(dropped));
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
  // A file loaded again moves to the front, not twice in the list.
  QVERIFY(f.Load(PathBytes(loaded[4])));
  loaded.move(4, 0);
  QCOMPARE(w.RecentFiles(), loaded.mid(0, kRecentFileCount));
  // A cancelled or failed load is not remembered.
  f.dialogs.file_answers.push_back("");
  w.mnuFileItem_Click(0);
  QVERIFY(!f.Load(WriteFile(f.sandbox, "empty.ged", "")));
  f.dialogs.Clear();
  QCOMPARE(w.RecentFiles(), loaded.mid(0, kRecentFileCount));

  // One gone from disk leaves the menu when it opens.
  QVERIFY(QFile::remove(loaded[1]));
  emit w.mnuFile->aboutToShow();
  QList<QAction*> items = w.mnuRecent->actions();
  QCOMPARE(items.size(), kRecentFileCount - 1);
  QCOMPARE(items[0]->text(), "&1 " + QFileInfo(loaded[0]).fileName());
  QCOMPARE(items[1]->toolTip(), loaded[2]);
  QVERIFY(w.mnuRecent->menuAction()->isEnabled());

  // Picking one loads it through the dialog, preset.
  const std::string picked = PathBytes(loaded[3]);
  f.dialogs.file_answers.push_back(picked);
  items[2]->trigger();
  QCOMPARE(f.dialogs.file_dialogs.at(0).file_name, picked);
  QCOMPARE(f.state.current_file_name, picked);
  QCOMPARE(w.RecentFiles().value(0), loaded[3]);
}

void DesktopTest::settingsSurviveARestart() {
  Sandbox sandbox;
  QVERIFY(QDir().mkpath(sandbox.Path("trees")));
  QVERIFY(QDir().mkpath(sandbox.Path("exports")));
  const std::string tree = WriteGedcom(sandbox, "trees/kin.ged", 40);
  {
    ScriptedDialogs dialogs;
    Program program(dialogs, 60000);
    QVERIFY(program.Start(KINSHEET_BIN_DIR, "", sandbox.folder()));
    program.about().Timer1->stop();
    MainWindow& w = program.window();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    dialogs.file_answers.push_back(tree);
    w.mnuFileItem_Click(0);
    QCOMPARE(program.state().work.individual_count, 40);
    for (int i : {0, 5, 20, 27}) w.chkSelect[i]->click();
    dialogs.file_answers.push_back(sandbox.PathBytes("exports/kin.csv"));
    dialogs.message_answers.push_back(MsgResult::kNo);
    w.mnuSheetifyItem_Click(3);
    QVERIFY(QFile::exists(sandbox.Path("exports/kin.csv")));
    w.resize(760, 520);
    w.close();
  }
  ScriptedDialogs dialogs;
  Program program(dialogs, 60000);
  QVERIFY(program.Start(KINSHEET_BIN_DIR, "", sandbox.folder()));
  program.about().Timer1->stop();
  MainWindow& w = program.window();
  for (int i = 0; i < kFieldCount; ++i) {
    const bool ticked = i == 0 || i == 5 || i == 20 || i == 27;
    QCOMPARE(w.chkSelect[i]->isChecked(), ticked);
    QCOMPARE(program.state().selection.ticked[i], ticked);
  }
  QVERIFY(w.optInclSpouse->isEnabled());  // box 20's rule ran
  QCOMPARE(w.size(), QSize(760, 520));
  QCOMPARE(w.RecentFiles(), QStringList{PathText(tree)});
  // The open dialog starts in the last GEDCOM folder, the save dialog in
  // the last export folder.
  w.mnuFileItem_Click(0);
  QCOMPARE(dialogs.file_dialogs.at(0).initial_folder, sandbox.PathBytes("trees"));
  dialogs.file_answers.push_back(tree);
  w.mnuFileItem_Click(0);
  w.mnuSheetifyItem_Click(4);
  QCOMPARE(dialogs.file_dialogs.at(2).initial_folder, sandbox.PathBytes("exports"));
}

void DesktopTest::cancelALoadOfAHundredThousandPeople_data() {
  QTest::addColumn<bool>("escape");
  QTest::newRow("Cancel button") << false;
  QTest::newRow("Escape") << true;
}

void DesktopTest::cancelALoadOfAHundredThousandPeople() {
  QFETCH(bool, escape);
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const std::string big = Generated(f.sandbox, 100000);
  QVERIFY(!big.empty());
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "before.ged", 45)));

  bool pressed = false;
  std::int32_t people_at_press = 0;
  PressWhen(
      w, [&] { return f.state.work.individual_count > 1000; },
      [&] {
        people_at_press = f.state.work.individual_count;
        if (escape) {
          QTest::keyClick(&w, Qt::Key_Escape);
        } else {
          QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
        }
      },
      &pressed);
  QVERIFY(!f.Load(big));
  QVERIFY(pressed);  // the button showed while the load ran
  QVERIFY(people_at_press < 100000);

  // As after a file with no people.
  QCOMPARE(w.StatusPanel1->text(), QString(msg::kLoadCancelled));
  for (QLabel* count : w.lblCount) QCOMPARE(count->text(), QString("0 "));
  QCOMPARE(w.ListView1->topLevelItemCount(), 0);
  QVERIFY(!w.VScroll1->isEnabled());
  QCOMPARE(w.windowTitle(), QString("Kinsheet"));
  QVERIFY(!w.cmdCancel->isVisible());
  QVERIFY(!w.ProgressBar1->isVisible());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QVERIFY(f.dialogs.messages.empty());
  // The commands are back, and exports are refused as with no records.
  QVERIFY(w.mnuSheetifyItem[3]->isEnabled());
  QVERIFY(w.chkSelect[0]->isEnabled());
  w.mnuSheetifyItem[3]->trigger();
  QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{msg::kNoRecords});
}

void DesktopTest::cancelAnExport() {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const std::string big = Generated(f.sandbox, 100000);
  QVERIFY(f.Load(big));
  w.Toolbar1_ButtonClick(13);
  f.dialogs.Clear();

  // The export writes beside an old file, which it replaces only when done.
  const std::string out = WriteFile(f.sandbox, "people.csv", "the old file");
  auto writing = [&] {
    return !QDir(f.sandbox.Path("")).entryList({".people.csv.kinsheet-*"}, QDir::Files | QDir::Hidden).isEmpty();
  };
  bool pressed = false;
  PressWhen(w, writing, [&] { QTest::keyClick(&w, Qt::Key_Escape); }, &pressed);
  f.dialogs.file_answers.push_back(out);
  f.dialogs.message_answers.push_back(MsgResult::kYes);  // replace it
  w.mnuSheetifyItem_Click(3);
  QVERIFY(pressed);
  QCOMPARE(ReadFile(out), std::string("the old file"));
  QVERIFY(!writing());
  // Only the replace question: no failure, no "view it now?".
  QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{msg::kOverwrite});
  QCOMPARE(w.StatusPanel1->text(), QString(msg::kExportCancelled));
  QVERIFY(!w.cmdCancel->isVisible());
  QVERIFY(!w.ProgressBar1->isVisible());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  // The people are still there to export.
  QCOMPARE(f.state.work.individual_count, 100000);
  QCOMPARE(w.ListView1->topLevelItemCount(), 20);
}

void DesktopTest::closingWhileWorkingStopsTheWorkFirst() {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const std::string big = Generated(f.sandbox, 100000);
  bool pressed = false;
  PressWhen(
      w, [&] { return f.state.work.individual_count > 1000; }, [&] { w.close(); }, &pressed);
  QVERIFY(!f.Load(big));
  QVERIFY(pressed);
  QCOMPARE(w.StatusPanel1->text(), QString(msg::kLoadCancelled));
  // Then the window closes.
  QTRY_VERIFY(!w.isVisible());
}

void DesktopTest::openerFailureIsSaidAndHelpShowsHere() {
  WindowFixture f;
  MainWindow& w = *f.window;
  // xdg-open's way of saying no program is set up for the type.
  const std::string failing = WriteFile(f.sandbox, "no-program.sh", "#!/bin/sh\nexit 3\n");
  QFile::setPermissions(PathText(failing), QFile::ReadOwner | QFile::ExeOwner);
  f.state.opener = failing;

  w.mnuHelpItem_Click(2);
  const std::string help = HelpPagePath(f.state);
  QTRY_COMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{msg::kNoOpener + help});
  QVERIFY(w.help_viewer() != nullptr);
  QTRY_VERIFY(w.help_viewer()->isVisible());
  const auto* browser = w.help_viewer()->findChild<QTextBrowser*>();
  QVERIFY(browser != nullptr);
  QVERIFY(browser->toPlainText().contains("Kinsheet"));
  QVERIFY(browser->toPlainText().contains("Cancel"));
  w.help_viewer()->hide();
  f.dialogs.Clear();

  // "View it now?" answered Yes, with nothing to view a .txt.
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "view.ged", 5)));
  w.Toolbar1_ButtonClick(13);
  f.dialogs.Clear();
  const std::string out = f.sandbox.PathBytes("view.txt");
  f.dialogs.file_answers.push_back(out);
  f.dialogs.message_answers.push_back(MsgResult::kYes);
  w.mnuSheetifyItem_Click(4);
  QTRY_COMPARE(f.dialogs.MessageTexts().size(), std::size_t{2});
  QCOMPARE(f.dialogs.MessageTexts()[1], msg::kNoOpener + out);
  QVERIFY(!w.help_viewer()->isVisible());  // only the help page opens here
}

void DesktopTest::pagingKeys() {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "45.ged", 45)));
  w.ListView1->setFocus();
  auto first = [&] { return w.ListView1->topLevelItem(0)->text(2); };
  struct Step {
    Qt::Key key;
    int value;
  };
  // 45 people: pages start at 1 to 26.
  const Step steps[] = {{Qt::Key_PageDown, 21}, {Qt::Key_PageDown, 26}, {Qt::Key_Up, 25},
                        {Qt::Key_Home, 1},      {Qt::Key_Up, 1},        {Qt::Key_Down, 2},
                        {Qt::Key_End, 26},      {Qt::Key_PageUp, 6},    {Qt::Key_PageUp, 1}};
  for (const Step& step : steps) {
    QTest::keyClick(w.ListView1, step.key);
    QCOMPARE(w.VScroll1->value(), step.value);
    QCOMPARE(first(), QString("Row%1, Given%2").arg(step.value, 6, 10, QChar('0')).arg(step.value));
    QCOMPARE(w.ListView1->topLevelItemCount(), 20);
  }
}

void DesktopTest::desktopKeys() {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QApplication::setActiveWindow(&w);
  QTest::keyClick(&w, Qt::Key_F1);
  QTRY_COMPARE(f.sandbox.Opened(), QStringList{PathText(HelpPagePath(f.state))});
  QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
  QVERIFY(!w.isVisible());
}

void DesktopTest::noLeftoverInTheStatusBar() {
  WindowFixture f;
  MainWindow& w = *f.window;
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "kin.ged", 30)));
  QCOMPARE(w.StatusPanel1->text(), QString(msg::kSelectFields));
  // Open, then Cancel: as it was.
  f.dialogs.file_answers.push_back("");
  w.mnuFileItem_Click(0);
  QCOMPARE(w.StatusPanel1->text(), QString(msg::kSelectFields));
  // A failed export says so instead of "One moment please...".
  w.Toolbar1_ButtonClick(13);
  const std::string out = f.sandbox.PathBytes("missing/kin.xls");
  f.dialogs.file_answers.push_back(out);
  w.mnuSheetifyItem_Click(0);
  QCOMPARE(w.StatusPanel1->text(), QString(msg::kNotSaved) + PathText(out));
}

}  // namespace

std::unique_ptr<QObject> MakeDesktopTest() { return std::make_unique<DesktopTest>(); }

}  // namespace kinsheet::qt::testing

#include "desktop_test.moc"
