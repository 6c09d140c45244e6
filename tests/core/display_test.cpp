#include <gtest/gtest.h>

#include <string>

#include "text/display.h"
#include "text/encoding.h"

namespace kinsheet::text {
namespace {

TEST(EscapeForDisplay, ControlsAndStrayBytesAreEscaped) {
  // ESC (a colour sequence), BEL, tab, CR, DEL.
  EXPECT_EQ(EscapeForDisplay("a\x1b[31mred\x07\tb\rc\x7f"), "a\\x1b[31mred\\x07\\tb\\x0dc\\x7f");
  EXPECT_EQ(EscapeForDisplay(std::string("x\0y", 3)), "x\\x00y");
  EXPECT_EQ(EscapeForDisplay("a\nb"), "a\\nb");
  // C1 controls written as UTF-8 (U+009B is the one-character CSI) and as
  // bare bytes: one is a character, the other a byte that is not UTF-8.
  EXPECT_EQ(EscapeForDisplay("\xC2\x9B" "2J \x9B" "2J \xC2\x80\xC2\x9F"), "\\u009b2J \\x9b2J \\u0080\\u009f");
  // Latin-1 bytes, a cut sequence, an overlong form and a surrogate.
  EXPECT_EQ(EscapeForDisplay("Jos\xE9 \xC3"), "Jos\\xe9 \\xc3");
  EXPECT_EQ(EscapeForDisplay("\xC0\xAF \xED\xA0\x80"), "\\xc0\\xaf \\xed\\xa0\\x80");
  EXPECT_EQ(EscapeForDisplay("\xE0\x80\xAF \xF0\x80\x80\xAF"), "\\xe0\\x80\\xaf \\xf0\\x80\\x80\\xaf");
  // What is printable stays as it is: ASCII, letters, U+00A0 just past C1,
  // four-byte characters, and backslashes.
  const std::string plain = "M\xC3\xBCller \xC2\xA0 \xF0\x9F\x8C\xB3 C:\\x1b ~";
  EXPECT_EQ(EscapeForDisplay(plain), plain);
}

TEST(EscapeForDisplay, CutsAtTheCharacterCountNeverInsideACharacter) {
  const std::string ascii(1 << 20, 'a');
  const std::string cut = EscapeForDisplay(ascii);
  EXPECT_EQ(cut, std::string(200, 'a') + "\xE2\x80\xA6");
  EXPECT_EQ(EscapeForDisplay(std::string(200, 'a')), std::string(200, 'a'));  // exactly the limit: no mark
  EXPECT_EQ(EscapeForDisplay(std::string(201, 'a')), std::string(200, 'a') + "\xE2\x80\xA6");
  // Two-byte letters count once each: 200 of them are 400 bytes, whole.
  std::string umlauts;
  for (int i = 0; i < 300; ++i) umlauts += "\xC3\xBC";
  const std::string shown = EscapeForDisplay(umlauts);
  EXPECT_TRUE(IsValidUtf8(shown));
  EXPECT_EQ(shown, umlauts.substr(0, 400) + "\xE2\x80\xA6");
  // An escape is one character of the count.
  EXPECT_EQ(EscapeForDisplay("\x1b\x1b\x1b" "abc", 4), "\\x1b\\x1b\\x1ba\xE2\x80\xA6");
}

TEST(EscapeForTerminal, KeepsLayoutAndWhatDisplayMade) {
  EXPECT_EQ(EscapeForTerminal("1850\t1900\tSmith\x1b]0;owned\x07\nnext"), "1850\t1900\tSmith\\x1b]0;owned\\x07\nnext");
  const std::string quoted = EscapeForDisplay("0 @I1@ INDI\x1b[2J\xE9\xC2\x85" + std::string(300, 'x'));
  EXPECT_EQ(EscapeForTerminal(quoted), quoted);
  EXPECT_EQ(EscapeForTerminal(std::string(5000, 'y')).size(), 5000u);  // not cut
}

}  // namespace
}  // namespace kinsheet::text
