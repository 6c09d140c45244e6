// Splash and About box: title, version, picture, the maker's address and a
// close button that only hides the window, so it keeps its state for later.
#include "shell/qt/about_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QVBoxLayout>

#include "fileio/navigate.h"
#include "shell/qt/main_window.h"
#include "state/startup.h"

namespace kinsheet::qt {
namespace {

// The picture, drawn from its SVG at whatever scale the screen uses.
class SvgPicture : public QWidget {
 public:
  SvgPicture(const QString& file, QWidget* parent) : QWidget(parent), renderer_(file) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    renderer_.render(&painter, rect());
  }

 private:
  QSvgRenderer renderer_;
};

}  // namespace

frmAboutKinsheet::frmAboutKinsheet(MainWindow& main_window, int splash_milliseconds, QWidget* parent)
    : QDialog(parent), main_window_(main_window) {
  setObjectName("frmAboutKinsheet");
  setWindowTitle("About Kinsheet");
  setModal(false);

  auto* picture = new SvgPicture(":/kinsheet/images/about.svg", this);
  picture->setObjectName("Picture1");
  picture->setFixedSize(160, 160);
  Picture1 = picture;

  lblTitle = new QLabel("Kinsheet", this);
  lblTitle->setObjectName("lblTitle");
  QFont title_font = lblTitle->font();
  title_font.setPointSizeF(title_font.pointSizeF() * 2);
  title_font.setBold(true);
  lblTitle->setFont(title_font);

  lblVersion = new QLabel(QString::fromStdString(VersionText()), this);
  lblVersion->setObjectName("lblVersion");
  auto* version_caption = new QLabel("Version", this);
  version_caption->setObjectName("lblVersionCaption");

  lblDescription = new QLabel(
      "Turns a GEDCOM family file into one row per person:\n"
      "Excel workbooks, Access databases, CSV and text reports.",
      this);
  lblDescription->setObjectName("lblDescription");

  lblMaker = new QLabel(QString::fromUtf8(kHomePageAddress), this);
  lblMaker->setObjectName("lblMaker");
  lblMaker->setToolTip("Open the Kinsheet home page");
  lblMaker->setCursor(Qt::PointingHandCursor);
  QFont link_font = lblMaker->font();
  link_font.setUnderline(true);
  lblMaker->setFont(link_font);
  QPalette link_palette = lblMaker->palette();
  link_palette.setColor(QPalette::WindowText, link_palette.color(QPalette::Link));
  lblMaker->setPalette(link_palette);
  lblMaker->installEventFilter(this);

  Frame1 = new QFrame(this);
  Frame1->setObjectName("Frame1");
  Frame1->setFrameShape(QFrame::StyledPanel);
  auto* texts = new QVBoxLayout(Frame1);
  texts->addWidget(lblTitle);
  auto* version_row = new QHBoxLayout;
  version_row->addWidget(version_caption);
  version_row->addWidget(lblVersion);
  version_row->addStretch(1);
  texts->addLayout(version_row);
  texts->addSpacing(8);
  texts->addWidget(lblDescription);
  texts->addStretch(1);
  texts->addWidget(lblMaker);

  Command1 = new QPushButton("OK", this);
  Command1->setObjectName("Command1");
  Command1->setDefault(true);
  connect(Command1, &QPushButton::clicked, this, &frmAboutKinsheet::Command1_Click);

  auto* top = new QHBoxLayout;
  top->addWidget(Picture1, 0, Qt::AlignTop);
  top->addWidget(Frame1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Command1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(splash_milliseconds);
  connect(Timer1, &QTimer::timeout, this, &frmAboutKinsheet::Timer1_Timer);
}

void frmAboutKinsheet::ShowSplash() {
  Command1->setVisible(false);
  show();
  Timer1->start();
}

void frmAboutKinsheet::Timer1_Timer() {
  Timer1->stop();
  main_window_.show();
  Command1->setVisible(true);
  hide();
  // The command line's file is offered whatever folder was used last.
  main_window_.LoadFile(main_window_.state().current_file_name);
}

void frmAboutKinsheet::Command1_Click() { hide(); }

void frmAboutKinsheet::lblMaker_Click() {
  main_window_.Navigate(kHomePageAddress);
}

bool frmAboutKinsheet::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblMaker && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    lblMaker_Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

// Closing from the title bar hides the window like its button; during the
// splash it waits for the timer as before.
void frmAboutKinsheet::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!Timer1->isActive()) hide();
}

}  // namespace kinsheet::qt
