// Table definitions, data pages, usage maps and property blocks.
#include <gtest/gtest.h>

#include <map>

#include "formats/jet/data_page.h"
#include "formats/jet/properties.h"
#include "formats/jet/table_def.h"
#include "formats/jet/text_codec.h"
#include "formats/jet/usage_map.h"
#include "jet_test_support.h"

namespace kinsheet::jet {
namespace {

class JetPages : public ::testing::TestWithParam<int> {
 protected:
  const JetFormat& format() const { return GetParam() == 3 ? JetFormat::Jet3() : JetFormat::Jet4(); }

  TableShape TextTable(const std::vector<testing::TestField>& fields) const {
    TableShape shape;
    shape.name = u"tblKinsheet";
    for (const auto& f : fields) {
      ColumnShape c;
      c.name = Widen(f.name);
      c.length = static_cast<std::uint16_t>(f.size * format().text_unit_bytes);
      c.compressible = format().version == 4;
      c.sort_order = kGeneralSortOrder;
      c.code_page = format().version == 3 ? kCodePage1252 : 0;
      shape.columns.push_back(c);
    }
    LayOutColumns(shape);
    return shape;
  }
};

TEST_P(JetPages, TableDefinitionLengths) {
  const bool jet3 = format().version == 3;
  EXPECT_EQ(BuildTableDefinition(format(), TextTable(testing::KinsheetFields())).size(), jet3 ? 1120u : 1775u);
  EXPECT_EQ(BuildTableDefinition(format(), TextTable({{"Surname", 120}})).size(), jet3 ? 71u : 106u);
}

TEST_P(JetPages, TableDefinitionOfOneFieldByteForByte) {
  TableShape shape = TextTable({{"Surname", 120}});
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
  for (int i = 0; i < 120; ++i) {
    std::string name = "Field_with_a_long_name_" + std::to_string(1000 + i);
    fields.push_back({name, 1 + i % 100});
  }
  TableShape shape = TextTable(fields);
  shape.long_value_maps.push_back({3, PageRow(9, 2), PageRow(9, 3)});
  const std::string def = BuildTableDefinition(format(), shape);
  EXPECT_EQ(def.size(), (format().version == 3 ? 5565u : 9785u) + 10);
  const std::vector<std::string> pages = SplitTableDefinition(format(), def, 20);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(GetU32(pages[0], 4), 21u);
  EXPECT_EQ(GetU32(pages[1], 4), 22u);
  EXPECT_EQ(GetU32(pages[2], 4), 0u);
  std::string joined = pages[0];
  for (std::size_t i = 1; i < pages.size(); ++i) {
    EXPECT_EQ(GetU8(pages[i], 0), 0x02);
    if (format().version == 4) {
      const std::size_t used = i == 1 ? 4096 : 8 + def.size() - 4096 - 4088;
      EXPECT_EQ(GetU16(pages[i], 2), used + 8 >= 4096 ? 0 : 4096 - used - 8);
    } else {
      EXPECT_EQ(pages[i].substr(2, 2), "VC");
    }
    joined.append(pages[i], 8);
  }
  const TableShape back = ParseTableDefinition(format(), std::string_view(joined).substr(0, def.size()));
  ASSERT_EQ(back.columns.size(), 120u);
  for (std::size_t i = 0; i < 120; ++i) {
    EXPECT_EQ(back.columns[i].name, shape.columns[i].name);
    EXPECT_EQ(back.columns[i].length, shape.columns[i].length);
    EXPECT_EQ(back.columns[i].var_index, i);
  }
  ASSERT_EQ(back.long_value_maps.size(), 1u);
  EXPECT_EQ(back.long_value_maps[0].free, PageRow(9, 3));
}

TEST_P(JetPages, DataPageFreeSpaceAndRowLimit) {
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
}

TEST_P(JetPages, DataPageFillsExactly) {
  DataPage page(format(), 11);
  const std::size_t largest = format().empty_data_page_free() - 2;
  EXPECT_FALSE(page.Fits(largest + 1));
  ASSERT_TRUE(page.Fits(largest));
  page.AddRow(std::string(largest, 'x'));
  EXPECT_EQ(page.free_space(), 0u);
  EXPECT_FALSE(page.Fits(0));
}

TEST_P(JetPages, InlineAndReferenceMapsList) {
  const std::string row = InlineMapRow(InlineStartFor(13), format().inline_map_bytes(), {13, 14, 20});
  EXPECT_EQ(GetU32(row, 1), 8u);
  EXPECT_EQ(PagesOfMap(format(), row, {}), (std::vector<std::uint32_t>{13, 14, 20}));
  std::string outside = row;
  EXPECT_THROW(SetInlineMapBit(outside, 8 + format().inline_map_pages(), true), JetError);

  // Two stretches: bitmap pages 100 and 200 list one page each.
  const std::uint32_t stretch = format().bitmap_page_pages();
  std::map<std::uint32_t, std::string> pages;
  pages[100] = EmptyBitmapPage(format());
  SetBitmapPageBit(pages[100], stretch - 1, true);
  pages[200] = EmptyBitmapPage(format());
  SetBitmapPageBit(pages[200], 5, true);
  std::string ref = EmptyReferenceMapRow(format());
  EXPECT_EQ(ref.size(), format().usage_map_row_size);
  SetReferenceSlot(ref, 0, 100);
  SetReferenceSlot(ref, 1, 200);
  const auto read = [&](std::uint32_t p) { return pages.at(p); };
  EXPECT_EQ(PagesOfMap(format(), ref, read), (std::vector<std::uint32_t>{stretch - 1, stretch + 5}));
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
  const std::vector<PropertyMap> back = ParsePropertyBlock(format(), block);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].object, u"Sex");
  EXPECT_EQ(back[1].properties.at(0).name, u"AllowZeroLength");
  EXPECT_EQ(back[1].properties.at(0).value, std::string(1, '\0'));
}

TEST_P(JetPages, LongValuesFollowTheirPages) {
  const std::string inline_cell = LongValueHeader(3, kLongValueInline, 0) + "abc";
  EXPECT_EQ(ReadLongValue(format(), inline_cell, {}), "abc");

  std::map<std::uint32_t, std::string> pages;
  DataPage one = DataPage::LongValuePage(format());
  EXPECT_EQ(one.image().substr(4, 4), "LVAL");
  one.AddRow("first");
  const std::uint8_t row = one.AddRow("second");
  pages[30] = one.image();
  DataPage a = DataPage::LongValuePage(format());
  std::string chunk;
  PutU32(chunk, PageRow(32, 0));
  a.AddRow(chunk + "hello ");
  pages[31] = a.image();
  DataPage b = DataPage::LongValuePage(format());
  chunk.clear();
  PutU32(chunk, 0);
  b.AddRow(chunk + "world");
  pages[32] = b.image();
  const auto read = [&](std::uint32_t p) { return pages.at(p); };
  EXPECT_EQ(ReadLongValue(format(), LongValueHeader(6, kLongValueOnePage, PageRow(30, row)), read), "second");
  EXPECT_EQ(ReadLongValue(format(), LongValueHeader(11, 0, PageRow(31, 0)), read), "hello world");
}

INSTANTIATE_TEST_SUITE_P(BothFormats, JetPages, ::testing::Values(3, 4),
                         [](const auto& info) { return "Jet" + std::to_string(info.param); });

}  // namespace
}  // namespace kinsheet::jet
