// Menus, shortcuts and toolbar positions reach their commands; the field
// boxes and the spouse option; Help, About and Exit.
#include <QAction>
#include <QSet>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include "shell/qt/about_window.h"
#include "state/startup.h"
#include "suites.h"
#include "test_support.h"
#include "ui/messages.h"

namespace kinsheet::qt::testing {
namespace {

// A window shown and active, with the export command replaced by a
// recorder and an About box attached.
struct CommandFixture : WindowFixture {
  CommandFixture() : about(*window, 0) {
    window->SetAboutWindow(&about);
    window->SetExportCommand([this](RunState&, WindowServices&, std::int16_t index) {
      exports.push_back(index);
      return false;
    });
    window->show();
    window->activateWindow();
  }
  bool Active() { return QTest::qWaitForWindowActive(window.get()); }
  bool WorkFilesExist() const {
    return QFile::exists(sandbox.Path("Kinsheet.Ind")) || QFile::exists(sandbox.Path("Kinsheet.Fam"));
  }
  void MakeWorkFiles() {
    WriteFile(sandbox, "Kinsheet.Ind", "x");
    WriteFile(sandbox, "Kinsheet.Fam", "x");
  }
  int Ticked() const {
    int n = 0;
    for (int i = 0; i < kFieldCount; ++i) n += window->chkSelect[i]->isChecked() ? 1 : 0;
    return n;
  }

  frmAboutKinsheet about;
  std::vector<int> exports;
};

QString HelpPage(const CommandFixture& f) { return PathText(HelpPagePath(f.state)); }

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void menuItems();
  void shortcutsReachTheirCommands_data();
  void shortcutsReachTheirCommands();
  void exportKeysWorkWhereverTheFocusIs();
  void toolbarPositions();
  void toolbarButtonsReachTheirCommands();
  void selectAllDeselectAllAndTheSpouseRule();
  void clickingBoxesAndCaptions();
  void exitRemovesTheWorkFilesOtherClosingKeepsThem();
  void aboutBoxAndMakersAddress();
  void helpPageShippedBesideTheProgram();
};

void CommandsTest::menuItems() {
  CommandFixture f;
  MainWindow& w = *f.window;
  QCOMPARE(w.mnuFile->title(), QString("&File"));
  QCOMPARE(w.mnuHelp->title(), QString("&Help"));
  const QList<QAction*> file = w.mnuFile->actions();
  QCOMPARE(file.size(), 5);
  for (int i = 0; i < 5; ++i) QCOMPARE(file[i], w.mnuFileItem[i]);
  QVERIFY(file[1]->isSeparator());
  QVERIFY(file[3]->isSeparator());
  QCOMPARE(file[2]->menu(), w.mnuSheetify);

  struct Item {
    QAction* action;
    const char* caption;
    const char* keys;
  };
  const Item items[] = {
      {w.mnuFileItem[0], "&Open GEDCOM", "Ctrl+O"},   {w.mnuFileItem[2], "&Sheetify to ...", ""},
      {w.mnuSheetifyItem[0], "MS &Excel", "Ctrl+E"}, {w.mnuSheetifyItem[1], "MS A&ccess ", "Ctrl+C"},
      {w.mnuSheetifyItem[2], "MS &Access (old)", "Ctrl+A"},
      {w.mnuSheetifyItem[3], "Comma &Delimited", "Ctrl+D"},
      {w.mnuSheetifyItem[4], "&Text file", "Ctrl+T"},
      {w.mnuSheetifyItem[5], "Excel &Workbook (.xlsx)", "Ctrl+Shift+E"},
      {w.mnuSheetifyItem[6], "S&QLite Database", "Ctrl+Shift+L"},  {w.mnuFileItem[4], "&Exit", "Ctrl+X"},
      {w.mnuHelpItem[0], "&About", "Ctrl+B"},          {w.mnuHelpItem[2], "&Help", "Ctrl+H"},
  };
  for (const Item& item : items) {
    QCOMPARE(item.action->text(), QString(item.caption));
    QCOMPARE(item.action->shortcut(), QKeySequence(item.keys));
  }
  QCOMPARE(w.mnuSheetify->actions().size(), 7);
  for (int i = 0; i < 7; ++i) QCOMPARE(w.mnuSheetify->actions()[i], w.mnuSheetifyItem[i]);
  // No two commands share a key.
  QSet<QString> keys;
  for (QAction* action : w.findChildren<QAction*>()) {
    if (action->shortcut().isEmpty()) continue;
    const QString key = action->shortcut().toString();
    QVERIFY2(!keys.contains(key), qPrintable(key));
    keys.insert(key);
  }
  QCOMPARE(w.mnuHelp->actions().size(), 3);
  QVERIFY(w.mnuHelpItem[1]->isSeparator());
}

void CommandsTest::shortcutsReachTheirCommands_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<bool>("shift");
  QTest::addColumn<QString>("effect");
  QTest::newRow("Ctrl+O") << int(Qt::Key_O) << false << "open";
  QTest::newRow("Ctrl+E") << int(Qt::Key_E) << false << "export 0";
  QTest::newRow("Ctrl+C") << int(Qt::Key_C) << false << "export 1";
  QTest::newRow("Ctrl+A") << int(Qt::Key_A) << false << "export 2";
  QTest::newRow("Ctrl+D") << int(Qt::Key_D) << false << "export 3";
  QTest::newRow("Ctrl+T") << int(Qt::Key_T) << false << "export 4";
  QTest::newRow("Ctrl+Shift+E") << int(Qt::Key_E) << true << "export 5";
  QTest::newRow("Ctrl+Shift+L") << int(Qt::Key_L) << true << "export 6";
  QTest::newRow("Ctrl+X") << int(Qt::Key_X) << false << "exit";
  QTest::newRow("Ctrl+B") << int(Qt::Key_B) << false << "about";
  QTest::newRow("Ctrl+H") << int(Qt::Key_H) << false << "help";
}

void CommandsTest::shortcutsReachTheirCommands() {
  QFETCH(int, key);
  QFETCH(bool, shift);
  QFETCH(QString, effect);
  CommandFixture f;
  QVERIFY(f.Active());
  f.MakeWorkFiles();
  QTest::keyClick(f.window.get(), static_cast<Qt::Key>(key),
                  shift ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);

  QCOMPARE(f.dialogs.file_dialogs.size(), std::size_t{effect == "open" ? 1u : 0u});
  if (effect == "open") QCOMPARE(f.dialogs.file_dialogs[0].title, std::string(msg::kOpenTitle));
  if (effect.startsWith("export")) {
    QCOMPARE(f.exports, std::vector<int>{effect.back().digitValue()});
  } else {
    QVERIFY(f.exports.empty());
  }
  QCOMPARE(f.window->isVisible(), effect != "exit");
  QCOMPARE(f.WorkFilesExist(), effect != "exit");
  QCOMPARE(f.about.isVisible(), effect == "about");
  if (effect == "help") {
    QTRY_COMPARE(f.sandbox.Opened(), QStringList{HelpPage(f)});
  } else {
    QTest::qWait(10);
    QVERIFY(f.sandbox.Opened().isEmpty());
  }
}

// Ctrl+A and Ctrl+C are also the list's select-all and copy keys: the
// commands must win, with the focus on the list or on a box.
void CommandsTest::exportKeysWorkWhereverTheFocusIs() {
  CommandFixture f;
  QVERIFY(f.Active());
  for (QWidget* focus : {static_cast<QWidget*>(f.window->ListView1), static_cast<QWidget*>(f.window->chkSelect[3])}) {
    focus->setFocus();
    QTRY_VERIFY(focus->hasFocus());
    f.exports.clear();
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(f.exports, (std::vector<int>{2, 1}));
    QVERIFY(!f.window->isVisible());
    f.window->show();
    f.window->activateWindow();
    QVERIFY(f.Active());
  }
}

void CommandsTest::toolbarPositions() {
  CommandFixture f;
  const QList<QAction*> actions = f.window->Toolbar1->actions();
  QCOMPARE(actions.size(), kToolbarPositions);
  const char* tips[kToolbarPositions] = {"Exit Kinsheet",
                                         nullptr,
                                         "Open GEDCOM File",
                                         nullptr,
                                         "Create MS Excel (*.xls)",
                                         "Create MS Access (*.mdb)",
                                         "Create old MS Access (*.mdb)",
                                         "Create Comma Delimited File (*.csv)",
                                         "Create Text File (*.txt)",
                                         "Create Excel Workbook (*.xlsx)",
                                         "Create SQLite Database (*.sqlite)",
                                         nullptr,
                                         "Select All",
                                         "Deselect All",
                                         nullptr,
                                         "Kinsheet Help"};
  for (int position = 1; position <= kToolbarPositions; ++position) {
    QAction* action = actions[position - 1];
    const char* tip = tips[position - 1];
    QCOMPARE(action->isSeparator(), tip == nullptr);
    if (tip == nullptr) continue;
    QCOMPARE(action->toolTip(), QString(tip));
    // The drawn image, not an empty icon.
    QVERIFY2(!action->icon().pixmap(24, 24).isNull(), tip);
  }
}

void CommandsTest::toolbarButtonsReachTheirCommands() {
  CommandFixture f;
  QVERIFY(f.Active());
  f.MakeWorkFiles();
  auto click = [&](int position) {
    QWidget* button = f.window->Toolbar1->widgetForAction(f.window->Toolbar1->actions()[position - 1]);
    QVERIFY(button != nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
  };

  // Separators and positions outside 1 to 16 do nothing.
  for (int position : {2, 4, 12, 15}) click(position);
  f.window->Toolbar1_ButtonClick(0);
  f.window->Toolbar1_ButtonClick(17);
  QVERIFY(f.dialogs.file_dialogs.empty() && f.dialogs.messages.empty() && f.exports.empty());
  QCOMPARE(f.Ticked(), 0);

  click(3);
  QCOMPARE(f.dialogs.file_dialogs.size(), std::size_t{1});
  QCOMPARE(f.dialogs.file_dialogs[0].title, std::string(msg::kOpenTitle));
  for (int position = 5; position <= 11; ++position) click(position);
  QCOMPARE(f.exports, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  click(13);
  QCOMPARE(f.Ticked(), kFieldCount);
  click(14);
  QCOMPARE(f.Ticked(), 0);
  click(16);
  QTRY_COMPARE(f.sandbox.Opened(), QStringList{HelpPage(f)});
  QVERIFY(f.WorkFilesExist());
  click(1);
  QVERIFY(!f.WorkFilesExist());
  QVERIFY(!f.window->isVisible());
}

void CommandsTest::selectAllDeselectAllAndTheSpouseRule() {
  CommandFixture f;
  MainWindow& w = *f.window;
  QCOMPARE(w.optInclSpouse->text(), QString(" Include Spouse's INDI Info "));
  QVERIFY(!w.optInclSpouse->isEnabled());
  QVERIFY(!w.optInclSpouse->isChecked());

  w.Toolbar1_ButtonClick(13);
  for (int i = 0; i < kFieldCount; ++i) {
    QVERIFY(w.chkSelect[i]->isChecked());
    QVERIFY(f.state.selection.ticked[i]);
  }
  QVERIFY(w.optInclSpouse->isEnabled());
  QVERIFY(!w.optInclSpouse->isChecked());
  QTest::mouseClick(w.optInclSpouse, Qt::LeftButton);
  QVERIFY(w.optInclSpouse->isChecked());
  QVERIFY(f.state.selection.incl_spouse);

  w.Toolbar1_ButtonClick(14);
  for (int i = 0; i < kFieldCount; ++i) {
    QVERIFY(!w.chkSelect[i]->isChecked());
    QVERIFY(!f.state.selection.ticked[i]);
  }
  QVERIFY(!w.optInclSpouse->isChecked());
  QVERIFY(!w.optInclSpouse->isEnabled());
  QVERIFY(!f.state.selection.incl_spouse);
  // Nothing of this asked or exported anything.
  QVERIFY(f.dialogs.messages.empty() && f.exports.empty());
}

void CommandsTest::clickingBoxesAndCaptions() {
  CommandFixture f;
  MainWindow& w = *f.window;
  // Box 20 drives the option; other boxes leave it alone.
  QTest::mouseClick(w.chkSelect[20], Qt::LeftButton);
  QVERIFY(f.state.selection.ticked[20]);
  QVERIFY(w.optInclSpouse->isEnabled());
  QTest::mouseClick(w.optInclSpouse, Qt::LeftButton);
  QTest::mouseClick(w.chkSelect[19], Qt::LeftButton);
  QVERIFY(w.optInclSpouse->isEnabled() && w.optInclSpouse->isChecked());
  QTest::mouseClick(w.chkSelect[20], Qt::LeftButton);
  QVERIFY(!f.state.selection.ticked[20]);
  QVERIFY(!w.optInclSpouse->isEnabled());
  QVERIFY(!w.optInclSpouse->isChecked());
  QVERIFY(!f.state.selection.incl_spouse);

  // A caption ticks and clears its own box.
  QTest::mouseClick(w.lblField[5], Qt::LeftButton);
  QVERIFY(w.chkSelect[5]->isChecked() && f.state.selection.ticked[5]);
  QTest::mouseClick(w.lblField[5], Qt::LeftButton);
  QVERIFY(!w.chkSelect[5]->isChecked() && !f.state.selection.ticked[5]);
  QVERIFY(f.state.selection.ticked[19]);
}

void CommandsTest::exitRemovesTheWorkFilesOtherClosingKeepsThem() {
  {
    CommandFixture f;
    f.MakeWorkFiles();
    f.window->close();
    QVERIFY(f.WorkFilesExist());
  }
  {
    CommandFixture f;
    f.window->mnuFileItem_Click(4);  // none there: no failure
    QVERIFY(!f.window->isVisible());
    QVERIFY(f.dialogs.messages.empty());
  }
  {
    CommandFixture f;
    WriteFile(f.sandbox, "Kinsheet.Fam", "x");
    f.window->mnuFileItem[4]->trigger();
    QVERIFY(!f.WorkFilesExist());
  }
}

void CommandsTest::aboutBoxAndMakersAddress() {
  CommandFixture f;
  f.window->mnuHelpItem[0]->trigger();
  QVERIFY(f.about.isVisible());
  QVERIFY(f.about.Command1->isVisible());
  QVERIFY(!f.about.isModal());
  QTest::mouseClick(f.about.lblMaker, Qt::LeftButton);
  QTRY_COMPARE(f.sandbox.Opened(), QStringList{QString(kHomePageAddress)});
  QTest::mouseClick(f.about.Command1, Qt::LeftButton);
  QVERIFY(!f.about.isVisible());
  // Shown again, it is the same window with the same state.
  f.window->Toolbar1_ButtonClick(16);
  f.window->mnuHelpItem[0]->trigger();
  QVERIFY(f.about.isVisible());
  QTRY_COMPARE(f.sandbox.Opened().size(), 2);
  QCOMPARE(f.sandbox.Opened()[1], HelpPage(f));
}

// The Help command's page is copied beside the program when it is built.
void CommandsTest::helpPageShippedBesideTheProgram() {
  QFile page(QString(KINSHEET_BIN_DIR) + "/" + kHelpFileName);
  QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
  const QString html = QString::fromUtf8(page.readAll());
  for (const char* topic : {"<title>Kinsheet Help</title>", "Open GEDCOM", "Select All", ".xls", ".mdb",
                            ".csv", ".txt", "kinsheet-batch"}) {
    QVERIFY2(html.contains(topic), topic);
  }
}

}  // namespace

std::unique_ptr<QObject> MakeCommandsTest() { return std::make_unique<CommandsTest>(); }

}  // namespace kinsheet::qt::testing

#include "commands_test.moc"
