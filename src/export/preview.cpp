#include "export/preview.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <numeric>
#include <string_view>
#include <cstdint>

#include "export/export_driver.h"
#include "export/living.h"
#include "records/dates.h"
#include "text/fold.h"

namespace kinsheet {
namespace {

// Every people export but the text report writes three marriages.
constexpr int kMarriages = 3;
// Fewer rows than this are sorted or searched without a progress bar.
constexpr std::int32_t kProgressThreshold = 20000;

bool IsDateColumn(int position) {
  switch (position) {
    case 10: case 12: case 14: case 16: case 26: case 32: case 38: return true;
    default: return false;
  }
}

// The progress bar and the cancel checks of one sort or search; the window
// is busy (its commands held back) while it lives.
class Work {
 public:
  Work(WindowServices& ws, std::size_t total) : ws_(ws), shown_(total > kProgressThreshold) {
    ws_.SetBusy(true);
    if (shown_) {
      ws_.SetProgressMax(static_cast<std::int32_t>(std::min<std::size_t>(total, std::numeric_limits<std::int32_t>::max())));
      ws_.SetProgressValue(0);
      ws_.SetProgressVisible(true);
    }
  }
  ~Work() {
    ws_.SetProgressVisible(false);
    ws_.SetBusy(false);
  }
  Work(const Work&) = delete;
  Work& operator=(const Work&) = delete;
  void Step(std::size_t done) {
    if ((done & 255) != 0) return;
    if (shown_) ws_.SetProgressValue(static_cast<std::int32_t>(done));
    ThrowIfCancelled(ws_);
  }

 private:
  WindowServices& ws_;
  bool shown_;
};

FieldSelection OnlyBox(int box) {
  FieldSelection only;
  only.ticked[static_cast<std::size_t>(box)] = true;
  return only;
}

}  // namespace

PreviewSortKey MakePreviewSortKey(int position, std::string_view value) {
  PreviewSortKey key;
  if (value.empty()) return key;
  if (IsDateColumn(position)) {
    const int year = DateYear(value);
    if (year > 0) {
      // Dates of one year in the order of their text, which needs no
      // folding: months and keywords are written in capitals.
      key.kind = 1;
      key.number = year;
      key.text = value;
      return key;
    }
  } else if (value.size() <= 18 && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    key.kind = 1;
    std::from_chars(value.data(), value.data() + value.size(), key.number);
    return key;
  }
  key.kind = 2;
  text::FoldForSearch(value, key.text);
  return key;
}

void PreviewTable::EnsureOpen() {
  if (open_) return;
  files_ = OpenWorkFiles(state_, ws_);
  open_ = true;
}

void PreviewTable::Release() {
  files_ = WorkFiles();
  open_ = false;
  all_.clear();
  all_.shrink_to_fit();
  shown_.clear();
  shown_.shrink_to_fit();
  columns_.clear();
  ForgetCells();
}

// The columns the people export writes, taken from its own table.
std::vector<const ExportColumn*> PreviewTable::ExportColumns() {
  return PeopleTable(state_, ws_, kMarriages)->Layout().columns;
}

void PreviewTable::Reload() {
  Release();
  columns_ = ExportColumns();
  if (state_.work.individual_count == 0) return;
  const LivingPlan& plan = SettleLiving(state_, ws_);
  EnsureOpen();
  all_.reserve(static_cast<std::size_t>(plan.rows));
  for (std::int32_t n = 1; n <= state_.work.individual_count; ++n) {
    if (WritesRow(plan, state_.living.mode, n)) all_.push_back(n);
  }
  shown_ = all_;
  const std::string needle = search_;
  const int position = sort_position_;
  const bool ascending = ascending_;
  search_.clear();
  sort_position_ = 0;
  // Cancelled, the rows stay unsearched and unsorted, and say so.
  if (!needle.empty() && !Search(needle)) throw Cancelled();
  if (position != 0 && !Sort(position, ascending)) throw Cancelled();
}

void PreviewTable::ColumnsChanged() {
  ForgetCells();
  columns_ = ExportColumns();
  const bool sort_shown = std::any_of(columns_.begin(), columns_.end(),
                                      [&](const ExportColumn* c) { return c->position == sort_position_; });
  if (!sort_shown && sort_position_ != 0) {
    sort_position_ = 0;
    ascending_ = true;
    if (search_.empty()) shown_ = all_;
  }
  if (!search_.empty()) {
    const std::string needle = search_;
    if (!Search(needle)) {
      search_.clear();
      sort_position_ = 0;
      shown_ = all_;
      throw Cancelled();
    }
  }
}

const std::vector<ExportRow>& PreviewTable::Block(std::int32_t block) {
  for (auto it = blocks_.begin(); it != blocks_.end(); ++it) {
    if (it->first == block) {
      if (it != blocks_.begin()) blocks_.splice(blocks_.begin(), blocks_, it);
      return blocks_.front().second;
    }
  }
  // The block's rows come from the export's own people table, given the
  // block's records as its order.
  const std::int32_t first = block * kBlockRows;
  const std::int32_t end = std::min<std::int32_t>(first + kBlockRows, RowCount());
  const std::vector<std::int32_t> records(shown_.begin() + first, shown_.begin() + std::max(first, end));
  std::vector<ExportRow> rows(records.size());
  const std::unique_ptr<TableSource> source = PeopleTable(state_, ws_, kMarriages, &records);
  source->Open();
  try {
    for (ExportRow& row : rows) source->Next(row);
  } catch (...) {
    source->Abandon();
    throw;
  }
  source->Close();
  blocks_.emplace_front(block, std::move(rows));
  if (blocks_.size() > kCachedBlocks) blocks_.pop_back();
  return blocks_.front().second;
}

const std::string& PreviewTable::Cell(std::int32_t row, int column) {
  if (row < 0 || row >= RowCount() || column < 0) return empty_;
  const std::vector<ExportRow>& rows = Block(row / kBlockRows);
  const ExportRow& values = rows[static_cast<std::size_t>(row % kBlockRows)];
  const auto c = static_cast<std::size_t>(column);
  return c < values.size() ? values[c].value : empty_;
}

std::vector<std::int32_t> PreviewTable::Sorted(const std::vector<std::int32_t>& rows, int position,
                                               bool ascending) {
  if (position == 0) {
    // Record order is the order of all_, which is ascending.
    std::vector<std::int32_t> out = rows;
    std::sort(out.begin(), out.end());
    if (!ascending) std::reverse(out.begin(), out.end());
    return out;
  }
  const ExportColumn& column = kExportColumns[static_cast<std::size_t>(position - 1)];
  const FieldSelection only = OnlyBox(column.selection);
  EnsureOpen();
  // A key of 16 bytes a row, its text in one shared buffer: a million keys
  // cost little more than the index arrays.
  struct Key {
    std::int64_t number;
    std::uint32_t offset;  // of the text in `texts`
    std::uint16_t length;
    std::uint8_t kind;
  };
  std::vector<Key> keys(rows.size());
  std::string texts;
  {
    Work work(ws_, rows.size());
    ExportRow row;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      work.Step(i);
      AssembleRow(state_, files_, rows[i], kMarriages, only, row);
      for (const ExportValue& v : row) {
        if (v.position != position) continue;
        const PreviewSortKey key = MakePreviewSortKey(position, v.value);
        const std::size_t length = std::min<std::size_t>(key.text.size(), UINT16_MAX);
        keys[i] = {key.number, static_cast<std::uint32_t>(texts.size()), static_cast<std::uint16_t>(length),
                   static_cast<std::uint8_t>(key.kind)};
        texts.append(key.text, 0, length);
      }
    }
  }
  const auto less = [&](std::int32_t a, std::int32_t b) {
    const Key& x = keys[static_cast<std::size_t>(a)];
    const Key& y = keys[static_cast<std::size_t>(b)];
    if (x.kind != y.kind) return x.kind < y.kind;
    if (x.number != y.number) return x.number < y.number;
    return std::string_view(texts).substr(x.offset, x.length) < std::string_view(texts).substr(y.offset, y.length);
  };
  // An index array is sorted, never the rows; equal keys keep their order
  // either way.
  std::vector<std::int32_t> index(rows.size());
  std::iota(index.begin(), index.end(), 0);
  if (ascending) {
    std::stable_sort(index.begin(), index.end(), less);
  } else {
    std::stable_sort(index.begin(), index.end(), [&](std::int32_t a, std::int32_t b) { return less(b, a); });
  }
  std::vector<std::int32_t> out(rows.size());
  for (std::size_t i = 0; i < index.size(); ++i) out[i] = rows[static_cast<std::size_t>(index[i])];
  return out;
}

bool PreviewTable::Sort(int position, bool ascending) {
  if (position < 0 || position > kColumnCount) return false;
  try {
    shown_ = Sorted(shown_, position, ascending);
  } catch (const Cancelled&) {
    return false;
  }
  ForgetCells();
  sort_position_ = position;
  ascending_ = ascending;
  return true;
}

std::vector<std::int32_t> PreviewTable::Filtered(const std::string& folded_needle) {
  std::vector<std::int32_t> out;
  Work work(ws_, all_.size());
  ExportRow row;
  std::string folded;
  // Every row as the export assembles it, through its own people table.
  const std::unique_ptr<TableSource> source = PeopleTable(state_, ws_, kMarriages, &all_);
  source->Open();
  struct Abandon {
    TableSource& source;
    bool closed = false;
    ~Abandon() {
      if (!closed) source.Abandon();
    }
  } abandon{*source};
  for (std::size_t i = 0; i < all_.size() && source->Next(row); ++i) {
    work.Step(i);
    for (const ExportValue& v : row) {
      text::FoldForSearch(v.value, folded);
      if (folded.find(folded_needle) != std::string::npos) {
        out.push_back(all_[i]);
        break;
      }
    }
  }
  source->Close();
  abandon.closed = true;
  return out;
}

bool PreviewTable::Search(std::string_view needle) {
  const std::string folded = text::FoldForSearch(needle);
  try {
    std::vector<std::int32_t> rows = folded.empty() ? all_ : Filtered(folded);
    if (sort_position_ != 0) rows = Sorted(rows, sort_position_, ascending_);
    else if (!ascending_) std::reverse(rows.begin(), rows.end());
    shown_ = std::move(rows);
  } catch (const Cancelled&) {
    return false;
  }
  ForgetCells();
  search_ = std::string(needle);
  return true;
}

}  // namespace kinsheet
