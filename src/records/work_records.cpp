// Field layout of the work-file records and the id tables' storage.
#include "records/work_records.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/encoding.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

// Characters each field keeps; the ids keep all of theirs.
constexpr std::array<int, kIndiFieldCount> kIndiLimits = {
    0,    // IndiId
    14,   // Afn
    120,  // FullName
    120,  // Surname
    120,  // GivenName
    120,  // Title
    120,  // Nickname
    120,  // NamePrefix
    120,  // NameSuffix
    1,    // Sex
    100, 100, 100, 100, 100, 100, 100, 100,  // dates and places of the four events
    0, 0, 0, 0,  // Famc, Fams1..3
};
constexpr std::array<int, kFamFieldCount> kFamLimits = {0, 0, 0, 100, 100};

void PutLe32(char* at, std::uint32_t value) {
  value = htole32(value);
  std::memcpy(at, &value, 4);
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
constexpr std::size_t kTextChunk = std::size_t{1} << 21;
constexpr std::uint64_t kTextField = (std::uint64_t{1} << 21) - 1;
// The longest line a file may have, with room to spare.
constexpr std::size_t kMaxIdBytes = kTextChunk - 1;

}  // namespace

int CharacterLimit(IndiField field) { return kIndiLimits[static_cast<std::size_t>(field)]; }
int CharacterLimit(FamField field) { return kFamLimits[static_cast<std::size_t>(field)]; }

template <typename Field, int FieldCount>
void WorkRecord<Field, FieldCount>::Set(Field field, std::string_view value) {
  const int limit = CharacterLimit(field);
  if (limit > 0) value = value.substr(0, text::FitCharacters(value, static_cast<std::size_t>(limit)));
  values_[static_cast<std::size_t>(field)].assign(TrimSpaces(value));
}

template <typename Field, int FieldCount>
std::string_view WorkRecord<Field, FieldCount>::Pack() {
  constexpr std::size_t kHeader = PackedRecordView<Field, FieldCount>::kHeaderBytes;
  std::size_t text = 0;
  for (const std::string& v : values_) text += v.size();
  packed_.resize(kHeader + text);
  char* out = packed_.data();
  const auto count = static_cast<std::uint16_t>(count_);
  out[0] = static_cast<char>(count & 0xFF);
  out[1] = static_cast<char>(count >> 8);
  std::size_t end = 0;
  for (std::size_t f = 0; f < values_.size(); ++f) {
    std::memcpy(out + kHeader + end, values_[f].data(), values_[f].size());
    end += values_[f].size();
    PutLe32(out + 2 + 4 * f, static_cast<std::uint32_t>(end));
  }
  return packed_;
}

template class WorkRecord<IndiField, kIndiFieldCount>;
template class WorkRecord<FamField, kFamFieldCount>;

RecordLimitError::RecordLimitError() : LoadStopError(msg::kTooManyRecords) {}

bool IsOutOfSpace(const std::exception& e) {
  const auto* file = dynamic_cast<const FileError*>(&e);
  return file != nullptr && (file->os_error() == ENOSPC || file->os_error() == EDQUOT);
}

IdTable::IdTable(int extra_ids) : ids_per_entry_(1 + extra_ids) {}

void IdTable::Reset() {
  fill_ = 0;
  refs_.clear();
  refs_.shrink_to_fit();
  texts_.clear();
  texts_.shrink_to_fit();
  text_used_ = 0;
  slots_.clear();
  slots_.shrink_to_fit();
  keys_ = 0;
}

std::uint64_t& IdTable::Ref(std::int32_t n, int which) {
  return refs_[static_cast<std::size_t>(n >> kChunkBits)]
              [static_cast<std::size_t>(n & kChunkMask) * static_cast<std::size_t>(ids_per_entry_) +
               static_cast<std::size_t>(which)];
}
std::uint64_t IdTable::Ref(std::int32_t n, int which) const {
  return refs_[static_cast<std::size_t>(n >> kChunkBits)]
              [static_cast<std::size_t>(n & kChunkMask) * static_cast<std::size_t>(ids_per_entry_) +
               static_cast<std::size_t>(which)];
}

// A reference packs the chunk (22 bits), the offset in it and the length
// (21 bits each). A chunk holds the longest line a file may have, so every
// id fits in one.
std::uint64_t IdTable::StoreText(std::string_view id) {
  if (id.empty()) return 0;
  if (id.size() > kMaxIdBytes) throw std::length_error(msg::kSubscriptOutOfRange);
  if (texts_.empty() || text_used_ + id.size() > kTextChunk) {
    texts_.push_back(std::make_unique_for_overwrite<char[]>(kTextChunk));
    text_used_ = 0;
  }
  std::memcpy(texts_.back().get() + text_used_, id.data(), id.size());
  const std::uint64_t ref = (static_cast<std::uint64_t>(texts_.size() - 1) << 42) |
                            (static_cast<std::uint64_t>(text_used_) << 21) | id.size();
  text_used_ += id.size();
  return ref;
}

std::string_view IdTable::Text(std::uint64_t ref) const {
  if (ref == 0) return {};
  const char* chunk = texts_[static_cast<std::size_t>(ref >> 42)].get();
  return std::string_view(chunk + ((ref >> 21) & kTextField), static_cast<std::size_t>(ref & kTextField));
}

void IdTable::Append(std::string_view id) {
  if (fill_ == kMaxRecordNumber) throw RecordLimitError();
  const std::int32_t n = fill_ + 1;
  if (static_cast<std::size_t>(n >> kChunkBits) == refs_.size()) {
    refs_.push_back(std::make_unique_for_overwrite<std::uint64_t[]>(
        (static_cast<std::size_t>(kChunkMask) + 1) * static_cast<std::size_t>(ids_per_entry_)));
  }
  const std::string_view key = TrimSpaces(id);
  const std::uint64_t ref = StoreText(key);
  fill_ = n;
  Ref(n, 0) = ref;
  for (int k = 1; k < ids_per_entry_; ++k) Ref(n, k) = 0;
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

std::string_view IdTable::Key(std::int32_t n) const { return Text(Ref(n, 0)); }

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
  // A replaced id's bytes stay unused in the store: extras are set about
  // once each.
  Ref(n, which) = StoreText(TrimSpaces(id));
}

std::string_view IdTable::Id(std::int32_t n) const { return Extra(n, 0); }

std::string_view IdTable::Extra(std::int32_t n, int which) const {
  if (n < 1 || n > fill_) return {};  // an entry never stored is blank
  return Text(Ref(n, which));
}

std::int32_t IdTable::FirstWith(std::string_view key) const {
  if (key.empty() || slots_.empty()) return 0;
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

void RecordIndex::Reset() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  fill_ = 0;
  end_ = 0;
}

std::int64_t& RecordIndex::Start(std::int32_t n) {
  return chunks_[static_cast<std::size_t>(n >> kChunkBits)][static_cast<std::size_t>(n & kChunkMask)];
}
std::int64_t RecordIndex::Start(std::int32_t n) const {
  return chunks_[static_cast<std::size_t>(n >> kChunkBits)][static_cast<std::size_t>(n & kChunkMask)];
}

void RecordIndex::Store(std::int32_t n, std::int64_t size) {
  if (n == fill_ && n > 0) {
    end_ = Start(n) + size;  // the last record written again
    return;
  }
  if (n != fill_ + 1) throw std::out_of_range(msg::kSubscriptOutOfRange);
  if (static_cast<std::size_t>(n >> kChunkBits) == chunks_.size()) {
    chunks_.push_back(std::make_unique_for_overwrite<std::int64_t[]>(static_cast<std::size_t>(kChunkMask) + 1));
  }
  Start(n) = end_;
  end_ += size;
  fill_ = n;
}

bool RecordIndex::Find(std::int32_t n, std::int64_t& start, std::size_t& size) const {
  if (n < 1 || n > fill_) return false;
  start = Start(n);
  size = static_cast<std::size_t>((n == fill_ ? end_ : Start(n + 1)) - start);
  return true;
}

void PutWorkRecord(File& file, RecordIndex& index, std::int32_t n, std::string_view packed) {
  std::int64_t start = index.end();
  std::size_t old_size = 0;
  // The last record written again goes where it went before.
  if (n == index.fill()) index.Find(n, start, old_size);
  file.PutBytes(start, packed);
  index.Store(n, static_cast<std::int64_t>(packed.size()));
}

namespace {
template <typename View>
View ViewRecord(File& file, const RecordIndex& index, std::int32_t n, std::string& scratch) {
  std::int64_t start = 0;
  std::size_t size = 0;
  if (!index.Find(n, start, size)) return View();
  return View(file.ViewBytes(start, size, scratch), size);
}
}  // namespace

IndividualView ViewIndividual(File& individuals, const RecordIndex& index, std::int32_t n,
                              std::string& scratch) {
  return ViewRecord<IndividualView>(individuals, index, n, scratch);
}

FamilyView ViewFamily(File& families, const RecordIndex& index, std::int32_t n, std::string& scratch) {
  return ViewRecord<FamilyView>(families, index, n, scratch);
}

}  // namespace kinsheet
