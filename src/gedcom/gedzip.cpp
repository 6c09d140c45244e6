// gedcom.ged out of a GEDCOM archive through minizip, which unpacks as it
// reads.
#include "gedcom/gedzip.h"

#include <unzip.h>

#include <algorithm>
#include <climits>

namespace kinsheet {

GedzipReader::GedzipReader(const std::string& path) {
  unzFile zip = unzOpen64(path.c_str());
  if (zip == nullptr) return;
  zip_ = zip;
  // The tree sits at the archive's top, under this exact name.
  if (unzLocateFile(zip, kGedzipTreeName, 1) != UNZ_OK) {
    state_ = ArchiveState::kNoGedcom;
    return;
  }
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
      unzOpenCurrentFile(zip) != UNZ_OK) {
    return;
  }
  entry_open_ = true;
  size_ = static_cast<std::int64_t>(info.uncompressed_size);
  state_ = ArchiveState::kReady;
}

GedzipReader::~GedzipReader() {
  if (zip_ == nullptr) return;
  if (entry_open_) unzCloseCurrentFile(zip_);
  unzClose(zip_);
}

std::size_t GedzipReader::Read(char* bytes, std::size_t n) {
  if (!entry_open_) return 0;
  const int got = unzReadCurrentFile(zip_, bytes, static_cast<unsigned>(std::min<std::size_t>(n, INT_MAX)));
  if (got < 0) throw ArchiveDamaged();
  read_ += got;
  if (got == 0) {
    // The end: only now is the checksum known. Data that ends early is
    // never checked by it, so the length is.
    entry_open_ = false;
    if (unzCloseCurrentFile(zip_) != UNZ_OK || read_ != size_) throw ArchiveDamaged();
  }
  return static_cast<std::size_t>(got);
}

}  // namespace kinsheet
