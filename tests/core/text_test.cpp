#include <gtest/gtest.h>

#include "text/encoding.h"

namespace kinsheet::text {
namespace {

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
