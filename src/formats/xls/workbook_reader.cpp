// Reads a BIFF8 Workbook stream back into the model: fonts, formats and XFs
// of the globals, the shared strings across their CONTINUE records, then
// each worksheet's column settings and text cells. Other records are
// skipped by their size.
#include <cstring>
#include <algorithm>
#include <map>
#include <optional>

#include "formats/xls/biff_records.h"
#include "formats/xls/workbook.h"
#include "formats/xls/xls_error.h"
#include "text/byte_io.h"

namespace kinsheet::xls {
namespace {

[[noreturn]] void Corrupt(const std::string& what) {
  throw XlsError("The file is not a readable Excel workbook (" + what + ").");
}

struct Record {
  std::uint16_t type;
  std::size_t position;  // of the record header in the stream
  std::string_view data;
};

class RecordCursor {
 public:
  RecordCursor(std::string_view stream, std::size_t position) : stream_(stream), position_(position) {}

  std::optional<Record> Next() {
    if (position_ + 4 > stream_.size()) return std::nullopt;
    const std::uint16_t type = GetU16(stream_, position_);
    const std::uint16_t size = GetU16(stream_, position_ + 2);
    if (position_ + 4 + size > stream_.size()) Corrupt("a record runs past the end of the stream");
    Record r{type, position_, stream_.substr(position_ + 4, size)};
    position_ += 4 + size;
    return r;
  }
  std::optional<std::uint16_t> PeekType() const {
    if (position_ + 4 > stream_.size()) return std::nullopt;
    return GetU16(stream_, position_);
  }

 private:
  std::string_view stream_;
  std::size_t position_;
};

void Need(std::string_view data, std::size_t bytes, const char* record) {
  if (data.size() < bytes) Corrupt(std::string("short ") + record + " record");
}

std::u16string ReadChars(std::string_view data, std::size_t at, std::size_t count, bool wide) {
  std::u16string s;
  s.reserve(count);
  for (std::size_t i = 0; i < count; ++i) s.push_back(wide ? GetU16(data, at + 2 * i) : GetU8(data, at + i));
  return s;
}

// ShortXLUnicodeString or XLUnicodeString at `at`; returns the text.
std::u16string ReadString(std::string_view data, std::size_t at, bool short_count, const char* record) {
  const std::size_t head = short_count ? 2 : 3;
  Need(data, at + head, record);
  const std::size_t count = short_count ? GetU8(data, at) : GetU16(data, at);
  const std::uint8_t flags = GetU8(data, at + head - 1);
  const bool wide = (flags & 0x01) != 0;
  Need(data, at + head + count * (wide ? 2 : 1), record);
  return ReadChars(data, at + head, count, wide);
}

// Walks the SST body and its CONTINUE records as one byte sequence that
// knows where the records break.
class SstCursor {
 public:
  explicit SstCursor(std::vector<std::string_view> parts) : parts_(std::move(parts)) {}

  bool AtPartEnd() const { return at_ >= parts_[part_].size(); }
  void NextPart() {
    if (part_ + 1 >= parts_.size()) Corrupt("the shared strings end too early");
    ++part_;
    at_ = 0;
  }
  std::size_t Left() const { return parts_[part_].size() - at_; }
  std::uint8_t U8() {
    if (AtPartEnd()) NextPart();
    return GetU8(parts_[part_], at_++);
  }
  std::uint16_t U16() {
    const std::uint8_t lo = U8();
    return static_cast<std::uint16_t>(lo | (U8() << 8));
  }
  std::uint32_t U32() {
    const std::uint16_t lo = U16();
    return lo | (static_cast<std::uint32_t>(U16()) << 16);
  }
  void Skip(std::size_t bytes) {
    while (bytes > 0) {
      if (AtPartEnd()) NextPart();
      const std::size_t n = std::min(bytes, Left());
      at_ += n;
      bytes -= n;
    }
  }
  std::u16string Characters(std::size_t count, bool wide) {
    std::u16string s;
    s.reserve(count);
    while (s.size() < count) {
      if (AtPartEnd()) {
        // A string broken across records resumes with a fresh flags byte.
        NextPart();
        if (AtPartEnd()) Corrupt("empty CONTINUE record in the shared strings");
        wide = (GetU8(parts_[part_], at_++) & 0x01) != 0;
      }
      const std::size_t unit = wide ? 2 : 1;
      const std::size_t n = std::min(count - s.size(), Left() / unit);
      if (n == 0) Corrupt("a character is split across records");
      s += ReadChars(parts_[part_], at_, n, wide);
      at_ += n * unit;
    }
    return s;
  }

 private:
  std::vector<std::string_view> parts_;
  std::size_t part_ = 0;
  std::size_t at_ = 0;
};

std::vector<std::u16string> ReadSst(SstCursor& cur) {
  cur.U32();  // references in the workbook
  const std::uint32_t unique = cur.U32();
  std::vector<std::u16string> strings;
  strings.reserve(std::min<std::uint32_t>(unique, 1u << 20));
  for (std::uint32_t i = 0; i < unique; ++i) {
    const std::uint16_t count = cur.U16();
    const std::uint8_t flags = cur.U8();
    const std::uint16_t runs = (flags & 0x08) ? cur.U16() : 0;
    const std::uint32_t phonetic = (flags & 0x04) ? cur.U32() : 0;
    strings.push_back(cur.Characters(count, (flags & 0x01) != 0));
    cur.Skip(std::size_t{runs} * 4 + phonetic);
  }
  return strings;
}

struct FontInfo {
  std::u16string name;
  std::uint16_t height = 200;
  bool bold = false;
  bool italic = false;
};

struct SheetEntry {
  std::uint32_t position;
  std::uint8_t kind;
  std::u16string name;
};

std::u16string BuiltInFormatCode(std::uint16_t id) {
  switch (id) {
    case 1: return u"0";
    case 2: return u"0.00";
    case 3: return u"#,##0";
    case 4: return u"#,##0.00";
    case 9: return u"0%";
    case 10: return u"0.00%";
    case 11: return u"0.00E+00";
    case 14: return u"m/d/yy";
    case 49: return u"@";
    default: return u"General";
  }
}

}  // namespace

class WorkbookReader {
 public:
  explicit WorkbookReader(std::string_view stream) : stream_(stream) {}
  Workbook Read();

 private:
  void ReadGlobals();
  void ReadSheet(const SheetEntry& entry);
  std::uint16_t ModelXf(std::uint16_t file_xf);

  std::string_view stream_;
  Workbook book_;
  std::vector<FontInfo> fonts_;
  std::map<std::uint16_t, std::u16string> format_codes_;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> xfs_;  // font, format
  std::vector<std::optional<std::uint16_t>> xf_cache_;
  std::vector<SheetEntry> sheets_;
  std::vector<std::uint32_t> sst_;  // model string of each SST entry
};

std::uint16_t WorkbookReader::ModelXf(std::uint16_t file_xf) {
  if (file_xf >= xfs_.size()) Corrupt("a cell names a missing format");
  if (xf_cache_[file_xf]) return *xf_cache_[file_xf];
  CellFormat format;
  const auto [font, number] = xfs_[file_xf];
  // Font index 4 does not exist: the fifth FONT record is font 5.
  const std::size_t slot = font < 4 ? font : std::size_t{font} - 1;
  if (font != 4 && slot < fonts_.size()) {
    format.font_name = fonts_[slot].name;
    format.font_height = fonts_[slot].height;
    format.bold = fonts_[slot].bold;
    format.italic = fonts_[slot].italic;
  }
  const auto code = format_codes_.find(number);
  format.number_format = code != format_codes_.end() ? code->second : BuiltInFormatCode(number);
  const std::uint16_t xf = book_.tables_->InternFormat(format);
  xf_cache_[file_xf] = xf;
  return xf;
}

void WorkbookReader::ReadGlobals() {
  RecordCursor cur(stream_, 0);
  const std::optional<Record> bof = cur.Next();
  if (!bof || bof->type != rt::kBof || bof->data.size() < 4) Corrupt("no BOF record at the start");
  if (GetU16(bof->data, 0) != 0x0600) Corrupt("not an Excel 97-2003 workbook");
  if (GetU16(bof->data, 2) != 0x0005) Corrupt("the workbook globals are missing");
  while (std::optional<Record> r = cur.Next()) {
    const std::string_view d = r->data;
    switch (r->type) {
      case rt::kFont: {
        Need(d, 16, "FONT");
        FontInfo f;
        f.height = GetU16(d, 0);
        f.italic = (GetU16(d, 2) & 0x0002) != 0;
        f.bold = GetU16(d, 6) >= 700;
        f.name = ReadString(d, 14, true, "FONT");
        fonts_.push_back(std::move(f));
        break;
      }
      case rt::kFormat:
        Need(d, 2, "FORMAT");
        format_codes_[GetU16(d, 0)] = ReadString(d, 2, false, "FORMAT");
        break;
      case rt::kXf:
        Need(d, 6, "XF");
        xfs_.emplace_back(GetU16(d, 0), GetU16(d, 2));
        break;
      case rt::kBoundSheet:
        Need(d, 6, "BOUNDSHEET");
        sheets_.push_back({GetU32(d, 0), GetU8(d, 5), ReadString(d, 6, true, "BOUNDSHEET")});
        break;
      case rt::kSst: {
        std::vector<std::string_view> parts{d};
        while (cur.PeekType() == rt::kContinue) parts.push_back(cur.Next()->data);
        SstCursor sst(std::move(parts));
        for (const std::u16string& s : ReadSst(sst)) sst_.push_back(book_.tables_->InternText(s));
        break;
      }
      case rt::kEof:
        xf_cache_.assign(xfs_.size(), std::nullopt);
        return;
      default:
        break;
    }
  }
  Corrupt("the workbook globals have no end");
}

void WorkbookReader::ReadSheet(const SheetEntry& entry) {
  Worksheet& sheet = book_.AddSheet(entry.name);
  RecordCursor cur(stream_, entry.position);
  const std::optional<Record> bof = cur.Next();
  if (!bof || bof->type != rt::kBof || bof->data.size() < 4) Corrupt("a sheet does not start with BOF");
  auto put = [&sheet](std::uint16_t row, std::uint16_t col, std::uint16_t xf, std::uint32_t text) {
    if (col >= kMaxColumns) Corrupt("a cell lies past the last column");
    Worksheet::Cell& cell = sheet.Touch(row, col);
    cell.xf = xf;
    cell.text = text;
  };
  while (std::optional<Record> r = cur.Next()) {
    const std::string_view d = r->data;
    switch (r->type) {
      case rt::kColInfo: {
        Need(d, 10, "COLINFO");
        const std::uint16_t first = GetU16(d, 0);
        const std::uint16_t last = std::min<std::uint16_t>(GetU16(d, 2), kMaxColumns - 1);
        const std::uint16_t units = GetU16(d, 4);
        const std::uint16_t xf = GetU16(d, 6);
        const bool custom = (GetU16(d, 8) & 0x0002) != 0 || units != 2340;
        for (std::uint32_t c = first; c <= last; ++c) {
          if (custom) sheet.columns_[c].width = UnitsToColumnWidth(units);
          if (xf != 15) sheet.columns_[c].xf = ModelXf(xf);
        }
        break;
      }
      case rt::kLabelSst: {
        Need(d, 10, "LABELSST");
        const std::uint32_t isst = GetU32(d, 6);
        if (isst >= sst_.size()) Corrupt("a cell names a missing shared string");
        put(GetU16(d, 0), GetU16(d, 2), ModelXf(GetU16(d, 4)), sst_[isst]);
        break;
      }
      case rt::kLabel: {
        Need(d, 6, "LABEL");
        const std::u16string text = ReadString(d, 6, false, "LABEL");
        put(GetU16(d, 0), GetU16(d, 2), ModelXf(GetU16(d, 4)),
            text.empty() ? Worksheet::kNoText : book_.tables_->InternText(text));
        break;
      }
      case rt::kNumber: {
        Need(d, 14, "NUMBER");
        const std::uint64_t bits = GetU32(d, 6) | (std::uint64_t{GetU32(d, 10)} << 32);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        put(GetU16(d, 0), GetU16(d, 2), ModelXf(GetU16(d, 4)), Worksheet::kNoText);
        sheet.SetNumber(GetU16(d, 0), GetU16(d, 2), value);
        break;
      }
      case rt::kBlank:
        Need(d, 6, "BLANK");
        put(GetU16(d, 0), GetU16(d, 2), ModelXf(GetU16(d, 4)), Worksheet::kNoText);
        break;
      case rt::kMulBlank: {
        Need(d, 6, "MULBLANK");
        const std::uint16_t row = GetU16(d, 0);
        const std::uint16_t first = GetU16(d, 2);
        const std::size_t count = (d.size() - 6) / 2;
        for (std::size_t i = 0; i < count; ++i)
          put(row, static_cast<std::uint16_t>(first + i), ModelXf(GetU16(d, 4 + 2 * i)), Worksheet::kNoText);
        break;
      }
      case rt::kBof:
        Corrupt("a sheet holds a nested substream");
      case rt::kEof:
        return;
      default:
        break;
    }
  }
  Corrupt("a sheet has no end");
}

Workbook WorkbookReader::Read() {
  ReadGlobals();
  for (const SheetEntry& entry : sheets_) {
    if (entry.kind != 0) continue;  // charts and macro sheets hold no cells for us
    if (entry.position >= stream_.size()) Corrupt("a sheet lies past the end of the stream");
    ReadSheet(entry);
  }
  if (book_.sheet_count() == 0) Corrupt("no worksheet");
  return std::move(book_);
}

Workbook Workbook::FromStream(std::string_view workbook_stream) {
  return WorkbookReader(workbook_stream).Read();
}

}  // namespace kinsheet::xls
