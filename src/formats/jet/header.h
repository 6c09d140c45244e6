// Page 0: the database header, with its RC4-masked region and, in Jet 4,
// the password area masked with the creation date.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/jet/jet_format.h"

namespace kinsheet::jet {

// The RC4 keystream of the fixed header key C7 DA 39 6B.
std::string HeaderKeystream(std::size_t length);

// XORs the masked region of a page-0 image in place (its own inverse).
void MaskHeader(const JetFormat& format, std::string& page);

// A clear page-0 image, masked and ready to write. `creation_date` is an
// OLE date (days since 1899-12-30).
std::string BuildHeaderPage(const JetFormat& format, double creation_date);

struct HeaderInfo {
  const JetFormat* format = nullptr;
  double creation_date = 0;  // Jet 4 only
  std::uint16_t code_page = 0;
  std::uint32_t database_key = 0;
  bool password_empty = true;
};

// Reads a (masked) page 0; throws JetError for anything but an unencrypted
// Jet 3 or Jet 4 database.
HeaderInfo ParseHeaderPage(std::string_view page);

// Current time as an OLE date (UTC).
double OleDateNow();

}  // namespace kinsheet::jet
