// SplitText and friends, with the "~TWA" end marker kept as it behaves: a
// piece that spells the marker stops the split.
#include "text/text_routines.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
  // Once a line: the words are short, so a plain scan beats a library
  // search's set-up.
  const auto find_space = [](std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] != ' ') ++i;
    return i;
  };
  // Tags are four letters like the marker: its first byte decides first.
  const auto is_marker = [](std::string_view s) { return !s.empty() && s[0] == '~' && s == kEndMarker; };
  const std::size_t first = find_space(text);
  if (first == text.size()) return std::nullopt;
  if (is_marker(text.substr(0, first))) return std::nullopt;
  const std::string_view rest = text.substr(first + 1);
  const std::size_t second = find_space(rest);
  if (second == rest.size()) return rest;
  const std::string_view piece = rest.substr(0, second);
  if (is_marker(piece)) return rest.substr(second + 1);
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
  // Work-file fields are mostly padding: skip trailing spaces sixteen bytes
  // at a time, and find the last other byte of a block from its bit mask.
  const char* begin = text.data();
  const char* end = begin + text.size();
#if defined(__SSE2__)
  const __m128i spaces = _mm_set1_epi8(' ');
  while (end - begin >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 16));
    const auto others =
        static_cast<std::uint32_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(block, spaces)) & 0xFFFF);
    if (others != 0) {
      end -= std::countl_zero(others) - 16;  // bit i is byte end-16+i
      break;
    }
    end -= 16;
  }
#endif
  constexpr std::uint64_t kEightSpaces = 0x2020202020202020ULL;
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
