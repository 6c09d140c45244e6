// The reading report of the last load in a window of its own: a list to
// sort by any column, to copy, and to save as CSV.
#pragma once

#include <QDialog>

#include "records/reading_report.h"
#include "ui/window_services.h"

class QTableWidget;

namespace kinsheet {

class ReportDialog : public QDialog {
  Q_OBJECT

 public:
  ReportDialog(const ReadingReport& report, WindowServices& ws, QWidget* parent = nullptr);

  QTableWidget* table() const { return table_; }
  // The selected rows (all rows when none is selected), tab-separated,
  // with the column names first: what Copy puts on the clipboard.
  QString CopyText() const;
  void CopyToClipboard();
  // Asks for a file name through the window services and writes the CSV
  // there; false when cancelled or not written (the user is told why).
  bool SaveAsCsv();

 private:
  const ReadingReport& report_;
  WindowServices& ws_;
  QTableWidget* table_ = nullptr;
};

}  // namespace kinsheet
