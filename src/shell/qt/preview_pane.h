// The export's preview beside the field boxes: a table model reading the
// rows on demand, the search field and its count, the choice to export
// the shown rows only, and the copy of selected cells.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "export/preview.h"
#include "state/run_state.h"
#include "ui/window_services.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;
class QTimer;

namespace kinsheet::qt {

// The rows and columns of a PreviewTable, a cell assembled when the view
// asks for it. Clicking a caption sorts through sort().
class PreviewModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  PreviewModel(PreviewTable& table, WindowServices& ws, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  // Runs `change` on the table and shows its outcome.
  template <typename F>
  void Change(F&& change) {
    beginResetModel();
    try {
      change();
    } catch (...) {
      endResetModel();
      throw;
    }
    endResetModel();
  }

 signals:
  // A sort or search ended, done or cancelled.
  void rowsReordered(bool done);

 private:
  PreviewTable& table_;
  WindowServices& ws_;
};

class PreviewPane : public QWidget {
  Q_OBJECT

 public:
  PreviewPane(RunState& state, WindowServices& ws, QWidget* parent = nullptr);

  // Before a load: the work files are let go of and the table emptied.
  void Release();
  // After a load or a new living choice (`rows`), or a change of the boxes:
  // the preview follows now when it is shown, else when it is next shown.
  void Invalidate(bool rows);
  // Brings a pending change in now, shown or not (an export is about to
  // use the rows).
  void Refresh();
  // Runs the search for `text` now.
  void RunSearch(const QString& text);
  // Whether the user chose to export the shown rows only, and those rows.
  bool export_shown_only() const;
  const std::vector<std::int32_t>& shown() const { return table_.shown(); }
  // The selected cells as tab-separated lines: the rows and columns that
  // hold a selected cell, in the view's order, unselected cells empty.
  QString SelectedCellsAsTsv() const;
  PreviewTable& table() { return table_; }

  QTableView* tblPreview = nullptr;
  PreviewModel* model = nullptr;
  QLineEdit* txtSearch = nullptr;
  QLabel* lblPreviewCount = nullptr;
  QCheckBox* chkShownOnly = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowCount();
  void ShowSortIndicator();
  // Runs a change that may read the work files, sort or search.
  template <typename F>
  void Guarded(F&& change);

  RunState& state_;
  WindowServices& ws_;
  PreviewTable table_;
  QTimer* search_timer_ = nullptr;
  bool rows_pending_ = true;
  bool columns_pending_ = false;
};

}  // namespace kinsheet::qt
