// The fixed layouts byte for byte: header masking, text encodings, rows,
// table definitions, data pages, usage maps and property blocks.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "formats/jet/data_page.h"
#include "formats/jet/header.h"
#include "formats/jet/properties.h"
#include "formats/jet/row.h"
#include "formats/jet/table_def.h"
#include "formats/jet/text_codec.h"
#include "formats/jet/usage_map.h"
#include "jet_test_support.h"

namespace kinsheet::jet {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TableShape TextColumns(const JetFormat& format, const std::vector<testing::TestField>& fields) {
  TableShape shape;
  shape.name = u"tblKinsheet";
  for (const auto& f : fields) {
    ColumnShape c;
    c.name = Widen(f.name);
    c.length = static_cast<std::uint16_t>(f.size * format.text_unit_bytes);
    c.compressible = format.version == 4;
    c.sort_order = kGeneralSortOrder;
    c.code_page = format.version == 3 ? kCodePage1252 : 0;
    shape.columns.push_back(c);
  }
  LayOutColumns(shape);
  return shape;
}

TableShape ThreeTextColumns(const JetFormat& format) {
  return TextColumns(format, {{"Surname", 120}, {"Given", 120}, {"Sex", 120}});
}

TEST(JetHeader, KnownMaskAndTheJet4PasswordArea) {
  const std::string stream = HeaderKeystream(128);
  EXPECT_EQ(stream.substr(0, 12), Bytes({0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55, 0xEB, 0xA9, 0x67, 0x72}));
  EXPECT_EQ(static_cast<unsigned char>(stream[127]), 0xD4);
  // The password area holds the date mask.
  std::string page = BuildHeaderPage(JetFormat::Jet4(), 46023.5);
  MaskHeader(JetFormat::Jet4(), page);  // unmask
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(page.substr(0x42 + 4 * i, 4), Bytes({0xC7, 0xB3, 0x00, 0x00})) << "repeat " << i;
  }
  EXPECT_EQ(GetU16(page, 0x6E), 0x0409);
  EXPECT_EQ(GetU16(page, 0x3C), 1252);
  std::string bad = BuildHeaderPage(JetFormat::Jet4(), 1);
  bad[0x14] = 7;  // no such version
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
  // A byte order mark first is kept apart from the compressed form.
  EXPECT_EQ(EncodeText(f, u"\uFEFFabc", true), Bytes({0xFF, 0xFE, 0x00, 0xFF, 0xFE, 'a', 0, 'b', 0, 'c', 0}));
  EXPECT_EQ(DecodeText(f, EncodeText(f, u"\uFEFFabc", true)), u"\uFEFFabc");
  EXPECT_EQ(DecodeText(f, EncodeText(f, u"\uFEFF", false)), u"\uFEFF");
  // "a", switch to two-byte units for U+0141, back to bytes for "b".
  EXPECT_EQ(DecodeText(f, Bytes({0xFF, 0xFE, 'a', 0, 0x41, 0x01, 0, 'b'})), u"a\u0141b");
}

TEST(JetText, Jet3UsesWindows1252WithQuestionMarks) {
  const JetFormat& f = JetFormat::Jet3();
  EXPECT_EQ(EncodeText(f, u"\u0141\u00f3d\u017a", false), Bytes({'?', 0xF3, 'd', '?'}));
  EXPECT_EQ(EncodeText(f, u"\u20ac\u0160", false), Bytes({0x80, 0x8A}));
  EXPECT_EQ(EncodeText(f, u"\u0081\u008d\u008f\u0090\u009d", false), "?????");
  EXPECT_EQ(EncodeText(f, u"\U0001F46A", false), "?");
  EXPECT_EQ(DecodeText(f, Bytes({0x80, 0xE9})), u"\u20ac\u00e9");
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

TEST(JetRow, Jet3JumpTableWithRealEntryAndFiller) {
  const JetFormat& j3 = JetFormat::Jet3();
  const std::string real = EncodeRow(
      j3, ThreeTextColumns(j3),
      Texts(j3, {std::u16string(200, u'a'), std::u16string(100, u'b'), std::u16string(10, u'c')}));
  ASSERT_EQ(real.size(), 318u);
  EXPECT_EQ(real.substr(311), Bytes({0x37, 0x2D, 0xC9, 0x01, 0x02, 0x03, 0x07}));
  const std::string filler = EncodeRow(j3, ThreeTextColumns(j3),
                                       Texts(j3, {std::u16string(200, u'a'), std::u16string(54, u'b'), u""}));
  ASSERT_EQ(filler.size(), 262u);
  EXPECT_EQ(filler.substr(255), Bytes({0xFF, 0xFF, 0xC9, 0x01, 0xFF, 0x03, 0x07}));
}

class JetPages : public ::testing::TestWithParam<int> {
 protected:
  const JetFormat& format() const { return GetParam() == 3 ? JetFormat::Jet3() : JetFormat::Jet4(); }
};

TEST_P(JetPages, TableDefinitionOfOneFieldByteForByte) {
  TableShape shape = TextColumns(format(), {{"Surname", 120}});
  shape.row_count = 0x01020304;
  shape.owned_map = PageRow(12, 0);
  shape.free_map = PageRow(12, 1);
  const std::string def = BuildTableDefinition(format(), shape);
  const std::vector<std::string> pages = SplitTableDefinition(format(), def, 11);
  ASSERT_EQ(pages.size(), 1u);
  const std::string& p = pages[0];
  EXPECT_EQ(GetU8(p, 0), 0x02);
  EXPECT_EQ(GetU32(p, 4), 0u);
  EXPECT_EQ(GetU32(p, 8), def.size());
  if (format().version == 3) {
    EXPECT_EQ(p.substr(2, 2), "VC");
    EXPECT_EQ(GetU32(p, 12), 0x01020304u);
    EXPECT_EQ(GetU8(p, 20), 0x4E);
    EXPECT_EQ(GetU16(p, 25), 1);
    EXPECT_EQ(GetU32(p, 35), 12u << 8);
    EXPECT_EQ(GetU32(p, 39), (12u << 8) | 1);
    // Descriptor: type, number, variable index, sort order, code page,
    // flags, fixed offset, length.
    EXPECT_EQ(GetU8(p, 43), 10);
    EXPECT_EQ(GetU16(p, 43 + 9), 0x0409);
    EXPECT_EQ(GetU16(p, 43 + 11), 1252);
    EXPECT_EQ(GetU8(p, 43 + 13), 0x02);
    EXPECT_EQ(GetU16(p, 43 + 16), 120);
    EXPECT_EQ(p.substr(61, 8), std::string("\x07Surname", 8));
  } else {
    EXPECT_EQ(GetU16(p, 2), 4096 - 106 - 8);
    EXPECT_EQ(GetU32(p, 12), 1625u);
    EXPECT_EQ(GetU32(p, 16), 0x01020304u);
    EXPECT_EQ(GetU8(p, 40), 0x4E);
    EXPECT_EQ(GetU32(p, 55), 12u << 8);
    EXPECT_EQ(GetU8(p, 63), 10);
    EXPECT_EQ(GetU32(p, 64), 1625u);
    EXPECT_EQ(GetU8(p, 63 + 15), 0x02);
    EXPECT_EQ(GetU8(p, 63 + 16), 0x01);
    EXPECT_EQ(GetU16(p, 63 + 23), 240);
    EXPECT_EQ(GetU16(p, 88), 14);
  }
  EXPECT_EQ(p.substr(def.size() - 2, 2), "\xFF\xFF");
}

TEST_P(JetPages, TableDefinitionOverThreePages) {
  std::vector<testing::TestField> fields;
  for (int i = 0; i < 120; ++i) fields.push_back({"Field_with_a_long_name_" + std::to_string(1000 + i), 1 + i % 100});
  TableShape shape = TextColumns(format(), fields);
  shape.long_value_maps.push_back({3, PageRow(9, 2), PageRow(9, 3)});
  const std::string def = BuildTableDefinition(format(), shape);
  EXPECT_EQ(def.size(), (format().version == 3 ? 5565u : 9785u) + 10);
  const std::vector<std::string> pages = SplitTableDefinition(format(), def, 20);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(GetU32(pages[0], 4), 21u);
  EXPECT_EQ(GetU32(pages[1], 4), 22u);
  EXPECT_EQ(GetU32(pages[2], 4), 0u);
  for (std::size_t i = 1; i < pages.size(); ++i) {
    EXPECT_EQ(GetU8(pages[i], 0), 0x02);
    if (format().version == 4) {
      const std::size_t used = i == 1 ? 4096 : 8 + def.size() - 4096 - 4088;
      EXPECT_EQ(GetU16(pages[i], 2), used + 8 >= 4096 ? 0 : 4096 - used - 8);
    } else {
      EXPECT_EQ(pages[i].substr(2, 2), "VC");
    }
  }
}

TEST_P(JetPages, DataPageFreeSpaceAndLimits) {
  DataPage page(format(), 11);
  EXPECT_EQ(page.free_space(), format().version == 3 ? 2038u : 4082u);
  EXPECT_EQ(GetU16(page.image(), 2), page.free_space());
  // One-byte rows stop at 255 a page although space remains.
  std::size_t rows = 0;
  while (page.Fits(1)) {
    page.AddRow(std::string(1, static_cast<char>(rows)));
    ++rows;
  }
  EXPECT_EQ(rows, 255u);
  EXPECT_EQ(page.free_space(), format().empty_data_page_free() - 255 * 3);
  const std::vector<RowSlot> slots = RowsOfPage(format(), page.image());
  ASSERT_EQ(slots.size(), 255u);
  EXPECT_EQ(slots[0].offset, format().page_size - 1);
  EXPECT_EQ(RowOfPage(format(), page.image(), 200), std::string(1, static_cast<char>(200)));
  // The largest row fills a page exactly.
  DataPage full(format(), 11);
  const std::size_t largest = format().empty_data_page_free() - 2;
  EXPECT_FALSE(full.Fits(largest + 1));
  ASSERT_TRUE(full.Fits(largest));
  full.AddRow(std::string(largest, 'x'));
  EXPECT_EQ(full.free_space(), 0u);
  EXPECT_FALSE(full.Fits(0));
}

TEST_P(JetPages, InlineMapLists) {
  const std::string row = InlineMapRow(InlineStartFor(13), format().inline_map_bytes(), {13, 14, 20});
  EXPECT_EQ(GetU32(row, 1), 8u);
  EXPECT_EQ(PagesOfMap(format(), row, {}), (std::vector<std::uint32_t>{13, 14, 20}));
  std::string outside = row;
  EXPECT_THROW(SetInlineMapBit(outside, 8 + format().inline_map_pages(), true), JetError);

}

TEST_P(JetPages, GlobalMapCoversTheWholeFile) {
  const std::string small = GlobalMapPage(format(), 11, {});
  const std::string row0(RowOfPage(format(), small, 0));
  EXPECT_EQ(row0.size(), format().usage_map_row_size);
  const std::vector<std::uint32_t> free = PagesOfMap(format(), row0, {});
  ASSERT_FALSE(free.empty());
  EXPECT_EQ(free.front(), 11u);
  EXPECT_EQ(free.back(), format().inline_map_pages() - 1);
  EXPECT_EQ(GetU32(small, 4), 1u);

  const std::uint32_t big = 5000;
  const std::string grown = GlobalMapPage(format(), big, {});
  const std::string grown_row(RowOfPage(format(), grown, 0));
  EXPECT_EQ(grown_row.size(), 5 + (big + 255) / 256 * 32);
  EXPECT_EQ(PagesOfMap(format(), grown_row, {}).front(), big);

  const std::uint32_t limit = format().version == 3 ? 15104 : 32000;
  EXPECT_TRUE(GlobalMapFitsInline(format(), limit));
  EXPECT_FALSE(GlobalMapFitsInline(format(), limit + 1));
  const std::string ref = GlobalMapPage(format(), limit + 1, {limit + 1});
  EXPECT_EQ(GetU8(RowOfPage(format(), ref, 0), 0), kMapReference);
}

TEST_P(JetPages, PropertyBlockLayoutAndRoundTrip) {
  const std::vector<PropertyMap> maps = {{u"Surname", kPropertiesOfColumn, {BooleanProperty(u"AllowZeroLength", true)}},
                                         {u"Sex", kPropertiesOfColumn, {BooleanProperty(u"AllowZeroLength", false)}}};
  const std::string block = BuildPropertyBlock(format(), maps);
  const std::size_t unit = format().text_unit_bytes;
  EXPECT_EQ(block.substr(0, 4), std::string(format().version == 3 ? "KKD" : "MR2", 3) + '\0');
  // Name list chunk: length, type 0x80, one name.
  EXPECT_EQ(GetU32(block, 4), 6 + 2 + 15 * unit);
  EXPECT_EQ(GetU16(block, 8), 0x80);
  const std::size_t first = 4 + GetU32(block, 4);
  EXPECT_EQ(GetU32(block, first), 6 + 6 + 7 * unit + 9);
  EXPECT_EQ(GetU16(block, first + 4), 1);
  const std::size_t entry = first + 6 + 6 + 7 * unit;
  EXPECT_EQ(GetU16(block, entry), 9);       // entry length
  EXPECT_EQ(GetU8(block, entry + 2), 1);    // DDL
  EXPECT_EQ(GetU8(block, entry + 3), 1);    // boolean
  EXPECT_EQ(GetU16(block, entry + 4), 0);   // name index
  EXPECT_EQ(GetU16(block, entry + 6), 1);   // value size
  EXPECT_EQ(GetU8(block, entry + 8), 0xFF); // yes
}

INSTANTIATE_TEST_SUITE_P(BothFormats, JetPages, ::testing::Values(3, 4),
                         [](const auto& info) { return "Jet" + std::to_string(info.param); });

}  // namespace
}  // namespace kinsheet::jet
