// The reading report of one load: every line the loader could not read and
// every inconsistency it found, each with its line and record, in no
// particular output format (the window lists it, the batch tool writes it
// as CSV, a whole-tree export can make a table of it). Also the link check
// that finds pointers to undefined ids and one-sided family links.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kinsheet {

enum class ReadingProblem : std::uint8_t {
  kUnreadableLine,
  kUndefinedPointer,
  kDuplicateId,
  kChildWithoutFamc,  // FAM's CHIL, and the child has no FAMC back
  kFamcWithoutChild,  // INDI's FAMC, and the family has no CHIL back
  kConcInGedcom7,
  kValueCut,
  kRecordWithoutId,
};
inline constexpr int kReadingProblemCount = 8;

// What the problem is, and what the loader did about it.
const char* ProblemText(ReadingProblem problem);
const char* ActionText(ReadingProblem problem);
// The kind in a few words, for the summary line.
const char* ShortText(ReadingProblem problem);

struct ReportEntry {
  std::int64_t line = 0;  // 1 is the file's first line
  std::string record_id;  // of the record the line belongs to; may be empty
  ReadingProblem problem = ReadingProblem::kUnreadableLine;
  std::string detail;  // the id, tag or text concerned; may be empty

  // The problem with its detail, as one text: "Id defined again: @I1@".
  std::string ProblemLine() const;
};

class ReadingReport {
 public:
  // Entries kept for listing; past this only the counts go on, so a file
  // with a problem on every line costs no more than this many entries.
  static constexpr std::size_t kKeptEntries = 100000;

  void Clear();
  // Ids and details are file text: they are stored escaped and cut, safe
  // to show anywhere.
  void Add(std::int64_t line, std::string_view record_id, ReadingProblem problem, std::string_view detail = {});
  // Entries in line order (stable: at one line, in the order added).
  void SortByLine();

  std::int64_t total() const { return total_; }
  std::int64_t count(ReadingProblem problem) const { return counts_[static_cast<std::size_t>(problem)]; }
  const std::vector<ReportEntry>& entries() const { return entries_; }
  bool complete() const { return static_cast<std::int64_t>(entries_.size()) == total_; }
  // One line: "Reading report: 3 entries (2 pointers to undefined ids, 1 ids
  // defined again)".
  std::string Summary() const;

 private:
  std::vector<ReportEntry> entries_;
  std::array<std::int64_t, kReadingProblemCount> counts_{};
  std::int64_t total_ = 0;
};

// A set of 64-bit hashes in one flat array (open addressing, linear
// probing, at most half full): 8 to 16 bytes an entry and one cache line a
// probe, where a node-based set costs a node and a pointer chase each.
class HashSet64 {
 public:
  // False when `h` was in the set already.
  bool Insert(std::uint64_t h);
  bool Contains(std::uint64_t h) const;
  void Clear();

 private:
  void Grow();
  std::vector<std::uint64_t> slots_;  // 0: empty (a hash of 0 is kept as 1)
  std::size_t size_ = 0;
};

// What a pointer is, for the family-link check.
enum class LinkKind : std::uint8_t { kOther, kFamc, kChil };

// Collects the record ids a file defines and the pointers it holds, and
// checks them against each other once the file has been read. Pointers
// wait in memory up to a bound, then in an unnamed temporary file; the ids
// are kept as 64-bit hashes, so memory stays a few bytes per record.
class LinkCheck {
 public:
  LinkCheck();
  ~LinkCheck();
  LinkCheck(const LinkCheck&) = delete;
  LinkCheck& operator=(const LinkCheck&) = delete;

  void Clear();
  // A record's own id: false when an earlier record had it already.
  bool Define(std::string_view id);
  // A pointer at `line` of record `from` to `target` (neither with "@").
  void Pointer(LinkKind kind, std::int64_t line, std::string_view from, std::string_view target);
  // After the last line: pointers to undefined ids and one-sided family
  // links into `report`. Clears what was collected.
  void Finish(ReadingReport& report);

  // Bytes of pointers held in memory before they go to the temporary file.
  std::size_t spill_bytes = std::size_t{8} << 20;

 private:
  struct Pending;
  template <typename Visit>
  bool ForEachPointer(Visit visit);
  void Spill();

  HashSet64 defined_;
  HashSet64 famc_;  // (family, person) of each FAMC
  HashSet64 chil_;  // (family, person) of each CHIL
  std::string held_;  // pointers not yet spilled
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> spill_;
};

}  // namespace kinsheet
