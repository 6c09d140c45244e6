#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "gedcom/file_kind.h"
#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

const std::string kAdvice = " A GEDCOM file is a text file (usually .ged) that a family tree program exports.";

// A ZIP's local header for its first entry, named `name`.
std::string ZipHead(const std::string& name) {
  std::string h("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10);
  h += std::string(16, '\x11');  // time, date, CRC, sizes
  h += static_cast<char>(name.size());
  h += std::string("\0\0\0", 3);
  return h + name + std::string(200, '\x9c');
}

std::string RandomBytes(std::size_t n) {
  std::mt19937 gen(24);
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += static_cast<char>(gen() & 0xFF);
  return out;
}

// ASCII text as UTF-16, with or without the byte-order mark.
std::string Utf16(const std::string& ascii, bool big_endian, bool mark) {
  std::string out = mark ? (big_endian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (char c : ascii) {
    out += big_endian ? std::string(1, '\0') + c : std::string(1, c) + '\0';
  }
  return out;
}

const std::vector<std::string> kFamily = {"0 HEAD", "1 CHAR UNICODE", "0 @I1@ INDI", "1 NAME John /Smith/",
                                          "1 FAMS @F1@", "0 @I2@ INDI", "1 NAME Mary /Jones/", "1 FAMS @F1@",
                                          "0 @F1@ FAM", "1 HUSB @I1@", "1 WIFE @I2@", "0 TRLR"};

TEST(NotGedcom, EachKindOfFileGetsOneMessageAndNoLines) {
  const std::string cfb("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0", 12);
  const struct {
    std::string name, bytes, said;
  } kFiles[] = {
      {"empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'), " is a ZIP archive, not a GEDCOM file."},
      {"letter.docx", ZipHead("[Content_Types].xml"),
       " is a word-processor or spreadsheet document (.docx, .xlsx, .odt or the like), not a GEDCOM file."},
      {"letter.odt", ZipHead("mimetype"),
       " is a word-processor or spreadsheet document (.docx, .xlsx, .odt or the like), not a GEDCOM file."},
      {"old.doc", cfb + RandomBytes(500),
       " is a Microsoft Office document (Word 97-2003 .doc, Excel .xls or the like), not a GEDCOM file."},
      {"tree.pdf", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj\n" + RandomBytes(300), " is a PDF document, not a GEDCOM file."},
      {"a.png", "\x89PNG\r\n\x1A\n" + RandomBytes(100), " is a PNG image, not a GEDCOM file."},
      {"a.jpg", "\xFF\xD8\xFF\xE0" + RandomBytes(100), " is a JPEG image, not a GEDCOM file."},
      {"a.gif", "GIF89a" + RandomBytes(100), " is a GIF image, not a GEDCOM file."},
      {"tree.ged.gz", "\x1F\x8B\x08" + RandomBytes(100),
       " is a gzip-compressed file, not a GEDCOM file: uncompress it first."},
      {"notes.rtf", "{\\rtf1\\ansi\\deff0 {\\fonttbl}\n0 HEAD\n", " is an RTF document, not a GEDCOM file."},
      {"noise.ged", RandomBytes(100000), " holds binary data, not text: it is not a GEDCOM file."},
      // Zeros on both sides of each pair: no UTF-16.
      {"padded.bin", std::string(3000, '\0') + RandomBytes(1000),
       " holds binary data, not text: it is not a GEDCOM file."},
      // A terminal sequence in the name (a C1 CSI: the file layer refuses
      // names with C0 controls) is shown escaped too.
      {"x\xC2\x9B" "2J.pdf", "%PDF-1.4\n" + RandomBytes(300), " is a PDF document, not a GEDCOM file."},
  };
  for (const auto& f : kFiles) {
    Session s;
    EXPECT_EQ(s.Load(f.bytes, f.name), LoadOutcome::kNotGedcom) << f.name;
    const std::string shown_name = f.name[1] == '\xC2' ? "x\\u009b2J.pdf" : f.name;
    EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{shown_name + f.said + kAdvice}) << f.name;
    EXPECT_EQ(s.state.load_failure, shown_name + f.said + kAdvice);
    EXPECT_EQ(s.state.work.individual_count, 0);
    EXPECT_EQ(s.state.problem_count, 0) << f.name;
    EXPECT_FALSE(s.ws.busy);
  }
}

TEST(NotGedcom, TextWithZeroBytesStillLoads) {
  // UTF-16 either way round, with and without the mark.
  for (bool big : {false, true}) {
    for (bool mark : {false, true}) {
      Session s;
      EXPECT_EQ(s.Load(Utf16(Ged(kFamily, "\r\n"), big, mark)), LoadOutcome::kLoaded) << big << mark;
      EXPECT_TRUE(s.ws.messages.empty()) << big << mark;
      EXPECT_EQ(s.state.work.individual_count, 2);
      EXPECT_EQ(s.state.work.family_count, 1);
    }
  }
  // Text that is mostly outside ASCII (here U+4E00-U+4EFF, low bytes with
  // zeros among them) is still text.
  std::string cjk = Utf16("0 HEAD\n0 @I1@ INDI\n1 NAME ", false, true);
  for (int i = 0; i < 600; ++i) cjk += std::string(1, static_cast<char>(i & 0xFF)) + "\x4E";
  cjk += Utf16(" /X/\n", false, false);
  EXPECT_EQ(SniffFileKind(cjk), FileKind::kText);
  // A GEDCOM file with stray NULs and a DOS end-of-file mark: text, and
  // the one bad line is reported.
  Session s;
  std::vector<std::string> lines = kFamily;
  lines.insert(lines.begin() + 3, std::string("\0\0 junk", 7));
  EXPECT_EQ(s.Load(Ged(lines) + "\n\x1A"), LoadOutcome::kLoaded);
  EXPECT_EQ(s.ws.MessageTexts(), std::vector<std::string>{"Problem parsing GedRec: \\x00\\x00 junk"});
}

TEST(NotGedcom, QuotedLinesAreEscapedAndCut) {
  Session s;
  std::vector<std::string> lines = kFamily;
  lines.insert(lines.begin() + 2, "\x1b]0;Owned\x07\x1b[2J\x1b[32mAll fine\xC2\x9B" "0m \xE9\xFF");
  lines.insert(lines.begin() + 3, "X" + std::string(1 << 20, 'y'));
  EXPECT_EQ(s.Load(Ged(lines)), LoadOutcome::kLoaded);
  EXPECT_EQ(s.ws.MessageTexts(),
            (std::vector<std::string>{
                "Problem parsing GedRec: \\x1b]0;Owned\\x07\\x1b[2J\\x1b[32mAll fine\\u009b0m \\xe9\\xff",
                "Problem parsing GedRec: X" + std::string(199, 'y') + "\xE2\x80\xA6"}));
  EXPECT_EQ(s.state.work.individual_count, 2);
}

}  // namespace
}  // namespace kinsheet::testing
