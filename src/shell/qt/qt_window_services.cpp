// The core's window operations on Qt widgets; texts cross here from the
// core's bytes to QString.
#include "shell/qt/qt_window_services.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTreeWidget>

#include "fileio/signal_cleanup.h"
#include "shell/qt/main_window.h"
#include "text/encoding.h"

namespace kinsheet::qt {

QString ToQString(const std::string& bytes) {
  return QString::fromStdU16String(text::DecodeText(bytes));
}

std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QStringList NameFilters(const std::string& filter) {
  const QStringList parts = ToQString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      const QString p = pattern.trimmed();
      if (p == "*.*") {
        patterns << "*";
      } else {
        patterns << p.toLower();
        if (p.toUpper() != p.toLower()) patterns << p.toUpper();
      }
    }
    patterns.removeDuplicates();
    // The dialog shows the description alone (details hidden) and filters
    // by the last parenthesised list.
    filters << description + " (" + patterns.join(' ') + ")";
  }
  return filters;
}

std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, const MessageBoxRequest& request) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(ToQString(request.title));
  box->setTextFormat(Qt::PlainText);
  box->setText(ToQString(request.text));
  switch (request.icon) {
    case MsgIcon::kNone: box->setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::kExclamation: box->setIcon(QMessageBox::Warning); break;
    case MsgIcon::kInformation: box->setIcon(QMessageBox::Information); break;
    case MsgIcon::kQuestion: box->setIcon(QMessageBox::Question); break;
  }
  QList<QMessageBox::StandardButton> buttons;
  switch (request.buttons) {
    case MsgButtons::kOk: buttons = {QMessageBox::Ok}; break;
    case MsgButtons::kOkCancel: buttons = {QMessageBox::Ok, QMessageBox::Cancel}; break;
    case MsgButtons::kRetryCancel: buttons = {QMessageBox::Retry, QMessageBox::Cancel}; break;
    case MsgButtons::kYesNo: buttons = {QMessageBox::Yes, QMessageBox::No}; break;
  }
  QMessageBox::StandardButtons set;
  for (QMessageBox::StandardButton b : buttons) set |= b;
  box->setStandardButtons(set);
  const int default_index = std::clamp(request.default_button, 1, static_cast<int>(buttons.size())) - 1;
  box->setDefaultButton(buttons[default_index]);
  box->setEscapeButton(buttons.back());
  return box;
}

std::unique_ptr<QFileDialog> BuildFileDialog(QWidget* parent, const FileDialogRequest& request) {
  auto dialog = std::make_unique<QFileDialog>(parent, ToQString(request.title));
  dialog->setObjectName("CMDialog1");
  dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The export command asks about an existing file itself.
  dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog->setOption(QFileDialog::HideNameFilterDetails, true);
  const QStringList filters = NameFilters(request.filter);
  dialog->setNameFilters(filters);
  if (request.filter_index >= 1 && request.filter_index <= filters.size()) {
    dialog->selectNameFilter(filters[request.filter_index - 1]);
  }
  if (!request.initial_folder.empty()) dialog->setDirectory(PathText(request.initial_folder));
  if (!request.file_name.empty()) dialog->selectFile(PathText(request.file_name));
  return dialog;
}

MsgResult DialogHooks::Message(QWidget* parent, const MessageBoxRequest& request) {
  const std::unique_ptr<QMessageBox> box = BuildMessageBox(parent, request);
  box->exec();
  switch (box->standardButton(box->clickedButton())) {
    case QMessageBox::Ok: return MsgResult::kOk;
    case QMessageBox::Retry: return MsgResult::kRetry;
    case QMessageBox::Yes: return MsgResult::kYes;
    case QMessageBox::No: return MsgResult::kNo;
    case QMessageBox::Abort: return MsgResult::kAbort;
    case QMessageBox::Ignore: return MsgResult::kIgnore;
    default: return MsgResult::kCancel;
  }
}

FileDialogResult DialogHooks::FileDialog(QWidget* parent, const FileDialogRequest& request) {
  const std::unique_ptr<QFileDialog> dialog = BuildFileDialog(parent, request);
  FileDialogResult result;
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
    result.cancelled = true;
    return result;
  }
  result.file_name = PathBytes(dialog->selectedFiles().constFirst());
  // With the details hidden the dialog names the chosen filter by its
  // description alone.
  const QString chosen = dialog->selectedNameFilter();
  const QStringList filters = dialog->nameFilters();
  for (qsizetype i = 0; i < filters.size(); ++i) {
    if (filters[i] == chosen || filters[i].startsWith(chosen + " (")) {
      result.filter_index = static_cast<int>(i) + 1;
      break;
    }
  }
  return result;
}

QtWindowServices::QtWindowServices(MainWindow& window, DialogHooks& hooks)
    : window_(window), hooks_(hooks) {}

QtWindowServices::~QtWindowServices() {
  if (busy_) QApplication::restoreOverrideCursor();
}

void QtWindowServices::SetStatusText(const std::string& text) {
  window_.StatusPanel1->setText(ToQString(text));
  window_.StatusPanel1->repaint();
}

void QtWindowServices::ShowReadingNote(const std::string& text) {
  // Said in the status line while the file loads, and kept beside it
  // afterwards: the end of the load writes over the status line.
  SetStatusText(text);
  window_.lblReadingNote->setText(ToQString(text));
  window_.lblReadingNote->setVisible(!text.empty());
}

void QtWindowServices::ShowPageRange(const std::string& text) {
  const QString range = ToQString(text);
  window_.lblPageRange->setText(range);
  window_.lblPageRange->setVisible(!range.isEmpty());
  if (QWidget* browser = window_.findChild<QWidget*>("fraBrowser")) {
    static_cast<QGroupBox*>(browser)->setTitle(range.isEmpty() ? QString("People") : range);
  }
}

void QtWindowServices::SetProgressMax(std::int32_t max) { window_.ProgressBar1->setMaximum(max); }

// The loader reports every line: the bar follows at most once per frame,
// and repaints itself when the change shows.
void QtWindowServices::SetProgressValue(std::int32_t value) {
  QProgressBar* bar = window_.ProgressBar1;
  const bool ends = value <= bar->minimum() || value >= bar->maximum();
  if (!ends && !FrameDue(progress_frame_)) return;
  bar->setValue(value);
}

void QtWindowServices::SetProgressVisible(bool visible) {
  window_.ProgressBar1->setVisible(visible);
  if (visible) window_.ProgressBar1->repaint();
}

void QtWindowServices::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  window_.SetWorking(busy);
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

MsgResult QtWindowServices::ShowMessage(const MessageBoxRequest& request) {
  // The window behind the box shows where the work stopped.
  FlushCounters();
  return hooks_.Message(&window_, request);
}

FileDialogResult QtWindowServices::ShowFileDialog(const FileDialogRequest& request) {
  FileDialogRequest shown = request;
  // Saving starts where the last file was saved, or else beside the
  // GEDCOM file (the first save after a load from the command line has no
  // folder of its own yet).
  if (shown.save && !window_.last_export_folder().isEmpty()) {
    shown.initial_folder = PathBytes(window_.last_export_folder());
  }
  if (shown.save && shown.initial_folder.empty()) shown.initial_folder = window_.state().last_gedcom_folder;
  FileDialogResult result = hooks_.FileDialog(&window_, shown);
  if (shown.save && !result.file_name.empty()) {
    window_.set_last_export_folder(QFileInfo(PathText(result.file_name)).absolutePath());
  }
  return result;
}

bool QtWindowServices::CancelRequested() {
  // The work does not return to the event loop: the window takes its
  // events here, once a frame, so that Cancel, Escape and repaints get
  // through (every command is held back meanwhile).
  if (window_.working() && FrameDue(events_frame_)) QCoreApplication::processEvents();
  // A signal held back while a writer finishes its temporary stops it too.
  return window_.cancel_requested() || StopRequested();
}

void QtWindowServices::SetCaption(const std::string& caption) { window_.setWindowTitle(ToQString(caption)); }

void QtWindowServices::Repaint() { window_.repaint(); }

void QtWindowServices::DoEvents() { QCoreApplication::processEvents(); }

void QtWindowServices::ListClear() { window_.ListView1->clear(); }

void QtWindowServices::ListAddRow(const std::string& birth_year, const std::string& death_year,
                                  const std::string& name) {
  auto* item = new QTreeWidgetItem(window_.ListView1);
  item->setText(0, ToQString(birth_year));
  item->setText(1, ToQString(death_year));
  item->setText(2, ToQString(name));
}

// The core raises the change notification itself, so the bar is set without
// its own.
void QtWindowServices::ShowScrollEnabled(bool enabled) { window_.VScroll1->setEnabled(enabled); }

void QtWindowServices::ShowScrollRange(std::int32_t min, std::int32_t max) {
  const QSignalBlocker quiet(window_.VScroll1);
  window_.VScroll1->setRange(min, max);
}

void QtWindowServices::ShowScrollValue(std::int32_t value) {
  const QSignalBlocker quiet(window_.VScroll1);
  window_.VScroll1->setValue(value);
}

void QtWindowServices::ShowCounter(int index, const std::string& caption) {
  if (index < 0 || index >= kCounterCount) return;
  counter_captions_[index] = caption;
  counters_pending_ = true;
  // The load does not return to the event loop, so the counters are painted
  // here and now; but setting and painting a label on every change would
  // cost more than the load itself, so it happens once per frame, all eight
  // in one paint. FlushCounters shows the last values.
  if (!FrameDue(counter_frame_)) return;
  FlushCounters();
  window_.lblCount[0]->parentWidget()->repaint();
}

bool QtWindowServices::FrameDue(QElapsedTimer& frame) {
  if (frame.isValid() && !frame.hasExpired(kFrameMilliseconds)) return false;
  frame.start();
  return true;
}

void QtWindowServices::FlushCounters() {
  if (!counters_pending_) return;
  counters_pending_ = false;
  for (int i = 0; i < kCounterCount; ++i) window_.lblCount[i]->setText(ToQString(counter_captions_[i]));
}

void QtWindowServices::ShowFieldBox(int index, bool ticked) {
  if (index < 0 || index >= kAllFieldCount) return;
  const QSignalBlocker quiet(window_.chkSelect[index]);
  window_.chkSelect[index]->setChecked(ticked);
  window_.FieldBoxesChanged();
}

void QtWindowServices::ShowSpouseOption(bool selected, bool enabled) {
  QRadioButton* option = window_.optInclSpouse;
  const QSignalBlocker quiet(option);
  // A lone exclusive option cannot be cleared while it is exclusive.
  option->setAutoExclusive(false);
  option->setChecked(selected);
  option->setAutoExclusive(true);
  option->setEnabled(enabled);
}

}  // namespace kinsheet::qt
