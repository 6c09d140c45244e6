#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <string>

#include "text/encoding.h"
#include "text/text_routines.h"

namespace kinsheet::text {
namespace {

// One byte through glibc's own Windows-1252 table; nullopt where glibc
// defines no character.
std::optional<char32_t> GlibcWindows1252(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[1] = {static_cast<char>(byte)};
  unsigned char out[4] = {};
  char* in_p = in;
  char* out_p = reinterpret_cast<char*>(out);
  std::size_t in_left = 1, out_left = 4;
  const std::size_t r = iconv(cd, &in_p, &in_left, &out_p, &out_left);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return std::nullopt;
  return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
}

TEST(Decoding, EveryWindows1252ByteAsGlibcReadsIt) {
  ASSERT_EQ(GlibcWindows1252(0x80), U'\u20AC') << "glibc has no Windows-1252 table";
  int defined = 0;
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    const std::optional<char32_t> expected = GlibcWindows1252(byte);
    // The five bytes glibc leaves undefined become the C1 controls.
    const char32_t want = expected ? *expected : static_cast<char32_t>(b);
    if (expected) ++defined;
    EXPECT_EQ(static_cast<char32_t>(Windows1252ToUnicode(byte)), want) << "byte " << b;
    if (b >= 0x80) {
      EXPECT_EQ(DecodeText(std::string(1, static_cast<char>(b))), std::u16string(1, static_cast<char16_t>(want)))
          << "byte " << b;
    }
    EXPECT_EQ(EncodeWindows1252(std::u16string(1, static_cast<char16_t>(want))),
              std::string(1, static_cast<char>(b)))
        << "byte " << b;
  }
  EXPECT_EQ(defined, 251);
  for (const int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_FALSE(GlibcWindows1252(static_cast<unsigned char>(undefined))) << undefined;
  }
}

TEST(Utf8Validity, StrictRules) {
  const std::pair<const char*, bool> cases[] = {
      {"", true}, {"plain ASCII", true}, {"M\xC3\xBCller", true}, {"\xE6\x97\xA5\xE6\x9C\xAC", true},
      {"\xF0\x9F\x98\x80", true},
      {"M\xFCller", false},          // Windows-1252
      {"\xC0\xAF", false},          // an overlong "/"
      {"\xE0\x80\xAF", false},      // overlong
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xC3", false},              // cut short
      {"\x80", false}};             // a lone continuation byte
  for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidUtf8(text), valid) << text;
}

TEST(WidthCuts, NeverSplitAUtf8CharacterAndPadByCharacters) {
  EXPECT_EQ(FitCharacters("abcdef", 4), 4u);
  EXPECT_EQ(FitCharacters("ab\xC3\xBC", 3), 4u);            // three characters in four bytes
  EXPECT_EQ(FitCharacters("ab\xF0\x9F\x98\x80xy", 3), 6u);
  EXPECT_EQ(FitCharacters("ab\xFC\xFC", 3), 3u);            // not UTF-8: a byte a character
  EXPECT_EQ(FitCharacters("abe\xCC\x81", 3), 2u);           // e stays with its accent
  EXPECT_EQ(FitCharacters("abe\xCC\x81\xCC\xA3x", 4), 2u);  // and with both of its marks
  EXPECT_EQ(FitCharacters("abe\xCC\x81x", 4), 5u);
  EXPECT_EQ(FitCharacters("\xCC\x81\xCC\x81\xCC\x81", 2), 0u);  // marks alone: one cluster
  EXPECT_EQ(CodePointPrefixBytes("\xC3\xBC\xC3\xBC" "a", 2), 4u);
  EXPECT_EQ(CodePointCount("Wi\xC5\x9Bniewska"), 10u);
  EXPECT_EQ(FitColumns("ab", 4), "ab  ");
  EXPECT_EQ(FitColumns("abcdef", 3), "abc");
  EXPECT_EQ(FitColumns("\xC3\xBC\xC3\xBC", 3), "\xC3\xBC\xC3\xBC ");
  EXPECT_EQ(FitColumns("\xE6\x97\xA5\xE6\x9C\xAC\xE6\x97\xA5", 2), "\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(FitColumns("\xFC\xFC\xFC", 2), "\xFC\xFC");  // bytes
  EXPECT_EQ(FitColumns("Se\xCC\x81n", 2), "S ");           // the accented e goes whole
}

TEST(Decoding, Utf8WhenValidElseWindows1252) {
  EXPECT_EQ(DecodeText("M\xC3\xBCller"), u"M\u00FCller");
  EXPECT_EQ(DecodeText("M\xFCller"), u"M\u00FCller");
  EXPECT_EQ(DecodeText("\x80"), u"\u20AC");  // euro sign in Windows-1252
  EXPECT_EQ(DecodeText("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600 \u0141"), "\xF0\x9F\x98\x80 \xC5\x81");
  EXPECT_EQ(EncodeWindows1252(u"\u00FC\u20AC\u65E5"), "\xFC\x80?");
}

using Pieces = std::vector<std::string>;

TEST(SplitText, PiecesAndTheEndMarker) {
  EXPECT_EQ(SplitText("a b c", " "), (Pieces{"a", "b", "c"}));
  EXPECT_EQ(SplitText("a ", " "), (Pieces{"a", ""}));
  EXPECT_EQ(SplitText("abc", " "), (Pieces{"abc"}));
  EXPECT_EQ(SplitText("a b", ""), (Pieces{"a", "b"}));  // empty means space
  // A piece that is exactly the end marker ends the split and is dropped.
  EXPECT_EQ(SplitText("a ~TWA b c", " "), (Pieces{"a", "b c"}));
  EXPECT_EQ(SplitText("a b c d", " ", 0), (Pieces{"a", "b c d"}));
  EXPECT_EQ(SplitText("a b c d", " ", 2), (Pieces{"a", "b", "c d"}));
}

// The parser takes a line's tag from SecondWord: the second piece of the
// split at spaces, the end marker included.
TEST(TextRoutines, SecondWordIsTheSplitsSecondPiece) {
  const std::string lines[] = {"1 NAME John /Smith/", "1 BIRT", "0 @I1@ INDI", "1", "1 ", "  ", "",
                               "1  NAME", "~TWA NAME x", "1 ~TWA NAME x", "1 ~TWA", "1 NAME ~TWA",
                               "1 ~TW x", "1 ~TWAB x", "12345 X", "x y z w"};
  for (const std::string& line : lines) {
    const std::vector<std::string> pieces = SplitText(line, " ");
    const std::optional<std::string_view> second = SecondWord(line);
    if (pieces.size() < 2) {
      EXPECT_FALSE(second) << "'" << line << "'";
    } else {
      ASSERT_TRUE(second) << "'" << line << "'";
      EXPECT_EQ(*second, pieces[1]) << "'" << line << "'";
    }
  }
}

// Every run of leading and trailing spaces up to past the word-sized steps,
// around values with inner spaces, tabs, CR and LF, against the plain rule.
TEST(TextRoutines, TrimSpacesRemovesSpacesOnly) {
  const std::string cores[] = {"", "x", " ", "a b", "\t", "x\r", "\nx", "ab cd ef gh ij kl",
                               std::string(40, 'y') + " " + std::string(9, 'z')};
  for (const std::string& core : cores) {
    for (int lead = 0; lead <= 70; lead += 3) {
      for (int trail = 0; trail <= 70; ++trail) {
        const std::string text = std::string(lead, ' ') + core + std::string(trail, ' ');
        const auto first = text.find_first_not_of(' ');
        const std::string expected =
            first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
        ASSERT_EQ(TrimSpaces(text), expected) << lead << " '" << core << "' " << trail;
      }
    }
  }
}

}  // namespace
}  // namespace kinsheet::text
