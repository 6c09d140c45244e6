// The family graph out of the kinship log and the id tables, and the
// breadth-first walks that tie every person to the root.
#include "export/kinship.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "records/kin_log.h"

namespace kinsheet {
namespace {

// A PEDI value names a birth link when it is empty or "birth" in any case.
bool IsBirthPedigree(std::string_view value) {
  value = TrimSpaces(value);
  if (value.empty()) return true;
  constexpr std::string_view kBirth = "birth";
  if (value.size() != kBirth.size()) return false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(value[i])) != kBirth[i]) return false;
  }
  return true;
}

// Offsets of a compressed row table from the count of each row.
std::vector<std::int32_t> Starts(const std::vector<std::int32_t>& counts) {
  std::vector<std::int32_t> start(counts.size() + 1, 0);
  for (std::size_t i = 0; i < counts.size(); ++i) start[i + 1] = start[i] + counts[i];
  return start;
}

std::size_t Z(std::int32_t n) { return static_cast<std::size_t>(n); }

}  // namespace

template <typename Visit>
void FamilyGraph::ForEachChildOf(std::int32_t p, Visit visit) const {
  for (std::int32_t i = child_of_start_[Z(p)]; i < child_of_start_[Z(p) + 1]; ++i) {
    visit(child_of_[Z(i)], child_of_birth_[Z(i)] != 0);
  }
}

template <typename Visit>
void FamilyGraph::ForEachSpouseOf(std::int32_t p, Visit visit) const {
  for (std::int32_t i = spouse_of_start_[Z(p)]; i < spouse_of_start_[Z(p) + 1]; ++i) visit(spouse_of_[Z(i)]);
}

template <typename Visit>
void FamilyGraph::ForEachChild(std::int32_t f, Visit visit) const {
  for (std::int32_t i = children_start_[Z(f)]; i < children_start_[Z(f) + 1]; ++i) {
    visit(children_[Z(i)], children_birth_[Z(i)] != 0);
  }
}

FamilyGraph FamilyGraph::Build(const RunState& state) {
  FamilyGraph g;
  const WorkState& w = state.work;
  g.people_ = w.individual_count;
  g.families_ = w.family_count;
  const std::size_t people = Z(g.people_) + 1;
  const std::size_t families = Z(g.families_) + 1;
  g.husband_.assign(families, 0);
  g.wife_.assign(families, 0);
  for (std::int32_t f = 1; f <= g.families_; ++f) {
    g.husband_[Z(f)] = w.individual_index.Find(w.family_index.Extra(f, 1), g.people_).value_or(0);
    g.wife_[Z(f)] = w.individual_index.Find(w.family_index.Extra(f, 2), g.people_).value_or(0);
  }

  // One pass over the log, FAMS lines counted. A person's FAMC lines come
  // together and people in record order, so they go straight to their
  // rows; CHIL lines are kept aside and add only the links no FAMC made.
  g.fams_lines_.assign(people, 0);
  g.child_of_start_.assign(people + 1, 0);  // counts first, offsets after
  std::vector<std::pair<std::int32_t, std::int32_t>> named_by_family;  // person, family
  std::size_t last_famc = SIZE_MAX;
  {
    KinLogReader log(state.KinWorkFile());
    KinEntry e;
    while (log.Next(e)) {
      switch (e.kind) {
        case KinLine::kFamc: {
          last_famc = SIZE_MAX;
          if (e.owner > g.people_) break;
          const auto f = w.family_index.Find(e.value, g.families_);
          if (!f) break;
          std::int32_t& count = g.child_of_start_[Z(e.owner) + 1];
          const auto end = g.child_of_.end();
          // A family named twice counts once, as the first line said.
          if (std::find(end - count, end, *f) != end) break;
          last_famc = g.child_of_.size();
          g.child_of_.push_back(*f);
          g.child_of_birth_.push_back(1);
          ++count;
          break;
        }
        case KinLine::kPedigree:
          if (last_famc != SIZE_MAX && last_famc + 1 == g.child_of_.size() && !IsBirthPedigree(e.value)) {
            g.child_of_birth_[last_famc] = 0;
          }
          break;
        case KinLine::kFams:
          if (e.owner <= g.people_) ++g.fams_lines_[Z(e.owner)];
          break;
        case KinLine::kChild: {
          if (e.owner > g.families_) break;
          const auto p = w.individual_index.Find(e.value, g.people_);
          if (p) named_by_family.emplace_back(*p, e.owner);
          break;
        }
        default: break;
      }
      // A PEDI line belongs to the FAMC line just before it.
      if (e.kind != KinLine::kFamc && e.kind != KinLine::kPedigree) last_famc = SIZE_MAX;
    }
  }
  for (std::size_t p = 0; p < people; ++p) g.child_of_start_[p + 1] += g.child_of_start_[p];

  // CHIL lines naming a family the person's FAMC lines did not: usually none.
  std::vector<std::pair<std::int32_t, std::int32_t>> missing;
  for (const auto& [p, f] : named_by_family) {
    const auto first = g.child_of_.begin() + g.child_of_start_[Z(p)];
    const auto last = g.child_of_.begin() + g.child_of_start_[Z(p) + 1];
    if (std::find(first, last, f) == last) missing.emplace_back(p, f);
  }
  std::vector<std::pair<std::int32_t, std::int32_t>>().swap(named_by_family);
  if (!missing.empty()) {
    std::stable_sort(missing.begin(), missing.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::int32_t> start(people + 1, 0);
    std::vector<std::int32_t> family;
    std::vector<std::uint8_t> birth;
    family.reserve(g.child_of_.size() + missing.size());
    birth.reserve(family.capacity());
    std::size_t m = 0;
    for (std::size_t p = 0; p < people; ++p) {
      const auto first = static_cast<std::ptrdiff_t>(family.size());
      for (std::int32_t i = g.child_of_start_[p]; i < g.child_of_start_[p + 1]; ++i) {
        family.push_back(g.child_of_[Z(i)]);
        birth.push_back(g.child_of_birth_[Z(i)]);
      }
      for (; m < missing.size() && Z(missing[m].first) == p; ++m) {
        if (std::find(family.begin() + first, family.end(), missing[m].second) != family.end()) continue;
        family.push_back(missing[m].second);
        birth.push_back(1);  // a CHIL line alone means birth
      }
      start[p + 1] = static_cast<std::int32_t>(family.size());
    }
    g.child_of_start_ = std::move(start);
    g.child_of_ = std::move(family);
    g.child_of_birth_ = std::move(birth);
  }
  g.child_of_.shrink_to_fit();
  g.child_of_birth_.shrink_to_fit();

  // Family -> children, from the same links.
  std::vector<std::int32_t> per_family(families, 0);
  for (std::int32_t f : g.child_of_) ++per_family[Z(f)];
  g.children_start_ = Starts(per_family);
  g.children_.assign(g.child_of_.size(), 0);
  g.children_birth_.assign(g.child_of_.size(), 0);
  {
    std::vector<std::int32_t> next(g.children_start_.begin(), g.children_start_.end() - 1);
    for (std::size_t p = 1; p < people; ++p) {
      for (std::int32_t i = g.child_of_start_[p]; i < g.child_of_start_[p + 1]; ++i) {
        const std::int32_t slot = next[Z(g.child_of_[Z(i)])]++;
        g.children_[Z(slot)] = static_cast<std::int32_t>(p);
        g.children_birth_[Z(slot)] = g.child_of_birth_[Z(i)];
      }
    }
  }

  // Person -> families as husband or wife.
  std::vector<std::int32_t> counts(people, 0);
  for (std::size_t f = 1; f < families; ++f) {
    if (g.husband_[f] != 0) ++counts[Z(g.husband_[f])];
    if (g.wife_[f] != 0 && g.wife_[f] != g.husband_[f]) ++counts[Z(g.wife_[f])];
  }
  g.spouse_of_start_ = Starts(counts);
  g.spouse_of_.assign(Z(g.spouse_of_start_.back()), 0);
  {
    std::vector<std::int32_t> next(g.spouse_of_start_.begin(), g.spouse_of_start_.end() - 1);
    for (std::size_t f = 1; f < families; ++f) {
      if (g.husband_[f] != 0) g.spouse_of_[Z(next[Z(g.husband_[f])]++)] = static_cast<std::int32_t>(f);
      if (g.wife_[f] != 0 && g.wife_[f] != g.husband_[f]) {
        g.spouse_of_[Z(next[Z(g.wife_[f])]++)] = static_cast<std::int32_t>(f);
      }
    }
  }
  return g;
}

std::vector<FamilyGraph::Link> FamilyGraph::ChildOf(std::int32_t p) const {
  std::vector<Link> out;
  ForEachChildOf(p, [&](std::int32_t f, bool birth) { out.push_back({f, birth}); });
  return out;
}

std::vector<std::int32_t> FamilyGraph::SpouseOf(std::int32_t p) const {
  std::vector<std::int32_t> out;
  ForEachSpouseOf(p, [&](std::int32_t f) { out.push_back(f); });
  return out;
}

std::vector<FamilyGraph::Link> FamilyGraph::Children(std::int32_t f) const {
  std::vector<Link> out;
  ForEachChild(f, [&](std::int32_t c, bool birth) { out.push_back({c, birth}); });
  return out;
}

void FamilyGraph::KeepCountsOnly() {
  std::vector<std::int32_t> counts(Z(people_) + 1, 0);
  for (std::int32_t p = 1; p <= people_; ++p) counts[Z(p)] = ChildCount(p);
  for (auto* v : {&child_of_start_, &child_of_, &children_start_, &children_, &spouse_of_start_, &spouse_of_}) {
    std::vector<std::int32_t>().swap(*v);
  }
  std::vector<std::uint8_t>().swap(child_of_birth_);
  std::vector<std::uint8_t>().swap(children_birth_);
  child_counts_ = std::move(counts);
}

std::int32_t FamilyGraph::ChildCount(std::int32_t p) const {
  if (!child_counts_.empty()) return child_counts_[Z(p)];
  std::int32_t n = 0;
  ForEachSpouseOf(p, [&](std::int32_t f) { n += children_start_[Z(f) + 1] - children_start_[Z(f)]; });
  return n;
}

KinshipMap KinshipMap::Compute(const FamilyGraph& g, std::int32_t root) {
  KinshipMap m;
  m.graph_ = &g;
  const std::size_t people = Z(g.people()) + 1;
  m.kind_.assign(people, static_cast<std::uint8_t>(KinKind::kNone));
  m.flags_.assign(people, 0);
  m.up_.assign(people, -1);
  m.down_.assign(people, -1);
  m.origin_.assign(people, 0);
  m.family_.assign(people, 0);
  if (root < 1 || root > g.people()) return m;
  m.root_ = root;
  const auto blood = static_cast<std::uint8_t>(KinKind::kBlood);

  // Up: the birth parents, level by level. A level lists first its
  // numbered people in rising Ahnentafel order (each numbered person gives
  // the father, then the mother of its first birth family), then those
  // found only through another birth family, who get no number.
  std::vector<std::vector<std::int32_t>> levels;
  m.kind_[Z(root)] = blood;
  m.up_[Z(root)] = 0;
  m.down_[Z(root)] = 0;
  m.flags_[Z(root)] = kNumbered | kAncestor;
  levels.push_back({root});
  const auto visit_parent = [&](std::int32_t parent, std::int32_t child, std::int32_t f, int level,
                                std::uint8_t flags, std::vector<std::int32_t>& next) {
    if (parent == 0 || m.up_[Z(parent)] >= 0) return;
    m.kind_[Z(parent)] = blood;
    m.up_[Z(parent)] = level;
    m.down_[Z(parent)] = 0;
    m.origin_[Z(parent)] = child;
    m.family_[Z(parent)] = f;
    m.flags_[Z(parent)] = static_cast<std::uint8_t>(kAncestor | flags);
    next.push_back(parent);
  };
  while (!levels.back().empty()) {
    const int level = static_cast<int>(levels.size());
    std::vector<std::int32_t> next;
    for (std::int32_t x : levels.back()) {
      if ((m.flags_[Z(x)] & kNumbered) == 0) break;
      for (std::int32_t i = g.child_of_start_[Z(x)]; i < g.child_of_start_[Z(x) + 1]; ++i) {
        if (g.child_of_birth_[Z(i)] == 0) continue;
        const std::int32_t f = g.child_of_[Z(i)];
        visit_parent(g.Husband(f), x, f, level, kNumbered, next);
        visit_parent(g.Wife(f), x, f, level, kNumbered | kMotherBit, next);
        break;  // only the first birth family numbers
      }
    }
    for (std::int32_t x : levels.back()) {
      g.ForEachChildOf(x, [&](std::int32_t f, bool birth) {
        if (!birth) return;
        visit_parent(g.Husband(f), x, f, level, 0, next);
        visit_parent(g.Wife(f), x, f, level, 0, next);
      });
    }
    levels.push_back(std::move(next));
  }
  levels.pop_back();

  // Down: every blood relative by (steps, generations up), fewest first.
  // Bucket t holds those t steps from the root: the children of bucket
  // t - 1, in its order, then the ancestors of level t. Each bucket is thus
  // in rising order of generations up, and the first to reach a person
  // gives the closest tie.
  std::vector<std::int32_t> bucket = {root};
  std::vector<std::int32_t> next;
  for (std::size_t t = 0; !bucket.empty(); ++t) {
    next.clear();
    for (std::int32_t y : bucket) {
      const bool on_line = (m.flags_[Z(y)] & kAncestor) != 0;
      g.ForEachSpouseOf(y, [&](std::int32_t f) {
        g.ForEachChild(f, [&](std::int32_t c, bool birth) {
          if (!birth || m.up_[Z(c)] >= 0) return;
          m.kind_[Z(c)] = blood;
          m.up_[Z(c)] = m.up_[Z(y)];
          m.down_[Z(c)] = m.down_[Z(y)] + 1;
          m.origin_[Z(c)] = on_line ? y : m.origin_[Z(y)];
          m.family_[Z(c)] = on_line ? f : m.family_[Z(y)];
          next.push_back(c);
        });
      });
    }
    if (t + 1 < levels.size()) next.insert(next.end(), levels[t + 1].begin(), levels[t + 1].end());
    bucket.swap(next);
  }

  // Half relations: the common ancestor's family on the root's side is not
  // the one the relative descends through.
  for (std::size_t n = 1; n < people; ++n) {
    if (m.kind_[n] != blood || m.up_[n] <= 0 || m.down_[n] <= 0) continue;
    const std::int32_t a = m.origin_[n];
    if (m.family_[n] != m.family_[Z(a)]) m.flags_[n] |= kHalf;
  }

  // By marriage, the named relations first, the closest kinds first.
  const auto label = [&](std::int32_t p, KinKind kind) {
    if (p != 0 && m.kind_[Z(p)] == static_cast<std::uint8_t>(KinKind::kNone)) {
      m.kind_[Z(p)] = static_cast<std::uint8_t>(kind);
    }
  };
  const auto other = [&](std::int32_t f, std::int32_t p) { return g.Husband(f) == p ? g.Wife(f) : g.Husband(f); };
  std::vector<std::int32_t> spouses;
  g.ForEachSpouseOf(root, [&](std::int32_t f) {
    if (const std::int32_t s = other(f, root); s != 0) spouses.push_back(s);
  });
  for (std::int32_t s : spouses) label(s, KinKind::kSpouse);
  g.ForEachChildOf(root, [&](std::int32_t f, bool birth) {
    if (birth) return;
    label(g.Husband(f), KinKind::kAdoptiveParent);
    label(g.Wife(f), KinKind::kAdoptiveParent);
  });
  g.ForEachSpouseOf(root, [&](std::int32_t f) {
    g.ForEachChild(f, [&](std::int32_t c, bool birth) {
      if (!birth) label(c, KinKind::kAdoptedChild);
    });
  });
  g.ForEachChildOf(root, [&](std::int32_t f, bool) {
    for (std::int32_t parent : {g.Husband(f), g.Wife(f)}) {
      if (parent == 0) continue;
      g.ForEachSpouseOf(parent, [&](std::int32_t h) { label(other(h, parent), KinKind::kStepParent); });
    }
  });
  for (std::int32_t s : spouses) {
    g.ForEachSpouseOf(s, [&](std::int32_t h) {
      g.ForEachChild(h, [&](std::int32_t c, bool) { label(c, KinKind::kStepChild); });
    });
  }
  for (std::int32_t s : spouses) {
    g.ForEachChildOf(s, [&](std::int32_t f, bool) {
      label(g.Husband(f), KinKind::kParentInLaw);
      label(g.Wife(f), KinKind::kParentInLaw);
    });
  }
  g.ForEachSpouseOf(root, [&](std::int32_t f) {
    g.ForEachChild(f, [&](std::int32_t c, bool) {
      g.ForEachSpouseOf(c, [&](std::int32_t h) { label(other(h, c), KinKind::kChildInLaw); });
    });
  });
  for (std::int32_t s : spouses) {
    g.ForEachChildOf(s, [&](std::int32_t f, bool) {
      g.ForEachChild(f, [&](std::int32_t c, bool) { label(c, KinKind::kSiblingInLaw); });
    });
  }
  for (std::size_t n = 1; n < people; ++n) {
    if (m.kind_[n] == blood && m.up_[n] == 1 && m.down_[n] == 1) {
      const auto b = static_cast<std::int32_t>(n);
      g.ForEachSpouseOf(b, [&](std::int32_t h) { label(other(h, b), KinKind::kSiblingInLaw); });
    }
  }

  // Everyone else reachable through parents, children and marriages.
  std::vector<std::uint8_t> seen(people, 0);
  std::vector<std::int32_t> queue = {root};
  seen[Z(root)] = 1;
  const auto reach = [&](std::int32_t p) {
    if (p == 0 || seen[Z(p)] != 0) return;
    seen[Z(p)] = 1;
    label(p, KinKind::kByMarriage);
    queue.push_back(p);
  };
  for (std::size_t head = 0; head < queue.size(); ++head) {
    const std::int32_t x = queue[head];
    g.ForEachChildOf(x, [&](std::int32_t f, bool) {
      reach(g.Husband(f));
      reach(g.Wife(f));
    });
    g.ForEachSpouseOf(x, [&](std::int32_t f) {
      reach(g.Husband(f));
      reach(g.Wife(f));
      g.ForEachChild(f, [&](std::int32_t c, bool) { reach(c); });
    });
  }
  return m;
}

std::string KinshipMap::Relationship(std::int32_t n, char sex) const {
  const KinKind kind = Kind(n);
  if (kind == KinKind::kNone) return {};
  return RelationshipWords(kind, Up(n), Down(n), Half(n), sex);
}

std::string KinshipMap::Generation(std::int32_t n) const {
  if (Kind(n) != KinKind::kBlood) return {};
  return std::to_string(Up(n) - Down(n));
}

std::string_view KinshipMap::DirectLine(std::int32_t n) const {
  if (Kind(n) != KinKind::kBlood) return {};
  if (n == root_) return "R";
  if (Down(n) == 0) return "A";
  if (Up(n) == 0) return "D";
  return {};
}

std::int32_t KinshipMap::CommonAncestor(std::int32_t n) const {
  if (Kind(n) != KinKind::kBlood || Up(n) == 0 || Down(n) == 0) return 0;
  return origin_[Z(n)];
}

std::int32_t KinshipMap::CommonCouple(std::int32_t n) const {
  const std::int32_t a = CommonAncestor(n);
  if (a == 0 || Half(n)) return 0;
  const std::int32_t f = family_[Z(n)];
  if (graph_->Husband(f) == 0 || graph_->Wife(f) == 0) return 0;
  return f;
}

std::string KinshipMap::Ahnentafel(std::int32_t n) const {
  if ((flags_[Z(n)] & kNumbered) == 0 || Kind(n) != KinKind::kBlood || Down(n) != 0) return {};
  // The bits from the root up, most significant (the root's 1) last.
  std::vector<std::uint8_t> bits;
  for (std::int32_t x = n; x != root_; x = origin_[Z(x)]) bits.push_back((flags_[Z(x)] & kMotherBit) != 0 ? 1 : 0);
  if (bits.size() < 64) {
    std::uint64_t v = 1;
    for (auto it = bits.rbegin(); it != bits.rend(); ++it) v = (v << 1) | *it;
    return std::to_string(v);
  }
  // Past 64 bits: decimal digits in base 10^9 limbs, doubled bit by bit.
  std::vector<std::uint32_t> limbs = {1};
  for (auto it = bits.rbegin(); it != bits.rend(); ++it) {
    std::uint32_t carry = *it;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t v = std::uint64_t{limb} * 2 + carry;
      limb = static_cast<std::uint32_t>(v % 1000000000u);
      carry = static_cast<std::uint32_t>(v / 1000000000u);
    }
    if (carry != 0) limbs.push_back(carry);
  }
  std::string out = std::to_string(limbs.back());
  for (auto it = limbs.rbegin() + 1; it != limbs.rend(); ++it) {
    const std::string part = std::to_string(*it);
    out.append(9 - part.size(), '0');
    out += part;
  }
  return out;
}

}  // namespace kinsheet
