// The main window's wiring: menus, keys, toolbar buttons and field boxes
// reach the commands and the run state; the list and counters show the
// core's people, paged by bar, keys and wheel; a long load shows its progress
// and stops on Cancel, Escape or closing.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <new>
#include <stdexcept>

#include "export/report_csv.h"
#include "shell/qt/about_window.h"
#include "shell/qt/report_dialog.h"
#include "state/startup.h"
#include "test_support.h"
#include "ui/messages.h"

namespace kinsheet::qt::testing {
namespace {

// A window shown and active, with the export command replaced by a
// recorder, an About box attached and work files for Exit to remove.
struct CommandFixture : WindowFixture {
  CommandFixture() : about(*window, 0) {
    window->SetAboutWindow(&about);
    window->SetExportCommand([this](RunState&, WindowServices&, std::int16_t index) {
      effects << QString("export %1").arg(index);
      return false;
    });
    WriteFile(sandbox, "Kinsheet.Ind", "x");
    window->show();
    window->activateWindow();
  }
  auto Ticked() const {
    const auto& boxes = window->chkSelect;
    return std::count_if(boxes.begin(), boxes.end(), [](const QCheckBox* box) { return box->isChecked(); });
  }
  // What the commands since the last call did: the exports in order, then
  // the rest.
  QString Effects() {
    if (!dialogs.file_dialogs.empty() && dialogs.file_dialogs.back().title == msg::kOpenTitle) effects << "open";
    if (!window->isVisible() && !QFile::exists(sandbox.Path("Kinsheet.Ind"))) effects << "exit";
    if (about.isVisible()) effects << "about";
    for (const OpenerRun& run : state.openers) effects << (run.target == HelpPagePath(state) ? "help" : "?");
    state.openers.clear();
    dialogs.file_dialogs.clear();
    return std::exchange(effects, {}).join(',');
  }

  frmAboutKinsheet about;
  QStringList effects;
};

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void menuItemsAndKeys_data();
  void menuItemsAndKeys();
  void exportKeysWorkWhereverTheFocusIs();
  void toolbarButtons();
  void boxesCaptionsAndTheSpouseOption();
  void aboutBoxAndMakersAddress();
  void aCommandThatThrowsIsReported();
};

void CommandsTest::menuItemsAndKeys_data() {
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("keys");  // all the item's keys
  QTest::addColumn<QString>("press");
  QTest::addColumn<QString>("effect");
  QTest::newRow("Open") << "&Open GEDCOM" << "Ctrl+O" << "Ctrl+O" << "open";
  QTest::newRow("Excel") << "MS &Excel" << "Ctrl+E" << "Ctrl+E" << "export 0";
  QTest::newRow("Access") << "MS A&ccess " << "Ctrl+C" << "Ctrl+C" << "export 1";
  QTest::newRow("old Access") << "MS &Access (old)" << "Ctrl+A" << "Ctrl+A" << "export 2";
  QTest::newRow("CSV") << "Comma &Delimited" << "Ctrl+D" << "Ctrl+D" << "export 3";
  QTest::newRow("text") << "&Text file" << "Ctrl+T" << "Ctrl+T" << "export 4";
  QTest::newRow("xlsx") << "Excel &Workbook (.xlsx)" << "Ctrl+Shift+E" << "Ctrl+Shift+E" << "export 5";
  QTest::newRow("SQLite") << "S&QLite Database" << "Ctrl+Shift+L" << "Ctrl+Shift+L" << "export 6";
  QTest::newRow("Exit") << "&Exit" << "Ctrl+X Ctrl+Q" << "Ctrl+X" << "exit";
  QTest::newRow("Exit, Ctrl+Q") << "&Exit" << "Ctrl+X Ctrl+Q" << "Ctrl+Q" << "exit";
  QTest::newRow("About") << "&About" << "Ctrl+B" << "Ctrl+B" << "about";
  QTest::newRow("Help") << "&Help" << "Ctrl+H F1" << "Ctrl+H" << "help";
  QTest::newRow("Help, F1") << "&Help" << "Ctrl+H F1" << "F1" << "help";
}

void CommandsTest::menuItemsAndKeys() {
  QFETCH(QString, caption);
  QFETCH(QString, keys);
  QFETCH(QString, press);
  QFETCH(QString, effect);
  CommandFixture f;
  QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
  QStringList shown;
  for (QAction* action : f.window->findChildren<QAction*>()) {
    if (action->text() != caption || action->menu() != nullptr) continue;
    for (const QKeySequence& key : action->shortcuts()) shown << key.toString();
  }
  QCOMPARE(shown, keys.split(' '));
  QTest::keySequence(f.window.get(), QKeySequence(press));
  QCOMPARE(f.Effects(), effect);
  // Closing the window any other way keeps the work files.
  f.window->close();
  QCOMPARE(QFile::exists(f.sandbox.Path("Kinsheet.Ind")), effect != "exit");
}

// Ctrl+A and Ctrl+C are also the list's select-all and copy keys: the
// commands must win, with the focus on the list or on a box.
void CommandsTest::exportKeysWorkWhereverTheFocusIs() {
  CommandFixture f;
  for (QWidget* focus : {static_cast<QWidget*>(f.window->ListView1), static_cast<QWidget*>(f.window->chkSelect[3])}) {
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    focus->setFocus();
    QTRY_VERIFY(focus->hasFocus());
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(f.Effects(), QString("export 2,export 1"));
  }
}

void CommandsTest::toolbarButtons() {
  CommandFixture f;
  const QList<QAction*> actions = f.window->Toolbar1->actions();
  QStringList tips;
  for (const QAction* action : actions) tips << (action->isSeparator() ? "-" : action->toolTip());
  QCOMPARE(tips.join('|'), QString("Exit Kinsheet|-|Open GEDCOM File|-|Create MS Excel (*.xls)|"
                                   "Create MS Access (*.mdb)|Create old MS Access (*.mdb)|"
                                   "Create Comma Delimited File (*.csv)|Create Text File (*.txt)|"
                                   "Create Excel Workbook (*.xlsx)|Create SQLite Database (*.sqlite)|-|"
                                   "Select All|Deselect All|-|Kinsheet Help"));
  // The drawn images, not empty icons.
  for (QAction* action : actions) QVERIFY(action->isSeparator() || !action->icon().pixmap(24, 24).isNull());
  auto click = [&](int position) {
    QTest::mouseClick(f.window->Toolbar1->widgetForAction(actions[position - 1]), Qt::LeftButton);
  };
  // Separators and positions outside 1 to 16 do nothing.
  for (int position : {0, 2, 4, 12, 15, 17}) f.window->Toolbar1_ButtonClick(position);
  QCOMPARE(f.Effects(), QString());
  QCOMPARE(f.Ticked(), 0);
  for (int position : {3, 5, 6, 7, 8, 9, 10, 11, 16}) click(position);
  QCOMPARE(f.Effects(), QString("export 0,export 1,export 2,export 3,export 4,export 5,export 6,open,help"));
  click(13);
  QCOMPARE(f.Ticked(), kFieldCount);
  click(14);
  QCOMPARE(f.Ticked(), 0);
  // The menu's commands are the very actions on the toolbar: held back in
  // one, held back in the other.
  for (QAction* shared : {f.window->mnuFileItem[0], f.window->mnuSheetifyItem[3], f.window->mnuHelpItem[2]}) {
    QVERIFY(actions.contains(shared));
    shared->setEnabled(false);
    QVERIFY(!f.window->Toolbar1->widgetForAction(shared)->isEnabled());
    shared->setEnabled(true);
  }
  click(1);
  QCOMPARE(f.Effects(), QString("exit"));
}

void CommandsTest::boxesCaptionsAndTheSpouseOption() {
  CommandFixture f;
  MainWindow& w = *f.window;
  const FieldSelection& chosen = f.state.selection;
  QCOMPARE(w.optInclSpouse->text(), QString(" Include Spouse's INDI Info "));
  QVERIFY(!w.optInclSpouse->isEnabled());
  // Each box ticks its own field.
  for (int i = 0; i < kFieldCount; ++i) {
    QTest::mouseClick(w.chkSelect[i], Qt::LeftButton);
    for (int j = 0; j < kFieldCount; ++j) QCOMPARE(chosen.ticked[j], j <= i);
  }
  // Box 20's rule shows on the option, which reaches the state.
  QVERIFY(w.optInclSpouse->isEnabled() && !w.optInclSpouse->isChecked());
  QTest::mouseClick(w.optInclSpouse, Qt::LeftButton);
  QVERIFY(w.optInclSpouse->isChecked() && chosen.incl_spouse);
  QTest::mouseClick(w.chkSelect[20], Qt::LeftButton);
  QVERIFY(!w.optInclSpouse->isEnabled() && !w.optInclSpouse->isChecked() && !chosen.incl_spouse);
  // A caption clears and ticks its own box.
  QTest::mouseClick(w.lblField[5], Qt::LeftButton);
  QVERIFY(!w.chkSelect[5]->isChecked() && !chosen.ticked[5]);
  QTest::mouseClick(w.lblField[5], Qt::LeftButton);
  QVERIFY(w.chkSelect[5]->isChecked() && chosen.ticked[5]);
  // The core's changes show on every box.
  w.Toolbar1_ButtonClick(14);
  QCOMPARE(f.Ticked(), 0);
  w.Toolbar1_ButtonClick(13);
  QCOMPARE(f.Ticked(), kFieldCount);
}

void CommandsTest::aboutBoxAndMakersAddress() {
  CommandFixture f;
  f.window->mnuHelpItem[0]->trigger();
  QVERIFY(f.about.isVisible() && f.about.Command1->isVisible() && !f.about.isModal());
  QTest::mouseClick(f.about.lblMaker, Qt::LeftButton);
  QCOMPARE(f.state.openers.at(0).target, std::string(kHomePageAddress));
  QTest::mouseClick(f.about.Command1, Qt::LeftButton);
  QVERIFY(!f.about.isVisible());
}

// Whatever a command lets through is said, and the window goes on.
void CommandsTest::aCommandThatThrowsIsReported() {
  CommandFixture f;
  f.window->SetExportCommand([](RunState&, WindowServices& ws, std::int16_t) -> bool {
    ws.SetBusy(true);
    throw std::bad_alloc();
  });
  f.window->mnuSheetifyItem[3]->trigger();
  f.window->SetExportCommand([](RunState&, WindowServices&, std::int16_t) -> bool {
    throw std::runtime_error("disk on fire");
  });
  f.window->mnuSheetifyItem[0]->trigger();
  QCOMPARE(f.dialogs.MessageTexts(),
           (std::vector<std::string>{msg::kWindowOutOfMemory,
                                     "The command stopped on an unexpected error: disk on fire"}));
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QVERIFY(f.window->isVisible());
}

// The list's rows as "birth|death|name".
QStringList ListRows(const MainWindow& window) {
  QStringList rows;
  for (int i = 0; i < window.ListView1->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = window.ListView1->topLevelItem(i);
    rows << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
  }
  return rows;
}

// The row WriteGedcom's person `n` makes.
QString Row(int n) {
  return QString("%1|%2|Row%3, Given%4").arg(1800 + n % 200).arg(1870 + n % 200).arg(n, 6, 10, QChar('0')).arg(n);
}

class BrowserTest : public QObject {
  Q_OBJECT

 private slots:
  void loadShowsTheCoresPageAndCounters();
  void pagingWithTheBarTheKeysAndTheWheel();
  void aMessageShowsTheCountersAsTheyAre();
  void stopALongLoad_data();
  void stopALongLoad();
  void readingReportFromTheStatusBarAndTheViewMenu();
  void rootPersonTypedChosenAndRemembered();
};

void BrowserTest::rootPersonTypedChosenAndRemembered() {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.RestoreSettings();
  const std::string path = WriteGedcom(f.sandbox, "root.ged", 30);
  QVERIFY(f.Load(path));
  QCOMPARE(w.txtRoot->text(), QString());
  // Typed with its @s: the field keeps the id, the full name (as the
  // exports write it) shows beside it.
  w.txtRoot->setText("@I7@");
  emit w.txtRoot->editingFinished();
  QCOMPARE(QString::fromStdString(f.state.root_id), QString("I7"));
  QCOMPARE(w.txtRoot->text(), QString("I7"));
  QCOMPARE(w.lblRootName->text(), QString("Given7  Row000007"));
  // Nobody with the id: the root stays, the field says so.
  w.txtRoot->setText("I99");
  emit w.txtRoot->editingFinished();
  QCOMPARE(QString::fromStdString(f.state.root_id), QString("I7"));
  QCOMPARE(w.lblRootName->text(), QString("(nobody has this id)"));

  // The browser's menu on its third row sets the third person.
  QTimer::singleShot(0, [] {
    QWidget* popup = QApplication::activePopupWidget();
    QVERIFY(popup != nullptr);
    auto* set_root = popup->findChild<QAction*>("mnuSetRoot");
    QVERIFY(set_root != nullptr);
    QCOMPARE(set_root->text(), QString("Set as root person"));
    set_root->trigger();
    popup->close();
  });
  const QRect third = w.ListView1->visualItemRect(w.ListView1->topLevelItem(2));
  emit w.ListView1->customContextMenuRequested(third.center());
  QCOMPARE(QString::fromStdString(f.state.root_id), QString("I3"));
  QCOMPARE(w.lblRootName->text(), QString("Given3  Row000003"));

  // Another file has no root; the first one gets its own back.
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "other.ged", 25)));
  QCOMPARE(w.txtRoot->text(), QString());
  QVERIFY(f.state.root_id.empty());
  QVERIFY(f.Load(path));
  QCOMPARE(w.txtRoot->text(), QString("I3"));
  QCOMPARE(QString::fromStdString(f.state.root_id), QString("I3"));
}

void BrowserTest::loadShowsTheCoresPageAndCounters() {
  WindowFixture f;
  MainWindow& w = *f.window;
  QVERIFY(f.Load(SamplePath("family.ged")));
  const QTreeWidgetItem* header = w.ListView1->headerItem();
  QCOMPARE(header->text(0) + header->text(1) + header->text(2), QString("ByrDyrName"));
  QCOMPARE(w.windowTitle(), QString("Kinsheet (family.ged)"));
  QCOMPARE(w.StatusPanel1->text(), QString(msg::kSelectFields));
  for (int i = 0; i < kCounterCount; ++i) QCOMPARE(w.lblCount[i]->text(), QString("%1 ").arg(f.state.counters[i]));
  QVERIFY(f.state.counters[1] > 0 && f.state.counters[5] > 0 && f.state.counters[7] > 0);
  const QStringList rows = ListRows(w);
  QCOMPARE(rows.size(), 20);
  QCOMPARE(rows[0], QString("1868|1931|Lindqvist, Johann"));
  QCOMPARE(rows[1], QString("1871|1940|Berg, Maria"));
  QVERIFY(!w.ProgressBar1->isVisible());
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void BrowserTest::readingReportFromTheStatusBarAndTheViewMenu() {
  WindowFixture f;
  MainWindow& w = *f.window;
  QVERIFY(w.cmdReadingReport->isHidden());
  QVERIFY(!w.mnuViewReport->isEnabled());
  // Lines 9 and 10: sorted as numbers, 9 comes first.
  const std::string ged = WriteFile(f.sandbox, "links.ged",
                                    "0 HEAD\n0 @I1@ INDI\n1 NAME A /B/\n1 NOTE 1\n1 NOTE 2\n1 NOTE 3\n1 NOTE 4\n"
                                    "1 NOTE 5\n1 FAMC @F9@\n0 @I1@ INDI\n0 TRLR\n");
  QVERIFY(f.Load(ged));
  QCOMPARE(w.cmdReadingReport->text(), QString("Reading report (2)"));
  QVERIFY(!w.cmdReadingReport->isHidden() && w.cmdReadingReport->isEnabled());
  QCOMPARE(w.mnuViewReport->text(), QString("Reading report (2)"));
  QVERIFY(w.mnuViewReport->isEnabled());

  w.mnuViewReport->trigger();
  auto* dialog = qobject_cast<ReportDialog*>(w.report_dialog());
  QVERIFY(dialog != nullptr);
  QTableWidget* table = dialog->table();
  QCOMPARE(table->rowCount(), 2);
  QCOMPARE(table->item(0, 0)->text(), QString("9"));
  table->sortByColumn(0, Qt::DescendingOrder);
  QCOMPARE(table->item(0, 0)->text(), QString("10"));
  table->sortByColumn(2, Qt::AscendingOrder);
  QCOMPARE(table->item(0, 2)->text(), QString("Id defined again: @I1@"));
  QCOMPARE(dialog->CopyText(),
           QString("Line\tRecord_ID\tProblem\tAction\n"
                   "10\tI1\tId defined again: @I1@\tBoth records kept as rows; links go to the first\n"
                   "9\tI1\tPointer to an id that no record defines: @F9@\tKept as written; it links to nobody\n"));
  f.dialogs.file_answers.push_back(f.sandbox.PathBytes("report.csv"));
  QVERIFY(dialog->SaveAsCsv());
  QCOMPARE(ReadFile(f.sandbox.PathBytes("report.csv")), ReadingReportCsv(f.state.report));

  // The next load's report replaces the shown one; a clean file has none.
  QVERIFY(f.Load(WriteFile(f.sandbox, "clean.ged", "0 HEAD\n0 @I1@ INDI\n1 NAME A /B/\n0 TRLR\n")));
  QTRY_VERIFY(w.report_dialog() == nullptr);
  QCOMPARE(w.mnuViewReport->text(), QString("Reading report (0)"));
  QVERIFY(w.cmdReadingReport->isHidden() && !w.mnuViewReport->isEnabled());
}

void BrowserTest::pagingWithTheBarTheKeysAndTheWheel() {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "45.ged", 45)));
  QScrollBar* bar = w.VScroll1;
  QVERIFY(bar->isEnabled());
  QCOMPARE(bar->minimum(), 1);
  QCOMPARE(bar->maximum(), 26);
  QCOMPARE(bar->value(), 1);
  // The paging keys on the list move the bar, and the list follows.
  const std::pair<Qt::Key, int> steps[] = {{Qt::Key_PageDown, 21}, {Qt::Key_PageDown, 26}, {Qt::Key_Up, 25},
                                           {Qt::Key_Home, 1},      {Qt::Key_Up, 1},        {Qt::Key_Down, 2},
                                           {Qt::Key_End, 26},      {Qt::Key_PageUp, 6},    {Qt::Key_PageUp, 1}};
  w.ListView1->setFocus();
  for (const auto& [key, value] : steps) {
    QTest::keyClick(w.ListView1, key);
    QCOMPARE(bar->value(), value);
    QStringList page;
    for (int n = value; n < value + 20; ++n) page << Row(n);
    QCOMPARE(ListRows(w), page);
  }
  // So does the wheel over the list.
  bar->setValue(26);
  QWheelEvent wheel(QPointF(10, 10), w.ListView1->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                    QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w.ListView1->viewport(), &wheel);
  QVERIFY(bar->value() < 26);
  QCOMPARE(ListRows(w).first(), Row(bar->value()));
}

// A box shown during a load has the counters behind it as they are then.
void BrowserTest::aMessageShowsTheCountersAsTheyAre() {
  WindowFixture f;
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "7.ged", 7)));
  QStringList seen;
  f.dialogs.on_message = [&](const MessageBoxRequest&) { seen << f.window->lblCount[0]->text(); };
  QVERIFY(!f.Load(WriteFile(f.sandbox, "families.ged", "0 HEAD\r\n0 @F1@ FAM\r\n0 TRLR\r\n")));
  QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{msg::kNoGedData});
  QCOMPARE(seen, QStringList{"0 "});
  QCOMPARE(f.window->lblCount[5]->text(), QString("1 "));
  QCOMPARE(f.window->ListView1->topLevelItemCount(), 0);
  QVERIFY(!f.window->VScroll1->isEnabled());
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void BrowserTest::stopALongLoad_data() {
  QTest::addColumn<QString>("how");
  QTest::newRow("Cancel button") << "button";
  QTest::newRow("Escape") << "escape";
  QTest::newRow("closing the window") << "close";
}

void BrowserTest::stopALongLoad() {
  QFETCH(QString, how);
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const std::string big = WriteGedcom(f.sandbox, "big.ged", 200000);
  // The load does not return to the event loop but takes the window's
  // events now and then: once they show the load under way (the busy
  // pointer, the bar moving, people counted, Cancel offered and the rest
  // held back), it is stopped.
  QTimer poll;
  poll.setInterval(5);
  connect(&poll, &QTimer::timeout, [&] {
    const QCursor* cursor = QApplication::overrideCursor();
    if (!poll.isActive() || cursor == nullptr || cursor->shape() != Qt::WaitCursor) return;
    const QProgressBar* bar = w.ProgressBar1;
    if (!bar->isVisible() || bar->value() <= 0 || bar->value() >= bar->maximum()) return;
    if (w.lblCount[0]->text() == "0 " || !w.cmdCancel->isVisible()) return;
    if (w.mnuSheetifyItem[3]->isEnabled() || w.chkSelect[0]->isEnabled()) return;
    poll.stop();
    if (how == "button") QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    if (how == "escape") QTest::keyClick(&w, Qt::Key_Escape);
    if (how == "close") w.close();
  });
  poll.start();
  QVERIFY(!f.Load(big));
  QCOMPARE(w.StatusPanel1->text(), QString(msg::kLoadCancelled));
  QCOMPARE(w.lblCount[0]->text(), QString("0 "));
  QVERIFY(!w.cmdCancel->isVisible() && !w.ProgressBar1->isVisible());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  // The commands are back; a close asked for meanwhile happens now.
  QVERIFY(w.mnuSheetifyItem[3]->isEnabled() && w.chkSelect[0]->isEnabled());
  QTRY_COMPARE(w.isVisible(), how != "close");
}

}  // namespace

std::unique_ptr<QObject> MakeCommandsTest() { return std::make_unique<CommandsTest>(); }
std::unique_ptr<QObject> MakeBrowserTest() { return std::make_unique<BrowserTest>(); }

}  // namespace kinsheet::qt::testing

#include "window_test.moc"
