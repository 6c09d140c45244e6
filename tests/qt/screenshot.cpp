// Grabs the main window (the sample loaded, every box ticked) and the About
// box into STEM.png and STEM-about.png, and fails when a label, box or
// button gets less than the size it asks for, the first page of people does
// not fit the list, or the window does not fit the screen it opens on.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>

#include "shell/qt/about_window.h"
#include "shell/qt/preview_pane.h"
#include "test_support.h"

using namespace kinsheet::qt;

namespace {

int Fault(const char* what, const QString& which) {
  std::fprintf(stderr, "%s: %s\n", what, qPrintable(which));
  return 1;
}

int ClippedCaptions(const QWidget& top) {
  int clipped = 0;
  for (const QWidget* w : top.findChildren<QWidget*>()) {
    const bool captioned = qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w);
    if (captioned && w->isVisible() && w->sizeHint().boundedTo(w->size()) != w->sizeHint()) {
      clipped += Fault("cut off", QString(w->metaObject()->className()) + " " + w->objectName() + " \"" +
                                      w->property("text").toString() + "\"");
    }
  }
  return clipped;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) return Fault("usage", QString(argv[0]) + " OUTPUT-STEM") + 1;
  testing::WindowFixture f;
  MainWindow& window = *f.window;
  window.show();
  if (!QTest::qWaitForWindowExposed(&window) || !f.Load(testing::SamplePath("family.ged"))) return 1;
  window.Toolbar1_ButtonClick(13);
  window.optInclSpouse->click();
  frmAboutKinsheet about(window, 0);
  about.show();
  if (!QTest::qWaitForWindowExposed(&about)) return 1;
  QTest::qWait(50);

  int faults = ClippedCaptions(window) + ClippedCaptions(about);
  const QTreeWidget* list = window.ListView1;
  const int rows = list->topLevelItemCount();
  if (rows != 20) faults += Fault("people listed, not 20", QString::number(rows));
  for (int i = 0; i < rows; ++i) {
    if (!list->viewport()->rect().contains(list->visualItemRect(list->topLevelItem(i)))) {
      faults += Fault("list row not fully shown", QString::number(i + 1));
    }
  }
  const QRect room = window.screen()->availableGeometry();
  if (!room.contains(window.frameGeometry())) {
    faults += Fault("the window does not fit the screen", QString("%1x%2").arg(room.width()).arg(room.height()));
  }
  bool saved = true;
  // The window as it opens, then with the export preview's tab in front.
  const QPixmap main_picture = window.grab();
  window.tabView->setCurrentWidget(window.preview);
  QTest::qWait(50);
  if (window.preview->model->rowCount() == 0) faults += Fault("the preview shows no rows", "tblPreview");
  faults += ClippedCaptions(window);
  for (auto [widget, path] : {std::pair<QWidget*, QString>{&window, ".png"}, {&window, "-preview.png"},
                              {&about, "-about.png"}}) {
    const QPixmap picture = path == ".png" ? main_picture : widget->grab();
    path.prepend(QString::fromLocal8Bit(argv[1]));
    saved = picture.save(path, "PNG") && saved;
    std::printf("%s: %dx%d logical, %dx%d pixels\n", qPrintable(path), widget->width(), widget->height(),
                picture.width(), picture.height());
  }
  return saved && faults == 0 ? 0 : 1;
}
