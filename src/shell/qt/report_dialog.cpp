// The reading report's window: a sortable table over the report's entries.
#include "shell/qt/report_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "export/report_csv.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

// Sorts line numbers as numbers, not as text.
class NumberItem : public QTableWidgetItem {
 public:
  explicit NumberItem(std::int64_t n) : QTableWidgetItem(QString::number(n)), n_(n) {}
  bool operator<(const QTableWidgetItem& other) const override {
    const auto* o = dynamic_cast<const NumberItem*>(&other);
    return o != nullptr ? n_ < o->n_ : QTableWidgetItem::operator<(other);
  }

 private:
  std::int64_t n_;
};

}  // namespace

ReportDialog::ReportDialog(const ReadingReport& report, WindowServices& ws, QWidget* parent)
    : QDialog(parent), report_(report), ws_(ws) {
  setObjectName("dlgReadingReport");
  setWindowTitle(Text(msg::kReportEntryStart + std::to_string(report.total()) + msg::kReportEntryEnd));
  auto* layout = new QVBoxLayout(this);
  auto* summary = new QLabel(Text(report.Summary()), this);
  summary->setObjectName("lblReportSummary");
  summary->setWordWrap(true);
  layout->addWidget(summary);

  table_ = new QTableWidget(static_cast<int>(report.entries().size()), 4, this);
  table_->setObjectName("tblReadingReport");
  table_->setHorizontalHeaderLabels({"Line", "Record_ID", "Problem", "Action"});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setVisible(false);
  int row = 0;
  for (const ReportEntry& e : report.entries()) {
    table_->setItem(row, 0, new NumberItem(e.line));
    table_->setItem(row, 1, new QTableWidgetItem(Text(e.record_id)));
    table_->setItem(row, 2, new QTableWidgetItem(Text(e.ProblemLine())));
    table_->setItem(row, 3, new QTableWidgetItem(Text(ActionText(e.problem))));
    ++row;
  }
  table_->setSortingEnabled(true);
  table_->sortByColumn(0, Qt::AscendingOrder);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->resizeColumnsToContents();
  layout->addWidget(table_, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* copy = buttons->addButton("&Copy", QDialogButtonBox::ActionRole);
  copy->setObjectName("cmdReportCopy");
  QPushButton* save = buttons->addButton("&Save as CSV...", QDialogButtonBox::ActionRole);
  save->setObjectName("cmdReportSave");
  connect(copy, &QPushButton::clicked, this, &ReportDialog::CopyToClipboard);
  connect(save, &QPushButton::clicked, this, [this] { SaveAsCsv(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(900, 480);
}

QString ReportDialog::CopyText() const {
  QList<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows << index.row();
  if (rows.isEmpty()) {
    for (int r = 0; r < table_->rowCount(); ++r) rows << r;
  }
  std::sort(rows.begin(), rows.end());
  QString out = "Line\tRecord_ID\tProblem\tAction\n";
  for (int r : rows) {
    QStringList cells;
    for (int c = 0; c < table_->columnCount(); ++c) cells << table_->item(r, c)->text();
    out += cells.join('\t') + '\n';
  }
  return out;
}

void ReportDialog::CopyToClipboard() { QApplication::clipboard()->setText(CopyText()); }

bool ReportDialog::SaveAsCsv() {
  FileDialogRequest request;
  request.save = true;
  request.title = msg::kReportSaveTitle;
  request.filter = msg::kReportSaveFilter;
  request.filter_index = 1;
  request.file_name = "reading-report.csv";
  const FileDialogResult chosen = ws_.ShowFileDialog(request);
  if (chosen.file_name.empty()) return false;
  try {
    WriteReadingReportCsv(report_, chosen.file_name);
  } catch (const std::exception& e) {
    Say(ws_, std::string(msg::kReportSaveFailed) + e.what(), MsgIcon::kExclamation);
    return false;
  }
  return true;
}

}  // namespace kinsheet
