// Relationships in English words, as data: each line of relatives has its
// words by sex, and how far along the line it is picks the prefix
// ("grand", "great-", "2nd great-") or, for cousins, the degree and the
// number of generations removed.
#include <array>
#include <string>

#include "export/kinship.h"

namespace kinsheet {
namespace {

struct Words {
  const char* male;
  const char* female;
  const char* neutral;  // nullptr: "<male> or <female>"
};

constexpr Words kSelf = {"self", "self", "self"};
constexpr Words kParent = {"father", "mother", "parent"};
constexpr Words kChild = {"son", "daughter", "child"};
constexpr Words kSibling = {"brother", "sister", "sibling"};
constexpr Words kPibling = {"uncle", "aunt", nullptr};
constexpr Words kNibling = {"nephew", "niece", nullptr};

struct KindWords {
  KinKind kind;
  Words words;
};
constexpr std::array<KindWords, 9> kByMarriage = {{
    {KinKind::kSpouse, {"husband", "wife", "spouse"}},
    {KinKind::kAdoptiveParent, {"adoptive father", "adoptive mother", "adoptive parent"}},
    {KinKind::kAdoptedChild, {"adopted son", "adopted daughter", "adopted child"}},
    {KinKind::kStepParent, {"stepfather", "stepmother", "stepparent"}},
    {KinKind::kStepChild, {"stepson", "stepdaughter", "stepchild"}},
    {KinKind::kParentInLaw, {"father-in-law", "mother-in-law", "parent-in-law"}},
    {KinKind::kChildInLaw, {"son-in-law", "daughter-in-law", "child-in-law"}},
    {KinKind::kSiblingInLaw, {"brother-in-law", "sister-in-law", "sibling-in-law"}},
    {KinKind::kByMarriage, {"relative by marriage", "relative by marriage", "relative by marriage"}},
}};

// Removed generations: the first three have words of their own.
constexpr std::array<const char*, 3> kRemoved = {"", " once removed", " twice removed"};

std::string Pick(const Words& w, char sex, const std::string& prefix) {
  if (sex == 'M' || sex == 'm') return prefix + w.male;
  if (sex == 'F' || sex == 'f') return prefix + w.female;
  if (w.neutral != nullptr) return prefix + w.neutral;
  return prefix + w.male + " or " + prefix + w.female;
}

// Direct line, `steps` generations away: father, grandfather,
// great-grandfather, 2nd great-grandfather ...
std::string LinePrefix(int steps) {
  if (steps <= 1) return "";
  if (steps == 2) return "grand";
  if (steps == 3) return "great-grand";
  return Ordinal(steps - 2) + " great-grand";
}

// Uncles and nephews, `steps` beyond the first: uncle, great-uncle,
// 2nd great-uncle ...
std::string CollateralPrefix(int steps) {
  if (steps <= 1) return "";
  if (steps == 2) return "great-";
  return Ordinal(steps - 1) + " great-";
}

}  // namespace

std::string Ordinal(int n) {
  const int tens = n % 100;
  const char* suffix = "th";
  if (tens < 11 || tens > 13) {
    switch (n % 10) {
      case 1: suffix = "st"; break;
      case 2: suffix = "nd"; break;
      case 3: suffix = "rd"; break;
      default: break;
    }
  }
  return std::to_string(n) + suffix;
}

std::string RelationshipWords(KinKind kind, int up, int down, bool half, char sex) {
  if (kind == KinKind::kNone) return {};
  if (kind != KinKind::kBlood) {
    for (const KindWords& k : kByMarriage) {
      if (k.kind == kind) return Pick(k.words, sex, "");
    }
    return {};
  }
  if (up == 0 && down == 0) return Pick(kSelf, sex, "");
  if (down == 0) return Pick(kParent, sex, LinePrefix(up));
  if (up == 0) return Pick(kChild, sex, LinePrefix(down));
  if (up == 1 && down == 1) return Pick(kSibling, sex, half ? "half-" : "");
  if (down == 1) return Pick(kPibling, sex, (half ? "half-" : "") + CollateralPrefix(up - 1));
  if (up == 1) return Pick(kNibling, sex, (half ? "half-" : "") + CollateralPrefix(down - 1));
  const int degree = std::min(up, down) - 1;
  const int removed = up > down ? up - down : down - up;
  std::string words = Ordinal(degree) + " cousin";
  if (removed < static_cast<int>(kRemoved.size())) return words + kRemoved[static_cast<std::size_t>(removed)];
  return words + " " + std::to_string(removed) + " times removed";
}

}  // namespace kinsheet
