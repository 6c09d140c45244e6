// A GEDCOM archive (.gdz): a ZIP holding the tree as gedcom.ged beside its
// media files. The tree is read straight out of the archive, in pieces,
// never copied out whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

namespace kinsheet {

enum class ArchiveState {
  kReady,      // gedcom.ged found and open
  kNoGedcom,   // a readable ZIP without gedcom.ged
  kDamaged,    // no ZIP directory could be read, or gedcom.ged cannot be opened
};

class GedzipReader {
 public:
  explicit GedzipReader(const std::string& path);
  ~GedzipReader();
  GedzipReader(const GedzipReader&) = delete;
  GedzipReader& operator=(const GedzipReader&) = delete;

  ArchiveState state() const { return state_; }
  // gedcom.ged's size once unpacked.
  std::int64_t size() const { return size_; }
  // The next bytes of gedcom.ged; 0 at its end. Throws ArchiveDamaged when
  // its data cannot be unpacked or fails its checksum.
  std::size_t Read(char* bytes, std::size_t n);

 private:
  void* zip_ = nullptr;
  bool entry_open_ = false;
  ArchiveState state_ = ArchiveState::kDamaged;
  std::int64_t size_ = 0;
  std::int64_t read_ = 0;
};

// The archive's data broke off or was altered: the load stops.
class ArchiveDamaged : public std::exception {
 public:
  const char* what() const noexcept override { return "damaged archive"; }
};

// The name GEDCOM archives keep their tree under.
inline constexpr const char* kGedzipTreeName = "gedcom.ged";

}  // namespace kinsheet
