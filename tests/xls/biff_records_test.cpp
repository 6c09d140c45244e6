// BIFF8 building blocks: string encodings, the shared string table split
// over CONTINUE records with its EXTSST index, and column width units.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/xls/biff_records.h"
#include "formats/xls/xls_error.h"
#include "record_scan.h"
#include "text/byte_io.h"

namespace kinsheet::xls {
namespace {

using testing::Rec;
using testing::Records;

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

// Strings sized so the first record has exactly `left` bytes free when the
// last string starts.
std::vector<std::u16string> FillTo(std::size_t left, std::u16string last) {
  // Body: 8 bytes of counts, then one compressed string of 3 + n bytes.
  const std::size_t n = kMaxRecordData - 8 - 3 - left;
  return {std::u16string(n, u'a'), std::move(last)};
}

std::vector<std::u16string_view> Views(const std::vector<std::u16string>& v) {
  return {v.begin(), v.end()};
}

TEST(SharedStrings, HeaderAndFirstCharacterStayTogether) {
  // Three bytes left: room for the header but not for a character, so the
  // string moves whole to the CONTINUE record, without a flags prefix.
  const auto strings = FillTo(3, u"xyz");
  std::string out;
  PutSst(out, 0, Views(strings), 2);
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
  {
    const auto strings = FillTo(5, u"abcd");
    std::string out;
    PutSst(out, 0, Views(strings), 2);
    const auto recs = Records(out);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].data.substr(recs[0].data.size() - 5), std::string("\x04\x00\x00" "ab", 5));
    EXPECT_EQ(recs[1].data, std::string("\x00" "cd", 3));
  }
  {
    const auto strings = FillTo(6, u"\u65E5\u672C\u8A9E");  // header + 1 char, 1 byte unused
    std::string out;
    PutSst(out, 0, Views(strings), 2);
    const auto recs = Records(out);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].data.size(), kMaxRecordData - 1);
    EXPECT_EQ(recs[0].data.substr(recs[0].data.size() - 5), std::string("\x03\x00\x01\xE5\x65", 5));
    EXPECT_EQ(recs[1].data, std::string("\x01\x2C\x67\x9E\x8A", 5));
  }
}

TEST(SharedStrings, LongStringsSpanManyRecords) {
  const std::vector<std::u16string> strings = {std::u16string(12000, u'\u0141'), u"tail",
                                               std::u16string(20000, u'q')};
  std::string out;
  PutSst(out, 0, Views(strings), 3);
  const auto recs = Records(out);
  ASSERT_GE(recs.size(), 6u);
  for (std::size_t i = 0; i < recs.size(); ++i) {
    EXPECT_EQ(recs[i].type, i == 0 ? rt::kSst : rt::kContinue);
    EXPECT_LE(recs[i].data.size(), kMaxRecordData);
  }
  EXPECT_EQ(out.size(), recs.back().start + 4 + recs.back().data.size());
  // 12000 wide chars need 24000 bytes: two CONTINUE records, each starting
  // with flags 0x01 for the wide rest.
  EXPECT_EQ(recs[1].data[0], '\x01');
  EXPECT_EQ(recs[2].data[0], '\x01');
}

TEST(SharedStrings, ExtSstPointsAtStringHeaders) {
  std::vector<std::u16string> strings;
  for (int i = 0; i < 3000; ++i) strings.push_back(u"string number " + std::u16string(i % 13, u'\u0107'));
  std::string out(100, 'x');  // the SST does not start the stream
  const auto buckets = PutSst(out, 1000, Views(strings), 3000);
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

TEST(ColumnWidth, CharactersToUnitsAndBack) {
  const std::pair<int, std::uint16_t> table[] = {{3, 950},   {10, 2742}, {11, 2998}, {12, 3254},
                                                 {16, 4278}, {20, 5302}, {30, 7862}, {40, 10422}};
  for (const auto& [chars, units] : table) {
    EXPECT_EQ(ColumnWidthToUnits(chars), units) << chars;
    EXPECT_DOUBLE_EQ(UnitsToColumnWidth(units), chars) << chars;
  }
  EXPECT_EQ(ColumnWidthToUnits(0), 0);
  EXPECT_DOUBLE_EQ(UnitsToColumnWidth(2340), 59.0 / 7);  // Excel's default 8.43
  EXPECT_THROW(ColumnWidthToUnits(256), XlsError);
  EXPECT_THROW(ColumnWidthToUnits(-1), XlsError);
}

}  // namespace
}  // namespace kinsheet::xls
