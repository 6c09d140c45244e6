#include <algorithm>
#include <array>
#include <string>

#include "export/line_writer.h"
#include "export/writers.h"
#include "text/encoding.h"

namespace kinsheet {

namespace {

inline constexpr int kTextColumns = 28;
inline constexpr int kMinIdWidth = 7;

int TextWidth(int position, int individual_id_width, int family_id_width) {
  switch (position) {
    case 1: case 19: case 21: case 24: return individual_id_width;
    case 18: case 23: return family_id_width;
    case 2: return 40;
    case 3: case 7: case 8: case 10: case 12: case 14: case 16: case 26: return 16;
    case 4: return 20;
    case 5: case 6: return 10;
    case 9: case 28: return 3;
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
  explicit LineLayout(const std::array<Slot, kTextColumns>& slots) : slots_(slots) {}

  template <typename TextOf>
  void Build(std::string& line, std::size_t used, TextOf text_of) const {
    line.clear();
    std::size_t columns = 0;
    for (std::size_t j = 0; j < kTextColumns; ++j) {
      if (j < used) {
        const std::string_view text = text_of(j);
        line += text;
        columns += text::IsValidUtf8(text) ? text::CodePointCount(text) : text.size();
      }
      if (j + 1 < kTextColumns) {
        const std::size_t target = static_cast<std::size_t>(slots_[j].stop) - 1;
        if (columns < target) {
          line.append(target - columns, ' ');
          columns = target;
        }
      }
    }
  }

 private:
  const std::array<Slot, kTextColumns>& slots_;
};

}  // namespace

bool WriteTextFile(RunState& state, WindowServices& ws) {
  const int individual_id_width = std::max<int>(state.work.max_individual_id_length, kMinIdWidth);
  const int family_id_width = std::max<int>(state.work.max_family_id_length, kMinIdWidth);
  std::array<Slot, kTextColumns> slots{};
  const auto columns = SelectedColumns(state.selection, kTextColumns);
  for (std::size_t j = 0; j < columns.size(); ++j) {
    slots[j].caption = columns[j]->text;
    slots[j].width = TextWidth(columns[j]->position, individual_id_width, family_id_width);
  }
  int running = 0;
  for (std::size_t j = 0; j < kTextColumns; ++j) {
    running += slots[j].width;
    if (slots[j].width > 1) running += j == 0 ? 3 : 2;
    slots[j].stop = running;
  }
  const LineLayout layout(slots);

  const auto write_header = [&](File& out) {
    std::string line;
    layout.Build(line, columns.size(), [&](std::size_t j) -> std::string_view { return slots[j].caption; });
    out.WriteLine(line);
    std::array<std::string, kTextColumns> dashes;
    for (std::size_t j = 0; j < columns.size(); ++j) dashes[j].assign(static_cast<std::size_t>(slots[j].width), '-');
    layout.Build(line, columns.size(), [&](std::size_t j) -> std::string_view { return dashes[j]; });
    out.WriteLine(line);
  };
  std::array<std::string, kTextColumns> cut;
  const auto format_row = [&](const ExportRow& row, std::string& line) {
    for (std::size_t j = 0; j < row.size(); ++j) {
      const std::string& v = row[j].value;
      if (row[j].position == kTextColumns) {
        cut[j] = v;  // the children count is written whole
      } else {
        const auto w = static_cast<std::size_t>(slots[j].width);
        cut[j] = text::IsValidUtf8(v) ? v.substr(0, text::CodePointPrefixBytes(v, w))
                                      : v.substr(0, std::min(w, v.size()));
      }
    }
    layout.Build(line, row.size(), [&](std::size_t j) -> std::string_view { return cut[j]; });
  };
  return WriteLinePerPerson(state, ws, 1, write_header, format_row);
}

}  // namespace kinsheet
