// The lines a load keeps for the kinship columns beyond what the work
// records hold: every family link (FAMC with its PEDI, FAMS, CHIL) and the
// occupation, religion and residence texts. They go, in file order, to a
// work file of their own, so that memory does not grow with them; an export
// reads it back in one pass.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kinsheet {

enum class KinLine : std::uint8_t {
  kFamc = 1,        // owner: person; value: family id
  kPedigree,        // owner: person; value: PEDI of the FAMC before it
  kFams,            // owner: person; value: family id
  kChild,           // owner: family; value: person id
  kOccupation,      // owner: person
  kReligion,        // owner: person
  kResidence,       // owner: person; the RESI line's own value
  kResidencePlace,  // owner: person; the place of the RESI before it
};

struct KinEntry {
  KinLine kind = KinLine::kFamc;
  std::int32_t owner = 0;  // record number
  std::string value;
};

// Appends entries to the log through a large buffer. Without an open file
// Add does nothing. Throws FileError when a write fails.
class KinLogWriter {
 public:
  KinLogWriter() = default;
  ~KinLogWriter();
  KinLogWriter(const KinLogWriter&) = delete;
  KinLogWriter& operator=(const KinLogWriter&) = delete;
  KinLogWriter(KinLogWriter&& other) noexcept;
  KinLogWriter& operator=(KinLogWriter&& other) noexcept;

  void Open(const std::string& path);
  bool is_open() const { return file_ != nullptr; }
  void Add(KinLine kind, std::int32_t owner, std::string_view value);
  // Flushes and closes; throws when the last bytes cannot be written.
  void Close();
  // Closes without a word, as after a failure.
  void Abandon() noexcept;

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

// Reads a log back from its start, entry by entry. A missing file reads as
// an empty log.
class KinLogReader {
 public:
  explicit KinLogReader(const std::string& path);
  ~KinLogReader();
  KinLogReader(const KinLogReader&) = delete;
  KinLogReader& operator=(const KinLogReader&) = delete;

  // The next entry; false at the end. Throws FileError on a read failure or
  // a log cut short.
  bool Next(KinEntry& entry);

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

}  // namespace kinsheet
