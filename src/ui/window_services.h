// The only way the core reaches the window: the operations the loader, the
// browser, the export command and the writers need, in std types. The Qt
// window, the console tool and the tests each implement it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kinsheet {

enum class MsgIcon { kNone, kExclamation, kInformation, kQuestion };
enum class MsgButtons { kOk, kOkCancel, kRetryCancel, kYesNo };
enum class MsgResult { kOk, kCancel, kAbort, kRetry, kIgnore, kYes, kNo };

inline constexpr const char* kAppTitle = "Kinsheet";

struct MessageBoxRequest {
  std::string text;
  MsgIcon icon = MsgIcon::kNone;
  MsgButtons buttons = MsgButtons::kOk;
  int default_button = 1;  // 1-based among `buttons`
  std::string title = kAppTitle;
};

struct FileDialogRequest {
  bool save = false;
  std::string title;
  std::string filter;  // "Description|pattern|Description|pattern"
  int filter_index = 1;  // 1-based pair
  std::string file_name;
  std::string initial_folder;
  bool cancel_error = false;
};

struct FileDialogResult {
  bool cancelled = false;
  std::string file_name;  // empty when cancelled
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  virtual void SetStatusText(const std::string& text) = 0;
  // Once per load, when a file is read other than as plain bytes (UTF-16,
  // a declared ANSEL...): the window shows it in the status bar.
  virtual void ShowReadingNote(const std::string& text) { SetStatusText(text); }
  // The browser's page in words ("people 21–40 of 4,578"), or the empty
  // text when no people are shown.
  virtual void ShowPageRange(const std::string& /*text*/) {}
  virtual void SetProgressMax(std::int32_t max) = 0;
  virtual void SetProgressValue(std::int32_t value) = 0;
  virtual void SetProgressVisible(bool visible) = 0;
  virtual void SetBusy(bool busy) = 0;
  virtual MsgResult ShowMessage(const MessageBoxRequest& request) = 0;
  virtual FileDialogResult ShowFileDialog(const FileDialogRequest& request) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void Repaint() = 0;
  virtual void DoEvents() = 0;

  virtual void ListClear() = 0;
  virtual void ListAddRow(const std::string& birth_year, const std::string& death_year,
                          const std::string& name) = 0;

  // The scroll bar's state lives in RunState; these mirror it on screen.
  // A window must not call BrowsePage back from ShowScrollValue: the core
  // raises the change notification itself.
  virtual void ShowScrollEnabled(bool enabled) = 0;
  virtual void ShowScrollRange(std::int32_t min, std::int32_t max) = 0;
  virtual void ShowScrollValue(std::int32_t value) = 0;

  // Counters and field boxes are RunState data; these repaint them.
  virtual void ShowCounter(int index, const std::string& caption) = 0;
  virtual void ShowFieldBox(int index, bool ticked) = 0;
  virtual void ShowSpouseOption(bool selected, bool enabled) = 0;

  // Whether the user has asked to stop the work under way (a load or an
  // export). Long work asks at its progress points; a window may handle
  // its pending events here. The request lasts until the work ends.
  virtual bool CancelRequested() { return false; }
};

// Thrown from a progress point when the user has asked to stop; every
// catch on the way closes and removes what the work had begun.
class Cancelled : public std::runtime_error {
 public:
  Cancelled() : std::runtime_error("Cancelled") {}
};

inline void ThrowIfCancelled(WindowServices& ws) {
  if (ws.CancelRequested()) throw Cancelled();
}

// Convenience for the common message shapes.
inline MsgResult Say(WindowServices& ws, const std::string& text, MsgIcon icon,
                     MsgButtons buttons = MsgButtons::kOk, int default_button = 1,
                     const std::string& title = kAppTitle) {
  return ws.ShowMessage({text, icon, buttons, default_button, title});
}

}  // namespace kinsheet
