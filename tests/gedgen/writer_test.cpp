// Line formatting, text continuation, spellings and the name pools.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(GedcomWriter, ExactBytes) {
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
  EXPECT_EQ(
      Written(LineEnd::kLf, Encoding::kCp1252,
              [](GedcomWriter& w) {
                w.Line(2, "PLAC", "Köln, Œuvre, 5 €, Šimek, Žižka, naïve");
              }),
      "2 PLAC K\xF6ln, \x8Cuvre, 5 \x80, \x8Aimek, \x8E\x69\x9Eka, na\xEFve\n");
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
  EXPECT_EQ(TextCut("ab\xF0\x9F\x8C\xB8\xF0\x9F\x8C\xB8zz", 7), 6u);
}

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(GedcomWriter, TextRoundTripsThroughConcAndCont) {
  const struct {
    std::string text;
    std::size_t chunk;
  } cases[] = {
      {"One line.", 60},
      {Repeat("Ich heiße Jürgen Größ und wohne in München. ", 20) + "Ende.",
       17},
      {"First paragraph.\n\nThird after an empty one.\nFourth.", 80},
      {Repeat("山田太郎は東京都に住んでいました。", 30), 60},
      {Repeat("Lily 🌸 Rose 🌹 ", 40) + "x", 10},
      {Repeat("abcdefghij", 100), 230},
      {"Line one.\nLine two is long enough to need " +
           Repeat("continuation ", 30) + "to the end.",
       120}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 30) + ", pieces of " +
                 std::to_string(c.chunk));
    StringSink sink;
    GedcomWriter w(sink, LineEnd::kLf, Encoding::kUtf8);
    w.Line(0, "HEAD");
    w.Text(1, "NOTE", c.text, c.chunk);
    w.RecordText('N', 7, "NOTE", c.text, c.chunk, false);
    w.Line(0, "TRLR");
    w.Flush();
    const testing::GedFile file = testing::ReadGedcom(sink.text, "\n");
    ASSERT_EQ(file.problems, std::vector<std::string>{}) << sink.text;
    EXPECT_EQ(testing::JoinedNotes(file),
              (std::vector<std::string>{c.text, c.text}));
    for (const auto& l : file.lines) {
      EXPECT_LE(l.value.size(), c.chunk);
      EXPECT_TRUE(testing::IsUtf8(l.value)) << l.value;
    }
    // The record form keeps its head line empty.
    EXPECT_NE(sink.text.find("0 @N7@ NOTE\n1 CON"), std::string::npos);
  }
}

TEST(RecordComposer, SpellsNativeOnlyWhereTheEncodingHoldsIt) {
  const Spelling spellings[] = {{"Müller", "Mueller"},
                                {"Łukasz", "Lukasz"},
                                {"山田", "Yamada"},
                                {"🌸", ""},
                                {"Smith"}};
  const struct {
    Encoding encoding;
    bool non_ascii;
    std::vector<std::string_view> spelt;
  } cases[] = {
      {Encoding::kUtf8, true, {"Müller", "Łukasz", "山田", "🌸", "Smith"}},
      {Encoding::kCp1252, true, {"Müller", "Lukasz", "Yamada", "", "Smith"}},
      {Encoding::kAnsel, true, {"Müller", "Łukasz", "Yamada", "", "Smith"}},
      {Encoding::kUtf8, false, {"Mueller", "Lukasz", "Yamada", "", "Smith"}}};
  StringSink sink;
  GedcomWriter w(sink, LineEnd::kLf, Encoding::kUtf8);
  for (const auto& c : cases) {
    RecordComposer composer(w, c.encoding, c.non_ascii, 1);
    std::vector<std::string_view> spelt;
    for (const Spelling& s : spellings) spelt.push_back(composer.Spell(s));
    EXPECT_EQ(spelt, c.spelt);
  }
}

TEST(FeminineSurname, PolishAndCzechForms) {
  const struct {
    std::string_view surname;
    FeminineRule rule;
    bool ascii_form;
    std::string_view feminine;
  } cases[] = {{"Kowalski", FeminineRule::kPolish, false, "Kowalska"},
               {"Gródecki", FeminineRule::kPolish, false, "Gródecka"},
               {"Nowak", FeminineRule::kPolish, false, "Nowak"},
               {"Novák", FeminineRule::kCzech, false, "Nováková"},
               {"Novak", FeminineRule::kCzech, true, "Novakova"},
               {"Černý", FeminineRule::kCzech, false, "Černá"},
               {"Cerny", FeminineRule::kCzech, true, "Cerna"},
               {"Svoboda", FeminineRule::kCzech, false, "Svobodová"},
               {"Hájek", FeminineRule::kCzech, false, "Hájková"},
               {"Němec", FeminineRule::kCzech, false, "Němcová"},
               {"Smith", FeminineRule::kNone, false, "Smith"}};
  for (const auto& c : cases) {
    EXPECT_EQ(FeminineSurname(c.surname, c.rule, c.ascii_form), c.feminine)
        << c.surname;
  }
}

TEST(NamePools, AsciiSpellingsAreAsciiAndNativeOnesValid) {
  auto check = [](const Spelling& s) {
    EXPECT_TRUE(testing::IsUtf8(s.native)) << s.native;
    // Without an ASCII form the native one must be ASCII.
    for (char c : s.Ascii())
      EXPECT_LT(static_cast<unsigned char>(c), 0x80) << s.native;
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
