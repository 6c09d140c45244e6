// Database header layout: magic at 0, version at 0x14, 24 constant bytes at
// 0x18, code page at 0x3C, database key at 0x3E, password at 0x42, Jet 4
// sort order at 0x6E and creation date at 0x72.
#include "formats/jet/header.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>

namespace kinsheet::jet {
namespace {

constexpr std::size_t kVersionOffset = 0x14;
constexpr std::size_t kMaskedStart = 0x18;
constexpr std::size_t kJet3Unknown38 = 0x38;
constexpr std::size_t kJet3SortOrder = 0x3A;
constexpr std::size_t kCodePageOffset = 0x3C;
constexpr std::size_t kDatabaseKeyOffset = 0x3E;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kJet4SortOrder = 0x6E;
constexpr std::size_t kJet4DateOffset = 0x72;
constexpr char kEngineName[] = "Standard Jet DB";
constexpr unsigned char kConstantBlock[24] = {0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0,
                                              3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0};

// Jet 4 masks the (empty) password with the creation date's day number,
// repeated.
std::string PasswordMask(double creation_date) {
  const auto day = static_cast<std::int32_t>(std::floor(creation_date));
  std::string mask;
  for (int i = 0; i < 10; ++i) PutU32(mask, static_cast<std::uint32_t>(day));
  return mask;
}

void PutDouble(std::string& page, std::size_t at, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) page[at + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

double GetDouble(std::string_view page, std::size_t at) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | GetU8(page, at + i);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

std::string HeaderKeystream(std::size_t length) {
  const std::array<unsigned char, 4> key = {0xC7, 0xDA, 0x39, 0x6B};
  std::array<unsigned char, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % key.size()]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::string out;
  out.reserve(length);
  for (std::size_t n = 0, i = 0, j = 0; n < length; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out.push_back(static_cast<char>(s[(s[i] + s[j]) & 0xFF]));
  }
  return out;
}

void MaskHeader(const JetFormat& format, std::string& page) {
  const std::string stream = HeaderKeystream(format.masked_header_bytes);
  for (std::size_t i = 0; i < stream.size(); ++i) page[kMaskedStart + i] ^= stream[i];
}

std::string BuildHeaderPage(const JetFormat& format, double creation_date) {
  std::string page(format.page_size, '\0');
  SetU32(page, 0, 0x00000100);
  std::memcpy(&page[4], kEngineName, sizeof kEngineName);
  SetU32(page, kVersionOffset, format.version_byte);
  std::memcpy(&page[kMaskedStart], kConstantBlock, sizeof kConstantBlock);
  SetU16(page, kCodePageOffset, kCodePage1252);
  SetU32(page, kDatabaseKeyOffset, 0);
  if (format.version == 3) {
    SetU16(page, kJet3Unknown38, 0x0001);
    SetU16(page, kJet3SortOrder, kGeneralSortOrder);
  } else {
    const std::string mask = PasswordMask(creation_date);
    page.replace(kPasswordOffset, mask.size(), mask);
    SetU16(page, kJet4SortOrder, kGeneralSortOrder);
    PutDouble(page, kJet4DateOffset, creation_date);
  }
  MaskHeader(format, page);
  return page;
}

HeaderInfo ParseHeaderPage(std::string_view masked) {
  if (masked.size() < 0x100 || GetU32(masked, 0) != 0x00000100 ||
      masked.substr(4, sizeof kEngineName) != std::string_view(kEngineName, sizeof kEngineName)) {
    throw JetError("Not a Jet database: page 0 lacks the \"Standard Jet DB\" header.");
  }
  HeaderInfo info;
  const std::uint32_t version = GetU32(masked, kVersionOffset);
  if (version == 0) {
    info.format = &JetFormat::Jet3();
  } else if (version == 1) {
    info.format = &JetFormat::Jet4();
  } else {
    throw JetError("Unsupported Jet file version " + std::to_string(version) +
                   " (only Jet 3 and Jet 4 are supported).");
  }
  if (masked.size() < info.format->page_size) {
    throw JetError("Database header page is shorter than a page.");
  }
  std::string page(masked.substr(0, info.format->page_size));
  MaskHeader(*info.format, page);
  info.code_page = GetU16(page, kCodePageOffset);
  info.database_key = GetU32(page, kDatabaseKeyOffset);
  if (info.format->version == 4) {
    info.creation_date = GetDouble(page, kJet4DateOffset);
    info.password_empty =
        page.substr(kPasswordOffset, info.format->password_size) == PasswordMask(info.creation_date);
  } else {
    info.password_empty =
        page.substr(kPasswordOffset, info.format->password_size) ==
        std::string(info.format->password_size, '\0');
  }
  if (info.database_key != 0) {
    throw JetError("The database is encoded (database key is not 0); it cannot be read.");
  }
  return info;
}

double OleDateNow() {
  using namespace std::chrono;
  const double seconds =
      duration_cast<duration<double>>(system_clock::now().time_since_epoch()).count();
  // 1970-01-01 is day 25569 of the OLE calendar.
  return 25569.0 + seconds / 86400.0;
}

}  // namespace kinsheet::jet
