// The main window: menus, toolbar, field boxes, record browser, load
// counters and status bar, and the routing of every command to the core.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "export/export_command.h"
#include "state/run_state.h"
#include "ui/window_services.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QRadioButton;
class QScrollBar;
class QStatusBar;
class QToolBar;
class QTreeWidget;

namespace kinsheet::qt {

class DialogHooks;
class QtWindowServices;

inline constexpr int kToolbarPositions = 16;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The export command behind the export items; replaceable so that the
  // routing can be checked without writing files.
  using ExportCommand = std::function<bool(RunState&, WindowServices&, std::int16_t)>;

  MainWindow(RunState& state, DialogHooks& hooks, QWidget* parent = nullptr);
  ~MainWindow() override;

  RunState& state() { return state_; }
  WindowServices& services();
  // Help > About makes this window visible.
  void SetAboutWindow(QWidget* about) { about_ = about; }
  void SetExportCommand(ExportCommand command) { export_command_ = std::move(command); }

  // The window's load: the status bar shows the file about to be offered.
  void Form_Load();

  // Command handlers, by menu index and toolbar position.
  void mnuFileItem_Click(int index);
  void mnuSheetifyItem_Click(int index);
  void mnuHelpItem_Click(int index);
  void Toolbar1_ButtonClick(int position);

  // Controls, under the names the code and the tests use.
  QToolBar* Toolbar1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* StatusPanel1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  std::array<QCheckBox*, kFieldCount> chkSelect{};
  std::array<QLabel*, kFieldCount> lblField{};
  QRadioButton* optInclSpouse = nullptr;
  QTreeWidget* ListView1 = nullptr;
  QScrollBar* VScroll1 = nullptr;
  std::array<QLabel*, kCounterCount> lblCount{};
  std::array<QLabel*, kCounterCount> lblCountName{};
  QMenu* mnuFile = nullptr;
  QMenu* mnuSheetify = nullptr;
  QMenu* mnuHelp = nullptr;
  std::array<QAction*, 5> mnuFileItem{};      // 1 and 3 are separators
  std::array<QAction*, kExportFormatCount> mnuSheetifyItem{};
  std::array<QAction*, 3> mnuHelpItem{};      // 1 is a separator

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolbar();
  QWidget* BuildFieldBoxes();
  QWidget* BuildCounters();
  QWidget* BuildBrowser();
  void OnScrollChanged(int value);
  void OnFieldBoxClicked(int index, bool ticked);

  RunState& state_;
  std::unique_ptr<QtWindowServices> services_;
  ExportCommand export_command_;
  QWidget* about_ = nullptr;
};

}  // namespace kinsheet::qt
