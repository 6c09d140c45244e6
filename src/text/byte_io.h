// Little-endian integers in and out of byte strings, for the file formats
// the exports write. Callers check bounds; these only assemble bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kinsheet {

inline void PutU8(std::string& out, std::uint8_t v) { out.push_back(static_cast<char>(v)); }

inline void PutU16(std::string& out, std::uint16_t v) {
  const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  out.append(b, 2);
}

inline void PutU32(std::string& out, std::uint32_t v) {
  const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
  out.append(b, 4);
}

inline void SetU8(std::string& out, std::size_t at, std::uint8_t v) {
  out[at] = static_cast<char>(v);
}

inline void SetU16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

inline void SetU32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::uint8_t GetU8(std::string_view in, std::size_t at) {
  return static_cast<std::uint8_t>(in[at]);
}

inline std::uint16_t GetU16(std::string_view in, std::size_t at) {
  return static_cast<std::uint16_t>(GetU8(in, at) | (GetU8(in, at + 1) << 8));
}

inline std::uint32_t GetU32(std::string_view in, std::size_t at) {
  return static_cast<std::uint32_t>(GetU16(in, at)) |
         (static_cast<std::uint32_t>(GetU16(in, at + 2)) << 16);
}

}  // namespace kinsheet
