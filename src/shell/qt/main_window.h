// The main window: menus, toolbar, field boxes, record browser, load
// counters and status bar, and the routing of every command to the core.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

#include "export/export_command.h"
#include "state/run_state.h"
#include "ui/window_services.h"

class QAction;
class QCheckBox;
class QPushButton;
class QScrollArea;
class QTimer;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QRadioButton;
class QScrollBar;
class QStatusBar;
class QToolBar;
class QLineEdit;
class QTabWidget;
class QTreeWidget;

namespace kinsheet::qt {

class DialogHooks;
class PreviewPane;
class QtWindowServices;

inline constexpr int kToolbarPositions = 16;
inline constexpr int kRecentFileCount = 8;

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

  // Runs the loader with `preset` offered in its dialog (a dropped file, a
  // recent one, the command line's); a file that loads joins the recent
  // files.
  void LoadFile(const std::string& preset);

  // What the user expects kept between runs: the ticked boxes, the window's
  // place and size, the last folders and the recent files. Restoring also
  // turns saving on (when the window closes); windows that never restore
  // leave the stored settings alone.
  void RestoreSettings();
  void SaveSettings();
  // The recent GEDCOM files, newest first, those gone from disk left out.
  QStringList RecentFiles() const;
  // The folder the next save dialog starts in, once one was used.
  const QString& last_export_folder() const { return last_export_folder_; }
  void set_last_export_folder(const QString& folder) { last_export_folder_ = folder; }

  // Long work (a load, an export) under way: every command is held back
  // and Cancel and Escape ask the work to stop.
  void SetWorking(bool working);
  bool working() const { return working_; }
  void RequestCancel();
  bool cancel_requested() const { return cancel_requested_; }

  // Tells the open programs that failed; the help page then opens here.
  void CheckOpeners();
  // Hands `target` to the desktop's open program, watching for its failure.
  void Navigate(const std::string& target);
  // The help page in a window of the program's own.
  void ShowHelpInWindow();
  // The field boxes changed: the preview follows once the change is done.
  void FieldBoxesChanged();
  // The short line on what to do, shown while no file is loaded.
  void ShowStartHint();
  QWidget* help_viewer() const { return help_viewer_; }

  // Command handlers, by menu index and toolbar position.
  void mnuFileItem_Click(int index);
  void mnuSheetifyItem_Click(int index);
  void mnuHelpItem_Click(int index);
  void Toolbar1_ButtonClick(int position);
  // The reading report of the last load: the status-bar entry and the View
  // menu's item show its count; both open it.
  void UpdateReportEntry();
  void ShowReadingReport();
  QDialog* report_dialog() const { return report_dialog_; }

  // Controls, under the names the code and the tests use.
  QToolBar* Toolbar1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* StatusPanel1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  std::array<QCheckBox*, kAllFieldCount> chkSelect{};
  std::array<QLabel*, kAllFieldCount> lblField{};
  // The root person of the kinship fields: its id (typed or set from the
  // browser) and its name.
  QLineEdit* txtRoot = nullptr;
  QLabel* lblRootName = nullptr;
  QRadioButton* optInclSpouse = nullptr;
  // What exports do with people presumed living, in LivingMode order.
  QComboBox* cboLiving = nullptr;
  // CSV values starting a formula get a leading apostrophe.
  QCheckBox* chkCsvGuard = nullptr;
  QTreeWidget* ListView1 = nullptr;
  QScrollBar* VScroll1 = nullptr;
  // The browser and the export's preview, side by side with the boxes.
  QTabWidget* tabView = nullptr;
  PreviewPane* preview = nullptr;
  QLabel* lblHint = nullptr;
  // Permanent status bar entries: how the last file was read, and the
  // browser's page.
  QLabel* lblReadingNote = nullptr;
  QLabel* lblPageRange = nullptr;
  std::array<QLabel*, kCounterCount> lblCount{};
  std::array<QLabel*, kCounterCount> lblCountName{};
  QScrollArea* scrCentral = nullptr;
  QPushButton* cmdCancel = nullptr;
  QMenu* mnuRecent = nullptr;
  QMenu* mnuFile = nullptr;
  QMenu* mnuSheetify = nullptr;
  QMenu* mnuHelp = nullptr;
  QMenu* mnuView = nullptr;
  QAction* mnuViewReport = nullptr;
  QPushButton* cmdReadingReport = nullptr;
  std::array<QAction*, 5> mnuFileItem{};      // 1 and 3 are separators
  std::array<QAction*, kExportFormatCount> mnuSheetifyItem{};
  std::array<QAction*, 3> mnuHelpItem{};      // 1 is a separator

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QDialog* report_dialog_ = nullptr;
  void BuildMenus();
  void BuildToolbar();
  QWidget* BuildFieldBoxes();
  QWidget* BuildCounters();
  QWidget* BuildBrowser();
  void OnScrollChanged(int value);
  void OnFieldBoxClicked(int index, bool ticked);
  // The root person: typed, chosen on the browser, restored per file.
  void ChooseRoot(const QString& typed, bool remember);
  void RestoreRoot();
  void ShowBrowserMenu(const QPoint& at);
  void RebuildRecentMenu();
  void RememberRecent(const std::string& path);
  bool PageWithKey(int key);
  void FitToScreen();
  void OnLivingChosen(int index);
  // The living-people choice and its year limit, as last remembered.
  void RestoreLivingSettings();

  RunState& state_;
  std::unique_ptr<QtWindowServices> services_;
  ExportCommand export_command_;
  QWidget* about_ = nullptr;
  QWidget* help_viewer_ = nullptr;
  QTimer* opener_timer_ = nullptr;
  QString last_export_folder_;
  QStringList recent_;
  bool remember_ = false;
  bool working_ = false;
  bool cancel_requested_ = false;
  bool close_after_work_ = false;
  bool preview_columns_due_ = false;
  QList<QWidget*> held_back_;
};

}  // namespace kinsheet::qt
