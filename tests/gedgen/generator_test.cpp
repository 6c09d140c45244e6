// Whole files: sound GEDCOM with exactly the people asked for, the same
// bytes for the same seed, and each option changing only what it should.
#include "generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "gedcom_check.h"

namespace kinsheet::gedgen {
namespace {

using testing::GedFile;

class StringSink : public OutputSink {
 public:
  void Write(std::string_view bytes) override {
    text.append(bytes);
    ++writes;
    largest = std::max(largest, bytes.size());
  }
  std::string text;
  std::size_t writes = 0;
  std::size_t largest = 0;
};

std::string Generate(const GeneratorOptions& options) {
  StringSink sink;
  GenerateGedcom(options, sink);
  return sink.text;
}

GedFile Sound(std::string_view text, std::string_view terminator = "\n") {
  GedFile file = testing::ReadGedcom(text, terminator);
  EXPECT_EQ(file.problems, std::vector<std::string>{});
  return file;
}

// Tags of the lines that carry the family tree: its links, and with them
// the sexes and dates.
const std::string kLinks = " INDI FAM FAMS FAMC HUSB WIFE CHIL ";
const std::string kTree = kLinks + "SEX DATE BIRT DEAT MARR DIV ";

// "level xref TAG value" of the lines with a tag in `keep`, or of all but
// the CHAR line.
std::vector<std::string> Lines(const GedFile& file,
                               std::string_view keep = "") {
  std::vector<std::string> out;
  for (const auto& l : file.lines) {
    if (keep.empty() ? l.tag == "CHAR"
                     : keep.find(" " + l.tag + " ") == keep.npos)
      continue;
    out.push_back(std::to_string(l.level) + l.xref + l.tag + " " + l.value);
  }
  return out;
}

TEST(Gedgen, EveryOptionGivesASoundFileWithThePeopleAndBytesAskedFor) {
  using enum Encoding;
  using enum LineEnd;
  struct Case {
    GeneratorOptions options;
    std::string_view terminator, byte_order_mark, charset;
  };
  const Case cases[] = {
      {{0, 1}, "\n", "", "UTF-8"},
      {{1, 2}, "\n", "", "UTF-8"},
      {{4321, 7, kLf, kUtf8, true}, "\n", "", "UTF-8"},
      {{600, 5, kCrLf}, "\r\n", "", "UTF-8"},
      {{600, 5, kCr}, "\r", "", "UTF-8"},
      {{50, 8, kLf, kUtf8Bom}, "\n", "\xEF\xBB\xBF", "UTF-8"},
      {{3000, 8, kLf, kCp1252}, "\n", "", "ANSI"},
      {{3000, 8, kLf, kAscii}, "\n", "", "ASCII"},
      {{1000, 9, kCrLf, kCp1252, true}, "\r\n", "", "ANSI"},
      {{1000, 10, kLf, kAnsel, true}, "\n", "", "ANSEL"},
      {{400, 21, kCr, kUtf16Le, true}, "\r", "\xFF\xFE", "UNICODE"},
      {{400, 21, kCrLf, kUtf16Be, true}, "\r\n", "\xFE\xFF", "UNICODE"},
  };
  for (const Case& c : cases) {
    const GeneratorOptions& o = c.options;
    SCOPED_TRACE(std::to_string(o.people) + " people in " +
                 std::string(c.charset));
    StringSink sink;
    const GenerationSummary s = GenerateGedcom(o, sink);
    ASSERT_TRUE(sink.text.starts_with(c.byte_order_mark));
    std::string text = sink.text.substr(c.byte_order_mark.size());
    if (IsUtf16(o.encoding)) {
      const auto utf8 = testing::Iconv(
          text, o.encoding == kUtf16Be ? "UTF-16BE" : "UTF-16LE", "UTF-8");
      ASSERT_TRUE(utf8);
      text = *utf8;
    }
    const GedFile file = Sound(text, c.terminator);
    EXPECT_TRUE(std::any_of(file.lines.begin(), file.lines.end(), [&](auto& l) {
      return l.level == 1 && l.tag == "CHAR" && l.value == c.charset;
    }));
    ASSERT_EQ(file.Count("INDI"), o.people);
    for (std::uint64_t i = 1; i <= o.people; ++i)
      ASSERT_EQ(file.records.count("@I" + std::to_string(i) + "@"), 1u) << i;
    EXPECT_EQ(
        (std::vector<std::uint64_t>{s.people, s.families, s.notes, s.sources,
                                    s.repositories, s.lines, s.bytes}),
        (std::vector<std::uint64_t>{
            o.people, file.Count("FAM"), file.Count("NOTE"), file.Count("SOUR"),
            file.Count("REPO"), file.lines.size(), sink.text.size()}));
    const bool unicode =
        o.encoding == kUtf8 || o.encoding == kUtf8Bom || IsUtf16(o.encoding);
    EXPECT_TRUE(o.non_ascii ||
                std::all_of(text.begin(), text.end(), [](char ch) {
                  return static_cast<unsigned char>(ch) < 0x80;
                }));
    // Line ends and encodings change the bytes, never the text; spellings
    // for the encoding change the names, never the tree.
    GeneratorOptions plain = o;
    plain.line_end = kLf;
    plain.encoding = kUtf8;
    if (unicode || !o.non_ascii) {
      EXPECT_EQ(Lines(file), Lines(Sound(Generate(plain))));
    }
    plain.non_ascii = false;
    EXPECT_EQ(Lines(file, kTree), Lines(Sound(Generate(plain)), kTree));
  }
}

TEST(Gedgen, ExactCountWhereverTheLastHouseholdIsCut) {
  for (std::uint64_t n = 1; n <= 200; ++n) {
    SCOPED_TRACE(n);
    ASSERT_EQ(Sound(Generate({n, n})).Count("INDI"), n);
  }
}

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001B3ULL;
  }
  return h;
}

TEST(Gedgen, PinnedBytesAndATreeForEachSeed) {
  // Benchmark figures compare only over the same input: a build with
  // another compiler or standard library must write these very bytes.
  // Change the values only when the generator is changed on purpose.
  EXPECT_EQ(Fnv1a(Generate({3000, 5})), 0x9365C181FC75A116ULL);
  EXPECT_EQ(Fnv1a(Generate({3000, 5, LineEnd::kLf, Encoding::kCp1252, true})),
            0x5A464E32A8C26213ULL);
  EXPECT_NE(Lines(Sound(Generate({800, 1})), kLinks),
            Lines(Sound(Generate({800, 2})), kLinks));
}

TEST(Gedgen, HasTheFeaturesOfRealFiles) {
  const GedFile file = Sound(Generate({5000, 3}));
  // Pointers count under "TAG@", so "NOTE@" are links to NOTE records.
  std::map<std::string, int> tags;
  for (const auto& l : file.lines)
    ++tags[l.tag + (l.level > 0 && l.value.starts_with('@') ? "@" : "")];
  for (const char* tag : {"CONC", "CONT", "NOTE@", "SOUR@"})
    EXPECT_GT(tags[tag], 50) << tag;

  // Every date in one of the usual forms, and every form used.
  const std::string d = "[1-9]|[12][0-9]|3[01]", y = "[0-9]{4}",
                    m = "(JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC)";
  const std::regex forms[] = {
      std::regex("(" + d + ") " + m + " " + y),
      std::regex("(" + d + ") " + m + " " + y + "/[0-9]{2}"),
      std::regex(m + " " + y),
      std::regex(y),
      std::regex("(ABT|CAL|EST) " + y),
      std::regex("(BEF|AFT) " + y),
      std::regex("BET " + y + " AND " + y),
      std::regex("FROM " + y + " TO " + y),
      std::regex("(0[1-9]|[12][0-9]|3[01])/(0[1-9]|1[0-2])/" + y)};
  std::vector<int> used(std::size(forms));
  for (const auto& l : file.lines) {
    if (l.tag != "DATE") continue;
    const auto form =
        std::find_if(std::begin(forms), std::end(forms),
                     [&](auto& r) { return std::regex_match(l.value, r); });
    ASSERT_NE(form, std::end(forms)) << l.value;
    ++used[form - std::begin(forms)];
  }
  for (std::size_t i = 0; i < used.size(); ++i) EXPECT_GT(used[i], 0) << i;
}

TEST(Gedgen, NonAsciiWritesWhatEachEncodingHolds) {
  GeneratorOptions o{2000, 13, LineEnd::kLf, Encoding::kUtf8, true};
  const std::string utf8 = Generate(o);
  ASSERT_TRUE(testing::IsUtf8(utf8));
  // German, Polish, Japanese, and emoji (U+1F000 and on).
  for (const char* has : {"ü", "ß", "ł", "ż", "/山田/", "\xF0\x9F"})
    EXPECT_NE(utf8.find(has), std::string::npos) << has;

  // What an encoding lacks comes in ASCII spelling.
  struct Case {
    Encoding encoding;
    std::vector<std::string_view> has;
    bool (*allowed)(unsigned char);
  };
  const Case cases[] = {
      {Encoding::kCp1252,
       {"M\xFCller", "\x8Aimek", "/Yamada/"},  // Müller, Šimek
       [](unsigned char b) {  // bytes Windows-1252 leaves undefined
         return b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D;
       }},
      {Encoding::kAnsel,
       {"M\xE8uller", "\xB1", "/Yamada/"},  // the mark before its letter; ł
       [](unsigned char b) {  // ASCII, ANSEL's letters and its marks
         return b < 0x80 || (b >= 0xA1 && b <= 0xCF) ||
                (b >= 0xE0 && b <= 0xFE);
       }}};
  for (const Case& c : cases) {
    o.encoding = c.encoding;
    const std::string text = Generate(o);
    for (std::string_view has : c.has)
      EXPECT_NE(text.find(has), std::string::npos) << has;
    for (char ch : text)
      ASSERT_TRUE(c.allowed(static_cast<unsigned char>(ch))) << int(ch);
  }
}

TEST(Gedgen, AsciiFileRefusesNonAsciiNames) {
  StringSink sink;
  EXPECT_THROW(
      GenerateGedcom({10, 1, LineEnd::kLf, Encoding::kAscii, true}, sink),
      std::invalid_argument);
  EXPECT_TRUE(sink.text.empty());
}

TEST(Gedgen, OutputLeavesInBoundedBlocksAsItIsMade) {
  StringSink sink;
  GenerateGedcom({20000, 2}, sink);
  EXPECT_GT(sink.text.size(), 4 * GedcomWriter::kBlockSize);
  EXPECT_GE(sink.writes, sink.text.size() / (GedcomWriter::kBlockSize + 256));
  EXPECT_LE(sink.largest, GedcomWriter::kBlockSize + 256);

  class FailingSink : public OutputSink {
   public:
    void Write(std::string_view) override {
      ++calls;
      throw std::runtime_error("disk full");
    }
    int calls = 0;
  } failing;
  EXPECT_THROW(GenerateGedcom({20000, 2}, failing), std::runtime_error);
  EXPECT_EQ(failing.calls, 1);
}

}  // namespace
}  // namespace kinsheet::gedgen
