// The reading report's entries and counts, and the end-of-load link check.
#include "records/reading_report.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "text/display.h"
#include "ui/messages.h"

namespace kinsheet {
namespace {

// Record ids in the report: long enough for any id a person would read.
constexpr std::size_t kIdChars = 120;

std::uint64_t HashText(std::string_view s) { return std::hash<std::string_view>{}(s); }

// The (family, person) pair of a FAMC or CHIL link; asymmetric, so the
// pair (A, B) is not (B, A).
std::uint64_t PairHash(std::string_view family, std::string_view person) {
  std::uint64_t h = HashText(family) * 0x9E3779B97F4A7C15ULL;
  h ^= std::rotl(HashText(person), 29);
  h *= 0xFF51AFD7ED558CCDULL;
  return h ^ (h >> 33);
}

void PutNumber(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

const char* ProblemText(ReadingProblem problem) {
  switch (problem) {
    case ReadingProblem::kUnreadableLine: return msg::kReportUnreadable;
    case ReadingProblem::kUndefinedPointer: return msg::kReportUndefined;
    case ReadingProblem::kDuplicateId: return msg::kReportDuplicate;
    case ReadingProblem::kChildWithoutFamc: return msg::kReportChildWithoutFamc;
    case ReadingProblem::kFamcWithoutChild: return msg::kReportFamcWithoutChild;
    case ReadingProblem::kConcInGedcom7: return msg::kReportConc;
    case ReadingProblem::kValueCut: return msg::kReportCut;
    case ReadingProblem::kRecordWithoutId: return msg::kReportNoId;
  }
  return "";
}

const char* ActionText(ReadingProblem problem) {
  switch (problem) {
    case ReadingProblem::kUnreadableLine: return msg::kReportUnreadableDone;
    case ReadingProblem::kUndefinedPointer: return msg::kReportUndefinedDone;
    case ReadingProblem::kDuplicateId: return msg::kReportDuplicateDone;
    case ReadingProblem::kChildWithoutFamc: return msg::kReportChildWithoutFamcDone;
    case ReadingProblem::kFamcWithoutChild: return msg::kReportFamcWithoutChildDone;
    case ReadingProblem::kConcInGedcom7: return msg::kReportConcDone;
    case ReadingProblem::kValueCut: return msg::kReportCutDone;
    case ReadingProblem::kRecordWithoutId: return msg::kReportNoIdDone;
  }
  return "";
}

const char* ShortText(ReadingProblem problem) {
  switch (problem) {
    case ReadingProblem::kUnreadableLine: return msg::kReportShortUnreadable;
    case ReadingProblem::kUndefinedPointer: return msg::kReportShortUndefined;
    case ReadingProblem::kDuplicateId: return msg::kReportShortDuplicate;
    case ReadingProblem::kChildWithoutFamc: return msg::kReportShortChildWithoutFamc;
    case ReadingProblem::kFamcWithoutChild: return msg::kReportShortFamcWithoutChild;
    case ReadingProblem::kConcInGedcom7: return msg::kReportShortConc;
    case ReadingProblem::kValueCut: return msg::kReportShortCut;
    case ReadingProblem::kRecordWithoutId: return msg::kReportShortNoId;
  }
  return "";
}

std::string ReportEntry::ProblemLine() const {
  std::string line = ProblemText(problem);
  if (!detail.empty()) {
    line += ": ";
    line += detail;
  }
  return line;
}

void ReadingReport::Clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  counts_.fill(0);
  total_ = 0;
}

void ReadingReport::Add(std::int64_t line, std::string_view record_id, ReadingProblem problem,
                        std::string_view detail) {
  ++total_;
  ++counts_[static_cast<std::size_t>(problem)];
  if (entries_.size() >= kKeptEntries) return;
  entries_.push_back(
      ReportEntry{line, text::EscapeForDisplay(record_id, kIdChars), problem, text::EscapeForDisplay(detail)});
}

void ReadingReport::SortByLine() {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const ReportEntry& a, const ReportEntry& b) { return a.line < b.line; });
}

std::string ReadingReport::Summary() const {
  if (total_ == 0) return msg::kReportSummaryNone;
  std::string s = msg::kReportSummaryStart + std::to_string(total_) + msg::kReportSummaryEnd + " (";
  bool first = true;
  for (int i = 0; i < kReadingProblemCount; ++i) {
    if (counts_[static_cast<std::size_t>(i)] == 0) continue;
    if (!first) s += ", ";
    first = false;
    s += std::to_string(counts_[static_cast<std::size_t>(i)]) + " " + ShortText(static_cast<ReadingProblem>(i));
  }
  s += ")";
  if (!complete()) s += std::string(". ") + msg::kReportMoreStart + std::to_string(kKeptEntries) + msg::kReportMoreEnd;
  return s;
}

bool HashSet64::Insert(std::uint64_t h) {
  if (h == 0) h = 1;
  if ((size_ + 1) * 2 > slots_.size()) Grow();
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = h & mask;; i = (i + 1) & mask) {
    if (slots_[i] == h) return false;
    if (slots_[i] == 0) {
      slots_[i] = h;
      ++size_;
      return true;
    }
  }
}

bool HashSet64::Contains(std::uint64_t h) const {
  if (h == 0) h = 1;
  if (slots_.empty()) return false;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = h & mask;; i = (i + 1) & mask) {
    if (slots_[i] == h) return true;
    if (slots_[i] == 0) return false;
  }
}

void HashSet64::Clear() {
  slots_ = {};
  size_ = 0;
}

void HashSet64::Grow() {
  std::vector<std::uint64_t> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? 1024 : old.size() * 2, 0);
  size_ = 0;
  for (std::uint64_t h : old) {
    if (h != 0) Insert(h);
  }
}

LinkCheck::LinkCheck() : spill_(nullptr, &std::fclose) {}
LinkCheck::~LinkCheck() = default;

void LinkCheck::Clear() {
  defined_.Clear();
  famc_.Clear();
  chil_.Clear();
  held_.clear();
  held_.shrink_to_fit();
  spill_.reset();
}

bool LinkCheck::Define(std::string_view id) { return defined_.Insert(HashText(id)); }

void LinkCheck::Pointer(LinkKind kind, std::int64_t line, std::string_view from, std::string_view target) {
  if (kind == LinkKind::kFamc) famc_.Insert(PairHash(target, from));
  if (kind == LinkKind::kChil) chil_.Insert(PairHash(from, target));
  // A pointer back to a record already read has nothing left to check
  // unless it is half of a family link.
  if (kind == LinkKind::kOther && defined_.Contains(HashText(target))) return;
  held_.push_back(static_cast<char>(kind));
  PutNumber(held_, static_cast<std::uint64_t>(line), 8);
  PutNumber(held_, from.size(), 4);
  held_.append(from);
  PutNumber(held_, target.size(), 4);
  held_.append(target);
  if (held_.size() >= spill_bytes) Spill();
}

void LinkCheck::Spill() {
  if (!spill_) {
    spill_.reset(std::tmpfile());
    // No temporary file to be had: the pointers stay in memory.
    if (!spill_) return;
  }
  if (std::fwrite(held_.data(), 1, held_.size(), spill_.get()) != held_.size()) {
    throw std::runtime_error("the reading report's temporary file could not be written");
  }
  held_.clear();
}

struct LinkCheck::Pending {
  LinkKind kind;
  std::int64_t line;
  std::string_view from;
  std::string_view target;
};

namespace {

// One pointer from `p`, which holds at least its first 17 bytes; false
// when the rest is not all there.
bool Decode(const char* p, std::size_t n, std::size_t& used, LinkKind& kind, std::int64_t& line,
            std::string_view& from, std::string_view& target) {
  auto number = [&](std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint64_t{static_cast<unsigned char>(p[at + static_cast<std::size_t>(i)])} << (8 * i);
    return v;
  };
  if (n < 13) return false;
  kind = static_cast<LinkKind>(p[0]);
  line = static_cast<std::int64_t>(number(1, 8));
  const std::size_t from_size = number(9, 4);
  if (n < 13 + from_size + 4) return false;
  from = std::string_view(p + 13, from_size);
  const std::size_t target_size = number(13 + from_size, 4);
  if (n < 17 + from_size + target_size) return false;
  target = std::string_view(p + 17 + from_size, target_size);
  used = 17 + from_size + target_size;
  return true;
}

}  // namespace

// Every pointer in the order it came: the spilled ones, then those held.
template <typename Visit>
bool LinkCheck::ForEachPointer(Visit visit) {
  auto run = [&](const std::string& bytes, std::string& rest) {
    std::size_t at = 0;
    Pending p{};
    std::size_t used = 0;
    while (Decode(bytes.data() + at, bytes.size() - at, used, p.kind, p.line, p.from, p.target)) {
      visit(p);
      at += used;
    }
    rest.assign(bytes, at, std::string::npos);
  };
  if (spill_) {
    std::rewind(spill_.get());
    std::string buffer;
    std::string rest;
    std::vector<char> piece(1 << 20);
    for (;;) {
      const std::size_t got = std::fread(piece.data(), 1, piece.size(), spill_.get());
      if (got == 0) break;
      buffer = rest;
      buffer.append(piece.data(), got);
      run(buffer, rest);
    }
    if (!rest.empty()) return false;
  }
  std::string rest;
  run(held_, rest);
  return rest.empty();
}

void LinkCheck::Finish(ReadingReport& report) {
  auto has = [](const HashSet64& set, std::uint64_t h) { return set.Contains(h); };
  ForEachPointer([&](const Pending& p) {
    if (!defined_.Contains(HashText(p.target))) {
      report.Add(p.line, p.from, ReadingProblem::kUndefinedPointer, "@" + std::string(p.target) + "@");
      return;
    }
    // A record without an id cannot be pointed back to: its links are
    // one-sided by nature, and the record is reported already.
    if (p.from.empty()) return;
    if (p.kind == LinkKind::kChil && !has(famc_, PairHash(p.from, p.target))) {
      report.Add(p.line, p.from, ReadingProblem::kChildWithoutFamc, "@" + std::string(p.target) + "@");
    } else if (p.kind == LinkKind::kFamc && !has(chil_, PairHash(p.target, p.from))) {
      report.Add(p.line, p.from, ReadingProblem::kFamcWithoutChild, "@" + std::string(p.target) + "@");
    }
  });
  report.SortByLine();
  Clear();
}

}  // namespace kinsheet
