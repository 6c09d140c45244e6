// Lays out the BIFF8 Workbook stream: the globals (fonts, formats, XFs,
// sheet list, shared strings) and one cell table per sheet with its row
// blocks, DBCELL and INDEX offsets.
#include <algorithm>
#include <bit>
#include <cstring>

#include "formats/xls/biff_records.h"
#include "formats/xls/workbook.h"
#include "formats/xls/xls_error.h"
#include "text/byte_io.h"

namespace kinsheet::xls {
namespace {

constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kGlobalsKind = 0x0005;
constexpr std::uint16_t kSheetKind = 0x0010;
constexpr std::uint16_t kUnicodeCodePage = 1200;
constexpr std::uint16_t kFirstCellXf = 15;  // XFs 0-14 are styles
constexpr std::uint16_t kFirstUserFormat = 164;
constexpr std::uint32_t kRowsPerBlock = 32;
// Default width of a column that has a format but no width of its own.
constexpr std::uint16_t kDefaultColumnUnits = 2340;

struct BuiltInFormat {
  std::uint16_t id;
  const char16_t* code;
};
// Built-in number formats are known to every reader by number alone.
constexpr BuiltInFormat kBuiltInFormats[] = {
    {0, u"General"}, {1, u"0"},        {2, u"0.00"},     {3, u"#,##0"}, {4, u"#,##0.00"},
    {9, u"0%"},      {10, u"0.00%"},   {11, u"0.00E+00"}, {12, u"# ?/?"}, {13, u"# ?\?/?\?"},
    {14, u"m/d/yy"}, {15, u"d-mmm-yy"}, {16, u"d-mmm"},  {17, u"mmm-yy"}, {18, u"h:mm AM/PM"},
    {19, u"h:mm:ss AM/PM"}, {20, u"h:mm"}, {21, u"h:mm:ss"}, {22, u"m/d/yy h:mm"},
    {45, u"mm:ss"},  {46, u"[h]:mm:ss"}, {47, u"mm:ss.0"}, {48, u"##0.0E+0"}, {49, u"@"}};

// The currency and accounting codes Excel always writes, for conformance.
constexpr BuiltInFormat kStandardFormatRecords[] = {
    {5, u"\"$\"#,##0_);\\(\"$\"#,##0\\)"},
    {6, u"\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)"},
    {7, u"\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)"},
    {8, u"\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)"},
    {42, u"_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)"},
    {41, u"_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)"},
    {44, u"_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)"},
    {43, u"_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)"}};

void PutF64(std::string& out, double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  PutU32(out, static_cast<std::uint32_t>(bits));
  PutU32(out, static_cast<std::uint32_t>(bits >> 32));
}

void PutU16Record(std::string& out, std::uint16_t type, std::uint16_t value) {
  RecordFrame frame(out, type);
  PutU16(out, value);
  frame.Close();
}

void PutBof(std::string& out, std::uint16_t kind) {
  RecordFrame frame(out, rt::kBof);
  PutU16(out, kBiff8);
  PutU16(out, kind);
  PutU16(out, 0x0DBB);  // build
  PutU16(out, 0x07CC);  // year
  PutU32(out, 0x00000041);
  PutU32(out, 0x00000006);  // lowest BIFF version that saved it
  frame.Close();
}

struct FontKey {
  std::u16string name;
  std::uint16_t height;
  bool bold;
  bool italic;
  bool operator==(const FontKey&) const = default;
};

void PutFont(std::string& out, const FontKey& font) {
  RecordFrame frame(out, rt::kFont);
  PutU16(out, font.height);
  // Bit 1 is italic; bit 0 repeats bold for readers that take it from there.
  PutU16(out, static_cast<std::uint16_t>((font.bold ? 0x0001 : 0) | (font.italic ? 0x0002 : 0)));
  PutU16(out, 0x7FFF);  // automatic colour
  PutU16(out, font.bold ? 700 : 400);
  PutU16(out, 0);  // no super- or subscript
  PutU8(out, 0);   // no underline
  PutU8(out, 0);   // family
  PutU8(out, 0);   // character set
  PutU8(out, 0);
  PutShortString(out, font.name);
  frame.Close();
}

void PutXf(std::string& out, std::uint16_t font, std::uint16_t format, bool style, std::uint8_t used) {
  RecordFrame frame(out, rt::kXf);
  PutU16(out, font);
  PutU16(out, format);
  // Locked; a style XF has no parent (0xFFF), a cell XF hangs on style 0.
  PutU16(out, style ? 0xFFF5 : 0x0001);
  PutU8(out, 0x20);  // general alignment, bottom
  PutU8(out, 0);
  PutU8(out, 0);
  PutU8(out, used);
  PutU32(out, 0);
  PutU32(out, 0);
  PutU16(out, 0x20C0);  // pattern colours: automatic
  frame.Close();
}

}  // namespace

class WorkbookWriter {
 public:
  explicit WorkbookWriter(const Workbook& book) : book_(book) {}
  std::string Write();

 private:
  void CollectStrings();
  void PutGlobals();
  void PutFormatting();
  void PutSheet(const Worksheet& sheet, bool active);

  const Workbook& book_;
  std::string out_;
  std::vector<std::uint32_t> string_remap_;  // model string -> SST index
  std::vector<std::u16string_view> sst_;
  std::uint32_t sst_refs_ = 0;
  std::vector<std::size_t> sheet_offset_fields_;
};

void WorkbookWriter::CollectStrings() {
  // Only strings that cells still use go to the SST, in order of first use.
  const detail::BookTables& tables = *book_.tables_;
  string_remap_.assign(tables.text_count(), Worksheet::kNoText);
  for (const auto& sheet : book_.sheets_) {
    for (const auto& row : sheet->rows_) {
      for (const Worksheet::Cell& cell : row) {
        if (cell.text == Worksheet::kNoText || Worksheet::IsNumber(cell.text)) continue;
        ++sst_refs_;
        std::uint32_t& to = string_remap_[cell.text];
        if (to == Worksheet::kNoText) {
          to = static_cast<std::uint32_t>(sst_.size());
          sst_.push_back(tables.TextAt(cell.text));
        }
      }
    }
  }
}

void WorkbookWriter::PutFormatting() {
  const FontKey base{u"Arial", 200, false, false};
  // Fonts 0-3 are the default font and its bold, italic and bold italic
  // forms; index 4 does not exist, so further fonts count from 5.
  for (int style = 0; style < 4; ++style) {
    PutFont(out_, {base.name, base.height, (style & 1) != 0, (style & 2) != 0});
  }
  const auto& formats = book_.tables_->formats;
  std::vector<FontKey> extra_fonts;
  std::vector<std::uint16_t> font_of(formats.size());
  std::vector<std::u16string> user_codes;
  std::vector<std::uint16_t> format_of(formats.size());
  for (std::size_t i = 0; i < formats.size(); ++i) {
    const CellFormat& f = formats[i];
    const FontKey key{f.font_name, f.font_height, f.bold, f.italic};
    if (key == base) {
      font_of[i] = 0;
    } else {
      auto it = std::find(extra_fonts.begin(), extra_fonts.end(), key);
      if (it == extra_fonts.end()) {
        extra_fonts.push_back(key);
        it = extra_fonts.end() - 1;
      }
      font_of[i] = static_cast<std::uint16_t>(5 + (it - extra_fonts.begin()));
    }
    const auto builtin = std::find_if(std::begin(kBuiltInFormats), std::end(kBuiltInFormats),
                                      [&f](const BuiltInFormat& b) { return f.number_format == b.code; });
    if (builtin != std::end(kBuiltInFormats)) {
      format_of[i] = builtin->id;
    } else {
      auto it = std::find(user_codes.begin(), user_codes.end(), f.number_format);
      if (it == user_codes.end()) {
        user_codes.push_back(f.number_format);
        it = user_codes.end() - 1;
      }
      format_of[i] = static_cast<std::uint16_t>(kFirstUserFormat + (it - user_codes.begin()));
    }
  }
  for (const FontKey& font : extra_fonts) PutFont(out_, font);

  auto put_format = [this](std::uint16_t id, std::u16string_view code) {
    RecordFrame frame(out_, rt::kFormat);
    PutU16(out_, id);
    PutString(out_, code);
    frame.Close();
  };
  for (const BuiltInFormat& f : kStandardFormatRecords) put_format(f.id, f.code);
  for (std::size_t i = 0; i < user_codes.size(); ++i)
    put_format(static_cast<std::uint16_t>(kFirstUserFormat + i), user_codes[i]);

  // Style XFs: Normal, then the fourteen outline styles Excel expects.
  PutXf(out_, 0, 0, true, 0x00);
  for (int i = 1; i < kFirstCellXf; ++i) PutXf(out_, 0, 0, true, 0xF4);
  // A cell XF marks each attribute that differs from the Normal style.
  for (std::size_t i = 0; i < formats.size(); ++i) {
    const std::uint8_t used = static_cast<std::uint8_t>((format_of[i] != 0 ? 0x04 : 0) | (font_of[i] != 0 ? 0x08 : 0));
    PutXf(out_, font_of[i], format_of[i], false, used);
  }

  RecordFrame style(out_, rt::kStyle);
  PutU16(out_, 0x8000);  // built-in style on XF 0
  PutU8(out_, 0);        // Normal
  PutU8(out_, 0xFF);
  style.Close();
}

void WorkbookWriter::PutGlobals() {
  PutBof(out_, kGlobalsKind);
  PutU16Record(out_, rt::kInterfaceHdr, kUnicodeCodePage);
  PutU16Record(out_, rt::kMms, 0);
  PutRecord(out_, rt::kInterfaceEnd, {});
  {
    RecordFrame frame(out_, rt::kWriteAccess);
    PutString(out_, u"Kinsheet");
    out_.append(112 - frame.data_size(), ' ');
    frame.Close();
  }
  PutU16Record(out_, rt::kCodePage, kUnicodeCodePage);
  PutU16Record(out_, rt::kDsf, 0);
  {
    RecordFrame frame(out_, rt::kRrTabId);
    for (std::size_t i = 0; i < book_.sheets_.size(); ++i) PutU16(out_, static_cast<std::uint16_t>(i + 1));
    frame.Close();
  }
  PutU16Record(out_, rt::kFnGroupCount, 0x000E);
  PutU16Record(out_, rt::kWinProtect, 0);
  PutU16Record(out_, rt::kProtect, 0);
  PutU16Record(out_, rt::kPassword, 0);
  PutU16Record(out_, rt::kProt4Rev, 0);
  PutU16Record(out_, rt::kProt4RevPass, 0);
  {
    RecordFrame frame(out_, rt::kWindow1);
    PutU16(out_, 0x0168);  // position and size in twips
    PutU16(out_, 0x001E);
    PutU16(out_, 0x4000);
    PutU16(out_, 0x2000);
    PutU16(out_, 0x0038);  // scroll bars and sheet tabs shown
    PutU16(out_, 0);       // active sheet
    PutU16(out_, 0);       // first tab shown
    PutU16(out_, 1);       // selected tabs
    PutU16(out_, 0x0258);  // tab bar width ratio
    frame.Close();
  }
  PutU16Record(out_, rt::kBackup, 0);
  PutU16Record(out_, rt::kHideObj, 0);
  PutU16Record(out_, rt::kDate1904, 0);
  PutU16Record(out_, rt::kCalcPrecision, 1);
  PutU16Record(out_, rt::kRefreshAll, 0);
  PutU16Record(out_, rt::kBookBool, 0);
  PutFormatting();
  PutU16Record(out_, rt::kUsesElfs, 0);
  for (const auto& sheet : book_.sheets_) {
    RecordFrame frame(out_, rt::kBoundSheet);
    sheet_offset_fields_.push_back(out_.size());
    PutU32(out_, 0);  // the sheet's BOF position, patched once known
    PutU8(out_, 0);   // visible
    PutU8(out_, 0);   // worksheet
    PutShortString(out_, sheet->name());
    frame.Close();
  }
  {
    RecordFrame frame(out_, rt::kCountry);
    PutU16(out_, 1);
    PutU16(out_, 1);
    frame.Close();
  }
  const std::vector<SstStringPosition> buckets = PutSst(out_, 0, sst_, sst_refs_);
  PutExtSst(out_, ExtSstBucketSize(sst_.size()), buckets);
  PutRecord(out_, rt::kEof, {});
}

void WorkbookWriter::PutSheet(const Worksheet& sheet, bool active) {
  const auto& rows = sheet.rows_;
  std::uint32_t first_row = 0;
  while (first_row < rows.size() && rows[first_row].empty()) ++first_row;
  const std::uint32_t last_row_end = static_cast<std::uint32_t>(rows.size());
  const bool has_cells = first_row < last_row_end;
  std::vector<std::uint32_t> blocks;  // first row of each block that holds cells
  for (std::uint32_t r = first_row; r < last_row_end; ++r) {
    const std::uint32_t block = r / kRowsPerBlock * kRowsPerBlock;
    if (!rows[r].empty() && (blocks.empty() || blocks.back() != block)) blocks.push_back(block);
  }

  PutBof(out_, kSheetKind);
  RecordFrame index(out_, rt::kIndex);
  PutU32(out_, 0);
  PutU32(out_, has_cells ? first_row : 0);
  PutU32(out_, has_cells ? last_row_end : 0);
  const std::size_t defcolwidth_field = out_.size();
  PutU32(out_, 0);
  const std::size_t dbcell_fields = out_.size();
  out_.append(4 * blocks.size(), '\0');
  index.Close();

  PutU16Record(out_, rt::kCalcMode, 1);
  PutU16Record(out_, rt::kCalcCount, 100);
  PutU16Record(out_, rt::kCalcRefMode, 1);
  PutU16Record(out_, rt::kCalcIter, 0);
  {
    RecordFrame frame(out_, rt::kCalcDelta);
    PutF64(out_, 0.001);
    frame.Close();
  }
  PutU16Record(out_, rt::kCalcSaveRecalc, 1);
  PutU16Record(out_, rt::kPrintRowCol, 0);
  PutU16Record(out_, rt::kPrintGrid, 0);
  PutU16Record(out_, rt::kGridSet, 1);
  PutRecord(out_, rt::kGuts, std::string(8, '\0'));
  {
    RecordFrame frame(out_, rt::kDefaultRowHeight);
    PutU16(out_, 0);
    PutU16(out_, 0x00FF);
    frame.Close();
  }
  PutU16Record(out_, rt::kWsBool, 0x04C1);
  PutRecord(out_, rt::kHeader, {});
  PutRecord(out_, rt::kFooter, {});
  PutU16Record(out_, rt::kHCenter, 0);
  PutU16Record(out_, rt::kVCenter, 0);
  {
    RecordFrame frame(out_, rt::kSetup);
    PutU16(out_, 0);    // paper size
    PutU16(out_, 100);  // scale
    PutU16(out_, 1);    // first page number
    PutU16(out_, 1);    // fit width
    PutU16(out_, 1);    // fit height
    PutU16(out_, 0x0004);  // the printer fields are not set
    PutU16(out_, 0);
    PutU16(out_, 0);
    PutF64(out_, 0.5);  // header and footer margins, inches
    PutF64(out_, 0.5);
    PutU16(out_, 1);    // copies
    frame.Close();
  }
  SetU32(out_, defcolwidth_field, static_cast<std::uint32_t>(out_.size()));
  PutU16Record(out_, rt::kDefColWidth, 8);

  std::uint16_t first_col = 0xFFFF, col_end = 0;
  for (std::uint32_t c = 0; c < kMaxColumns; ++c) {
    const Worksheet::Column& col = sheet.columns_[c];
    if (!col.width && !col.xf) continue;
    RecordFrame frame(out_, rt::kColInfo);
    PutU16(out_, static_cast<std::uint16_t>(c));
    PutU16(out_, static_cast<std::uint16_t>(c));
    PutU16(out_, col.width ? ColumnWidthToUnits(*col.width) : kDefaultColumnUnits);
    PutU16(out_, static_cast<std::uint16_t>(kFirstCellXf + col.xf.value_or(0)));
    PutU16(out_, col.width ? 0x0002 : 0);  // width set by the user
    PutU16(out_, 0);
    frame.Close();
  }
  for (std::uint32_t r = first_row; r < last_row_end; ++r) {
    if (rows[r].empty()) continue;
    first_col = std::min(first_col, rows[r].front().col);
    col_end = std::max<std::uint16_t>(col_end, rows[r].back().col + 1);
  }
  {
    RecordFrame frame(out_, rt::kDimensions);
    PutU32(out_, has_cells ? first_row : 0);
    PutU32(out_, has_cells ? last_row_end : 0);
    PutU16(out_, has_cells ? first_col : 0);
    PutU16(out_, has_cells ? col_end : 0);
    PutU16(out_, 0);
    frame.Close();
  }

  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const std::uint32_t begin = std::max(blocks[b], first_row);
    const std::uint32_t end = std::min(blocks[b] + kRowsPerBlock, last_row_end);
    const std::size_t first_row_record = out_.size();
    for (std::uint32_t r = begin; r < end; ++r) {
      if (rows[r].empty()) continue;
      RecordFrame frame(out_, rt::kRow);
      PutU16(out_, static_cast<std::uint16_t>(r));
      PutU16(out_, rows[r].front().col);
      PutU16(out_, static_cast<std::uint16_t>(rows[r].back().col + 1));
      PutU16(out_, 0x00FF);  // height follows the font
      PutU16(out_, 0);
      PutU16(out_, 0);
      PutU16(out_, 0x0100);
      PutU16(out_, 0x000F);
      frame.Close();
    }
    // DBCELL: where each row's first cell lies, relative to the one before;
    // the first relative to the end of the first ROW record.
    std::vector<std::uint16_t> row_offsets;
    std::size_t previous = first_row_record + 20;
    for (std::uint32_t r = begin; r < end; ++r) {
      if (rows[r].empty()) continue;
      row_offsets.push_back(static_cast<std::uint16_t>(out_.size() - previous));
      previous = out_.size();
      for (const Worksheet::Cell& cell : rows[r]) {
        const std::uint16_t xf = static_cast<std::uint16_t>(kFirstCellXf + cell.xf);
        if (Worksheet::IsNumber(cell.text)) {
          RecordFrame frame(out_, rt::kNumber);
          PutU16(out_, static_cast<std::uint16_t>(r));
          PutU16(out_, cell.col);
          PutU16(out_, xf);
          std::uint64_t bits;
          const double value = sheet.numbers_[cell.text & ~Worksheet::kNumberBit];
          std::memcpy(&bits, &value, sizeof bits);
          PutU32(out_, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
          PutU32(out_, static_cast<std::uint32_t>(bits >> 32));
          frame.Close();
        } else if (cell.text == Worksheet::kNoText) {
          RecordFrame frame(out_, rt::kBlank);
          PutU16(out_, static_cast<std::uint16_t>(r));
          PutU16(out_, cell.col);
          PutU16(out_, xf);
          frame.Close();
        } else {
          RecordFrame frame(out_, rt::kLabelSst);
          PutU16(out_, static_cast<std::uint16_t>(r));
          PutU16(out_, cell.col);
          PutU16(out_, xf);
          PutU32(out_, string_remap_[cell.text]);
          frame.Close();
        }
      }
    }
    SetU32(out_, dbcell_fields + 4 * b, static_cast<std::uint32_t>(out_.size()));
    RecordFrame frame(out_, rt::kDbCell);
    PutU32(out_, static_cast<std::uint32_t>(out_.size() - 4 - first_row_record));
    for (std::uint16_t off : row_offsets) PutU16(out_, off);
    frame.Close();
  }

  {
    RecordFrame frame(out_, rt::kWindow2);
    // Grid, headers, zeros, automatic grid colour, outline symbols; the
    // active sheet is also selected and shown.
    PutU16(out_, active ? 0x06B6 : 0x00B6);
    PutU16(out_, 0);  // top row
    PutU16(out_, 0);  // left column
    PutU16(out_, 0x0040);
    PutU16(out_, 0);
    PutU16(out_, 0);
    PutU16(out_, 0);
    PutU32(out_, 0);
    frame.Close();
  }
  PutRecord(out_, rt::kEof, {});
}

std::string WorkbookWriter::Write() {
  if (book_.sheets_.empty()) throw XlsError("A workbook needs at least one sheet.");
  CollectStrings();
  // About 14 bytes of cell records and a share of the SST per string use.
  out_.reserve(4096 + std::size_t{sst_refs_} * 16);
  PutGlobals();
  for (std::size_t i = 0; i < book_.sheets_.size(); ++i) {
    SetU32(out_, sheet_offset_fields_[i], static_cast<std::uint32_t>(out_.size()));
    PutSheet(*book_.sheets_[i], i == 0);
  }
  if (out_.size() >= 0xFFFFFFFFu - 0x10000) throw XlsError("The workbook is too large to save.");
  return std::move(out_);
}

std::string Workbook::WorkbookStream() const { return WorkbookWriter(*this).Write(); }

}  // namespace kinsheet::xls
