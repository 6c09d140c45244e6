// The window operations of the core carried out on the Qt main window, and
// the modal dialogs behind a hook that tests can answer.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <string>

#include "state/run_state.h"
#include "ui/window_services.h"

class QFileDialog;
class QMessageBox;
class QWidget;

namespace kinsheet::qt {

class MainWindow;

// Core text (UTF-8 when valid, else Windows-1252) as a QString.
QString ToQString(const std::string& bytes);
// File names: the bytes the file system uses, and back.
std::string PathBytes(const QString& path);
QString PathText(const std::string& path);

// "Description|pattern|..." as Qt name filters, one per pair. Each keeps its
// description for display; "*.*" means every file and an extension matches
// in either case.
QStringList NameFilters(const std::string& filter);

// The configured, not yet shown, dialogs.
std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, const MessageBoxRequest& request);
std::unique_ptr<QFileDialog> BuildFileDialog(QWidget* parent, const FileDialogRequest& request);

// Every modal question and file dialog of the window passes here.
class DialogHooks {
 public:
  virtual ~DialogHooks() = default;
  virtual MsgResult Message(QWidget* parent, const MessageBoxRequest& request);
  virtual FileDialogResult FileDialog(QWidget* parent, const FileDialogRequest& request);
};

class QtWindowServices final : public WindowServices {
 public:
  QtWindowServices(MainWindow& window, DialogHooks& hooks);
  ~QtWindowServices() override;

  void SetStatusText(const std::string& text) override;
  void ShowReadingNote(const std::string& text) override;
  void ShowPageRange(const std::string& text) override;
  void SetProgressMax(std::int32_t max) override;
  void SetProgressValue(std::int32_t value) override;
  void SetProgressVisible(bool visible) override;
  void SetBusy(bool busy) override;
  MsgResult ShowMessage(const MessageBoxRequest& request) override;
  FileDialogResult ShowFileDialog(const FileDialogRequest& request) override;
  void SetCaption(const std::string& caption) override;
  void Repaint() override;
  void DoEvents() override;

  void ListClear() override;
  void ListAddRow(const std::string& birth_year, const std::string& death_year,
                  const std::string& name) override;

  void ShowScrollEnabled(bool enabled) override;
  void ShowScrollRange(std::int32_t min, std::int32_t max) override;
  void ShowScrollValue(std::int32_t value) override;

  void ShowCounter(int index, const std::string& caption) override;
  void ShowFieldBox(int index, bool ticked) override;
  void ShowSpouseOption(bool selected, bool enabled) override;
  bool CancelRequested() override;

  // Puts the latest counter captions on the labels (they follow a load at
  // most once per paint interval).
  void FlushCounters();

 private:
  MainWindow& window_;
  DialogHooks& hooks_;
  bool busy_ = false;
  // Work that does not return to the event loop reports far more often than
  // a screen can show: counters and progress are painted once per frame.
  static constexpr qint64 kFrameMilliseconds = 50;
  static bool FrameDue(QElapsedTimer& frame);
  QElapsedTimer counter_frame_;
  QElapsedTimer progress_frame_;
  QElapsedTimer events_frame_;
  std::array<std::string, kCounterCount> counter_captions_;
  bool counters_pending_ = false;
};

}  // namespace kinsheet::qt
