// Grabs the main window (with the sample loaded and every box ticked) and
// the About box into PNG files, and fails when any caption is cut off (each
// label, box and button must get at least the size it asks for) or the
// first page of people does not fit the list.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>

#include "shell/qt/about_window.h"
#include "test_support.h"

using namespace kinsheet;
using namespace kinsheet::qt;

namespace {

int ClippedCaptions(QWidget& top) {
  int clipped = 0;
  QList<QWidget*> widgets;
  for (QLabel* label : top.findChildren<QLabel*>()) widgets << label;
  for (QAbstractButton* button : top.findChildren<QAbstractButton*>()) widgets << button;
  for (QWidget* w : widgets) {
    if (!w->isVisible()) continue;
    const QSize want = w->sizeHint();
    const QSize got = w->size();
    if (want.width() > got.width() || want.height() > got.height()) {
      std::fprintf(stderr, "clipped: %s \"%s\" wants %dx%d, has %dx%d\n", qPrintable(w->objectName()),
                   qPrintable(w->property("text").toString()), want.width(), want.height(), got.width(),
                   got.height());
      ++clipped;
    }
  }
  return clipped;
}

// The page of twenty people fits the list without scrolling it.
int HiddenRows(const MainWindow& window) {
  int hidden = 0;
  if (window.ListView1->topLevelItemCount() != 20) {
    std::fprintf(stderr, "the list holds %d rows, not a page of 20\n", window.ListView1->topLevelItemCount());
    ++hidden;
  }
  const QRect shown = window.ListView1->viewport()->rect();
  for (int i = 0; i < window.ListView1->topLevelItemCount(); ++i) {
    if (!shown.contains(window.ListView1->visualItemRect(window.ListView1->topLevelItem(i)))) {
      std::fprintf(stderr, "list row %d is not fully shown\n", i + 1);
      ++hidden;
    }
  }
  return hidden;
}

bool Save(QWidget& widget, const QString& path) {
  const QPixmap picture = widget.grab();
  if (!picture.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s: %dx%d logical, %dx%d pixels\n", qPrintable(path), widget.width(), widget.height(),
              picture.width(), picture.height());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-STEM (writes STEM.png and STEM-about.png)\n", argv[0]);
    return 2;
  }
  const QString stem = QString::fromLocal8Bit(argv[1]);

  testing::WindowFixture f;
  MainWindow& window = *f.window;
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  if (!f.Load(testing::SamplePath("family.ged"))) {
    std::fprintf(stderr, "the sample did not load\n");
    return 1;
  }
  window.Toolbar1_ButtonClick(13);
  window.optInclSpouse->click();
  QTest::qWait(50);

  frmAboutKinsheet about(window, 0);
  about.show();
  if (!QTest::qWaitForWindowExposed(&about)) return 1;
  QTest::qWait(50);

  std::printf("screen scale %.2f\n", window.devicePixelRatioF());
  const int clipped = ClippedCaptions(window) + ClippedCaptions(about) + HiddenRows(window);
  const bool saved = Save(window, stem + ".png") && Save(about, stem + "-about.png");
  if (clipped > 0) std::fprintf(stderr, "%d caption(s) or row(s) cut off\n", clipped);
  return saved && clipped == 0 ? 0 : 1;
}
