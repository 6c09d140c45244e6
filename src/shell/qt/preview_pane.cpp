#include "shell/qt/preview_pane.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <map>
#include <set>

#include "fileio/file_open.h"
#include "shell/qt/qt_window_services.h"
#include "ui/messages.h"

namespace kinsheet::qt {
namespace {

// The search runs this long after the last key, or at once on Enter.
constexpr int kSearchDelayMilliseconds = 400;

QString Grouped(qint64 n) { return QLocale(QLocale::English).toString(n); }

}  // namespace

PreviewModel::PreviewModel(PreviewTable& table, WindowServices& ws, QObject* parent)
    : QAbstractTableModel(parent), table_(table), ws_(ws) {}

int PreviewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.RowCount();
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.columns().size());
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  try {
    return ToQString(table_.Cell(index.row(), index.column()));
  } catch (const std::exception&) {
    // A row that cannot be read shows empty; the file layer has said why.
    return {};
  }
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return QString(PreviewTable::Caption(*table_.columns()[static_cast<std::size_t>(section)]));
  // A first click on a caption sorts A to Z, a second Z to A.
  if (role == Qt::InitialSortOrderRole) return static_cast<int>(Qt::AscendingOrder);
  return {};
}

void PreviewModel::sort(int column, Qt::SortOrder order) {
  const int position =
      column >= 0 && column < columnCount() ? table_.columns()[static_cast<std::size_t>(column)]->position : 0;
  bool done = false;
  try {
    // The rows are reordered aside and swapped in at the end, so the view
    // may go on reading the old order while the sort takes its events.
    done = table_.Sort(position, order == Qt::AscendingOrder);
  } catch (const FileError&) {
    // FileOpen has said why.
  } catch (const std::exception& e) {
    Say(ws_, std::string(msg::kUnexpectedError) + e.what(), MsgIcon::kExclamation);
  }
  if (done) {
    beginResetModel();
    endResetModel();
  }
  emit rowsReordered(done);
}

PreviewPane::PreviewPane(RunState& state, WindowServices& ws, QWidget* parent)
    : QWidget(parent), state_(state), ws_(ws), table_(state, ws) {
  setObjectName("fraPreview");
  model = new PreviewModel(table_, ws_, this);

  auto* search_row = new QHBoxLayout;
  auto* search_label = new QLabel("&Search:", this);
  txtSearch = new QLineEdit(this);
  txtSearch->setObjectName("txtSearch");
  txtSearch->setPlaceholderText("any column; case and accents do not matter");
  search_label->setBuddy(txtSearch);
  lblPreviewCount = new QLabel(this);
  lblPreviewCount->setObjectName("lblPreviewCount");
  lblPreviewCount->setTextFormat(Qt::PlainText);
  search_row->addWidget(search_label);
  search_row->addWidget(txtSearch, 1);
  search_row->addWidget(lblPreviewCount);

  tblPreview = new QTableView(this);
  tblPreview->setObjectName("tblPreview");
  tblPreview->setModel(model);
  tblPreview->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tblPreview->setSelectionBehavior(QAbstractItemView::SelectItems);
  tblPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tblPreview->setWordWrap(false);
  // A million rows: every row one line high, no row header to lay out.
  tblPreview->verticalHeader()->setVisible(false);
  tblPreview->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  tblPreview->verticalHeader()->setDefaultSectionSize(tblPreview->fontMetrics().height() + 6);
  tblPreview->horizontalHeader()->setDefaultSectionSize(tblPreview->fontMetrics().averageCharWidth() * 14);
  tblPreview->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  tblPreview->setSortingEnabled(true);
  tblPreview->installEventFilter(this);

  chkShownOnly = new QCheckBox("Export shown rows only (in this order)", this);
  chkShownOnly->setObjectName("chkShownOnly");
  chkShownOnly->setToolTip("Every export writes the rows the preview shows, sorted and searched as here");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(search_row);
  layout->addWidget(tblPreview, 1);
  layout->addWidget(chkShownOnly);

  search_timer_ = new QTimer(this);
  search_timer_->setSingleShot(true);
  search_timer_->setInterval(kSearchDelayMilliseconds);
  connect(search_timer_, &QTimer::timeout, this, [this] { RunSearch(txtSearch->text()); });
  connect(txtSearch, &QLineEdit::textEdited, this, [this] { search_timer_->start(); });
  connect(txtSearch, &QLineEdit::returnPressed, this, [this] {
    search_timer_->stop();
    RunSearch(txtSearch->text());
  });
  connect(model, &PreviewModel::rowsReordered, this, [this](bool) {
    ShowSortIndicator();
    ShowCount();
  });
  ShowCount();
}

template <typename F>
void PreviewPane::Guarded(F&& change) {
  try {
    model->Change(change);
  } catch (const Cancelled&) {
    // The table stays as the cancel left it, and the search field says so.
  } catch (const FileError&) {
    // FileOpen has said why.
  } catch (const std::exception& e) {
    Say(ws_, std::string(msg::kUnexpectedError) + e.what(), MsgIcon::kExclamation);
  }
  const QSignalBlocker quiet(txtSearch);
  txtSearch->setText(ToQString(table_.search()));
  ShowSortIndicator();
  ShowCount();
}

void PreviewPane::Release() {
  model->Change([this] { table_.Release(); });
  rows_pending_ = true;
  ShowCount();
}

void PreviewPane::Invalidate(bool rows) {
  if (rows) rows_pending_ = true;
  else columns_pending_ = true;
  if (isVisible()) Refresh();
}

void PreviewPane::Refresh() {
  if (rows_pending_) {
    rows_pending_ = false;
    columns_pending_ = false;
    Guarded([this] { table_.Reload(); });
  } else if (columns_pending_) {
    columns_pending_ = false;
    Guarded([this] { table_.ColumnsChanged(); });
  }
}

void PreviewPane::RunSearch(const QString& text) {
  Refresh();
  const std::string needle = PathBytes(text);
  if (needle == table_.search()) return;
  Guarded([&] { table_.Search(needle); });
}

bool PreviewPane::export_shown_only() const { return chkShownOnly->isChecked(); }

void PreviewPane::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Shown once the event loop has painted the tab, so a long reload shows
  // its progress over the preview rather than before it.
  QTimer::singleShot(0, this, [this] {
    if (isVisible()) Refresh();
  });
}

void PreviewPane::ShowCount() {
  const qint64 shown = table_.RowCount();
  const qint64 total = table_.TotalRows();
  if (total == 0) {
    lblPreviewCount->setText("no rows");
  } else if (table_.search().empty()) {
    lblPreviewCount->setText(Grouped(total) + (total == 1 ? " row" : " rows"));
  } else {
    lblPreviewCount->setText(Grouped(shown) + " of " + Grouped(total) + " rows match");
  }
}

void PreviewPane::ShowSortIndicator() {
  int section = -1;
  const auto& columns = table_.columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i]->position == table_.sort_position()) section = static_cast<int>(i);
  }
  QHeaderView* header = tblPreview->horizontalHeader();
  const QSignalBlocker quiet(header);
  header->setSortIndicator(section, table_.ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
  header->viewport()->update();
}

QString PreviewPane::SelectedCellsAsTsv() const {
  const QModelIndexList cells = tblPreview->selectionModel()->selectedIndexes();
  if (cells.isEmpty()) return {};
  std::set<int> rows;
  std::set<int> columns;
  std::map<std::pair<int, int>, QString> text;
  for (const QModelIndex& cell : cells) {
    rows.insert(cell.row());
    columns.insert(cell.column());
    QString value = cell.data().toString();
    // A tab or line break inside a cell would start another.
    value.replace('\t', ' ').replace('\n', ' ').replace('\r', ' ');
    text[{cell.row(), cell.column()}] = value;
  }
  QString out;
  for (const int r : rows) {
    bool first = true;
    for (const int c : columns) {
      if (!first) out += '\t';
      first = false;
      const auto it = text.find({r, c});
      if (it != text.end()) out += it->second;
    }
    out += '\n';
  }
  return out;
}

bool PreviewPane::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+C copies the selected cells while the preview has the focus; the
  // menu's shortcut (the Access export) acts everywhere else.
  if (watched == tblPreview && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy)) {
      if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
      } else {
        QApplication::clipboard()->setText(SelectedCellsAsTsv());
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kinsheet::qt
