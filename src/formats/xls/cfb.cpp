// Compound File writer and reader. The writer puts the stream (or the mini
// stream that holds a short one) first, then the mini FAT, the directory, the
// FAT and the DIFAT, so the stream can be written out before any table.
#include "formats/xls/cfb.h"

#include <algorithm>
#include <sstream>

#include "formats/xls/xls_error.h"
#include "text/byte_io.h"

namespace kinsheet::xls {
namespace {

constexpr std::uint32_t kEntriesPerFatSector = kSectorSize / 4;
constexpr std::uint32_t kEntriesPerDifatSector = kEntriesPerFatSector - 1;  // last slot links on
constexpr std::size_t kDirEntrySize = 128;
constexpr char kSignature[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};

std::uint32_t CeilDiv(std::uint64_t a, std::uint64_t b) {
  return static_cast<std::uint32_t>((a + b - 1) / b);
}

void PutDirectoryEntry(std::string& out, std::u16string_view name, std::uint8_t type,
                       std::uint32_t child, std::uint32_t start, std::uint32_t size) {
  const std::size_t begin = out.size();
  for (char16_t c : name) PutU16(out, c);
  out.resize(begin + 64, '\0');
  PutU16(out, name.empty() ? 0 : static_cast<std::uint16_t>((name.size() + 1) * 2));
  PutU8(out, type);
  // Black everywhere keeps the red-black rules trivially true.
  PutU8(out, type == 0 ? 0 : 1);
  PutU32(out, kNoStream);
  PutU32(out, kNoStream);
  PutU32(out, child);
  out.resize(begin + 116, '\0');  // CLSID, state bits, times
  PutU32(out, start);
  PutU32(out, size);
  PutU32(out, 0);  // high half of the size is unused in version 3
}

void Pad(std::ostream& out, std::size_t written, std::size_t unit) {
  static const char kZeros[kSectorSize] = {};
  const std::size_t rest = written % unit;
  if (rest != 0) out.write(kZeros, static_cast<std::streamsize>(unit - rest));
}

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? c - 32 : c; }

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

[[noreturn]] void Corrupt(const std::string& what) {
  throw XlsError("The file is not a readable Excel workbook (" + what + ").");
}

}  // namespace

CompoundFileLayout PlanCompoundFile(std::size_t stream_size) {
  CompoundFileLayout plan;
  if (stream_size > 0 && stream_size < kMiniStreamCutoff) {
    plan.in_mini_stream = true;
    plan.mini_sectors = CeilDiv(stream_size, kMiniSectorSize);
    plan.stream_sectors = CeilDiv(std::uint64_t{plan.mini_sectors} * kMiniSectorSize, kSectorSize);
    plan.mini_fat_sectors = CeilDiv(plan.mini_sectors, kEntriesPerFatSector);
  } else {
    plan.stream_sectors = CeilDiv(stream_size, kSectorSize);
  }
  const std::uint32_t data = plan.stream_sectors + plan.mini_fat_sectors + 1;  // + directory
  // FAT and DIFAT sectors need FAT entries themselves: iterate to a fixed point.
  std::uint32_t fat = 0, dif = 0;
  for (;;) {
    const std::uint32_t total = data + fat + dif;
    const std::uint32_t next_fat = CeilDiv(total, kEntriesPerFatSector);
    const std::uint32_t next_dif =
        next_fat <= kHeaderDifatSlots ? 0 : CeilDiv(next_fat - kHeaderDifatSlots, kEntriesPerDifatSector);
    if (next_fat == fat && next_dif == dif) break;
    fat = next_fat;
    dif = next_dif;
  }
  plan.fat_sectors = fat;
  plan.difat_sectors = dif;
  plan.total_sectors = data + fat + dif;
  return plan;
}

void WriteCompoundFile(std::ostream& out, std::u16string_view name, std::string_view stream) {
  if (name.size() > 31) throw XlsError("A compound file stream name holds at most 31 characters.");
  if (stream.size() > 0xFFFFFFFFu - kSectorSize) throw XlsError("The workbook is too large to save.");
  const CompoundFileLayout plan = PlanCompoundFile(stream.size());
  const std::uint32_t mini_fat_first = plan.stream_sectors;
  const std::uint32_t dir_sector = mini_fat_first + plan.mini_fat_sectors;
  const std::uint32_t fat_first = dir_sector + 1;
  const std::uint32_t dif_first = fat_first + plan.fat_sectors;

  std::vector<std::uint32_t> fat(std::size_t{plan.fat_sectors} * kEntriesPerFatSector, kFreeSect);
  auto chain = [&fat](std::uint32_t first, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) fat[first + i] = (i + 1 == count) ? kEndOfChain : first + i + 1;
  };
  chain(0, plan.stream_sectors);
  chain(mini_fat_first, plan.mini_fat_sectors);
  chain(dir_sector, 1);
  for (std::uint32_t i = 0; i < plan.fat_sectors; ++i) fat[fat_first + i] = kFatSect;
  for (std::uint32_t i = 0; i < plan.difat_sectors; ++i) fat[dif_first + i] = kDifSect;

  std::string header;
  header.reserve(kSectorSize);
  header.append(kSignature, 8);
  header.append(16, '\0');
  PutU16(header, 0x003E);
  PutU16(header, 0x0003);
  PutU16(header, 0xFFFE);
  PutU16(header, 9);
  PutU16(header, 6);
  header.append(6, '\0');
  PutU32(header, 0);  // directory sector count: always 0 in version 3
  PutU32(header, plan.fat_sectors);
  PutU32(header, dir_sector);
  PutU32(header, 0);
  PutU32(header, kMiniStreamCutoff);
  PutU32(header, plan.mini_fat_sectors ? mini_fat_first : kEndOfChain);
  PutU32(header, plan.mini_fat_sectors);
  PutU32(header, plan.difat_sectors ? dif_first : kEndOfChain);
  PutU32(header, plan.difat_sectors);
  for (std::uint32_t i = 0; i < kHeaderDifatSlots; ++i)
    PutU32(header, i < plan.fat_sectors ? fat_first + i : kFreeSect);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));

  out.write(stream.data(), static_cast<std::streamsize>(stream.size()));
  Pad(out, stream.size(), kSectorSize);

  if (plan.in_mini_stream) {
    std::string mini_fat;
    for (std::uint32_t i = 0; i < plan.mini_sectors; ++i)
      PutU32(mini_fat, i + 1 == plan.mini_sectors ? kEndOfChain : i + 1);
    while (mini_fat.size() < std::size_t{plan.mini_fat_sectors} * kSectorSize) PutU32(mini_fat, kFreeSect);
    out.write(mini_fat.data(), static_cast<std::streamsize>(mini_fat.size()));
  }

  std::string dir;
  dir.reserve(kSectorSize);
  const bool has_mini = plan.in_mini_stream;
  PutDirectoryEntry(dir, u"Root Entry", 5, 1, has_mini ? 0 : kEndOfChain,
                    has_mini ? plan.mini_sectors * static_cast<std::uint32_t>(kMiniSectorSize) : 0);
  PutDirectoryEntry(dir, name, 2, kNoStream, stream.empty() ? kEndOfChain : 0,
                    static_cast<std::uint32_t>(stream.size()));
  while (dir.size() < kSectorSize) PutDirectoryEntry(dir, u"", 0, kNoStream, 0, 0);
  out.write(dir.data(), static_cast<std::streamsize>(dir.size()));

  std::string table;
  table.reserve(fat.size() * 4);
  for (std::uint32_t v : fat) PutU32(table, v);
  for (std::uint32_t d = 0; d < plan.difat_sectors; ++d) {
    for (std::uint32_t i = 0; i < kEntriesPerDifatSector; ++i) {
      const std::uint64_t k = kHeaderDifatSlots + std::uint64_t{d} * kEntriesPerDifatSector + i;
      PutU32(table, k < plan.fat_sectors ? fat_first + static_cast<std::uint32_t>(k) : kFreeSect);
    }
    PutU32(table, d + 1 == plan.difat_sectors ? kEndOfChain : dif_first + d + 1);
  }
  out.write(table.data(), static_cast<std::streamsize>(table.size()));
}

std::string BuildCompoundFile(std::u16string_view name, std::string_view stream) {
  std::ostringstream out(std::ios::binary);
  WriteCompoundFile(out, name, stream);
  return std::move(out).str();
}

CompoundFileReader::CompoundFileReader(std::string bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() < kSectorSize || bytes_.compare(0, 8, kSignature, 8) != 0)
    Corrupt("no compound file signature");
  if (GetU16(bytes_, 28) != 0xFFFE) Corrupt("bad byte order mark");
  const std::uint16_t shift = GetU16(bytes_, 30);
  if (shift != 9 && shift != 12) Corrupt("unsupported sector size");
  if (GetU16(bytes_, 32) != 6) Corrupt("unsupported mini sector size");
  sector_size_ = std::size_t{1} << shift;
  // Some writers leave the last sector short; treat the missing tail as zeros.
  if (bytes_.size() % sector_size_ != 0) bytes_.resize(bytes_.size() + sector_size_ - bytes_.size() % sector_size_, '\0');
  const std::uint32_t sector_count = static_cast<std::uint32_t>(bytes_.size() / sector_size_ - 1);
  const std::uint32_t per_sector = static_cast<std::uint32_t>(sector_size_ / 4);

  const std::uint32_t fat_count = GetU32(bytes_, 44);
  if (fat_count > sector_count) Corrupt("FAT larger than the file");
  std::vector<std::uint32_t> fat_sectors;
  for (std::uint32_t i = 0; i < kHeaderDifatSlots && fat_sectors.size() < fat_count; ++i)
    fat_sectors.push_back(GetU32(bytes_, 76 + 4 * i));
  std::uint32_t dif = GetU32(bytes_, 68);
  for (std::uint32_t steps = 0; fat_sectors.size() < fat_count; ++steps) {
    if (dif >= sector_count || steps > sector_count) Corrupt("broken DIFAT chain");
    const std::string_view s = Sector(dif);
    for (std::uint32_t i = 0; i + 1 < per_sector && fat_sectors.size() < fat_count; ++i)
      fat_sectors.push_back(GetU32(s, 4 * i));
    dif = GetU32(s, sector_size_ - 4);
  }
  fat_.reserve(std::size_t{fat_count} * per_sector);
  for (std::uint32_t n : fat_sectors) {
    if (n >= sector_count) Corrupt("FAT sector outside the file");
    const std::string_view s = Sector(n);
    for (std::uint32_t i = 0; i < per_sector; ++i) fat_.push_back(GetU32(s, 4 * i));
  }

  for (std::uint32_t n : Chain(GetU32(bytes_, 48), fat_)) {
    const std::string_view s = Sector(n);
    for (std::size_t at = 0; at + kDirEntrySize <= s.size(); at += kDirEntrySize) {
      DirectoryEntry e;
      const std::uint16_t name_bytes = GetU16(s, at + 64);
      if (name_bytes > 64 || name_bytes % 2 != 0) Corrupt("bad directory entry name");
      for (std::size_t i = 0; i + 1 < name_bytes / 2u; ++i) e.name.push_back(GetU16(s, at + 2 * i));
      e.type = GetU8(s, at + 66);
      e.color = GetU8(s, at + 67);
      e.left = GetU32(s, at + 68);
      e.right = GetU32(s, at + 72);
      e.child = GetU32(s, at + 76);
      e.start = GetU32(s, at + 116);
      e.size = GetU32(s, at + 120);
      if (shift != 9) e.size |= std::uint64_t{GetU32(s, at + 124)} << 32;
      entries_.push_back(std::move(e));
    }
  }
  if (entries_.empty() || entries_[0].type != 5) Corrupt("no root entry");

  mini_cutoff_ = GetU32(bytes_, 56);
  for (std::uint32_t n : Chain(GetU32(bytes_, 60), fat_)) {
    const std::string_view s = Sector(n);
    for (std::uint32_t i = 0; i < per_sector; ++i) mini_fat_.push_back(GetU32(s, 4 * i));
  }
  if (entries_[0].size > 0) mini_stream_ = ReadChain(entries_[0].start, entries_[0].size);
}

std::string_view CompoundFileReader::Sector(std::uint32_t n) const {
  if ((std::size_t{n} + 2) * sector_size_ > bytes_.size()) Corrupt("sector outside the file");
  return std::string_view(bytes_).substr((std::size_t{n} + 1) * sector_size_, sector_size_);
}

std::vector<std::uint32_t> CompoundFileReader::Chain(std::uint32_t start,
                                                     const std::vector<std::uint32_t>& table) const {
  std::vector<std::uint32_t> chain;
  for (std::uint32_t n = start; n != kEndOfChain && n != kFreeSect; n = table[n]) {
    if (n >= table.size() || chain.size() >= table.size()) Corrupt("broken sector chain");
    chain.push_back(n);
  }
  return chain;
}

std::string CompoundFileReader::ReadChain(std::uint32_t start, std::uint64_t size) const {
  const std::uint32_t sector_count = static_cast<std::uint32_t>(bytes_.size() / sector_size_ - 1);
  std::string out;
  out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes_.size())));
  for (std::uint32_t n : Chain(start, fat_)) {
    if (out.size() >= size) break;
    if (n >= sector_count) Corrupt("stream sector outside the file");
    out.append(Sector(n));
  }
  if (out.size() < size) Corrupt("stream shorter than its directory entry says");
  out.resize(static_cast<std::size_t>(size));
  return out;
}

std::optional<std::string> CompoundFileReader::ReadStream(std::u16string_view name) const {
  // Walk the root's children tree; the visit count bounds a looping tree.
  std::vector<std::uint32_t> pending{entries_[0].child};
  std::size_t visits = 0;
  while (!pending.empty()) {
    const std::uint32_t id = pending.back();
    pending.pop_back();
    if (id == kNoStream) continue;
    if (id >= entries_.size() || ++visits > entries_.size()) Corrupt("broken directory tree");
    const DirectoryEntry& e = entries_[id];
    pending.push_back(e.left);
    pending.push_back(e.right);
    if (e.type != 2 || !SameNameIgnoringCase(e.name, name)) continue;
    if (e.size >= mini_cutoff_) return ReadChain(e.start, e.size);
    std::string out;
    out.reserve(static_cast<std::size_t>(e.size));
    for (std::uint32_t m : Chain(e.start, mini_fat_)) {
      if (out.size() >= e.size) break;
      const std::size_t at = std::size_t{m} * kMiniSectorSize;
      if (at + kMiniSectorSize > mini_stream_.size()) Corrupt("mini sector outside the mini stream");
      out.append(mini_stream_, at, kMiniSectorSize);
    }
    if (out.size() < e.size) Corrupt("stream shorter than its directory entry says");
    out.resize(static_cast<std::size_t>(e.size));
    return out;
  }
  return std::nullopt;
}

}  // namespace kinsheet::xls
