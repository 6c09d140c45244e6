// The two fixed-length work-file records, the working copies the processors
// fill, and the id tables through which rows find parents and spouses.
#pragma once

#include <array>
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

inline constexpr int kIndividualRecordLength = 1777;
inline constexpr int kFamilyRecordLength = 274;
inline constexpr int kIdWidth = 24;
// Records of each kind are numbered in 32 bits: the most a load can hold.
inline constexpr std::int32_t kMaxRecordNumber = INT32_MAX;

struct FieldSlot {
  int offset;
  int width;
};

// Text fields of an individual record, in file order.
enum class IndiField {
  kIndiId, kAfn, kFullName, kSurname, kGivenName, kTitle, kNickname, kNamePrefix,
  kNameSuffix, kSex, kBirthDate, kBirthPlace, kChrDate, kChrPlace, kDeathDate,
  kDeathPlace, kBurialDate, kBurialPlace, kFamc, kFams1, kFams2, kFams3,
};
enum class FamField { kFamId, kHusbandId, kWifeId, kMarriageDate, kMarriagePlace };

FieldSlot SlotOf(IndiField field);
FieldSlot SlotOf(FamField field);

// Where each text field's value ends within the field (the padding
// after it is all spaces), kept beside the bytes so that reading a field
// need not scan its padding. Fields are at most 120 bytes.
inline constexpr int kMaxFields = 22;
using FieldEnds = std::array<std::uint8_t, kMaxFields>;

// The fields of a record's bytes, wherever they are: a working record, or a
// record seen in place in its work file, with the ends of its fields when
// they are known.
template <int Length, typename Field>
class FixedRecordView {
 public:
  explicit FixedRecordView(const char* bytes, const FieldEnds* ends = nullptr)
      : bytes_(bytes), ends_(ends) {}
  std::string_view Raw(Field field) const {
    const FieldSlot s = SlotOf(field);
    return std::string_view(bytes_ + s.offset, static_cast<std::size_t>(s.width));
  }
  std::string_view Trimmed(Field field) const {
    if (ends_ == nullptr) return TrimSpaces(Raw(field));
    const FieldSlot s = SlotOf(field);
    return TrimSpaces(std::string_view(bytes_ + s.offset, (*ends_)[static_cast<std::size_t>(field)]));
  }

 private:
  const char* bytes_;
  const FieldEnds* ends_;
};

// A record is its bytes: what is in memory is what goes to disk.
template <int Length, typename Field>
class FixedRecord {
 public:
  FixedRecord() { Clear(); }
  void Clear() {
    bytes_.fill(' ');
    bytes_[Length - 2] = 0;
    bytes_[Length - 1] = 0;
    ends_.fill(0);
    ends_known_ = true;
  }
  // Left-aligned, space-padded, cut at the width (never inside a UTF-8
  // character when the value is valid UTF-8).
  void Set(Field field, std::string_view value);
  // True once after a Set whose value was longer than its field.
  bool TakeCut() {
    const bool cut = cut_;
    cut_ = false;
    return cut;
  }
  std::string_view Raw(Field field) const { return View().Raw(field); }
  std::string_view Trimmed(Field field) const { return View().Trimmed(field); }
  bool IsBlank(Field field) const { return Trimmed(field).empty(); }

  // The 16-bit little-endian count in the last two bytes.
  std::int16_t Count() const {
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes_[Length - 2]) |
                                     (static_cast<unsigned char>(bytes_[Length - 1]) << 8));
  }
  void SetCount(std::int16_t value) {
    bytes_[Length - 2] = static_cast<char>(value & 0xFF);
    bytes_[Length - 1] = static_cast<char>((static_cast<std::uint16_t>(value) >> 8) & 0xFF);
  }

  FixedRecordView<Length, Field> View() const { return FixedRecordView<Length, Field>(bytes_.data(), Ends()); }
  // The field ends, while every byte came through Clear and Set.
  const FieldEnds* Ends() const { return ends_known_ ? &ends_ : nullptr; }
  // Bytes written from outside (a record read from its file) have ends
  // nobody measured.
  char* data() {
    ends_known_ = false;
    return bytes_.data();
  }
  const char* data() const { return bytes_.data(); }
  static constexpr int length() { return Length; }

 private:
  std::array<char, Length> bytes_;
  FieldEnds ends_;
  bool ends_known_ = true;
  bool cut_ = false;
};

using IndividualRecord = FixedRecord<kIndividualRecordLength, IndiField>;
using FamilyRecord = FixedRecord<kFamilyRecordLength, FamField>;
using IndividualView = FixedRecordView<kIndividualRecordLength, IndiField>;

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

// An id table: entries 1, 2, ... of 24-character ids (and `extra_ids` more
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
  char* Slot(std::int32_t n, int which);
  const char* Slot(std::int32_t n, int which) const;

  // The trimmed id of entry n.
  std::string_view Key(std::int32_t n) const;
  // The first entry whose trimmed id is `key`; 0 when none.
  std::int32_t FirstWith(std::string_view key) const;
  void GrowIndex();

  int ids_per_entry_;
  std::int32_t fill_ = 0;
  // Entries in chunks of a fixed count, added as entries come: growing
  // never moves an entry, and memory follows the file.
  std::vector<std::unique_ptr<char[]>> chunks_;
  // Each slot: the key's 32-bit hash in the upper half, its first entry's
  // number in the lower (0: empty). At most 7/10 full.
  std::vector<std::uint64_t> slots_;
  std::size_t keys_ = 0;
};

// The field ends of every individual record a load wrote, by record
// number: 22 bytes a person, in chunks, so that growing never copies.
class FieldEndsTable {
 public:
  void Reset();
  // Record n's ends as it is written: n is at most one past the last.
  void Store(std::int32_t n, const FieldEnds& ends);
  // Null when record n's ends were never stored.
  const FieldEnds* Find(std::int32_t n) const;

 private:
  std::vector<std::unique_ptr<FieldEnds[]>> chunks_;
  std::int32_t fill_ = 0;
};

// ReadIndividual / ReadFamily: record n of a work file into a working record.
void ReadIndividual(IndividualRecord& record, File& individuals, std::int32_t n);
void ReadFamily(FamilyRecord& record, File& families, std::int32_t n);
// Individual record n in place when its file is mapped, else read into
// `scratch`; good until the next write to the file. A row reads every
// person's own record once: this spares copying each one.
IndividualView ViewIndividual(File& individuals, std::int32_t n, IndividualRecord& scratch);
// The same with a buffer of kIndividualRecordLength bytes as the scratch,
// for the relatives a row looks up beside the person's own record.
IndividualView ViewIndividual(File& individuals, std::int32_t n, char* scratch);
// Either view with the ends the load stored for record n, when it did.
IndividualView ViewIndividual(File& individuals, std::int32_t n, char* scratch,
                              const FieldEndsTable& ends);

}  // namespace kinsheet
