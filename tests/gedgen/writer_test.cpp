// Line formatting, text continuation and encoding of single values.
#include <gtest/gtest.h>

#include <string>

#include "gedcom_check.h"
#include "gedcom_writer.h"
#include "name_pools.h"
#include "records.h"

namespace kinsheet::gedgen {
namespace {

class StringSink : public OutputSink {
 public:
  void Write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

std::string Written(LineEnd end, Encoding enc, void (*body)(GedcomWriter&)) {
  StringSink sink;
  GedcomWriter w(sink, end, enc);
  body(w);
  w.Flush();
  return sink.text;
}

TEST(GedcomWriterLine, ExactBytes) {
  EXPECT_EQ(
      Written(LineEnd::kCrLf, Encoding::kUtf8,
              [](GedcomWriter& w) {
                w.Record('I', 12, "INDI");
                w.Line(1, "NAME", "John /Smith/");
                w.Line(1, "BIRT");
                w.Pointer(1, "FAMS", 'F', 300000);
              }),
      "0 @I12@ INDI\r\n1 NAME John /Smith/\r\n1 BIRT\r\n1 FAMS @F300000@\r\n");
  EXPECT_EQ(Written(LineEnd::kCr, Encoding::kUtf8,
                    [](GedcomWriter& w) { w.Line(0, "TRLR"); }),
            "0 TRLR\r");
}

TEST(GedcomWriterLine, Cp1252TranscodesValuesOnly) {
  EXPECT_EQ(
      Written(LineEnd::kLf, Encoding::kCp1252,
              [](GedcomWriter& w) {
                w.Line(2, "PLAC", "Köln, Œuvre, 5 €, Šimek, Žižka, naïve");
              }),
      "2 PLAC K\xF6ln, \x8Cuvre, 5 \x80, \x8Aimek, \x8E\x69\x9Eka, na\xEFve\n");
  EXPECT_EQ(Written(LineEnd::kLf, Encoding::kUtf8,
                    [](GedcomWriter& w) { w.Line(2, "PLAC", "Köln"); }),
            "2 PLAC K\xC3\xB6ln\n");
}

TEST(GedcomWriterLine, CountsLinesAndBytes) {
  StringSink sink;
  GedcomWriter w(sink, LineEnd::kCrLf, Encoding::kUtf8);
  w.Raw("\xEF\xBB\xBF");
  w.Line(0, "HEAD");
  w.Text(1, "NOTE", "a\nb");
  EXPECT_EQ(w.lines(), 3u);
  EXPECT_EQ(w.bytes(), 3u + 8 + 10 + 10);
  w.Flush();
  EXPECT_EQ(sink.text.size(), w.bytes());
}

TEST(TextCut, NeverSplitsCharactersOrSpacesFromWords) {
  EXPECT_EQ(TextCut("short", 10), 5u);
  EXPECT_EQ(TextCut("abcdefghij", 10), 10u);
  // "hello world": a cut at 6 would start the next piece with "w" but end
  // this one with a space; 5 would start the next with a space.
  EXPECT_EQ(TextCut("hello world again", 6), 4u);
  // "ü" is two bytes at 3..4: a cut at 4 would split it.
  EXPECT_EQ(TextCut("abcüdefgh", 4), 3u);
  // Four-byte emoji.
  const std::string emoji = "ab\xF0\x9F\x8C\xB8\xF0\x9F\x8C\xB8zz";
  const std::size_t cut = TextCut(emoji, 7);
  EXPECT_EQ(cut, 6u);
}

struct TextCase {
  std::string text;
  std::size_t chunk;
  friend void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.text.size() << " bytes in pieces of " << c.chunk;
  }
};

class GedcomWriterText : public ::testing::TestWithParam<TextCase> {};

TEST_P(GedcomWriterText, RoundTripsThroughConcAndCont) {
  const TextCase& c = GetParam();
  StringSink sink;
  GedcomWriter w(sink, LineEnd::kLf, Encoding::kUtf8);
  w.Line(0, "HEAD");
  w.Text(1, "NOTE", c.text, c.chunk);
  w.RecordText('N', 7, "NOTE", c.text, c.chunk, false);
  w.Line(0, "TRLR");
  w.Flush();
  testing::GedFile file;
  const auto problems = testing::CheckStructure(sink.text, "\n", &file);
  ASSERT_TRUE(problems.empty()) << problems.front() << "\n" << sink.text;
  const auto notes = testing::JoinedNotes(file);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0], c.text);
  EXPECT_EQ(notes[1], c.text);
  for (const auto& l : file.lines) {
    EXPECT_LE(l.value.size(), c.chunk);
    EXPECT_TRUE(testing::IsValidUtf8(l.value)) << l.value;
  }
  // The record form keeps its head line empty.
  EXPECT_NE(sink.text.find("0 @N7@ NOTE\n1 CON"), std::string::npos);
}

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GedcomWriterText,
    ::testing::Values(
        TextCase{"One line.", 60},
        TextCase{
            Repeat("Witnesses were Jan and Zofia Wiśniewska. ", 12) + "End.",
            60},
        TextCase{Repeat("Ich heiße Jürgen Größ und wohne in München. ", 20) +
                     "Ende.",
                 17},
        TextCase{"First paragraph.\n\nThird after an empty one.\nFourth.", 80},
        TextCase{Repeat("山田太郎は東京都に住んでいました。", 30), 60},
        TextCase{Repeat("Lily 🌸 Rose 🌹 ", 40) + "x", 10},
        TextCase{Repeat("abcdefghij", 100), 230},
        TextCase{"Line one.\nLine two is long enough to need " +
                     Repeat("continuation ", 30) + "to the end.",
                 120}));

TEST(RecordComposerSpell, NativeOnlyWhereTheEncodingHoldsIt) {
  StringSink sink;
  GedcomWriter w(sink, LineEnd::kLf, Encoding::kUtf8);
  const Spelling muller{"Müller", "Mueller"};
  const Spelling lukasz{"Łukasz", "Lukasz"};
  const Spelling yamada{"山田", "Yamada"};
  const Spelling flower{"🌸", ""};
  const Spelling smith{"Smith"};

  RecordComposer utf8(w, Encoding::kUtf8, true, 1);
  EXPECT_EQ(utf8.Spell(muller), "Müller");
  EXPECT_EQ(utf8.Spell(lukasz), "Łukasz");
  EXPECT_EQ(utf8.Spell(yamada), "山田");
  EXPECT_EQ(utf8.Spell(flower), "🌸");
  EXPECT_EQ(utf8.Spell(smith), "Smith");

  RecordComposer cp1252(w, Encoding::kCp1252, true, 1);
  EXPECT_EQ(cp1252.Spell(muller), "Müller");
  EXPECT_EQ(cp1252.Spell(lukasz), "Lukasz");
  EXPECT_EQ(cp1252.Spell(yamada), "Yamada");
  EXPECT_EQ(cp1252.Spell(flower), "");

  RecordComposer plain(w, Encoding::kUtf8, false, 1);
  EXPECT_EQ(plain.Spell(muller), "Mueller");
  EXPECT_EQ(plain.Spell(yamada), "Yamada");
  EXPECT_EQ(plain.Spell(smith), "Smith");
}

TEST(FeminineSurname, PolishAndCzechForms) {
  EXPECT_EQ(FeminineSurname("Kowalski", FeminineRule::kPolish, false),
            "Kowalska");
  EXPECT_EQ(FeminineSurname("Gródecki", FeminineRule::kPolish, false),
            "Gródecka");
  EXPECT_EQ(FeminineSurname("Nowak", FeminineRule::kPolish, false), "Nowak");
  EXPECT_EQ(FeminineSurname("Novák", FeminineRule::kCzech, false), "Nováková");
  EXPECT_EQ(FeminineSurname("Novak", FeminineRule::kCzech, true), "Novakova");
  EXPECT_EQ(FeminineSurname("Černý", FeminineRule::kCzech, false), "Černá");
  EXPECT_EQ(FeminineSurname("Cerny", FeminineRule::kCzech, true), "Cerna");
  EXPECT_EQ(FeminineSurname("Svoboda", FeminineRule::kCzech, false),
            "Svobodová");
  EXPECT_EQ(FeminineSurname("Hájek", FeminineRule::kCzech, false), "Hájková");
  EXPECT_EQ(FeminineSurname("Němec", FeminineRule::kCzech, false), "Němcová");
  EXPECT_EQ(FeminineSurname("Smith", FeminineRule::kNone, false), "Smith");
}

TEST(NamePools, AsciiSpellingsAreAsciiAndNativeOnesValid) {
  auto check = [](const Spelling& s) {
    EXPECT_TRUE(testing::IsValidUtf8(s.native)) << s.native;
    for (char c : s.Ascii())
      EXPECT_LT(static_cast<unsigned char>(c), 0x80) << s.native;
    if (s.ascii == nullptr) {
      for (char c : std::string_view(s.native)) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80)
            << s.native << " needs an ASCII form";
      }
    }
  };
  for (const Culture& c : Cultures()) {
    for (auto pool : {c.male, c.female, c.surnames, c.places}) {
      EXPECT_FALSE(pool.empty()) << c.name;
      for (const Spelling& s : pool) check(s);
    }
  }
  for (const Spelling& s : EmigrationPlaces()) check(s);
  for (const Spelling& s : Nicknames()) check(s);
}

}  // namespace
}  // namespace kinsheet::gedgen
