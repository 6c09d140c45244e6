// BIFF8: string encodings, the shared string table split over CONTINUE
// records with its EXTSST index, column width units; then the workbook
// model, its stream and its reader: the record sequence, the exact bytes of
// the formatting records, every offset the file stores (sheet position,
// INDEX, DBCELL), and round trips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/xls/biff_records.h"
#include "formats/xls/cfb.h"
#include "formats/xls/workbook.h"
#include "formats/xls/xls_error.h"
#include "text/byte_io.h"

namespace kinsheet::xls {
namespace {

struct Rec {
  std::uint16_t type;
  std::size_t start;
  std::string_view data;
};

// The records of a BIFF8 stream.
std::vector<Rec> Records(std::string_view s) {
  std::vector<Rec> out;
  for (std::size_t at = 0; at + 4 <= s.size();) {
    const std::uint16_t size = GetU16(s, at + 2);
    out.push_back({GetU16(s, at), at, s.substr(at + 4, size)});
    at += 4 + size;
  }
  return out;
}

std::vector<Rec> OfType(const std::vector<Rec>& recs, std::uint16_t type) {
  std::vector<Rec> out;
  for (const Rec& r : recs) {
    if (r.type == type) out.push_back(r);
  }
  return out;
}

// The record starting at `position`, or one of type 0 when none does.
Rec At(const std::vector<Rec>& recs, std::size_t position) {
  for (const Rec& r : recs) {
    if (r.start == position) return r;
  }
  return {0, position, {}};
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s.push_back(static_cast<char>(v));
  return s;
}

TEST(BiffStrings, CompressedAndWide) {
  std::string out;
  PutShortString(out, u"Arial");
  EXPECT_EQ(out, std::string("\x05\x00" "Arial", 7));
  out.clear();
  PutString(out, u"\u00FC@");  // fits one byte each: stored compressed
  EXPECT_EQ(out, std::string("\x02\x00\x00\xFC@", 5));
  out.clear();
  PutString(out, u"\u0141\u00F3");  // Ł needs two bytes: the whole string is wide
  EXPECT_EQ(out, std::string("\x02\x00\x01\x41\x01\xF3\x00", 7));
  EXPECT_THROW(PutShortString(out, std::u16string(256, u'x')), XlsError);
}

// The SST of a filler string and `last`, sized so that the first record
// has exactly `left` bytes free where `last` starts.
std::string SstWith(std::size_t left, std::u16string_view last) {
  const std::u16string filler(kMaxRecordData - 8 - 3 - left, u'a');  // after the counts, 3 + n bytes
  std::string out;
  PutSst(out, 0, {filler, last}, 2);
  return out;
}

TEST(SharedStrings, HeaderAndFirstCharacterStayTogether) {
  // Three bytes left: room for the header but not for a character, so the
  // string moves whole to the CONTINUE record, without a flags prefix.
  const std::string out = SstWith(3, u"xyz");
  const auto recs = Records(out);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0].type, rt::kSst);
  EXPECT_EQ(recs[0].data.size(), kMaxRecordData - 3);
  EXPECT_EQ(recs[1].type, rt::kContinue);
  EXPECT_EQ(recs[1].data, std::string("\x03\x00\x00xyz", 6));
}

TEST(SharedStrings, BrokenStringRestatesItsWidth) {
  // Five bytes left: header and two characters fit; the rest goes on after
  // a flags byte. A wide string breaks only between characters.
  const std::string narrow = SstWith(5, u"abcd");
  const auto n = Records(narrow);
  ASSERT_EQ(n.size(), 2u);
  EXPECT_EQ(n[0].data.substr(n[0].data.size() - 5), std::string("\x04\x00\x00" "ab", 5));
  EXPECT_EQ(n[1].data, std::string("\x00" "cd", 3));
  const std::string wide = SstWith(6, u"\u65E5\u672C\u8A9E");  // header + 1 char, 1 byte unused
  const auto w = Records(wide);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0].data.size(), kMaxRecordData - 1);
  EXPECT_EQ(w[0].data.substr(w[0].data.size() - 5), std::string("\x03\x00\x01\xE5\x65", 5));
  EXPECT_EQ(w[1].data, std::string("\x01\x2C\x67\x9E\x8A", 5));
}

TEST(SharedStrings, ExtSstPointsAtStringHeaders) {
  std::vector<std::u16string> strings;
  for (int i = 0; i < 3000; ++i) strings.push_back(u"string number " + std::u16string(i % 13, u'\u0107'));
  std::string out(100, 'x');  // the SST does not start the stream
  const auto buckets = PutSst(out, 1000, {strings.begin(), strings.end()}, 3000);
  const std::uint16_t per_bucket = ExtSstBucketSize(strings.size());
  EXPECT_EQ(per_bucket, 24);  // 3000 / 128 rounded up
  ASSERT_EQ(buckets.size(), (3000u + per_bucket - 1) / per_bucket);
  const auto recs = Records(std::string_view(out).substr(100));
  for (std::size_t b = 0; b < buckets.size(); ++b) {
    const std::size_t at = buckets[b].stream_position - 1000;  // index into `out`
    const std::u16string& s = strings[b * per_bucket];
    EXPECT_EQ(GetU16(out, at), s.size()) << b;
    EXPECT_EQ(GetU8(out, at + 2), s.find(u'\u0107') == std::u16string::npos ? 0 : 1) << b;
    // The record offset counts from the start of the holding record.
    bool found = false;
    for (const Rec& r : recs) {
      if (r.start + 100 + buckets[b].record_offset == at) found = true;
    }
    EXPECT_TRUE(found) << b;
  }
  std::string ext;
  PutExtSst(ext, per_bucket, buckets);
  EXPECT_EQ(ext.size(), 4 + 2 + 8 * buckets.size());
  EXPECT_EQ(GetU16(ext, 0), rt::kExtSst);
  EXPECT_EQ(GetU16(ext, 4), per_bucket);
  EXPECT_EQ(GetU32(ext, 6), buckets[0].stream_position);
  EXPECT_EQ(GetU16(ext, 10), buckets[0].record_offset);
  EXPECT_EQ(ExtSstBucketSize(0), 8);
  EXPECT_EQ(ExtSstBucketSize(1024), 8);
  EXPECT_EQ(ExtSstBucketSize(1025), 9);
}

// The export's widths are the readers' to check (and two in COLINFO below).
TEST(ColumnWidth, Edges) {
  EXPECT_EQ(ColumnWidthToUnits(0), 0);
  EXPECT_DOUBLE_EQ(UnitsToColumnWidth(2340), 59.0 / 7);  // Excel's default 8.43
  EXPECT_THROW(ColumnWidthToUnits(256), XlsError);
  EXPECT_THROW(ColumnWidthToUnits(-1), XlsError);
}

const CellFormat kCaption{.bold = true, .number_format = u"@"};
const CellFormat kText{.number_format = u"@"};

// The layout of the export: bold text captions, text columns with widths.
Workbook CaptionBook(const std::vector<std::pair<std::u16string, int>>& captions) {
  Workbook book;
  Worksheet& sheet = book.AddSheet(u"Sheet1");
  for (std::uint32_t c = 0; c < captions.size(); ++c) {
    sheet.SetText(0, c, captions[c].first);
    sheet.SetColumnWidth(c, captions[c].second);
    sheet.SetColumnFormat(c, kText);
    sheet.SetFormat(0, c, kCaption);
  }
  return book;
}

TEST(WorkbookStream, GlobalsRecordSequence) {
  const std::string stream = CaptionBook({{u"Surname", 16}}).WorkbookStream();
  const auto recs = Records(stream);
  std::vector<std::uint16_t> types;
  for (const Rec& r : recs) {
    types.push_back(r.type);
    if (r.type == rt::kEof) break;
  }
  std::vector<std::uint16_t> expected = {
      rt::kBof,        rt::kInterfaceHdr, rt::kMms,       rt::kInterfaceEnd, rt::kWriteAccess,
      rt::kCodePage,   rt::kDsf,          rt::kRrTabId,   rt::kFnGroupCount, rt::kWinProtect,
      rt::kProtect,    rt::kPassword,     rt::kProt4Rev,  rt::kProt4RevPass, rt::kWindow1,
      rt::kBackup,     rt::kHideObj,      rt::kDate1904,  rt::kCalcPrecision, rt::kRefreshAll,
      rt::kBookBool};
  expected.insert(expected.end(), 5, rt::kFont);
  expected.insert(expected.end(), 8, rt::kFormat);
  expected.insert(expected.end(), 18, rt::kXf);
  for (std::uint16_t t : {rt::kStyle, rt::kUsesElfs, rt::kBoundSheet, rt::kCountry, rt::kSst, rt::kExtSst, rt::kEof})
    expected.push_back(t);
  EXPECT_EQ(types, expected);
  EXPECT_EQ(recs[0].data, Bytes({0x00, 0x06, 0x05, 0x00, 0xBB, 0x0D, 0xCC, 0x07, 0x41, 0, 0, 0, 6, 0, 0, 0}));
  EXPECT_EQ(OfType(recs, rt::kCodePage)[0].data, Bytes({0xB0, 0x04}));  // 1200: UTF-16
  EXPECT_EQ(OfType(recs, rt::kWriteAccess)[0].data.size(), 112u);
}

TEST(WorkbookStream, FormattingRecordBytes) {
  const std::string stream = CaptionBook({{u"INDI_ID", 10}, {u"FullName", 40}}).WorkbookStream();
  const auto recs = Records(stream);
  const auto fonts = OfType(recs, rt::kFont);
  ASSERT_EQ(fonts.size(), 5u);
  const std::string arial = Bytes({0x05, 0x00, 'A', 'r', 'i', 'a', 'l'});
  EXPECT_EQ(fonts[0].data, Bytes({0xC8, 0, 0, 0, 0xFF, 0x7F, 0x90, 0x01, 0, 0, 0, 0, 0, 0}) + arial);
  // The fifth record is font index 5 (there is no 4): bold Arial 10.
  EXPECT_EQ(fonts[4].data, Bytes({0xC8, 0, 1, 0, 0xFF, 0x7F, 0xBC, 0x02, 0, 0, 0, 0, 0, 0}) + arial);

  const auto xfs = OfType(recs, rt::kXf);
  ASSERT_EQ(xfs.size(), 18u);
  EXPECT_EQ(xfs[0].data, Bytes({0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20}));
  EXPECT_EQ(xfs[1].data, Bytes({0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0xF4, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20}));
  EXPECT_EQ(xfs[15].data, Bytes({0, 0, 0, 0, 0x01, 0, 0x20, 0, 0, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20}));
  // Captions: font 5, format 49 ("@"), font and format marked as own.
  EXPECT_EQ(xfs[16].data, Bytes({5, 0, 49, 0, 0x01, 0, 0x20, 0, 0, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20}));
  EXPECT_EQ(xfs[17].data, Bytes({0, 0, 49, 0, 0x01, 0, 0x20, 0, 0, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20}));

  const auto formats = OfType(recs, rt::kFormat);
  EXPECT_EQ(GetU16(formats[0].data, 0), 5);
  EXPECT_EQ(OfType(recs, rt::kStyle)[0].data, Bytes({0x00, 0x80, 0x00, 0xFF}));

  // One COLINFO per column: width units, the text XF 17, "user set".
  const auto cols = OfType(recs, rt::kColInfo);
  ASSERT_EQ(cols.size(), 2u);
  EXPECT_EQ(cols[0].data, Bytes({0, 0, 0, 0, 0xB6, 0x0A, 17, 0, 2, 0, 0, 0}));    // 2742
  EXPECT_EQ(cols[1].data, Bytes({1, 0, 1, 0, 0xB6, 0x28, 17, 0, 2, 0, 0, 0}));    // 10422
  const auto labels = OfType(recs, rt::kLabelSst);
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels[1].data, Bytes({0, 0, 1, 0, 16, 0, 1, 0, 0, 0}));
  EXPECT_EQ(OfType(recs, rt::kDimensions)[0].data, Bytes({0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0}));
  EXPECT_EQ(OfType(recs, rt::kWindow2)[0].data,
            Bytes({0xB6, 0x06, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(recs.back().type, rt::kEof);
}

TEST(WorkbookStream, EveryStoredOffsetLandsOnItsRecord) {
  Workbook book = CaptionBook({{u"A", 10}, {u"B", 12}});
  Worksheet& sheet = book.sheet(0);
  // Rows 3..40 cross a 32-row block; rows 100..101 leave empty blocks
  // between; row 70 has a single cell in column 1.
  for (std::uint32_t r = 2; r < 40; ++r) {
    sheet.SetText(r, 0, u"a" + std::u16string(r % 5, u'x'));
    if (r % 3) sheet.SetText(r, 1, u"b");
  }
  sheet.SetText(70, 1, u"only");
  sheet.SetText(100, 0, u"x");
  sheet.SetText(101, 0, u"y");
  Worksheet& second = book.AddSheet(u"Second");
  second.SetText(5, 3, u"other sheet");
  const std::string stream = book.WorkbookStream();
  const auto recs = Records(stream);
  ASSERT_EQ(recs.back().start + 4, stream.size());

  const auto sheets = OfType(recs, rt::kBoundSheet);
  ASSERT_EQ(sheets.size(), 2u);
  for (const Rec& bs : sheets) {
    const Rec bof = At(recs, GetU32(bs.data, 0));
    ASSERT_EQ(bof.type, rt::kBof);
    EXPECT_EQ(GetU16(bof.data, 2), 0x0010);
  }

  const auto indexes = OfType(recs, rt::kIndex);
  ASSERT_EQ(indexes.size(), 2u);
  const std::string_view index = indexes[0].data;
  EXPECT_EQ(GetU32(index, 4), 0u);    // first row with cells
  EXPECT_EQ(GetU32(index, 8), 102u);  // last row with cells + 1
  EXPECT_EQ(At(recs, GetU32(index, 12)).type, rt::kDefColWidth);
  // Blocks of rows 0-31, 32-63, 64-95, 96-127.
  ASSERT_EQ(index.size(), 16u + 4 * 4);
  std::size_t rows_seen = 0;
  for (std::size_t b = 0; b < 4; ++b) {
    const Rec db = At(recs, GetU32(index, 16 + 4 * b));
    ASSERT_EQ(db.type, rt::kDbCell) << b;
    const Rec first_row = At(recs, db.start - GetU32(db.data, 0));
    ASSERT_EQ(first_row.type, rt::kRow) << b;
    // Each offset leads to the first cell of the next row in the block.
    std::size_t at = first_row.start + 20;
    std::size_t row_record = first_row.start;
    for (std::size_t k = 0; k * 2 + 4 < db.data.size(); ++k) {
      at += GetU16(db.data, 4 + 2 * k);
      const Rec cell = At(recs, at);
      const Rec row = At(recs, row_record);
      ASSERT_EQ(row.type, rt::kRow) << b << "/" << k;
      ASSERT_EQ(cell.type, rt::kLabelSst) << b << "/" << k;
      EXPECT_EQ(GetU16(cell.data, 0), GetU16(row.data, 0)) << b << "/" << k;  // same row
      EXPECT_EQ(GetU16(cell.data, 2), GetU16(row.data, 2)) << b << "/" << k;  // its first column
      row_record += 20;
      ++rows_seen;
    }
  }
  EXPECT_EQ(rows_seen, OfType(recs, rt::kRow).size() - 1);  // the second sheet's row is elsewhere
  const auto second_index = indexes[1].data;
  EXPECT_EQ(GetU32(second_index, 4), 5u);
  EXPECT_EQ(GetU32(second_index, 8), 6u);
  // Only the first sheet is selected.
  EXPECT_EQ(GetU16(OfType(recs, rt::kWindow2)[1].data, 0), 0x00B6);

  // SST: total references and unique strings; EXTSST after it.
  const Rec sst = OfType(recs, rt::kSst)[0];
  std::size_t labels = OfType(recs, rt::kLabelSst).size();
  EXPECT_EQ(GetU32(sst.data, 0), labels);
  const Rec ext = OfType(recs, rt::kExtSst)[0];
  EXPECT_EQ(GetU16(ext.data, 0), 8);
  EXPECT_EQ(GetU32(ext.data, 2), sst.start + 12);  // string 0 right after the counts
  EXPECT_EQ(GetU16(ext.data, 6), 12);
}

TEST(WorkbookRoundTrip, CaptionsWidthsFormatsAndText) {
  Workbook book = CaptionBook({{u"INDI_ID", 10}, {u"FullName", 40}, {u"Sex", 3}, {u"#Ch 1", 3}});
  Worksheet& sheet = book.sheet(0);
  const std::u16string names[] = {u"J\u00FCrgen M\u00FCller", u"\u0141\u00F3d\u017A", u"\u5C71\u7530 \u592A\u90CE",
                                  u"Emoji \U0001F600", u"007", u"  spaced  "};
  for (std::uint32_t r = 0; r < 6; ++r) {
    sheet.SetText(r + 2, 0, u"I" + std::u16string(1, u'1' + r));
    sheet.SetText(r + 2, 1, names[r]);
  }
  sheet.SetText(7, 3, u"2");
  CellFormat italic{.font_name = u"Times New Roman", .font_height = 240, .italic = true, .number_format = u"0.00"};
  sheet.SetFormat(4, 2, italic);  // a formatted cell without text

  const Workbook back = Workbook::FromFileBytes(book.FileBytes());
  ASSERT_EQ(back.sheet_count(), 1u);
  const Worksheet& s = back.sheet(0);
  EXPECT_EQ(s.name(), u"Sheet1");
  EXPECT_EQ(s.Text(0, 0), u"INDI_ID");
  EXPECT_EQ(s.Text(0, 3), u"#Ch 1");
  EXPECT_EQ(s.Format(0, 1), kCaption);
  EXPECT_FALSE(s.HasCell(1, 0));
  for (std::uint32_t r = 0; r < 6; ++r) {
    EXPECT_EQ(s.Text(r + 2, 1), names[r]) << r;
    EXPECT_EQ(s.Format(r + 2, 1), kText) << r;
  }
  EXPECT_EQ(s.Text(7, 3), u"2");
  EXPECT_EQ(s.Format(4, 2), italic);
  EXPECT_TRUE(s.HasCell(4, 2));
  EXPECT_EQ(s.Text(4, 2), u"");
  EXPECT_EQ(s.ColumnWidth(0), 10.0);
  EXPECT_EQ(s.ColumnWidth(1), 40.0);
  EXPECT_EQ(s.ColumnWidth(3), 3.0);
  EXPECT_EQ(s.ColumnWidth(4), std::nullopt);
  EXPECT_EQ(s.ColumnFormat(2), kText);
  EXPECT_EQ(s.ColumnFormat(4), CellFormat{});
  EXPECT_EQ(s.Format(50, 0), kText);  // an empty cell of a text column
  EXPECT_EQ(s.RowCount(), 8u);
  // Writing what was read gives the same file.
  EXPECT_EQ(back.WorkbookStream(), book.WorkbookStream());
}

TEST(WorksheetCells, EmptyTextAndOverwrites) {
  Workbook book;
  Worksheet& sheet = book.AddSheet(u"S");
  sheet.SetColumnFormat(0, kText);
  sheet.SetText(3, 0, u"first");
  sheet.SetText(3, 0, u"second");
  EXPECT_EQ(sheet.Text(3, 0), u"second");
  EXPECT_EQ(sheet.Format(3, 0), kText);  // new cells take their column's format
  sheet.SetText(3, 0, u"");
  EXPECT_FALSE(sheet.HasCell(3, 0));
  EXPECT_EQ(sheet.RowCount(), 0u);
  sheet.SetText(9, 0, u"");  // clearing nothing creates nothing
  EXPECT_FALSE(sheet.HasCell(9, 0));
  // A cell formatted unlike its column survives losing its text.
  sheet.SetText(2, 0, u"bold");
  sheet.SetFormat(2, 0, kCaption);
  sheet.SetText(2, 0, u"");
  EXPECT_TRUE(sheet.HasCell(2, 0));
  EXPECT_EQ(sheet.Format(2, 0), kCaption);
  // Cells set right to left end up ordered by column.
  for (std::uint32_t c = 10; c-- > 0;) sheet.SetText(5, c, std::u16string(1, u'a' + c));
  const auto recs = Records(book.WorkbookStream());
  std::vector<std::uint16_t> cols;
  for (const Rec& r : OfType(recs, rt::kLabelSst)) cols.push_back(GetU16(r.data, 2));
  EXPECT_EQ(cols, (std::vector<std::uint16_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  // The overwritten strings are gone from the shared strings.
  EXPECT_EQ(GetU32(OfType(recs, rt::kSst)[0].data, 4), 10u);
  EXPECT_EQ(OfType(recs, rt::kBlank).size(), 1u);
}

TEST(WorksheetCells, SheetLimits) {
  Workbook book;
  Worksheet& sheet = book.AddSheet(u"S");
  EXPECT_NO_THROW(sheet.SetText(65535, 255, u"x"));
  EXPECT_THROW(sheet.SetText(65536, 0, u"x"), XlsError);
  EXPECT_THROW(sheet.SetText(0, 256, u"x"), XlsError);
  EXPECT_THROW(sheet.SetColumnWidth(256, 10), XlsError);
  EXPECT_THROW(sheet.SetColumnWidth(0, 300), XlsError);
  EXPECT_THROW(book.AddSheet(u"a/b"), XlsError);
  EXPECT_THROW(book.AddSheet(std::u16string(32, u'n')), XlsError);
  EXPECT_THROW(Workbook().WorkbookStream(), XlsError);
}

TEST(WorkbookReader, RejectsWhatItCannotRead) {
  const std::string stream = CaptionBook({{u"X", 10}}).WorkbookStream();
  EXPECT_THROW(Workbook::FromStream(stream.substr(0, stream.size() / 2)), XlsError);
  EXPECT_THROW(Workbook::FromStream(std::string(40, '\0')), XlsError);
  const auto read = [&](std::uint16_t type, std::size_t at, std::uint32_t value) {
    std::string bad = stream;
    SetU32(bad, OfType(Records(bad), type)[0].start + 4 + at, value);
    return Workbook::FromStream(bad);
  };
  EXPECT_THROW(read(rt::kLabelSst, 6, 7), XlsError);              // a shared string that does not exist
  EXPECT_THROW(read(rt::kBoundSheet, 0, 0x7FFFFFF0), XlsError);  // a sheet offset past the end
  EXPECT_THROW(Workbook::FromFileBytes(BuildCompoundFile(u"Book", stream)), XlsError);
  EXPECT_THROW(Workbook::FromFileBytes(BuildCompoundFile(u"Other", stream)), XlsError);
}

}  // namespace
}  // namespace kinsheet::xls
