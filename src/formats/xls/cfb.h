// The Compound File container (version 3, 512-byte sectors) that holds the
// Workbook stream: a writer for one stream in the root storage and a reader
// for any conforming file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kinsheet::xls {

inline constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
inline constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
inline constexpr std::size_t kSectorSize = 512;
inline constexpr std::size_t kMiniSectorSize = 64;
// Streams shorter than this live in the mini stream; 4096 itself does not.
inline constexpr std::size_t kMiniStreamCutoff = 4096;
inline constexpr std::size_t kHeaderDifatSlots = 109;

// Sector counts of a planned file, exposed so tests can check the layout.
struct CompoundFileLayout {
  bool in_mini_stream = false;
  std::uint32_t stream_sectors = 0;  // FAT sectors holding the stream or the mini stream
  std::uint32_t mini_sectors = 0;
  std::uint32_t mini_fat_sectors = 0;
  std::uint32_t fat_sectors = 0;
  std::uint32_t difat_sectors = 0;
  std::uint32_t total_sectors = 0;
};

CompoundFileLayout PlanCompoundFile(std::size_t stream_size);

// Writes a compound file whose root storage holds the single stream `name`.
// The stream goes straight from `stream` to `out`; nothing is copied.
void WriteCompoundFile(std::ostream& out, std::u16string_view name, std::string_view stream);
std::string BuildCompoundFile(std::u16string_view name, std::string_view stream);

struct DirectoryEntry {
  std::u16string name;
  std::uint8_t type = 0;  // 0 unused, 1 storage, 2 stream, 5 root
  std::uint8_t color = 0;
  std::uint32_t left = kNoStream;
  std::uint32_t right = kNoStream;
  std::uint32_t child = kNoStream;
  std::uint32_t start = kEndOfChain;
  std::uint64_t size = 0;
};

// Parses the container once; streams are then read on demand. Throws
// XlsError for anything that is not a sound compound file.
class CompoundFileReader {
 public:
  explicit CompoundFileReader(std::string bytes);

  const std::vector<DirectoryEntry>& entries() const { return entries_; }
  const std::vector<std::uint32_t>& fat() const { return fat_; }
  std::size_t sector_size() const { return sector_size_; }

  // A stream of the root storage by name, compared without regard to case.
  std::optional<std::string> ReadStream(std::u16string_view name) const;

 private:
  std::string_view Sector(std::uint32_t n) const;
  std::vector<std::uint32_t> Chain(std::uint32_t start, const std::vector<std::uint32_t>& table) const;
  std::string ReadChain(std::uint32_t start, std::uint64_t size) const;

  std::string bytes_;
  std::size_t sector_size_ = kSectorSize;
  std::uint32_t mini_cutoff_ = kMiniStreamCutoff;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> mini_fat_;
  std::vector<DirectoryEntry> entries_;
  std::string mini_stream_;
};

}  // namespace kinsheet::xls
