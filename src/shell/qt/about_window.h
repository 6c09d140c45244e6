// The About window, which also serves as the splash while the program starts.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace kinsheet::qt {

class MainWindow;

class frmAboutKinsheet : public QDialog {
  Q_OBJECT

 public:
  frmAboutKinsheet(MainWindow& main_window, int splash_milliseconds, QWidget* parent = nullptr);

  // Shown as the splash: no close button; Timer1's first tick hands over to
  // the main window and the loader.
  void ShowSplash();
  void Timer1_Timer();
  void Command1_Click();
  void lblMaker_Click();

  QTimer* Timer1 = nullptr;
  QPushButton* Command1 = nullptr;
  QLabel* lblTitle = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblDescription = nullptr;
  QLabel* lblMaker = nullptr;
  QWidget* Picture1 = nullptr;
  QFrame* Frame1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  MainWindow& main_window_;
};

}  // namespace kinsheet::qt
