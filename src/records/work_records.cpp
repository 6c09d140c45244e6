// Field layout of the work-file records and the id tables' storage.
#include "records/work_records.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

constexpr std::array<FieldSlot, 22> kIndiSlots = {{
    {0, 24},     // IndiId
    {24, 14},    // Afn
    {38, 120},   // FullName
    {158, 120},  // Surname
    {278, 120},  // GivenName
    {398, 120},  // Title
    {518, 120},  // Nickname
    {638, 120},  // NamePrefix
    {758, 120},  // NameSuffix
    {878, 1},    // Sex
    {879, 100},  // BirthDate
    {979, 100},  // BirthPlace
    {1079, 100}, // ChrDate
    {1179, 100}, // ChrPlace
    {1279, 100}, // DeathDate
    {1379, 100}, // DeathPlace
    {1479, 100}, // BurialDate
    {1579, 100}, // BurialPlace
    {1679, 24},  // Famc
    {1703, 24},  // Fams1
    {1727, 24},  // Fams2
    {1751, 24},  // Fams3 (ends at 1775; FamsCount follows)
}};

constexpr std::array<FieldSlot, 5> kFamSlots = {{
    {0, 24},    // FamId
    {24, 24},   // HusbandId
    {48, 24},   // WifeId
    {72, 100},  // MarriageDate
    {172, 100}, // MarriagePlace (ends at 272; ChildCount follows)
}};

static_assert(1751 + 24 + 2 == kIndividualRecordLength);
static_assert(172 + 100 + 2 == kFamilyRecordLength);
static_assert(kIndiSlots.size() <= kMaxFields && kFamSlots.size() <= kMaxFields);
// A field's end is kept in a byte.
static_assert(std::ranges::all_of(kIndiSlots, [](FieldSlot s) { return s.width <= 255; }) &&
              std::ranges::all_of(kFamSlots, [](FieldSlot s) { return s.width <= 255; }));

// Returns where the value ends in the field: its stored bytes less any
// spaces it ended with.
std::size_t StoreFixed(char* dest, int width, std::string_view value) {
  std::size_t n = text::FitBytes(value, static_cast<std::size_t>(width));
  std::memcpy(dest, value.data(), n);
  std::memset(dest + n, ' ', static_cast<std::size_t>(width) - n);
  while (n > 0 && value[n - 1] == ' ') --n;
  return n;
}

// Ids are short: a word at a time, then a full avalanche so that ids which
// differ only in their last digit spread over the whole table.
std::uint32_t HashId(std::string_view id) {
  constexpr std::uint64_t kMul = 0xFF51AFD7ED558CCDULL;
  std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ id.size();
  std::size_t i = 0;
  for (; i + 8 <= id.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, id.data() + i, 8);
    h = (h ^ word) * kMul;
    h ^= h >> 32;
  }
  if (i < id.size()) {
    std::uint64_t word = 0;
    std::memcpy(&word, id.data() + i, id.size() - i);
    h = (h ^ word) * kMul;
  }
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ULL;
  h ^= h >> 33;
  return static_cast<std::uint32_t>(h);
}

constexpr std::uint64_t kEmptySlot = 0;
constexpr int kChunkBits = 16;
constexpr std::int32_t kChunkMask = (1 << kChunkBits) - 1;
constexpr std::size_t kFirstIndexSize = 1024;

}  // namespace

FieldSlot SlotOf(IndiField field) { return kIndiSlots[static_cast<int>(field)]; }
FieldSlot SlotOf(FamField field) { return kFamSlots[static_cast<int>(field)]; }


template <int Length, typename Field>
void FixedRecord<Length, Field>::Set(Field field, std::string_view value) {
  const FieldSlot s = SlotOf(field);
  ends_[static_cast<std::size_t>(field)] =
      static_cast<std::uint8_t>(StoreFixed(bytes_.data() + s.offset, s.width, value));
  if (value.size() > static_cast<std::size_t>(s.width)) cut_ = true;
}

template class FixedRecord<kIndividualRecordLength, IndiField>;
template class FixedRecord<kFamilyRecordLength, FamField>;

RecordLimitError::RecordLimitError() : LoadStopError(msg::kTooManyRecords) {}

bool IsOutOfSpace(const std::exception& e) {
  const auto* file = dynamic_cast<const FileError*>(&e);
  return file != nullptr && (file->os_error() == ENOSPC || file->os_error() == EDQUOT);
}

IdTable::IdTable(int extra_ids) : ids_per_entry_(1 + extra_ids) {}

void IdTable::Reset() {
  fill_ = 0;
  chunks_.clear();
  chunks_.shrink_to_fit();
  slots_.clear();
  slots_.shrink_to_fit();
  keys_ = 0;
}

char* IdTable::Slot(std::int32_t n, int which) {
  return chunks_[static_cast<std::size_t>(n >> kChunkBits)].get() +
         (static_cast<std::size_t>(n & kChunkMask) * ids_per_entry_ + which) * kIdWidth;
}
const char* IdTable::Slot(std::int32_t n, int which) const {
  return chunks_[static_cast<std::size_t>(n >> kChunkBits)].get() +
         (static_cast<std::size_t>(n & kChunkMask) * ids_per_entry_ + which) * kIdWidth;
}

void IdTable::Append(std::string_view id) {
  if (fill_ == kMaxRecordNumber) throw RecordLimitError();
  const std::int32_t n = fill_ + 1;
  if (static_cast<std::size_t>(n >> kChunkBits) == chunks_.size()) {
    // Left unwritten: pages are only touched as entries fill them.
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(
        (static_cast<std::size_t>(kChunkMask) + 1) * ids_per_entry_ * kIdWidth));
  }
  fill_ = n;
  char* slot = Slot(fill_, 0);
  StoreFixed(slot, kIdWidth, id);
  for (int k = 1; k < ids_per_entry_; ++k) std::memset(Slot(fill_, k), ' ', kIdWidth);
  const std::string_view key = Key(fill_);
  if (key.empty()) return;
  if ((keys_ + 1) * 10 > slots_.size() * 7) GrowIndex();
  const std::uint32_t hash = HashId(key);
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  for (; slots_[i] != kEmptySlot; i = (i + 1) & mask) {
    const std::uint64_t s = slots_[i];
    if ((s >> 32) == hash && Key(static_cast<std::int32_t>(s & 0xFFFFFFFFu)) == key) {
      return;  // an earlier entry has this id: the first one stays
    }
  }
  slots_[i] = (std::uint64_t{hash} << 32) | static_cast<std::uint32_t>(fill_);
  ++keys_;
}

std::string_view IdTable::Key(std::int32_t n) const {
  return TrimSpaces(std::string_view(Slot(n, 0), kIdWidth));
}

void IdTable::GrowIndex() {
  std::vector<std::uint64_t> bigger(std::max(kFirstIndexSize, slots_.size() * 2), kEmptySlot);
  const std::size_t mask = bigger.size() - 1;
  // Rehash from the stored hashes: no id is read again.
  for (const std::uint64_t s : slots_) {
    if (s == kEmptySlot) continue;
    std::size_t i = (s >> 32) & mask;
    while (bigger[i] != kEmptySlot) i = (i + 1) & mask;
    bigger[i] = s;
  }
  slots_.swap(bigger);
}

void IdTable::SetExtra(std::int32_t n, int which, std::string_view id) {
  if (n < 1 || n > fill_) {
    throw std::out_of_range(std::string(msg::kSubscriptOutOfRange) + " (entry " +
                            std::to_string(n) + ")");
  }
  StoreFixed(Slot(n, which), kIdWidth, id);
}

std::string_view IdTable::Id(std::int32_t n) const { return Extra(n, 0); }

std::string_view IdTable::Extra(std::int32_t n, int which) const {
  static const std::string kBlank(kIdWidth, ' ');
  if (n < 1 || n > fill_) return kBlank;  // an entry never stored is blank
  return std::string_view(Slot(n, which), kIdWidth);
}

std::int32_t IdTable::FirstWith(std::string_view key) const {
  // A stored id never passes the width, so a longer one cannot match.
  if (key.empty() || key.size() > static_cast<std::size_t>(kIdWidth) || slots_.empty()) return 0;
  const std::uint32_t hash = HashId(key);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask; slots_[i] != kEmptySlot; i = (i + 1) & mask) {
    const std::uint64_t s = slots_[i];
    if ((s >> 32) != hash) continue;
    const auto n = static_cast<std::int32_t>(s & 0xFFFFFFFFu);
    if (Key(n) == key) return n;
  }
  return 0;
}

std::optional<std::int32_t> IdTable::Find(std::string_view id,
                                          std::int32_t record_count) const {
  const std::string_view key = TrimSpaces(id);
  if (key.empty()) return std::nullopt;
  if (const std::int32_t n = FirstWith(key); n != 0 && n <= record_count) return n;
  return std::nullopt;
}

void ReadIndividual(IndividualRecord& record, File& individuals, std::int32_t n) {
  individuals.GetRecord(n, record.data());
}

void ReadFamily(FamilyRecord& record, File& families, std::int32_t n) {
  families.GetRecord(n, record.data());
}

IndividualView ViewIndividual(File& individuals, std::int32_t n, IndividualRecord& scratch) {
  return IndividualView(individuals.ViewRecord(n, scratch.data()));
}

IndividualView ViewIndividual(File& individuals, std::int32_t n, char* scratch) {
  return IndividualView(individuals.ViewRecord(n, scratch));
}

IndividualView ViewIndividual(File& individuals, std::int32_t n, char* scratch,
                              const FieldEndsTable& ends) {
  return IndividualView(individuals.ViewRecord(n, scratch), ends.Find(n));
}

void FieldEndsTable::Reset() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  fill_ = 0;
}

void FieldEndsTable::Store(std::int32_t n, const FieldEnds& ends) {
  if (n < 1 || n > fill_ + 1) return;  // a gap would leave records unknown
  if (static_cast<std::size_t>(n >> kChunkBits) == chunks_.size()) {
    chunks_.push_back(std::make_unique_for_overwrite<FieldEnds[]>(static_cast<std::size_t>(kChunkMask) + 1));
  }
  chunks_[static_cast<std::size_t>(n >> kChunkBits)][static_cast<std::size_t>(n & kChunkMask)] = ends;
  if (n > fill_) fill_ = n;
}

const FieldEnds* FieldEndsTable::Find(std::int32_t n) const {
  if (n < 1 || n > fill_) return nullptr;
  return &chunks_[static_cast<std::size_t>(n >> kChunkBits)][static_cast<std::size_t>(n & kChunkMask)];
}

}  // namespace kinsheet
