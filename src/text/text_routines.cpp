// SplitText and friends, with the "~TWA" end marker kept as it behaves: a
// piece that spells the marker stops the split.
#include "text/text_routines.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace kinsheet {
namespace {
constexpr std::string_view kEndMarker = "~TWA";
}

std::string NextToken(std::string& work, std::string_view delimiter) {
  const auto p = work.find(delimiter);
  if (p == std::string::npos) return std::string(kEndMarker);
  std::string piece = work.substr(0, p);
  work.erase(0, p + delimiter.size());
  return piece;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter,
                                   int limit) {
  if (delimiter.empty()) delimiter = " ";
  std::string work(text);
  if (work.find(delimiter) == std::string::npos) return {work};
  std::vector<std::string> pieces;
  int taken = 0;
  for (;;) {
    std::string piece = NextToken(work, delimiter);
    if (piece == kEndMarker) break;
    pieces.push_back(std::move(piece));
    ++taken;
    if (limit != -1 && taken >= std::max(limit, 1)) break;
  }
  pieces.push_back(std::move(work));
  return pieces;
}

std::optional<std::string_view> SecondWord(std::string_view text) {
  const auto first = text.find(' ');
  if (first == std::string_view::npos) return std::nullopt;
  if (text.substr(0, first) == kEndMarker) return std::nullopt;
  std::string_view rest = text.substr(first + 1);
  const auto second = rest.find(' ');
  if (second == std::string_view::npos) return rest;
  const std::string_view piece = rest.substr(0, second);
  if (piece == kEndMarker) return rest.substr(second + 1);
  return piece;
}

std::int32_t InStrLast(std::string_view text, std::string_view search, int, std::int16_t from_end) {
  if (search.empty() || search.size() > text.size()) return 0;
  const auto p = text.rfind(search);
  if (p == std::string_view::npos) return 0;
  const auto pos = static_cast<std::int32_t>(p + 1);
  if (from_end != 0) return static_cast<std::int32_t>(text.size()) - pos + 1;
  return pos;
}

std::string_view TrimSpaces(std::string_view text) {
  // Work-file fields are mostly padding: skip trailing spaces 32 bytes at a
  // time, then eight, and find the last other byte of a word without a loop.
  constexpr std::uint64_t kEightSpaces = 0x2020202020202020ULL;
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (end - begin >= 32) {
    std::uint64_t w[4];
    std::memcpy(w, end - 32, 32);
    if (((w[0] ^ kEightSpaces) | (w[1] ^ kEightSpaces) | (w[2] ^ kEightSpaces) |
         (w[3] ^ kEightSpaces)) != 0) {
      break;
    }
    end -= 32;
  }
  while (end - begin >= 8) {
    std::uint64_t word;
    std::memcpy(&word, end - 8, 8);
    const std::uint64_t other = word ^ kEightSpaces;
    if (other != 0) {
      // The word's last bytes are its most significant ones.
      if constexpr (std::endian::native == std::endian::little) end -= std::countl_zero(other) / 8;
      break;
    }
    end -= 8;
  }
  while (end > begin && end[-1] == ' ') --end;
  while (begin < end && *begin == ' ') ++begin;
  return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

}  // namespace kinsheet
