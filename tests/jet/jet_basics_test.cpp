// Header masking, text encodings and row layouts, byte for byte where the
// layout is fixed.
#include <gtest/gtest.h>

#include <string>

#include "formats/jet/header.h"
#include "formats/jet/row.h"
#include "formats/jet/text_codec.h"

namespace kinsheet::jet {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(JetHeader, KeystreamMatchesTheKnownMask) {
  const std::string stream = HeaderKeystream(128);
  EXPECT_EQ(stream.substr(0, 12), Bytes({0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55, 0xEB, 0xA9, 0x67, 0x72}));
  EXPECT_EQ(static_cast<unsigned char>(stream[127]), 0xD4);
}

TEST(JetHeader, Jet4PasswordAreaHoldsTheDateMask) {
  std::string page = BuildHeaderPage(JetFormat::Jet4(), 46023.5);
  MaskHeader(JetFormat::Jet4(), page);  // unmask
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(page.substr(0x42 + 4 * i, 4), Bytes({0xC7, 0xB3, 0x00, 0x00})) << "repeat " << i;
  }
  EXPECT_EQ(GetU16(page, 0x6E), 0x0409);
  EXPECT_EQ(GetU16(page, 0x3C), 1252);
}

TEST(JetHeader, ParsesWhatItBuilds) {
  const HeaderInfo jet4 = ParseHeaderPage(BuildHeaderPage(JetFormat::Jet4(), 46023.5));
  EXPECT_EQ(jet4.format->version, 4);
  EXPECT_DOUBLE_EQ(jet4.creation_date, 46023.5);
  EXPECT_TRUE(jet4.password_empty);
  const std::string jet3_page = BuildHeaderPage(JetFormat::Jet3(), 46023.5);
  EXPECT_EQ(jet3_page.size(), 2048u);
  const HeaderInfo jet3 = ParseHeaderPage(jet3_page + std::string(2048, '\0'));
  EXPECT_EQ(jet3.format->version, 3);
  EXPECT_TRUE(jet3.password_empty);
  std::string bad = BuildHeaderPage(JetFormat::Jet4(), 1);
  bad[0x14] = 7;
  EXPECT_THROW(ParseHeaderPage(bad), JetError);
}

TEST(JetText, Jet4CompressesOnlyLatin1TextOfThreeTo1024Characters) {
  const JetFormat& f = JetFormat::Jet4();
  EXPECT_EQ(EncodeText(f, u"ab", true), Bytes({'a', 0, 'b', 0}));
  EXPECT_EQ(EncodeText(f, u"abc", true), Bytes({0xFF, 0xFE, 'a', 'b', 'c'}));
  EXPECT_EQ(EncodeText(f, u"abc", false), Bytes({'a', 0, 'b', 0, 'c', 0}));
  EXPECT_EQ(EncodeText(f, u"M\u00fcller", true), Bytes({0xFF, 0xFE, 'M', 0xFC, 'l', 'l', 'e', 'r'}));
  EXPECT_EQ(EncodeText(f, std::u16string(1024, u'x'), true).size(), 1026u);
  EXPECT_EQ(EncodeText(f, std::u16string(1025, u'x'), true).size(), 2050u);
  EXPECT_EQ(EncodeText(f, u"ab\u0141", true), Bytes({'a', 0, 'b', 0, 0x41, 0x01}));
  EXPECT_EQ(EncodeText(f, u"", true), "");
  for (std::u16string s : {u"abc", u"ab", u"\u6771\u4eac", u"x\U0001F46A y", u"\u00ff\u00fe\u00fd"}) {
    EXPECT_EQ(DecodeText(f, EncodeText(f, s, true)), s);
  }
}

TEST(JetText, Jet4ByteOrderMarkFirstIsKeptApartFromCompression) {
  const JetFormat& f = JetFormat::Jet4();
  const std::string stored = EncodeText(f, u"\uFEFFabc", true);
  EXPECT_EQ(stored, Bytes({0xFF, 0xFE, 0x00, 0xFF, 0xFE, 'a', 0, 'b', 0, 'c', 0}));
  EXPECT_EQ(DecodeText(f, stored), u"\uFEFFabc");
  EXPECT_EQ(DecodeText(f, EncodeText(f, u"\uFEFF", false)), u"\uFEFF");
}

TEST(JetText, Jet4DecodesModeSwitches) {
  // "a", switch to two-byte units for U+0141, back to bytes for "b".
  EXPECT_EQ(DecodeText(JetFormat::Jet4(), Bytes({0xFF, 0xFE, 'a', 0, 0x41, 0x01, 0, 'b'})), u"a\u0141b");
}

TEST(JetText, Jet3UsesWindows1252WithQuestionMarks) {
  const JetFormat& f = JetFormat::Jet3();
  EXPECT_EQ(EncodeText(f, u"\u0141\u00f3d\u017a", false), Bytes({'?', 0xF3, 'd', '?'}));
  EXPECT_EQ(EncodeText(f, u"\u20ac\u0160", false), Bytes({0x80, 0x8A}));
  EXPECT_EQ(EncodeText(f, u"\u0081\u008d\u008f\u0090\u009d", false), "?????");
  EXPECT_EQ(EncodeText(f, u"\U0001F46A", false), "?");
  EXPECT_EQ(DecodeText(f, Bytes({0x80, 0xE9})), u"\u20ac\u00e9");
}

TableShape ThreeTextColumns(const JetFormat& format) {
  TableShape shape;
  for (const char16_t* name : {u"Surname", u"Given", u"Sex"}) {
    ColumnShape c;
    c.name = name;
    c.length = static_cast<std::uint16_t>(120 * format.text_unit_bytes);
    c.compressible = format.version == 4;
    shape.columns.push_back(c);
  }
  LayOutColumns(shape);
  return shape;
}

std::vector<Cell> Texts(const JetFormat& format, std::vector<std::optional<std::u16string>> values) {
  std::vector<Cell> cells;
  for (const auto& v : values) cells.push_back(v ? Cell::Of(EncodeText(format, *v, format.version == 4)) : Cell::Null());
  return cells;
}

TEST(JetRow, WorkedExamplesByteForByte) {
  const JetFormat& j4 = JetFormat::Jet4();
  const JetFormat& j3 = JetFormat::Jet3();
  EXPECT_EQ(EncodeRow(j4, ThreeTextColumns(j4), Texts(j4, {u"M\u00fcller", u"", u"M"})),
            Bytes({0x03, 0x00, 0xFF, 0xFE, 0x4D, 0xFC, 0x6C, 0x6C, 0x65, 0x72, 0x4D, 0x00, 0x0C, 0x00, 0x0A, 0x00,
                   0x0A, 0x00, 0x02, 0x00, 0x03, 0x00, 0x07}));
  EXPECT_EQ(EncodeRow(j3, ThreeTextColumns(j3), Texts(j3, {u"M\u00fcller", u"", u"M"})),
            Bytes({0x03, 0x4D, 0xFC, 0x6C, 0x6C, 0x65, 0x72, 0x4D, 0x08, 0x07, 0x07, 0x01, 0x03, 0x07}));
  // NULL instead of "": the same bytes but the mask.
  const std::string with_null = EncodeRow(j3, ThreeTextColumns(j3), Texts(j3, {u"M\u00fcller", std::nullopt, u"M"}));
  EXPECT_EQ(static_cast<unsigned char>(with_null.back()), 0x05);
}

TEST(JetRow, Jet3JumpTableWithRealEntry) {
  const JetFormat& j3 = JetFormat::Jet3();
  const std::string row = EncodeRow(
      j3, ThreeTextColumns(j3),
      Texts(j3, {std::u16string(200, u'a'), std::u16string(100, u'b'), std::u16string(10, u'c')}));
  ASSERT_EQ(row.size(), 318u);
  EXPECT_EQ(row.substr(311), Bytes({0x37, 0x2D, 0xC9, 0x01, 0x02, 0x03, 0x07}));
}

TEST(JetRow, Jet3JumpTableWithFiller) {
  const JetFormat& j3 = JetFormat::Jet3();
  const std::string row = EncodeRow(j3, ThreeTextColumns(j3),
                                    Texts(j3, {std::u16string(200, u'a'), std::u16string(54, u'b'), u""}));
  ASSERT_EQ(row.size(), 262u);
  EXPECT_EQ(row.substr(255), Bytes({0xFF, 0xFF, 0xC9, 0x01, 0xFF, 0x03, 0x07}));
}

class JetRowRoundTrip : public ::testing::TestWithParam<int> {};

// Row lengths around every 256-byte line up to three lines, where the jump
// table gains real and filler entries.
TEST_P(JetRowRoundTrip, DecodesWhatItEncodesAtEveryLength) {
  const JetFormat& format = GetParam() == 3 ? JetFormat::Jet3() : JetFormat::Jet4();
  const TableShape shape = ThreeTextColumns(format);
  for (std::size_t first = 0; first < 300; ++first) {
    for (std::size_t second : {0, 1, 60, 200, 255}) {
      const std::vector<std::optional<std::u16string>> values = {
          std::u16string(first, u'\u00e9'), second == 1 ? std::nullopt : std::optional(std::u16string(second, u'z')),
          std::u16string(first % 7, u'\u0416')};
      const std::vector<Cell> cells = Texts(format, values);
      const std::vector<Cell> back = DecodeRow(format, shape, EncodeRow(format, shape, cells));
      ASSERT_EQ(back.size(), 3u);
      for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back[i].null, cells[i].null) << first << "/" << second << " column " << i;
        EXPECT_EQ(back[i].bytes, cells[i].bytes) << first << "/" << second << " column " << i;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothFormats, JetRowRoundTrip, ::testing::Values(3, 4),
                         [](const auto& info) { return "Jet" + std::to_string(info.param); });

}  // namespace
}  // namespace kinsheet::jet
