// The fixed-width text report: a caption line and a line of dashes, then
// one line per row, each value cut to its column and padded to the next.
#include <algorithm>
#include <array>
#include <string>

#include "export/columns.h"
#include "export/export_driver.h"
#include "export/writers.h"
#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {

namespace {

inline constexpr int kTextColumns = 28;
// The report's 28 slots, then one per "More fields" column.
inline constexpr int kMaxSlots = kTextColumns + kMoreFieldCount;
inline constexpr int kMinIdWidth = 7;

// One marriage per person: the report's 28 columns.
constexpr WriterTraits kTextTraits = {msg::kSaveError, 300, false, true, 1};

int TextWidth(int position, int individual_id_width, int family_id_width) {
  switch (position) {
    case 1: case 19: case 21: case 24: return individual_id_width;
    case 18: case 23: return family_id_width;
    case 2: return 40;
    case 3: case 7: case 8: case 10: case 12: case 14: case 16: case 26: return 16;
    case 4: return 20;
    case 5: case 6: return 10;
    case 9: case 28: return 3;
    // The "More fields", each at least as wide as its caption.
    case 41: case 49: case 51: return 30;  // relationship, occupation, residence
    case 42: case 46: case 47: return 10;  // generation, years
    case 43: case 50: return 20;           // Ahnentafel, religion
    case 44: return 11;
    case 45: return std::max(15, 2 * individual_id_width + 1);  // a couple's two ids
    case 48: return 12;
    case 52: return 7;
    case 53: return 8;
    default: return 30;  // the places and the parents' and spouse's names
  }
}

struct Slot {
  std::string caption;
  int width = 1;
  int stop = 0;  // the column (from 1) where the next slot starts
};

// Lays out one line: slot j holds texts[j]; every slot but the last is
// padded to its stop. Values arrive already cut to their widths.
class LineLayout {
 public:
  LineLayout(const std::array<Slot, kMaxSlots>& slots, const std::size_t& count) : slots_(slots), count_(count) {}

  template <typename TextOf>
  void Build(std::string& line, std::size_t used, TextOf text_of) const {
    line.clear();
    std::size_t columns = 0;
    for (std::size_t j = 0; j < count_; ++j) {
      if (j < used) {
        const std::string_view text = text_of(j);
        line += text;
        columns += text::IsValidUtf8(text) ? text::CodePointCount(text) : text.size();
      }
      if (j + 1 < count_) {
        const std::size_t target = static_cast<std::size_t>(slots_[j].stop) - 1;
        if (columns < target) {
          line.append(target - columns, ' ');
          columns = target;
        }
      }
    }
  }

 private:
  const std::array<Slot, kMaxSlots>& slots_;
  const std::size_t& count_;  // slots of the line
};

class TextWriter : public TableWriter {
 public:
  TextWriter(int individual_id_width, int family_id_width)
      : TableWriter(kTextTraits), individual_id_width_(individual_id_width), family_id_width_(family_id_width) {}

  void Begin(const ExportOutput& output) override { out_ = output.lines; }
  void BeginTable(const TableLayout& table) override {
    used_ = table.columns.size();
    slots_ = {};
    count_ = kTextColumns;
    for (const ExportColumn* c : table.columns) {
      if (c->position > kSeedColumnCount) ++count_;
    }
    for (std::size_t j = 0; j < used_; ++j) {
      slots_[j].caption = table.columns[j]->text;
      slots_[j].width = TextWidth(table.columns[j]->position, individual_id_width_, family_id_width_);
    }
    int running = 0;
    for (std::size_t j = 0; j < count_; ++j) {
      running += slots_[j].width;
      if (slots_[j].width > 1) running += j == 0 ? 3 : 2;
      slots_[j].stop = running;
    }
    layout_.Build(line_, used_, [&](std::size_t j) -> std::string_view { return slots_[j].caption; });
    out_->WriteLine(line_);
    std::array<std::string, kMaxSlots> dashes;
    for (std::size_t j = 0; j < used_; ++j) dashes[j].assign(static_cast<std::size_t>(slots_[j].width), '-');
    layout_.Build(line_, used_, [&](std::size_t j) -> std::string_view { return dashes[j]; });
    out_->WriteLine(line_);
  }
  void Row(const ExportRow& row) override {
    for (std::size_t j = 0; j < row.size(); ++j) {
      const std::string& v = row[j].value;
      if (row[j].position == kTextColumns || row[j].position == 43) {
        cut_[j] = v;  // the children count and an Ahnentafel number are written whole
      } else {
        const auto w = static_cast<std::size_t>(slots_[j].width);
        cut_[j] = v.substr(0, text::FitCharacters(v, w));
      }
    }
    layout_.Build(line_, row.size(), [&](std::size_t j) -> std::string_view { return cut_[j]; });
    out_->WriteLine(line_);
  }
  void Finish() override {}

 private:
  int individual_id_width_;
  int family_id_width_;
  File* out_ = nullptr;
  std::array<Slot, kMaxSlots> slots_{};
  std::size_t count_ = kTextColumns;
  const LineLayout layout_{slots_, count_};
  std::size_t used_ = 0;
  std::array<std::string, kMaxSlots> cut_;
  std::string line_;
};

}  // namespace

bool WriteTextFile(RunState& state, WindowServices& ws) {
  TextWriter writer(std::max<int>(state.work.max_individual_id_length, kMinIdWidth),
                    std::max<int>(state.work.max_family_id_length, kMinIdWidth));
  return RunExport(state, ws, writer);
}

}  // namespace kinsheet
