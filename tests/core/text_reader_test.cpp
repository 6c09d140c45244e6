// The reading of GEDCOM bytes into lines (encodings, line ends, the
// first-line rule, declared character sets, the literal reading) and the
// parsing of each line into its path and value.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "gedcom/parser.h"
#include "gedcom/text_reader.h"
#include "support/fixtures.h"
#include "text/charsets.h"

namespace kinsheet {
namespace {

struct Collected : LineSink {
  std::vector<std::string> lines;
  std::vector<std::pair<FileEncoding, text::Charset>> readings;
  void OnLine(std::string_view line) override { lines.emplace_back(line); }
  void OnReading(FileEncoding e, text::Charset c) override { readings.emplace_back(e, c); }
};

// Reads `bytes` whole, and again fed one byte at a time: a piece boundary
// anywhere (inside a CR LF, a BOM, a surrogate pair) must change nothing.
template <typename Reader = GedcomTextReader>
std::vector<std::string> Read(const std::string& bytes) {
  Collected whole, bytewise;
  Reader a(whole), b(bytewise);
  a.Feed(bytes.data(), bytes.size());
  a.Finish();
  for (char c : bytes) b.Feed(&c, 1);
  b.Finish();
  EXPECT_EQ(whole.lines, bytewise.lines);
  EXPECT_EQ(whole.readings, bytewise.readings);
  EXPECT_EQ(whole.readings.size(), (std::is_same_v<Reader, GedcomTextReader> ? 1u : 0u));
  return whole.lines;
}

using Lines = std::vector<std::string>;

TEST(GedcomTextReader, EveryLineEndGivesTheSameLines) {
  const Lines want = {"0 HEAD", "0 @I1@ INDI", "1 NAME A /B/", "0 TRLR"};
  for (const std::string eol : {"\n", "\r\n", "\r", "\n\r"}) {
    EXPECT_EQ(Read("0 HEAD" + eol + "0 @I1@ INDI" + eol + "1 NAME A /B/" + eol + "0 TRLR" + eol), want);
    // The last line is kept without its line end.
    EXPECT_EQ(Read("0 HEAD" + eol + "0 @I1@ INDI" + eol + "1 NAME A /B/" + eol + "0 TRLR"), want);
  }
  // A CR LF file with stray LFs, and a mix of all four.
  EXPECT_EQ(Read("0 HEAD\r\n0 @I1@ INDI\n1 NAME A /B/\r\n0 TRLR\r\n"), want);
  EXPECT_EQ(Read("0 HEAD\r0 @I1@ INDI\n\r1 NAME A /B/\n0 TRLR\r\n"), want);
}

TEST(GedcomTextReader, BlankLinesAreSkippedAndNoLineEndIsLeft) {
  EXPECT_EQ(Read("0 HEAD\n\n  \n\t \r\n\r\r0 TRLR\n\n"), (Lines{"0 HEAD", "0 TRLR"}));
  EXPECT_EQ(Read(""), Lines{});
  EXPECT_EQ(Read("\r\n \t"), Lines{});
  // Leading blanks stay for the parser; only blank lines go.
  EXPECT_EQ(Read("0 HEAD\n  1 SOUR X\n"), (Lines{"0 HEAD", "  1 SOUR X"}));
}

TEST(GedcomTextReader, FirstLineHoldingHeadIsReadAsHead) {
  EXPECT_EQ(Read("junk 0 HEAD junk\n0 @I1@ INDI\n"), (Lines{"0 HEAD", "0 @I1@ INDI"}));
  // Only the first line that is not blank; later lines are never rewritten.
  EXPECT_EQ(Read("\n\nx0 HEAD\n1 NOTE 0 HEAD here\n"), (Lines{"0 HEAD", "1 NOTE 0 HEAD here"}));
  EXPECT_EQ(Read("0 @I1@ INDI\n1 NOTE 0 HEAD\n"), (Lines{"0 @I1@ INDI", "1 NOTE 0 HEAD"}));
}

TEST(GedcomTextReader, EncodingFromTheFirstBytes) {
  const std::string text = "0 HEAD\r\n1 NAME \xC3\xBC\r\n";
  const Lines want = {"0 HEAD", "1 NAME \xC3\xBC"};
  EXPECT_EQ(Read("\xEF\xBB\xBF" + text), want);
  // UTF-16, little- and big-endian, with and without a mark.
  std::string le, be;
  for (char16_t u : std::u16string(u"0 HEAD\r\n1 NAME \u00FC\r\n")) {
    le += static_cast<char>(u & 0xFF), le += static_cast<char>(u >> 8);
    be += static_cast<char>(u >> 8), be += static_cast<char>(u & 0xFF);
  }
  EXPECT_EQ(Read("\xFF\xFE" + le), want);
  EXPECT_EQ(Read("\xFE\xFF" + be), want);
  EXPECT_EQ(Read(le), want);
  EXPECT_EQ(Read(be), want);
  // A file of a mark alone holds no line.
  EXPECT_EQ(Read("\xEF\xBB\xBF"), Lines{});
  EXPECT_EQ(Read("\xFF\xFE"), Lines{});
  // Anything else is a byte file, read as it is.
  EXPECT_EQ(Read("\xEF\xBB" "0 HEAD"), Lines{"0 HEAD"});
  EXPECT_EQ(Read("1 NOTE \xFF\xFE\n"), Lines{"1 NOTE \xFF\xFE"});
}

TEST(GedcomTextReader, Utf16SurrogatesAndAnOddLastByte) {
  const auto le = [](std::u16string units) {
    std::string s = "\xFF\xFE";
    for (char16_t u : units) s += static_cast<char>(u & 0xFF), s += static_cast<char>(u >> 8);
    return s;
  };
  // A pair is one character of four bytes.
  EXPECT_EQ(Read(le(u"1 NOTE \xD83D\xDE00\n")), Lines{"1 NOTE \xF0\x9F\x98\x80"});
  // A high half without its low half, and a low half alone: U+FFFD each.
  EXPECT_EQ(Read(le(u"1 NOTE a\xD83D" u"b\xDE00" u"c\n")), Lines{"1 NOTE a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c"});
  EXPECT_EQ(Read(le(u"1 NOTE a\xD83D")), Lines{"1 NOTE a\xEF\xBF\xBD"});
  // An odd byte at the very end.
  EXPECT_EQ(Read(le(u"1 NOTE a") + "b"), Lines{"1 NOTE a\xEF\xBF\xBD"});
}

// Bytes of one value in a file that declares ANSEL, through a NAME line.
std::string AnselName(const std::string& value) {
  const Lines lines = Read("0 HEAD\n1 CHAR ANSEL\n0 @I1@ INDI\n1 NAME " + value + "\n");
  return lines.size() == 4 ? lines[3].substr(7) : "<lost>";
}

TEST(AnselReading, TheNotesExamplesByteForByte) {
  EXPECT_EQ(AnselName("\x4D\xE8\x75\x6C\x6C\x65\x72"), "\x4D\xC3\xBC\x6C\x6C\x65\x72");
  EXPECT_EQ(AnselName("\xE2\x45\x6D\x69\x6C\x65"), "\xC3\x89\x6D\x69\x6C\x65");
  EXPECT_EQ(AnselName("\x47\x72\xE8\x75\x62\x65\x72"), "\x47\x72\xC3\xBC\x62\x65\x72");
  EXPECT_EQ(AnselName("\x4E\x67\x75\x79\xE3\xE4\x65\x6E"), "\x4E\x67\x75\x79\xE1\xBB\x85\x6E");
  EXPECT_EQ(AnselName("\x4E\x67\x75\x79\xE4\xE3\x65\x6E"), "\x4E\x67\x75\x79\xE1\xBA\xBD\xCC\x82\x6E");
  EXPECT_EQ(AnselName("\x56\x69\xF2\xE3\x65\x74"), "\x56\x69\xE1\xBB\x87\x74");
  EXPECT_EQ(AnselName("\x4A\x6F\x73\xE9"), "\x4A\x6F\x73\xCC\x8C");
  EXPECT_EQ(AnselName("\xA1\xE2\x6F\x64\xE2\x7A"), "\xC5\x81\xC3\xB3\x64\xC5\xBA");
  EXPECT_EQ(AnselName("\xA2\x73\x74\x65\x72\x67\x61\x61\x72\x64"), "\xC3\x98\x73\x74\x65\x72\x67\x61\x61\x72\x64");
  EXPECT_EQ(AnselName("\x53\x6B\x6A\xB5\x72\x62\xB5\x6B"), "\x53\x6B\x6A\xC3\xA6\x72\x62\xC3\xA6\x6B");
  EXPECT_EQ(AnselName("\x4D\xC3\xBC\x6C\x6C\x65\x72"), "\x4D\xC3\xBC\x6C\x6C\x65\x72");
  EXPECT_EQ(AnselName("\x4D\x88\x6C\x6C\x65\x72"), "\x4D\x88\x6C\x6C\x65\x72");
}

TEST(AnselReading, MarksOnSpacingLettersSpacesAndTheLineEnd) {
  EXPECT_EQ(AnselName("\xE2\xA2"), "\xC7\xBE");           // Ø + acute = Ǿ
  EXPECT_EQ(AnselName("\xE0" "a\xFE" "a"), "\xE1\xBA\xA3" "a\xCC\x93");  // the first and last marks
  EXPECT_EQ(AnselName("a\xE8 b"), "a \xCC\x88" "b");      // a mark on a space
  EXPECT_EQ(AnselName("e\xE2"), "e\xCC\x81");             // not composed backwards
  EXPECT_EQ(AnselName("x\xE3\xF2"), "x\xCC\x82\xCC\xA3");  // a trailing run keeps its order
  EXPECT_EQ(AnselName("\xA4\xB4\xCD\xCE\xCF\xC7\xC8\xBE\xFC" "o"), "\xC3\x9E\xC3\xBE" "eo\xC3\x9F\xC3\x9F\xE2\x82\xAC\xE2\x96\xA1o\xCC\xB8");  // no ø: NFC does not compose a slash
  // Every byte the table leaves out keeps the line as read.
  for (int b : {0x80, 0x9F, 0xA0, 0xAF, 0xBB, 0xC9, 0xCC, 0xD0, 0xDF, 0xFD, 0xFF}) {
    const std::string v = std::string("M\xE8u") + static_cast<char>(b);
    EXPECT_EQ(AnselName(v), v) << b;
  }
}

// Every combining mark before a letter, against the composed letter written
// out by hand. Where Unicode has no precomposed letter the mark follows the
// base as a combining character.
TEST(AnselReading, EveryMarkOnALetter) {
  const struct {
    const char* ansel;
    const char* utf8;
    const char* what;
  } cases[] = {
      {"\xE0" "a", "\xE1\xBA\xA3", "hook above: U+1EA3"},
      {"\xE1" "e", "\xC3\xA8", "grave: U+00E8"},
      {"\xE2" "e", "\xC3\xA9", "acute: U+00E9"},
      {"\xE3" "o", "\xC3\xB4", "circumflex: U+00F4"},
      {"\xE4" "n", "\xC3\xB1", "tilde: U+00F1"},
      {"\xE5" "a", "\xC4\x81", "macron: U+0101"},
      {"\xE6" "g", "\xC4\x9F", "breve: U+011F"},
      {"\xE7" "z", "\xC5\xBC", "dot above: U+017C"},
      {"\xE8" "u", "\xC3\xBC", "diaeresis: U+00FC"},
      {"\xE9" "s", "\xC5\xA1", "caron: U+0161"},
      {"\xEA" "a", "\xC3\xA5", "ring above: U+00E5"},
      {"\xEB" "t", "t\xEF\xB8\xA0", "ligature left half: U+FE20"},
      {"\xEC" "s", "s\xEF\xB8\xA1", "ligature right half: U+FE21"},
      {"\xED" "h", "h\xCC\x95", "comma above right: U+0315"},
      {"\xEE" "o", "\xC5\x91", "double acute: U+0151"},
      {"\xEF" "m", "m\xCC\x90", "candrabindu: U+0310"},
      {"\xF0" "c", "\xC3\xA7", "cedilla: U+00E7"},
      {"\xF1" "a", "\xC4\x85", "ogonek: U+0105"},
      {"\xF2" "d", "\xE1\xB8\x8D", "dot below: U+1E0D"},
      {"\xF3" "u", "\xE1\xB9\xB3", "diaeresis below: U+1E73"},
      {"\xF4" "a", "\xE1\xB8\x81", "ring below: U+1E01"},
      {"\xF5" "x", "x\xCC\xB3", "double low line: U+0333"},
      {"\xF6" "x", "x\xCC\xB2", "low line: U+0332"},
      {"\xF7" "s", "\xC8\x99", "comma below: U+0219"},
      {"\xF8" "r", "r\xCC\x9C", "left half ring below: U+031C"},
      {"\xF9" "h", "\xE1\xB8\xAB", "breve below: U+1E2B"},
      {"\xFA" "n", "n\xEF\xB8\xA2", "double tilde left half: U+FE22"},
      {"\xFB" "g", "g\xEF\xB8\xA3", "double tilde right half: U+FE23"},
      {"\xFC" "=", "\xE2\x89\xA0", "long solidus on '=': U+2260"},
      {"\xFE" "a", "a\xCC\x93", "comma above: U+0313"},
  };
  for (const auto& c : cases) EXPECT_EQ(AnselName(c.ansel), c.utf8) << c.what;
  // The two marks a misreading would most easily swap, on capitals too.
  EXPECT_EQ(AnselName("\xF0" "C" "\xF7" "S" "\xF0" "s" "\xF7" "T"), "\xC3\x87\xC8\x98\xC5\x9F\xC8\x9A");
}

// Every spacing byte alone, against its character written out by hand.
TEST(AnselReading, EverySpacingCharacter) {
  const struct {
    unsigned char byte;
    const char* utf8;
  } cases[] = {
      {0xA1, "\xC5\x81"},      // L with stroke
      {0xA2, "\xC3\x98"},      // O with stroke
      {0xA3, "\xC4\x90"},      // D with stroke
      {0xA4, "\xC3\x9E"},      // thorn
      {0xA5, "\xC3\x86"},      // AE
      {0xA6, "\xC5\x92"},      // OE
      {0xA7, "\xCA\xB9"},      // prime (soft sign)
      {0xA8, "\xC2\xB7"},      // middle dot
      {0xA9, "\xE2\x99\xAD"},  // flat
      {0xAA, "\xC2\xAE"},      // registered
      {0xAB, "\xC2\xB1"},      // plus-minus
      {0xAC, "\xC6\xA0"},      // O with horn
      {0xAD, "\xC6\xAF"},      // U with horn
      {0xAE, "\xCA\xBE"},      // alif: right half ring
      {0xB0, "\xCA\xBB"},      // ayn: turned comma
      {0xB1, "\xC5\x82"},      // l with stroke
      {0xB2, "\xC3\xB8"},      // o with stroke
      {0xB3, "\xC4\x91"},      // d with stroke
      {0xB4, "\xC3\xBE"},      // thorn
      {0xB5, "\xC3\xA6"},      // ae
      {0xB6, "\xC5\x93"},      // oe
      {0xB7, "\xCA\xBA"},      // double prime (hard sign)
      {0xB8, "\xC4\xB1"},      // dotless i
      {0xB9, "\xC2\xA3"},      // pound
      {0xBA, "\xC3\xB0"},      // eth
      {0xBC, "\xC6\xA1"},      // o with horn
      {0xBD, "\xC6\xB0"},      // u with horn
      {0xBE, "\xE2\x96\xA1"},  // empty box
      {0xBF, "\xE2\x96\xA0"},  // black box
      {0xC0, "\xC2\xB0"},      // degree
      {0xC1, "\xE2\x84\x93"},  // script l
      {0xC2, "\xE2\x84\x97"},  // sound recording copyright
      {0xC3, "\xC2\xA9"},      // copyright
      {0xC4, "\xE2\x99\xAF"},  // sharp
      {0xC5, "\xC2\xBF"},      // inverted question mark
      {0xC6, "\xC2\xA1"},      // inverted exclamation mark
      {0xC7, "\xC3\x9F"},      // sharp s
      {0xC8, "\xE2\x82\xAC"},  // euro
      {0xCD, "e"},             // midline e
      {0xCE, "o"},             // midline o
      {0xCF, "\xC3\x9F"},      // es zet
  };
  for (const auto& c : cases) {
    // Between ASCII letters, so a byte that ate a neighbour shows too.
    EXPECT_EQ(AnselName(std::string("a") + static_cast<char>(c.byte) + "z"), std::string("a") + c.utf8 + "z")
        << std::hex << int{c.byte};
  }
}

TEST(AnselReading, WhereTheHeaderDeclaresIt) {
  const std::string name = "1 NAME M\xE8uller";
  const std::string converted = "1 NAME M\xC3\xBCller";
  // Case does not matter; blanks around the value do not either.
  EXPECT_EQ(Read("0 HEAD\n1 char ansel\n" + name + "\n").back(), converted);
  EXPECT_EQ(Read("0 HEAD\n\t1\t CHAR\tAnsel \n" + name + "\n").back(), converted);
  // Lines before the CHAR line are held and converted too.
  EXPECT_EQ(Read("0 HEAD\n" + name + "\n1 CHAR ANSEL\n")[1], converted);
  // Not CHAR lines: another tag, another level, or after the header.
  EXPECT_EQ(Read("0 HEAD\n1 CHARSET ANSEL\n" + name + "\n").back(), name);
  EXPECT_EQ(Read("0 HEAD\n2 CHAR ANSEL\n" + name + "\n").back(), name);
  EXPECT_EQ(Read("0 HEAD\n0 @I1@ INDI\n1 CHAR ANSEL\n" + name + "\n").back(), name);
  // No CHAR line at all, or one naming a set read as it is.
  EXPECT_EQ(Read("0 HEAD\n0 @I1@ INDI\n" + name + "\n").back(), name);
  EXPECT_EQ(Read("0 HEAD\n1 CHAR ANSI\n" + name + "\n").back(), name);
  EXPECT_EQ(Read(name + "\n"), Lines{name});
}

TEST(CodePageReading, Cp437AndMacRomanForLinesThatAreNotUtf8) {
  const auto read = [](const std::string& set, const std::string& value) {
    return Read("0 HEAD\n1 CHAR " + set + "\n1 NAME " + value + "\n").back().substr(7);
  };
  for (const std::string set : {"IBMPC", "IBM-PC", "IBM PC", "IBM DOS", "MSDOS", "cp437", "CP-437"}) {
    EXPECT_EQ(read(set, "\x81\x9A\xE1"), "\xC3\xBC\xC3\x9C\xC3\x9F") << set;
  }
  EXPECT_EQ(read("IBMPC", "\x1A\x1C\x7F\x81"), "\x1A\x1C\x7F\xC3\xBC");
  EXPECT_EQ(read("IBMPC", "\xE6"), "\xC2\xB5");  // the micro sign, not Greek mu
  for (const std::string set : {"MACINTOSH", "MacRoman", "MAC"}) {
    EXPECT_EQ(read(set, "\x9F\x8E\xDB\xF0"), "\xC3\xBC\xC3\xA9\xE2\x82\xAC\xEF\xA3\xBF") << set;
  }
  // A UTF-8 line stays UTF-8 whatever the header says.
  EXPECT_EQ(read("IBMPC", "\xC3\xBC"), "\xC3\xBC");
  EXPECT_EQ(read("MACINTOSH", "\xC3\xBC"), "\xC3\xBC");
}

TEST(CharsetNames, EveryDeclaredNameAndTheRest) {
  using text::Charset;
  EXPECT_EQ(text::CharsetFromDeclared(" ansel\t"), Charset::kAnsel);
  EXPECT_EQ(text::CharsetFromDeclared("Ibm Dos"), Charset::kCp437);
  EXPECT_EQ(text::CharsetFromDeclared("macintosh"), Charset::kMacRoman);
  for (const char* other : {"", "ANSI", "UTF-8", "ASCII", "UNICODE", "WINDOWS", "IBM WINDOWS", "CP1252",
                            "ISO-8859-1", "LATIN1", "ANSEL2", "IBMPC X"}) {
    EXPECT_EQ(text::CharsetFromDeclared(other), Charset::kNone) << other;
  }
}

TEST(LiteralTextReader, KeepsTheOldTwoModes) {
  // A CR in the first 200 bytes: lines end at CR or CR LF; a lone LF stays.
  EXPECT_EQ(Read<LiteralTextReader>("0 HEAD\r\n1 A\n1 B\r1 C\r\n\r\nlast"),
            (Lines{"0 HEAD", "1 A\n1 B", "1 C", "", "last"}));
  // None: lines end at LF and keep a CR that comes later.
  const std::string first(210, 'x');
  EXPECT_EQ(Read<LiteralTextReader>(first + "\n1 A\r\n1 B"), (Lines{first, "1 A\r", "1 B"}));
  // No byte-order mark is removed; the first line's "0 HEAD" rule does.
  EXPECT_EQ(Read<LiteralTextReader>("\xEF\xBB\xBF" "0 HEAD\n1 CHAR ANSEL\n1 NAME M\xE8u\n"),
            (Lines{"0 HEAD", "1 CHAR ANSEL", "1 NAME M\xE8u"}));
  // In the LF mode every line within the first 100 bytes is tried.
  EXPECT_EQ(Read<LiteralTextReader>("1 X\nab0 HEAD\n"), (Lines{"1 X", "0 HEAD"}));
  EXPECT_EQ(Read<LiteralTextReader>("1 X\r\nab0 HEAD\r\n"), (Lines{"1 X", "ab0 HEAD"}));
}

TEST(GedcomTextReader, HugeLinesKeepTheirHeadAndEnd) {
  // The record kind is read from the end of the line, past the clipped middle.
  const std::string huge = "0 @I1@ " + std::string(3 * kMaxLine, 'x') + " INDI";
  for (const std::string eol : {"\n", "\r\n"}) {
    const Lines lines = Read("0 HEAD" + eol + huge + eol + "1 SEX M");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].size(), kMaxLine);
    EXPECT_EQ(lines[1].substr(0, 7), "0 @I1@ ");
    EXPECT_EQ(lines[1].substr(kMaxLine - 5), " INDI");
    EXPECT_EQ(lines[2], "1 SEX M");
  }
}

TEST(ParseGedRec, PathsAndValues) {
  // Each line after the ones above it, and the path and value it leaves.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"0 @I1@ INDI", "INDI", "I1"},
      {"1 NAME John /Smith/", "INDI:NAME", "John /Smith/"},
      {"2 GIVN John", "INDI:NAME:GIVN", "John"},
      {"1 BIRT", "INDI:BIRT", ""},
      {"2 DATE 1 JAN 1900", "INDI:BIRT:DATE", "1 JAN 1900"},
      {"1 SEX M", "INDI:SEX", "M"},  // the level-2 tag is gone
      {"1 FAMS @F2@", "INDI:FAMS", "F2"},
      {"3 DATE x", "INDI:FAMS::DATE", "x"},  // a skipped level leaves an empty tag
      {"1 NOTE @N5@", "INDI:NOTE", "N5"},
      {"1 NOTE a@b", "INDI:NOTE", "a@b"},
      {"10 FOO bar", "INDI:FOO", "bar"},  // level 10 is read as level 1
      // Two spaces: the untrimmed slice starts with a space, so the @ signs stay.
      {"1 FAMS  @F1@", "INDI:FAMS", "@F1@"},
      {"1 X", "INDI:X", ""},  // three characters are a line
  };
  testing::Session s;
  for (const auto& [line, path, value] : cases) {
    ParseGedRec(s.state, s.ws, line);
    EXPECT_EQ(s.state.parser.current_path, path) << line;
    EXPECT_EQ(s.state.parser.current_value, value) << line;
  }
  EXPECT_TRUE(s.ws.messages.empty());
}

TEST(ParseGedRec, RecordTypeFromTheLastFourCharacters) {
  const std::pair<const char*, const char*> cases[] = {
      {"0 @F3@ FAM", "FAM"}, {"0 HEAD", "HEAD"}, {"0 @N1@ NOTE about INDI", "INDI"}, {"0 @I1@ indi", "indi"}};
  for (const auto& [line, path] : cases) {
    testing::Session s;
    ParseGedRec(s.state, s.ws, line);
    EXPECT_EQ(s.state.parser.current_path, path) << line;
  }
}

TEST(ParseGedRec, BadLinesGiveOneMessageEachAndShortLinesNone) {
  testing::Session s;
  ParseGedRec(s.state, s.ws, "0 @I1@ INDI");
  ParseGedRec(s.state, s.ws, "");
  ParseGedRec(s.state, s.ws, "  1 ");
  EXPECT_TRUE(s.ws.messages.empty());
  ParseGedRec(s.state, s.ws, "Generated by hand");
  ParseGedRec(s.state, s.ws, "  x y z  ");
  ASSERT_EQ(s.ws.messages.size(), 2u);
  EXPECT_EQ(s.ws.messages[0].text, "Problem parsing GedRec: Generated by hand");
  EXPECT_EQ(s.ws.messages[1].text, "Problem parsing GedRec: x y z");
  EXPECT_EQ(s.ws.messages[0].icon, MsgIcon::kExclamation);
  EXPECT_EQ(s.state.parser.current_path, "INDI");  // the bad lines changed nothing
}

}  // namespace
}  // namespace kinsheet
