// Compound file container: fixed header and directory bytes, the FAT of
// each layout, the 4096-byte mini stream cut-off, DIFAT for large streams,
// and the reader's defences.
#include <gtest/gtest.h>

#include <string>

#include "formats/xls/cfb.h"
#include "formats/xls/xls_error.h"
#include "text/byte_io.h"

namespace kinsheet::xls {
namespace {

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

std::string_view SectorOf(const std::string& file, std::uint32_t n) {
  return std::string_view(file).substr((n + 1) * 512, 512);
}

TEST(CompoundFileLayout, SmallStreamGoesToMiniStream) {
  // 1000 bytes: 16 mini sectors in 2 container sectors, 1 mini FAT sector,
  // 1 directory sector and 1 FAT sector.
  const std::string file = BuildCompoundFile(u"Workbook", Pattern(1000));
  ASSERT_EQ(file.size(), 512u * 6);

  const std::string expected_start =
      std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(16, '\0') +
      std::string("\x3E\x00\x03\x00\xFE\xFF\x09\x00\x06\x00", 10) + std::string(6, '\0') +
      std::string("\x00\x00\x00\x00"   // directory sectors (always 0 in version 3)
                  "\x01\x00\x00\x00"   // FAT sectors
                  "\x03\x00\x00\x00"   // first directory sector
                  "\x00\x00\x00\x00"   // transaction
                  "\x00\x10\x00\x00"   // mini stream cut-off 4096
                  "\x02\x00\x00\x00"   // first mini FAT sector
                  "\x01\x00\x00\x00"   // mini FAT sectors
                  "\xFE\xFF\xFF\xFF"   // no DIFAT
                  "\x00\x00\x00\x00"   // DIFAT sectors
                  "\x04\x00\x00\x00",  // DIFAT[0]: the FAT sector
                  40);
  EXPECT_EQ(file.substr(0, expected_start.size()), expected_start);
  for (std::size_t i = 1; i < 109; ++i) EXPECT_EQ(GetU32(file, 76 + 4 * i), kFreeSect) << i;

  const std::string_view fat = SectorOf(file, 4);
  const std::uint32_t expected_fat[] = {1, kEndOfChain, kEndOfChain, kEndOfChain, kFatSect};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(GetU32(fat, 4 * i), expected_fat[i]) << i;
  for (std::size_t i = 5; i < 128; ++i) EXPECT_EQ(GetU32(fat, 4 * i), kFreeSect) << i;

  const std::string_view mini_fat = SectorOf(file, 2);
  for (std::uint32_t i = 0; i < 15; ++i) EXPECT_EQ(GetU32(mini_fat, 4 * i), i + 1);
  EXPECT_EQ(GetU32(mini_fat, 4 * 15), kEndOfChain);
  EXPECT_EQ(GetU32(mini_fat, 4 * 16), kFreeSect);
}

// A 128-byte directory entry as the format lays it out.
std::string Entry(std::u16string_view name, std::uint8_t type, std::uint32_t child, std::uint32_t start,
                  std::uint32_t size) {
  std::string e;
  for (char16_t c : name) PutU16(e, c);
  e.resize(64, '\0');
  PutU16(e, name.empty() ? 0 : 2 * (name.size() + 1));
  e += static_cast<char>(type);
  e += static_cast<char>(type ? 1 : 0);  // black
  PutU32(e, kNoStream);
  PutU32(e, kNoStream);
  PutU32(e, child);
  e.append(36, '\0');
  PutU32(e, start);
  PutU32(e, size);
  PutU32(e, 0);
  return e;
}

TEST(CompoundFileLayout, DirectoryEntries) {
  const std::string file = BuildCompoundFile(u"Workbook", Pattern(1000));
  const std::string_view dir = SectorOf(file, 3);
  // The root holds the mini stream (16 mini sectors from sector 0); its
  // child is the Workbook entry, whose data starts at mini sector 0.
  EXPECT_EQ(dir.substr(0, 128), Entry(u"Root Entry", 5, 1, 0, 1024));
  EXPECT_EQ(dir.substr(128, 128), Entry(u"Workbook", 2, kNoStream, 0, 1000));
  EXPECT_EQ(dir.substr(256, 128), Entry(u"", 0, kNoStream, 0, 0));
  EXPECT_EQ(dir.substr(384, 128), Entry(u"", 0, kNoStream, 0, 0));
}

TEST(CompoundFileLayout, CutOffAt4096BytesAndTheEmptyStream) {
  for (std::size_t size : {4095u, 4096u, 4097u}) {
    const std::string data = Pattern(size);
    const std::string file = BuildCompoundFile(u"Workbook", data);
    const CompoundFileLayout plan = PlanCompoundFile(size);
    EXPECT_EQ(plan.in_mini_stream, size < 4096) << size;
    EXPECT_EQ(file.size(), 512u * (1 + plan.total_sectors)) << size;
    // Root entry: a mini stream only when the stream is short.
    const std::string_view root = SectorOf(file, GetU32(file, 48));
    EXPECT_EQ(GetU32(root, 116), size < 4096 ? 0u : kEndOfChain) << size;
    EXPECT_EQ(GetU32(file, 60), size < 4096 ? plan.stream_sectors : kEndOfChain) << size;

    const CompoundFileReader reader(file);
    EXPECT_EQ(reader.ReadStream(u"Workbook"), data) << size;
    EXPECT_EQ(reader.ReadStream(u"WORKBOOK"), data) << size;
    EXPECT_EQ(reader.ReadStream(u"Book"), std::nullopt);
  }
  EXPECT_EQ(CompoundFileReader(BuildCompoundFile(u"Workbook", "")).ReadStream(u"Workbook"), "");
}

TEST(CompoundFileLayout, LargeStreamNeedsDifat) {
  // Past 109 FAT sectors (about 7 MB) the FAT sector list goes on in DIFAT.
  const std::string data = Pattern(9'000'000);
  const CompoundFileLayout plan = PlanCompoundFile(data.size());
  EXPECT_FALSE(plan.in_mini_stream);
  EXPECT_EQ(plan.stream_sectors, 17579u);
  EXPECT_EQ(plan.fat_sectors, 139u);
  EXPECT_EQ(plan.difat_sectors, 1u);
  EXPECT_EQ(plan.total_sectors, 17579u + 1 + 139 + 1);
  EXPECT_LE(plan.total_sectors, plan.fat_sectors * 128u);

  const std::string file = BuildCompoundFile(u"Workbook", data);
  ASSERT_EQ(file.size(), 512u * (1 + plan.total_sectors));
  EXPECT_EQ(GetU32(file, 44), 139u);
  const std::uint32_t difat = GetU32(file, 68);
  EXPECT_EQ(GetU32(file, 72), 1u);
  // DIFAT sector: FAT sectors 109..138, free slots, then the end of chain.
  const std::string_view d = SectorOf(file, difat);
  EXPECT_EQ(GetU32(d, 0), GetU32(file, 76 + 4 * 108) + 1);
  EXPECT_EQ(GetU32(d, 4 * 29), GetU32(file, 76 + 4 * 108) + 30);
  EXPECT_EQ(GetU32(d, 4 * 30), kFreeSect);
  EXPECT_EQ(GetU32(d, 508), kEndOfChain);

  const CompoundFileReader reader(file);
  std::size_t fat_marks = 0, dif_marks = 0;
  for (std::uint32_t v : reader.fat()) {
    fat_marks += v == kFatSect;
    dif_marks += v == kDifSect;
  }
  EXPECT_EQ(fat_marks, 139u);
  EXPECT_EQ(dif_marks, 1u);
  EXPECT_EQ(reader.fat()[difat], kDifSect);
  EXPECT_TRUE(reader.ReadStream(u"Workbook") == data);
}

TEST(CompoundFileReader, RejectsBrokenFiles) {
  const std::string file = BuildCompoundFile(u"Workbook", Pattern(5000));
  const std::uint32_t fat = GetU32(file, 76);
  const std::uint32_t dir = GetU32(file, 48);
  const auto open = [&](std::size_t at, std::uint32_t value) {
    std::string bad = file;
    SetU32(bad, at, value);
    return CompoundFileReader(std::move(bad)).ReadStream(u"Workbook");
  };
  EXPECT_THROW(open(0, 0x58585858), XlsError);                       // no signature
  EXPECT_THROW(open((fat + 1) * 512 + 4 * 3, 0), XlsError);         // a chain that loops must not hang
  EXPECT_THROW(open((dir + 1) * 512 + 128 + 120, 50000), XlsError);  // more bytes than the chain holds
  EXPECT_THROW(open(76, 9999), XlsError);                            // a FAT sector past the end
  EXPECT_THROW(CompoundFileReader(std::string(100, 'x')), XlsError);
  EXPECT_THROW(CompoundFileReader(file.substr(0, 1024)), XlsError);
}

}  // namespace
}  // namespace kinsheet::xls
