// The work-file records (packed, one after another, found through an index
// of where each starts), the working copies the processors fill, and the id
// tables through which rows find parents and spouses.
#pragma once

#include <endian.h>

#include <array>
#include <cstring>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/file_open.h"
#include "text/text_routines.h"

namespace kinsheet {

// The work files hold packed records of varying length, addressed by byte
// through a RecordIndex: they are opened with records of one byte.
inline constexpr std::int32_t kWorkFileUnit = 1;
// Records of each kind are numbered in 32 bits: the most a load can hold.
inline constexpr std::int32_t kMaxRecordNumber = INT32_MAX;

// Text fields of an individual record, in file order.
enum class IndiField {
  kIndiId, kAfn, kFullName, kSurname, kGivenName, kTitle, kNickname, kNamePrefix,
  kNameSuffix, kSex, kBirthDate, kBirthPlace, kChrDate, kChrPlace, kDeathDate,
  kDeathPlace, kBurialDate, kBurialPlace, kFamc, kFams1, kFams2, kFams3,
};
enum class FamField { kFamId, kHusbandId, kWifeId, kMarriageDate, kMarriagePlace };
inline constexpr int kIndiFieldCount = 22;
inline constexpr int kFamFieldCount = 5;

// The most characters a field keeps (a longer value is cut, never between
// a letter and its accents); 0: no limit, as for ids, which must never
// merge by a cut.
int CharacterLimit(IndiField field);
int CharacterLimit(FamField field);

// A record as it lies in its work file: the 16-bit count, where each field
// ends (32 bits each, counted from the first field's start), then the
// fields' bytes, trimmed, one after the other. Most fields are empty, so a
// person takes a tenth of the room a padded layout would.
template <typename Field, int FieldCount>
class PackedRecordView {
 public:
  static constexpr std::size_t kHeaderBytes = 2 + 4 * FieldCount;
  PackedRecordView() = default;
  // `bytes` hold a whole packed record of `size` bytes.
  PackedRecordView(const char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  std::string_view Trimmed(Field field) const {
    const auto f = static_cast<std::size_t>(field);
    const std::uint32_t begin = f == 0 ? 0 : End(f - 1);
    const std::uint32_t end = End(f);
    // A damaged record gives empty fields rather than bytes outside it.
    if (bytes_ == nullptr || begin > end || kHeaderBytes + end > size_) return {};
    return std::string_view(bytes_ + kHeaderBytes + begin, end - begin);
  }
  std::int16_t Count() const {
    if (bytes_ == nullptr || size_ < 2) return 0;
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes_[0]) |
                                     (static_cast<unsigned char>(bytes_[1]) << 8));
  }

 private:
  std::uint32_t End(std::size_t f) const {
    if (bytes_ == nullptr || size_ < kHeaderBytes) return 0;
    std::uint32_t end;
    std::memcpy(&end, bytes_ + 2 + 4 * f, 4);
    return le32toh(end);
  }
  const char* bytes_ = nullptr;
  std::size_t size_ = 0;
};

// The working copy of a record while the loader fills it.
template <typename Field, int FieldCount>
class WorkRecord {
 public:
  WorkRecord() { Clear(); }
  void Clear() {
    for (std::string& v : values_) v.clear();
    count_ = 0;
  }
  // Cut at the field's character limit, then trimmed of spaces.
  void Set(Field field, std::string_view value);
  // True once after a Set whose value was longer than its field's limit.
  bool TakeCut() {
    const bool cut = cut_;
    cut_ = false;
    return cut;
  }
  std::string_view Trimmed(Field field) const { return values_[static_cast<std::size_t>(field)]; }
  bool IsBlank(Field field) const { return values_[static_cast<std::size_t>(field)].empty(); }
  std::int16_t Count() const { return count_; }
  void SetCount(std::int16_t value) { count_ = value; }
  // The record in its work-file form; good until the next Pack.
  std::string_view Pack();

 private:
  std::array<std::string, FieldCount> values_;
  std::int16_t count_ = 0;
  std::string packed_;
  bool cut_ = false;
};

using IndividualRecord = WorkRecord<IndiField, kIndiFieldCount>;
using FamilyRecord = WorkRecord<FamField, kFamFieldCount>;
using IndividualView = PackedRecordView<IndiField, kIndiFieldCount>;
using FamilyView = PackedRecordView<FamField, kFamFieldCount>;

// Ends a whole load rather than one line: the processors let it through.
class LoadStopError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Thrown when a file has more records of one kind than record numbers
// allow: the load stops there.
class RecordLimitError : public LoadStopError {
 public:
  RecordLimitError();
};

// Thrown when the work files cannot grow because their folder's disk is
// full: every further record would fail the same way.
class WorkFolderFullError : public LoadStopError {
 public:
  explicit WorkFolderFullError(const std::string& why) : LoadStopError(why) {}
};

// True when `e` is a file error saying the disk or the user's quota is full.
bool IsOutOfSpace(const std::exception& e);

// An id table: entries 1, 2, ... of ids of any length (and `extra_ids` more
// per entry), growing as entries come, with a hash index that answers what
// a scan from entry 1 would (the first match wins). The index is flat (open
// addressing, linear probing) and names entries by number, so a probe
// touches one array and at most the id it compares.
class IdTable {
 public:
  explicit IdTable(int extra_ids);

  // Drops every entry and gives their memory back.
  void Reset();
  std::int32_t fill() const { return fill_; }

  // Stores `id` at the next entry. Throws RecordLimitError when entry
  // numbers are exhausted (the entry count then stays as it was).
  void Append(std::string_view id);
  // Sets extra id `which` (1 and up; 0 is the entry's own id) of entry n.
  void SetExtra(std::int32_t n, int which, std::string_view id);
  std::string_view Id(std::int32_t n) const;
  std::string_view Extra(std::int32_t n, int which) const;

  // The first entry 1..record_count whose trimmed id equals the trimmed
  // `id`. An empty id finds nothing.
  std::optional<std::int32_t> Find(std::string_view id, std::int32_t record_count) const;

 private:
  // An id's place in the text store: chunk, offset and length; 0 is the
  // empty id.
  std::uint64_t& Ref(std::int32_t n, int which);
  std::uint64_t Ref(std::int32_t n, int which) const;
  std::uint64_t StoreText(std::string_view id);
  std::string_view Text(std::uint64_t ref) const;

  // The trimmed id of entry n.
  std::string_view Key(std::int32_t n) const;
  // The first entry whose trimmed id is `key`; 0 when none.
  std::int32_t FirstWith(std::string_view key) const;
  void GrowIndex();

  int ids_per_entry_;
  std::int32_t fill_ = 0;
  // Entries' references in chunks of a fixed count, and the ids' bytes in
  // chunks of their own, added as entries come: growing never moves an
  // entry or an id, and memory follows the file.
  std::vector<std::unique_ptr<std::uint64_t[]>> refs_;
  std::vector<std::unique_ptr<char[]>> texts_;
  std::size_t text_used_ = 0;  // in the last chunk of texts_
  // Each slot: the key's 32-bit hash in the upper half, its first entry's
  // number in the lower (0: empty). At most 7/10 full.
  std::vector<std::uint64_t> slots_;
  std::size_t keys_ = 0;
};

// Where each record of a work file starts, by record number: 8 bytes a
// record, in chunks, so that growing never copies. Records are written in
// number order, each once (the last may be written again).
class RecordIndex {
 public:
  void Reset();
  std::int32_t fill() const { return fill_; }
  // Where the next record goes.
  std::int64_t end() const { return end_; }
  // Record n of `size` bytes starts at end(): n is the last record again
  // or the one after it.
  void Store(std::int32_t n, std::int64_t size);
  // Start and size of record n; false when it was never stored.
  bool Find(std::int32_t n, std::int64_t& start, std::size_t& size) const;

 private:
  std::int64_t& Start(std::int32_t n);
  std::int64_t Start(std::int32_t n) const;
  std::vector<std::unique_ptr<std::int64_t[]>> chunks_;
  std::int32_t fill_ = 0;
  std::int64_t end_ = 0;
};

// Writes the working record as record n of its file.
void PutWorkRecord(File& file, RecordIndex& index, std::int32_t n, std::string_view packed);

// Record n in place when its file is mapped, else read into `scratch`; good
// until the next write to the file or the next use of the scratch. A
// record never stored reads as an empty one.
IndividualView ViewIndividual(File& individuals, const RecordIndex& index, std::int32_t n,
                              std::string& scratch);
FamilyView ViewFamily(File& families, const RecordIndex& index, std::int32_t n, std::string& scratch);

}  // namespace kinsheet
