// A tree larger than any fixed id table: 600,012 people and 300,006
// families, made here, loaded and exported as CSV through the real code.
#include <gtest/gtest.h>

#include <string>

#include "support/fixtures.h"

namespace kinsheet::testing {
namespace {

constexpr int kFamilies = 300005;           // F1..F300005
constexpr int kPeople = 2 * kFamilies;      // I1..I600010, husband 2k-1 and wife 2k of Fk
constexpr int kDuplicatePerson = 600011;    // a second I5, after everyone
constexpr int kDuplicateFamily = 300006;    // a second F300001, after every family

// Person i is a partner of family (i + 1) / 2 and, from I3 on, a child of
// the family before that one.
int OwnFamily(int i) { return (i + 1) / 2; }
int ChildOf(int i) { return OwnFamily(i) - 1; }

std::string LargeTree() {
  std::string g = "0 HEAD\n";
  g.reserve(64u * (kPeople + kFamilies));
  for (int i = 1; i <= kPeople; ++i) {
    const std::string n = std::to_string(i);
    g += "0 @I" + n + "@ INDI\n1 NAME P" + n + " /S/\n1 FAMS @F" + std::to_string(OwnFamily(i)) +
         "@\n";
    if (i > 2) g += "1 FAMC @F" + std::to_string(ChildOf(i)) + "@\n";
  }
  g += "0 @I5@ INDI\n1 NAME Later /Five/\n";
  g += "0 @I600012@ INDI\n1 NAME Last /One/\n";  // in no family
  for (int k = 1; k <= kFamilies; ++k) {
    g += "0 @F" + std::to_string(k) + "@ FAM\n1 HUSB @I" + std::to_string(2 * k - 1) +
         "@\n1 WIFE @I" + std::to_string(2 * k) + "@\n";
  }
  g += "0 @F300001@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n";
  return g + "0 TRLR\n";
}

// The value of each CSV field between its quotes.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t end = line.find('"', at + 1);
    out.push_back(line.substr(at + 1, end - at - 1));
    at = end + 2;  // past the closing quote and the comma
  }
  return out;
}

TEST(LargeTree, EveryPersonHasARowAndEveryFamilyItsPartners) {
  Session s;
  ASSERT_EQ(s.Load(LargeTree()), LoadOutcome::kLoaded);
  EXPECT_TRUE(s.ws.MessageTexts().empty());
  ASSERT_EQ(s.state.work.individual_count, kDuplicatePerson + 1);
  ASSERT_EQ(s.state.work.family_count, kDuplicateFamily);

  s.Tick({16, 22, 23, 27, 24, 20});  // ids of the person, parents, family and spouse; spouse name
  ASSERT_TRUE(s.Export(3, "large.csv"));
  const std::string csv = ReadBytes(s.dir.File("large.csv"));
  std::size_t at = csv.find("\r\n") + 2;
  ASSERT_EQ(csv.substr(0, at),
            "\"INDI_ID\",\"Father_ID\",\"Mother_ID\",\"FAMS_ID\",\"Spouse_ID\",\"Spouse\","
            "\"FAMS_ID 2\",\"Spouse_ID 2\",\"Spouse 2\",\"FAMS_ID 3\",\"Spouse_ID 3\","
            "\"Spouse 3\"\r\n")
      << "the columns below are read by position";
  int rows = 0;
  while (at < csv.size()) {
    const std::size_t end = csv.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const auto f = Fields(std::string_view(csv).substr(at, end - at));
    at = end + 2;
    const int i = ++rows;
    ASSERT_EQ(f.size(), 12u) << i;
    if (i > kPeople) {
      ASSERT_EQ(f[0], i == kDuplicatePerson ? "I5" : "I600012");
      ASSERT_EQ(f[4], "") << i;
      continue;
    }
    ASSERT_EQ(f[0], "I" + std::to_string(i));
    // Father and mother through the first family with the child's FAMC.
    const int parents = ChildOf(i);
    ASSERT_EQ(f[1], i > 2 ? "I" + std::to_string(2 * parents - 1) : "") << i;
    ASSERT_EQ(f[2], i > 2 ? "I" + std::to_string(2 * parents) : "") << i;
    // The partner, found in the family and then by id: the first I5 and
    // the first F300001 win over the later ones.
    const int partner = i % 2 == 1 ? i + 1 : i - 1;
    ASSERT_EQ(f[3], "F" + std::to_string(OwnFamily(i))) << i;
    ASSERT_EQ(f[4], "I" + std::to_string(partner)) << i;
    ASSERT_EQ(f[5], "P" + std::to_string(partner) + "  S") << i;
  }
  EXPECT_EQ(rows, kDuplicatePerson + 1);
}

}  // namespace
}  // namespace kinsheet::testing
