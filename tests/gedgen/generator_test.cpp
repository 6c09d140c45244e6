// Whole-file properties of the generator: exact counts, determinism, sound
// structure, and what each option does to the bytes.
#include "generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "gedcom_check.h"

namespace kinsheet::gedgen {
namespace {

using testing::CheckStructure;
using testing::DecodeUtf8;
using testing::GedFile;
using testing::IsValidUtf8;

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

GeneratorOptions Opts(std::uint64_t people, std::uint64_t seed = 1) {
  GeneratorOptions o;
  o.people = people;
  o.seed = seed;
  return o;
}

std::string ToLf(std::string text, std::string_view terminator) {
  std::string out;
  for (std::size_t pos = 0;;) {
    const std::size_t end = text.find(terminator, pos);
    if (end == std::string::npos) {
      out.append(text, pos);
      return out;
    }
    out.append(text, pos, end - pos).push_back('\n');
    pos = end + terminator.size();
  }
}

// The lines that carry the family tree itself: ids, links, sexes, dates.
std::vector<std::string> Skeleton(const GedFile& file) {
  static const std::vector<std::string> kKept = {
      "INDI", "FAM",  "FAMS", "FAMC", "HUSB", "WIFE", "CHIL",
      "SEX",  "DATE", "BIRT", "DEAT", "MARR", "DIV"};
  std::vector<std::string> out;
  for (const auto& l : file.lines) {
    if (std::find(kKept.begin(), kKept.end(), l.tag) == kKept.end()) continue;
    out.push_back(std::to_string(l.level) + l.xref + l.tag + " " + l.value);
  }
  return out;
}

TEST(GedgenCount, PersonCountIsExactAndIdsRunFromOne) {
  for (std::uint64_t n : {0, 1, 2, 3, 5, 17, 100, 1000, 4321}) {
    SCOPED_TRACE(n);
    GedFile file;
    const auto problems =
        CheckStructure(Generate(Opts(n, n + 11)), "\n", &file);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(file.CountRecords("INDI"), n);
    for (std::uint64_t i = 1; i <= n; ++i) {
      ASSERT_TRUE(file.records.count("@I" + std::to_string(i) + "@")) << i;
    }
    EXPECT_EQ(file.records.count("@I" + std::to_string(n + 1) + "@"), 0u);
  }
}

TEST(GedgenCount, SummaryMatchesTheFile) {
  StringSink sink;
  const GenerationSummary s = GenerateGedcom(Opts(3000, 4), sink);
  GedFile file;
  ASSERT_TRUE(CheckStructure(sink.text, "\n", &file).empty());
  EXPECT_EQ(s.people, file.CountRecords("INDI"));
  EXPECT_EQ(s.families, file.CountRecords("FAM"));
  EXPECT_EQ(s.notes, file.CountRecords("NOTE"));
  EXPECT_EQ(s.sources, file.CountRecords("SOUR"));
  EXPECT_EQ(s.repositories, file.CountRecords("REPO"));
  EXPECT_EQ(s.lines, file.lines.size());
  EXPECT_EQ(s.bytes, sink.text.size());
}

TEST(GedgenDeterminism, SameOptionsGiveSameBytes) {
  GeneratorOptions o = Opts(2500, 77);
  o.non_ascii = true;
  o.encoding = Encoding::kCp1252;
  o.line_end = LineEnd::kCrLf;
  EXPECT_EQ(Generate(o), Generate(o));
}

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001B3ULL;
  }
  return h;
}

TEST(GedgenDeterminism, PinnedOutput) {
  // Benchmark figures compare only over the same input: a build with
  // another compiler or standard library must write these very bytes.
  // Change the values only when the generator is changed on purpose.
  GeneratorOptions o = Opts(3000, 5);
  EXPECT_EQ(Fnv1a(Generate(o)), 0x9365C181FC75A116ULL);
  o.non_ascii = true;
  o.encoding = Encoding::kCp1252;
  EXPECT_EQ(Fnv1a(Generate(o)), 0x5A464E32A8C26213ULL);
}

TEST(GedgenDeterminism, SeedChangesTheTreeButNotTheSize) {
  const std::string a = Generate(Opts(800, 1));
  const std::string b = Generate(Opts(800, 2));
  EXPECT_NE(a, b);
  GedFile fa, fb;
  ASSERT_TRUE(CheckStructure(a, "\n", &fa).empty());
  ASSERT_TRUE(CheckStructure(b, "\n", &fb).empty());
  EXPECT_NE(Skeleton(fa), Skeleton(fb));
  EXPECT_EQ(fa.CountRecords("INDI"), fb.CountRecords("INDI"));
}

TEST(GedgenStructure, SoundForManySeedsAndOptions) {
  for (std::uint64_t seed = 1; seed <= 12; ++seed) {
    GeneratorOptions o = Opts(700 + seed * 37, seed * 1000003);
    o.non_ascii = seed % 2 == 0;
    SCOPED_TRACE(seed);
    const auto problems = CheckStructure(Generate(o), "\n");
    EXPECT_TRUE(problems.empty()) << problems.front();
  }
}

TEST(GedgenStructure, HasTheFeaturesOfRealFiles) {
  GeneratorOptions o = Opts(5000, 3);
  o.non_ascii = true;
  GedFile file;
  const std::string text = Generate(o);
  ASSERT_TRUE(CheckStructure(text, "\n", &file).empty());

  std::map<std::string, int> fams_per_person;
  int conc = 0, cont = 0, note_refs = 0, citations = 0, single_parent = 0;
  std::string record, record_tag;
  bool husband = false, wife = false;
  auto close_family = [&] {
    if (record_tag == "FAM" && husband != wife) ++single_parent;
  };
  for (const auto& l : file.lines) {
    if (l.level == 0) {
      close_family();
      record = l.xref;
      record_tag = l.tag;
      husband = wife = false;
    }
    if (l.tag == "FAMS") ++fams_per_person[record];
    if (l.tag == "HUSB") husband = true;
    if (l.tag == "WIFE") wife = true;
    if (l.tag == "CONC") ++conc;
    if (l.tag == "CONT") ++cont;
    if (l.tag == "NOTE" && l.level > 0 && l.value.starts_with("@")) ++note_refs;
    if (l.tag == "SOUR" && l.level > 0) ++citations;
  }
  int remarried = 0;
  for (const auto& [id, n] : fams_per_person) remarried += n > 1 ? 1 : 0;
  EXPECT_GT(remarried, 20);
  EXPECT_GT(single_parent, 20);
  EXPECT_GT(conc, 50);
  EXPECT_GT(cont, 50);
  EXPECT_GT(note_refs, 50);
  EXPECT_GT(citations, 50);

  // People without parents in the file (founders and in-laws) and the
  // spread of families against people stay like real trees'.
  std::size_t with_famc = 0;
  for (const auto& l : file.lines) with_famc += l.tag == "FAMC" ? 1 : 0;
  EXPECT_LT(with_famc, 4500u);
  EXPECT_GT(with_famc, 2500u);

  // Every date form.
  for (const char* form :
       {"2 DATE ABT ", "2 DATE BEF ", "2 DATE AFT ", "2 DATE BET ",
        "2 DATE CAL ", "2 DATE EST ", "2 DATE FROM "}) {
    EXPECT_NE(text.find(form), std::string::npos) << form;
  }
  EXPECT_NE(text.find(" AND "), std::string::npos);
  EXPECT_NE(text.find(" TO "), std::string::npos);
  bool exact = false, month_year = false, year_only = false, slashed = false;
  for (const auto& l : file.lines) {
    if (l.tag != "DATE" || l.level != 2) continue;
    const std::string& v = l.value;
    const bool digits_only =
        v.find_first_not_of("0123456789") == std::string::npos;
    year_only |= digits_only && v.size() == 4;
    slashed |= v.size() == 10 && v[2] == '/' && v[5] == '/';
    month_year |= v.size() == 8 && v[3] == ' ' && v[0] >= 'A' && v[0] <= 'Z';
    exact |= v.size() >= 10 && v[0] >= '1' && v[0] <= '9' && v.find(' ') <= 2 &&
             v[v.find(' ') + 1] >= 'A';
  }
  EXPECT_TRUE(exact);
  EXPECT_TRUE(month_year);
  EXPECT_TRUE(year_only);
  EXPECT_TRUE(slashed);
}

TEST(GedgenStructure, FamiliesAtHalfAMillionPeople) {
  // The benchmark's large files hold about one family for every four people.
  class CountingSink : public OutputSink {
   public:
    void Write(std::string_view bytes) override { size += bytes.size(); }
    std::size_t size = 0;
  } sink;
  const GenerationSummary s = GenerateGedcom(Opts(500000, 1), sink);
  EXPECT_EQ(s.people, 500000u);
  EXPECT_EQ(s.bytes, sink.size);
  EXPECT_LT(s.families, 300000u);
  EXPECT_GT(s.families, 100000u);
}

TEST(GedgenStructure, NotesSurviveContinuation) {
  GeneratorOptions o = Opts(4000, 21);
  o.non_ascii = true;
  GedFile file;
  ASSERT_TRUE(CheckStructure(Generate(o), "\n", &file).empty());
  const auto notes = testing::JoinedNotes(file);
  ASSERT_GT(notes.size(), 100u);
  // Joining CONC pieces must restore whole words and characters: the
  // sentences end with periods and no piece splits a UTF-8 character.
  std::size_t long_ones = 0;
  for (const auto& n : notes) {
    EXPECT_TRUE(IsValidUtf8(n));
    if (n.size() > 255) ++long_ones;
    EXPECT_EQ(n.find("  "), std::string::npos) << n;
  }
  EXPECT_GT(long_ones, 10u);
}

TEST(GedgenLineEnds, EachOptionUsesOnlyItsTerminator) {
  GeneratorOptions o = Opts(600, 5);
  const std::string lf = Generate(o);
  o.line_end = LineEnd::kCrLf;
  const std::string crlf = Generate(o);
  o.line_end = LineEnd::kCr;
  const std::string cr = Generate(o);

  EXPECT_EQ(lf.find('\r'), std::string::npos);
  EXPECT_EQ(cr.find('\n'), std::string::npos);
  const auto lines = std::count(lf.begin(), lf.end(), '\n');
  EXPECT_EQ(std::count(crlf.begin(), crlf.end(), '\n'), lines);
  EXPECT_EQ(std::count(crlf.begin(), crlf.end(), '\r'), lines);
  EXPECT_EQ(std::count(cr.begin(), cr.end(), '\r'), lines);
  EXPECT_TRUE(crlf.ends_with("0 TRLR\r\n"));
  EXPECT_TRUE(cr.ends_with("0 TRLR\r"));

  EXPECT_TRUE(CheckStructure(crlf, "\r\n").empty());
  EXPECT_TRUE(CheckStructure(cr, "\r").empty());
  EXPECT_EQ(ToLf(crlf, "\r\n"), lf);
  EXPECT_EQ(ToLf(cr, "\r"), lf);
}

TEST(GedgenEncoding, AsciiUnlessNonAsciiIsAsked) {
  for (Encoding e : {Encoding::kUtf8, Encoding::kCp1252, Encoding::kAscii}) {
    GeneratorOptions o = Opts(3000, 8);
    o.encoding = e;
    const std::string text = Generate(o);
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x80;
    })) << static_cast<int>(e);
  }
}

TEST(GedgenEncoding, CharLineAndByteOrderMark) {
  GeneratorOptions o = Opts(50, 8);
  o.encoding = Encoding::kUtf8;
  const std::string utf8 = Generate(o);
  o.encoding = Encoding::kUtf8Bom;
  const std::string bom = Generate(o);
  o.encoding = Encoding::kCp1252;
  const std::string cp1252 = Generate(o);
  o.encoding = Encoding::kAscii;
  const std::string ascii = Generate(o);

  EXPECT_TRUE(utf8.starts_with("0 HEAD\n"));
  EXPECT_NE(utf8.find("\n1 CHAR UTF-8\n"), std::string::npos);
  EXPECT_EQ(bom, "\xEF\xBB\xBF" + utf8);
  EXPECT_NE(cp1252.find("\n1 CHAR ANSI\n"), std::string::npos);
  EXPECT_NE(ascii.find("\n1 CHAR ASCII\n"), std::string::npos);
  // Without non-ASCII names the CHAR line is the only difference.
  std::string renamed = cp1252;
  renamed.replace(renamed.find("1 CHAR ANSI"), 11, "1 CHAR UTF-8");
  EXPECT_EQ(renamed, utf8);
}

TEST(GedgenEncoding, Utf16IsTheUtf8TextInSixteenBitUnits) {
  GeneratorOptions o = Opts(400, 21);
  o.non_ascii = true;
  o.encoding = Encoding::kUtf8;
  std::string utf8 = Generate(o);
  utf8.replace(utf8.find("1 CHAR UTF-8"), 12, "1 CHAR UNICODE");
  for (Encoding e : {Encoding::kUtf16Le, Encoding::kUtf16Be}) {
    o.encoding = e;
    const std::string wide = Generate(o);
    ASSERT_EQ(wide.size() % 2, 0u);
    const bool be = e == Encoding::kUtf16Be;
    EXPECT_EQ(wide.substr(0, 2), be ? "\xFE\xFF" : "\xFF\xFE");
    std::u16string units;
    for (std::size_t i = 2; i + 1 < wide.size(); i += 2) {
      const auto a = static_cast<unsigned char>(wide[i]), b = static_cast<unsigned char>(wide[i + 1]);
      units.push_back(static_cast<char16_t>(be ? (a << 8 | b) : (b << 8 | a)));
    }
    // Back through an independent decoder: the same text, emoji as pairs.
    std::string back;
    for (std::size_t i = 0; i < units.size(); ++i) {
      char32_t c = units[i];
      if (c >= 0xD800 && c <= 0xDBFF) c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
      if (c < 0x80) {
        back += static_cast<char>(c);
      } else if (c < 0x800) {
        back += static_cast<char>(0xC0 | c >> 6), back += static_cast<char>(0x80 | (c & 0x3F));
      } else if (c < 0x10000) {
        back += static_cast<char>(0xE0 | c >> 12), back += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        back += static_cast<char>(0x80 | (c & 0x3F));
      } else {
        back += static_cast<char>(0xF0 | c >> 18), back += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        back += static_cast<char>(0x80 | (c >> 6 & 0x3F)), back += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    EXPECT_EQ(back, utf8);
  }
}

TEST(GedgenEncoding, AnselWritesMarksBeforeTheirLetters) {
  GeneratorOptions o = Opts(6000, 13);
  o.non_ascii = true;
  o.encoding = Encoding::kAnsel;
  const std::string text = Generate(o);
  EXPECT_NE(text.find("\n1 CHAR ANSEL\n"), std::string::npos);
  EXPECT_NE(text.find("M\xE8uller"), std::string::npos);  // Müller: diaeresis, then u
  EXPECT_NE(text.find("\xB1"), std::string::npos);        // ł
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    // Only ANSEL's letters (0xA1-0xCF) and marks (0xE0-0xFE) above ASCII.
    EXPECT_TRUE(b < 0x80 || (b >= 0xA1 && b <= 0xCF) || (b >= 0xE0 && b <= 0xFE)) << int(b);
  }
  // What ANSEL lacks comes in ASCII spelling: the same tree.
  o.encoding = Encoding::kUtf8;
  const std::string utf8 = Generate(o);
  if (utf8.find("/\xE5\xB1\xB1\xE7\x94\xB0/") != std::string::npos) {  // /山田/
    EXPECT_NE(text.find("/Yamada/"), std::string::npos);
  }
  GedFile a, b;
  ASSERT_TRUE(CheckStructure(text, "\n", &a).empty());
  ASSERT_TRUE(CheckStructure(utf8, "\n", &b).empty());
  EXPECT_EQ(a.CountRecords("INDI"), b.CountRecords("INDI"));
  EXPECT_EQ(a.CountRecords("FAM"), b.CountRecords("FAM"));
}

TEST(GedgenEncoding, NonAsciiUtf8HoldsEveryScript) {
  GeneratorOptions o = Opts(6000, 13);
  o.non_ascii = true;
  o.encoding = Encoding::kUtf8;
  const std::string text = Generate(o);
  ASSERT_TRUE(IsValidUtf8(text));
  const std::u32string chars = DecodeUtf8(text);
  auto any = [&](auto pred) {
    return std::any_of(chars.begin(), chars.end(), pred);
  };
  EXPECT_TRUE(any([](char32_t c) {
    return c == U'ü' || c == U'ö' || c == U'ß';
  })) << "German";
  EXPECT_TRUE(any([](char32_t c) {
    return c == U'ł' || c == U'ś' || c == U'ż' || c == U'ą';
  })) << "Polish";
  EXPECT_TRUE(any([](char32_t c) { return c >= 0x4E00 && c <= 0x9FFF; }))
      << "Japanese";
  EXPECT_TRUE(any([](char32_t c) { return c >= 0x1F300 && c <= 0x1FAFF; }))
      << "emoji";
}

TEST(GedgenEncoding, NonAsciiCp1252HoldsOnlyWhatItCan) {
  GeneratorOptions o = Opts(6000, 13);
  o.non_ascii = true;
  o.encoding = Encoding::kCp1252;
  const std::string text = Generate(o);
  std::size_t high = 0, c1 = 0;
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) continue;
    ++high;
    // Bytes Windows-1252 leaves undefined never appear.
    EXPECT_TRUE(b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D)
        << int(b);
    if (b < 0xA0) ++c1;  // Œ, Š, Ž and their kin
  }
  EXPECT_GT(high, 100u);
  EXPECT_GT(c1, 0u);
  EXPECT_FALSE(IsValidUtf8(text));
  EXPECT_NE(text.find("M\xFCller"), std::string::npos);  // Müller
  // Names cp1252 cannot hold come in their ASCII spellings, same tree.
  o.encoding = Encoding::kUtf8;
  const std::string utf8 = Generate(o);
  if (utf8.find("/\xE5\xB1\xB1\xE7\x94\xB0/") != std::string::npos) {  // /山田/
    EXPECT_NE(text.find("/Yamada/"), std::string::npos);
  }
  GedFile a, b;
  ASSERT_TRUE(CheckStructure(text, "\n", &a).empty());
  ASSERT_TRUE(CheckStructure(utf8, "\n", &b).empty());
  EXPECT_EQ(Skeleton(a), Skeleton(b));
}

TEST(GedgenEncoding, NonAsciiChangesSpellingsOnly) {
  GeneratorOptions o = Opts(2000, 31);
  const std::string plain = Generate(o);
  o.non_ascii = true;
  const std::string native = Generate(o);
  EXPECT_NE(plain, native);
  GedFile a, b;
  ASSERT_TRUE(CheckStructure(plain, "\n", &a).empty());
  ASSERT_TRUE(CheckStructure(native, "\n", &b).empty());
  EXPECT_EQ(Skeleton(a), Skeleton(b));
}

TEST(GedgenEncoding, AsciiFileRefusesNonAsciiNames) {
  GeneratorOptions o = Opts(10, 1);
  o.non_ascii = true;
  o.encoding = Encoding::kAscii;
  StringSink sink;
  EXPECT_THROW(GenerateGedcom(o, sink), std::invalid_argument);
  EXPECT_TRUE(sink.text.empty());
}

TEST(GedgenStreaming, OutputLeavesInBoundedBlocksAsItIsMade) {
  StringSink sink;
  GenerateGedcom(Opts(20000, 2), sink);
  EXPECT_GT(sink.text.size(), 4 * GedcomWriter::kBlockSize);
  EXPECT_GE(sink.writes, sink.text.size() / (GedcomWriter::kBlockSize + 256));
  EXPECT_LE(sink.largest, GedcomWriter::kBlockSize + 256);
}

TEST(GedgenStreaming, SinkFailureStopsGeneration) {
  class FailingSink : public OutputSink {
   public:
    void Write(std::string_view) override {
      ++calls;
      throw std::runtime_error("disk full");
    }
    int calls = 0;
  } sink;
  EXPECT_THROW(GenerateGedcom(Opts(20000, 2), sink), std::runtime_error);
  EXPECT_EQ(sink.calls, 1);
}

}  // namespace
}  // namespace kinsheet::gedgen
