#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <string>

#include "text/encoding.h"

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
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ASCII"));
  EXPECT_TRUE(IsValidUtf8("M\xC3\xBCller"));              // ü
  EXPECT_TRUE(IsValidUtf8("\xE6\x97\xA5\xE6\x9C\xAC"));   // 日本
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));           // emoji
  EXPECT_FALSE(IsValidUtf8("M\xFCller"));                 // Windows-1252 ü
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));                  // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));              // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));              // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));          // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xC3"));                      // truncated
  EXPECT_FALSE(IsValidUtf8("\x80"));                      // lone continuation
}

TEST(WidthCuts, NeverSplitAUtf8Character) {
  EXPECT_EQ(FitBytes("abcdef", 4), 4u);
  EXPECT_EQ(FitBytes("ab\xC3\xBC", 3), 2u);               // ü would be split
  EXPECT_EQ(FitBytes("ab\xF0\x9F\x98\x80x", 5), 2u);
  EXPECT_EQ(FitBytes("ab\xFC\xFC", 3), 3u);               // not UTF-8: by bytes
  EXPECT_EQ(CodePointPrefixBytes("\xC3\xBC\xC3\xBC" "a", 2), 4u);
  EXPECT_EQ(CodePointCount("Wi\xC5\x9Bniewska"), 10u);
}

TEST(WidthCuts, FitColumnsPadsByCharacters) {
  EXPECT_EQ(FitColumns("ab", 4), "ab  ");
  EXPECT_EQ(FitColumns("abcdef", 3), "abc");
  EXPECT_EQ(FitColumns("\xC3\xBC\xC3\xBC", 3), "\xC3\xBC\xC3\xBC ");
  EXPECT_EQ(FitColumns("\xE6\x97\xA5\xE6\x9C\xAC\xE6\x97\xA5", 2), "\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(FitColumns("\xFC\xFC\xFC", 2), "\xFC\xFC");  // bytes
}

TEST(Decoding, Utf8WhenValidElseWindows1252) {
  EXPECT_EQ(DecodeText("M\xC3\xBCller"), u"M\u00FCller");
  EXPECT_EQ(DecodeText("M\xFCller"), u"M\u00FCller");
  EXPECT_EQ(DecodeText("\x80"), u"\u20AC");  // euro sign in Windows-1252
  EXPECT_EQ(DecodeText("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600 \u0141"), "\xF0\x9F\x98\x80 \xC5\x81");
  EXPECT_EQ(EncodeWindows1252(u"\u00FC\u20AC\u65E5"), "\xFC\x80?");
}

}  // namespace
}  // namespace kinsheet::text
