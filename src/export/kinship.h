// Who each person is to the root person, worked out once per export from
// the family links of the load: breadth-first up the birth parents, then
// down from every ancestor, then the in-laws and step relations, then
// everyone else reachable. Linear in people and families; what it keeps is
// a few numbers a person.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "state/run_state.h"

namespace kinsheet {

enum class KinKind : std::uint8_t {
  kNone,  // not reachable from the root
  kBlood,  // the root, an ancestor, a descendant or a collateral relative
  kSpouse,
  kAdoptiveParent,
  kAdoptedChild,
  kStepParent,
  kStepChild,
  kParentInLaw,
  kChildInLaw,
  kSiblingInLaw,
  kByMarriage,
};

// A relationship in English words for a person of sex 'M', 'F' or other
// (neutral words). `up` and `down` count the generations from the root up
// to the nearest common ancestor and down from there, for kBlood; `half`
// makes siblings, uncles, aunts, nephews and nieces half ones (cousins
// have no half words).
std::string RelationshipWords(KinKind kind, int up, int down, bool half, char sex);
// 1st, 2nd, 3rd, 4th, ... 11th, 12th, 13th, ... 21st.
std::string Ordinal(int n);

// The family links of a load, resolved to record numbers. Links come from
// both ends (a person's FAMC and a family's CHIL) and count once.
class FamilyGraph {
 public:
  // Reads the load's kinship log once. Throws FileError on a read failure.
  static FamilyGraph Build(const RunState& state);

  std::int32_t people() const { return people_; }
  std::int32_t families() const { return families_; }
  std::int32_t Husband(std::int32_t f) const { return husband_[static_cast<std::size_t>(f)]; }
  std::int32_t Wife(std::int32_t f) const { return wife_[static_cast<std::size_t>(f)]; }

  struct Link {
    std::int32_t to;  // family (of a person) or person (of a family)
    bool birth;       // PEDI birth or none
  };
  // The families a person is a child of: FAMC order first, then families
  // that name the person only in a CHIL line.
  std::vector<Link> ChildOf(std::int32_t p) const;
  // The families a person is husband or wife of, in family order.
  std::vector<std::int32_t> SpouseOf(std::int32_t p) const;
  std::vector<Link> Children(std::int32_t f) const;

  // FAMS lines of the person, and children of the person's families.
  std::int32_t SpouseLines(std::int32_t p) const { return fams_lines_[static_cast<std::size_t>(p)]; }
  std::int32_t ChildCount(std::int32_t p) const;
  // Keeps only what the rows read (spouses of each family, the two counts
  // of each person) once the walks are done.
  void KeepCountsOnly();

 private:
  // Compressed rows: entries [start[i], start[i + 1]) belong to i.
  template <typename Visit>
  void ForEachChildOf(std::int32_t p, Visit visit) const;
  template <typename Visit>
  void ForEachSpouseOf(std::int32_t p, Visit visit) const;
  template <typename Visit>
  void ForEachChild(std::int32_t f, Visit visit) const;

  friend class KinshipMap;

  std::int32_t people_ = 0;
  std::int32_t families_ = 0;
  std::vector<std::int32_t> husband_, wife_;           // by family; 0 none
  std::vector<std::int32_t> child_of_start_;           // by person
  std::vector<std::int32_t> child_of_;                 // family numbers
  std::vector<std::uint8_t> child_of_birth_;
  std::vector<std::int32_t> children_start_;           // by family
  std::vector<std::int32_t> children_;                 // person numbers
  std::vector<std::uint8_t> children_birth_;
  std::vector<std::int32_t> spouse_of_start_;          // by person
  std::vector<std::int32_t> spouse_of_;                // family numbers
  std::vector<std::int32_t> fams_lines_;               // by person
  std::vector<std::int32_t> child_counts_;             // by person, once kept alone
};

// Every person's tie to one root.
class KinshipMap {
 public:
  // `root` is a record number; 0 leaves everyone unrelated.
  static KinshipMap Compute(const FamilyGraph& graph, std::int32_t root);

  KinKind Kind(std::int32_t n) const { return static_cast<KinKind>(kind_[static_cast<std::size_t>(n)]); }
  int Up(std::int32_t n) const { return up_[static_cast<std::size_t>(n)]; }
  int Down(std::int32_t n) const { return down_[static_cast<std::size_t>(n)]; }
  bool Half(std::int32_t n) const { return (flags_[static_cast<std::size_t>(n)] & kHalf) != 0; }
  // The relationship, generation, Ahnentafel number and line letter as
  // written in the columns; '' where they do not apply.
  std::string Relationship(std::int32_t n, char sex) const;
  std::string Generation(std::int32_t n) const;
  std::string Ahnentafel(std::int32_t n) const;
  std::string_view DirectLine(std::int32_t n) const;
  // The nearest common ancestor (a record number) and, when the tie runs
  // through a couple, their family; 0 where none.
  std::int32_t CommonAncestor(std::int32_t n) const;
  std::int32_t CommonCouple(std::int32_t n) const;

 private:
  static constexpr std::uint8_t kHalf = 1;
  static constexpr std::uint8_t kNumbered = 2;  // has an Ahnentafel number
  static constexpr std::uint8_t kMotherBit = 4;  // the number is odd
  static constexpr std::uint8_t kAncestor = 8;

  std::int32_t root_ = 0;
  std::vector<std::uint8_t> kind_;
  std::vector<std::uint8_t> flags_;
  std::vector<std::int32_t> up_, down_;
  // Blood relatives off the direct line: the common ancestor; ancestors:
  // the child on the root's line through whom they were found.
  std::vector<std::int32_t> origin_;
  // Off the direct line: the family below the common ancestor the person
  // descends through; ancestors: the family of their child on the line.
  std::vector<std::int32_t> family_;
  const FamilyGraph* graph_ = nullptr;
};

}  // namespace kinsheet
