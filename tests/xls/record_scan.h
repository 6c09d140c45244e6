// Splits a BIFF8 stream into its records, for tests that check them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "text/byte_io.h"

namespace kinsheet::xls::testing {

struct Rec {
  std::uint16_t type;
  std::size_t start;
  std::string_view data;
};

inline std::vector<Rec> Records(std::string_view s) {
  std::vector<Rec> out;
  for (std::size_t at = 0; at + 4 <= s.size();) {
    const std::uint16_t size = GetU16(s, at + 2);
    out.push_back({GetU16(s, at), at, s.substr(at + 4, size)});
    at += 4 + size;
  }
  return out;
}

}  // namespace kinsheet::xls::testing
