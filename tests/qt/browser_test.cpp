// Loading from the window: counters, the first page, paging with the scroll
// bar, the busy pointer and progress bar, and the loader's refusals.
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include "suites.h"
#include "test_support.h"
#include "ui/messages.h"

namespace kinsheet::qt::testing {
namespace {

// Notes what the window looks like whenever the people counter is painted.
class PaintWatcher : public QObject {
 public:
  explicit PaintWatcher(MainWindow& window) : window_(window) {
    window.lblCount[0]->installEventFilter(this);
  }
  int paints = 0;
  int paints_busy = 0;
  int paints_with_progress = 0;
  QStringList captions;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      const QCursor* cursor = QApplication::overrideCursor();
      if (cursor != nullptr && cursor->shape() == Qt::WaitCursor) ++paints_busy;
      if (window_.ProgressBar1->isVisible() && window_.ProgressBar1->value() > 0) ++paints_with_progress;
      captions << window_.lblCount[0]->text();
    }
    return false;
  }

 private:
  MainWindow& window_;
};

QString Row(int n) {
  return QString("%1|%2|Row%3, Given%4").arg(1800 + n % 200).arg(1870 + n % 200).arg(n, 6, 10, QChar('0')).arg(n);
}

class BrowserTest : public QObject {
  Q_OBJECT

 private slots:
  void loadShowsTheFirstPageAndTheCounters();
  void pagingFortyFivePeople();
  void fortyThousandPeopleEveryPageReachable();
  void secondLoadStartsFromZero();
  void loaderRefusals();
};

void BrowserTest::loadShowsTheFirstPageAndTheCounters() {
  WindowFixture f;
  f.window->show();
  QVERIFY(f.Load(SamplePath("family.ged")));
  MainWindow& w = *f.window;
  const QTreeWidgetItem* header = w.ListView1->headerItem();
  QCOMPARE(header->text(0) + header->text(1) + header->text(2), QString("ByrDyrName"));
  QCOMPARE(w.windowTitle(), QString("Kinsheet (family.ged)"));
  QCOMPARE(w.StatusPanel1->text(), QString(msg::kSelectFields));
  for (int i = 0; i < kCounterCount; ++i) {
    QCOMPARE(w.lblCount[i]->text(), QString("%1 ").arg(f.state.counters[i]));
    QVERIFY(!w.lblCountName[i]->text().isEmpty());
  }
  QVERIFY(f.state.counters[1] > 0 && f.state.counters[5] > 0 && f.state.counters[7] > 0);
  const QStringList rows = ListRows(w);
  QCOMPARE(rows.size(), std::min(20, f.state.work.individual_count));
  QCOMPARE(rows[0], QString("1868|1931|Lindqvist, Johann"));
  QCOMPARE(rows[1], QString("1871|1940|Berg, Maria"));  // from "ABT 1871"
  QVERIFY(!w.ProgressBar1->isVisible());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QVERIFY(f.dialogs.messages.empty());
  // The next open dialog starts in the file's folder.
  f.window->mnuFileItem_Click(0);
  QCOMPARE(f.dialogs.file_dialogs.back().initial_folder, std::string(KINSHEET_SOURCE_DIR) + "/samples");
  QCOMPARE(f.dialogs.file_dialogs.back().file_name, std::string());
}

void BrowserTest::pagingFortyFivePeople() {
  WindowFixture f;
  f.window->show();
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "45.ged", 45)));
  QScrollBar* bar = f.window->VScroll1;
  QVERIFY(bar->isEnabled());
  QCOMPARE(bar->minimum(), 1);
  QCOMPARE(bar->maximum(), 26);
  QCOMPARE(bar->value(), 1);
  QCOMPARE(ListRows(*f.window).first(), Row(1));
  QCOMPARE(f.window->lblCount[0]->text(), QString("45 "));
  QCOMPARE(f.window->lblCount[5]->text(), QString("22 "));

  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  QCOMPARE(f.state.scroll.value, 21);
  QCOMPARE(ListRows(*f.window).first(), Row(21));
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  QCOMPARE(ListRows(*f.window).first(), Row(20));

  bar->setValue(26);
  QStringList expected;
  for (int n = 26; n <= 45; ++n) expected << Row(n);
  QCOMPARE(ListRows(*f.window), expected);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);  // already at the end
  QCOMPARE(ListRows(*f.window), expected);

  // The wheel over the list moves the bar.
  QWheelEvent wheel(QPointF(10, 10), f.window->ListView1->viewport()->mapToGlobal(QPointF(10, 10)),
                    QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(f.window->ListView1->viewport(), &wheel);
  QVERIFY(bar->value() < 26);
  QCOMPARE(ListRows(*f.window).first(), Row(bar->value()));
}

void BrowserTest::fortyThousandPeopleEveryPageReachable() {
  WindowFixture f;
  f.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
  const std::string path = WriteGedcom(f.sandbox, "40000.ged", 40000);
  PaintWatcher watcher(*f.window);
  QElapsedTimer clock;
  clock.start();
  QVERIFY(f.Load(path));
  qInfo("40,000 people loaded from the window in %lld ms with %d counter paints", clock.elapsed(),
        watcher.paints);

  // The load never returned to the event loop, yet the counter was painted
  // while it grew, under the busy pointer and beside the progress bar.
  QVERIFY(watcher.paints >= 2);
  QVERIFY(watcher.captions.size() >= 2 && watcher.captions.first() != watcher.captions.last());
  QVERIFY(watcher.paints_busy >= 1);
  QVERIFY(watcher.paints_with_progress >= 1);
  QVERIFY(!f.window->ProgressBar1->isVisible());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QCOMPARE(f.window->lblCount[0]->text(), QString("40000 "));

  QScrollBar* bar = f.window->VScroll1;
  QCOMPARE(bar->minimum(), 1);
  QCOMPARE(bar->maximum(), 40000 - 19);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  const QStringList rows = ListRows(*f.window);
  QCOMPARE(rows.size(), 20);
  QCOMPARE(rows.first(), Row(39981));
  QCOMPARE(rows.last(), Row(40000));
  bar->setValue(32768);
  QCOMPARE(ListRows(*f.window).first(), Row(32768));
}

void BrowserTest::secondLoadStartsFromZero() {
  WindowFixture f;
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "45.ged", 45)));
  f.window->VScroll1->setValue(26);
  QStringList seen;
  f.dialogs.on_message = [&](const MessageBoxRequest&) { seen << f.window->lblCount[0]->text(); };
  // A file of families only: counters reset, then "No GED data in file!".
  const std::string families = WriteFile(f.sandbox, "families.ged",
                                         "0 HEAD\r\n0 @F1@ FAM\r\n1 MARR\r\n2 DATE 1900\r\n0 TRLR\r\n");
  QVERIFY(!f.Load(families));
  QCOMPARE(f.dialogs.MessageTexts(), std::vector<std::string>{msg::kNoGedData});
  QCOMPARE(seen, QStringList{"0 "});
  QCOMPARE(f.window->lblCount[5]->text(), QString("1 "));
  QCOMPARE(f.window->lblCount[7]->text(), QString("1 "));
  QCOMPARE(f.window->ListView1->topLevelItemCount(), 0);
  QVERIFY(!f.window->VScroll1->isEnabled());
  QCOMPARE(f.window->windowTitle(), QString("Kinsheet (families.ged)"));

  QVERIFY(f.Load(WriteGedcom(f.sandbox, "7.ged", 7)));
  QCOMPARE(f.window->lblCount[0]->text(), QString("7 "));
  QCOMPARE(ListRows(*f.window).size(), 7);
  QCOMPARE(ListRows(*f.window).first(), Row(1));
}

void BrowserTest::loaderRefusals() {
  WindowFixture f;
  auto only_message = [&](const char* text) {
    QCOMPARE(f.dialogs.messages.size(), std::size_t{1});
    const MessageBoxRequest& m = f.dialogs.messages[0];
    QCOMPARE(m.text, std::string(text));
    QCOMPARE(m.icon, MsgIcon::kExclamation);
    QCOMPARE(m.buttons, MsgButtons::kOk);
    QCOMPARE(m.title, std::string("Kinsheet"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    f.dialogs.Clear();
  };
  QVERIFY(!f.Load(WriteFile(f.sandbox, "empty.ged", "")));
  only_message(msg::kFileEmpty);
  QVERIFY(!f.Load(WriteFile(f.sandbox, "notes.ged", "0 HEAD\n0 @N1@ NOTE x\n0 TRLR\n")));
  only_message(msg::kNoGedData);
  QCOMPARE(f.window->StatusPanel1->text(), QString(msg::kLoading) + f.sandbox.Path("notes.ged"));

  // Cancelled, or a name that does not exist: no message, pointer restored.
  QVERIFY(f.Load(WriteGedcom(f.sandbox, "45.ged", 45)));
  f.dialogs.file_answers.push_back("");
  f.window->mnuFileItem_Click(0);
  QVERIFY(f.dialogs.messages.empty());
  QCOMPARE(f.window->ListView1->topLevelItemCount(), 0);
  QVERIFY(!f.window->VScroll1->isEnabled());
  QVERIFY(!f.Load(f.sandbox.PathBytes("gone.ged")));
  QVERIFY(f.dialogs.messages.empty());
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

}  // namespace

std::unique_ptr<QObject> MakeBrowserTest() { return std::make_unique<BrowserTest>(); }

}  // namespace kinsheet::qt::testing

#include "browser_test.moc"
