// Formulas from an accurate mass: the bounded search against a plain
// nested loop over every combination of counts (written here, for the
// test), on queries around real compounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "toolkit/find.h"

namespace formix::toolkit {
namespace {

// AME2020 masses of the most abundant isotopes, u.
constexpr double kC = 12.0, kH = 1.00782503207, kN = 14.0030740048, kO = 15.99491461956, kS = 31.97207100,
                 kCl = 34.96885268;

std::set<std::vector<int>> NestedLoops(const std::vector<ElementRange>& r, double target, double tolerance) {
  std::set<std::vector<int>> out;
  std::vector<int> n(r.size());
  for (std::size_t i = 0; i < r.size(); ++i) n[i] = r[i].least;
  while (true) {
    double mass = 0.0;
    for (std::size_t i = 0; i < r.size(); ++i) mass += n[i] * r[i].mass;
    if (std::fabs(mass - target) <= tolerance) out.insert(n);
    std::size_t i = 0;
    while (i < r.size() && ++n[i] > r[i].most) n[i] = r[i].least, ++i;
    if (i == r.size()) return out;
  }
}

TEST(FindByMass, EveryCandidateOfTheNestedLoops) {
  const std::vector<ElementRange> chnos = {
      {"C", kC, 0, 40}, {"H", kH, 0, 60}, {"N", kN, 0, 6}, {"O", kO, 0, 10}, {"S", kS, 0, 2}};
  const std::vector<ElementRange> halogen = {
      {"C", kC, 0, 25}, {"H", kH, 0, 30}, {"N", kN, 0, 4}, {"O", kO, 0, 6}, {"Cl", kCl, 0, 3}};
  const struct {
    const char* name;
    const std::vector<ElementRange>* ranges;
    std::vector<int> truth;  // in the ranges' order
    double ppm;
  } kQueries[] = {
      {"caffeine C8H10N4O2", &chnos, {8, 10, 4, 2, 0}, 5},
      {"glucose C6H12O6", &chnos, {6, 12, 0, 6, 0}, 10},
      {"cysteine C3H7NO2S", &chnos, {3, 7, 1, 2, 1}, 5},
      {"C20H25NO3", &chnos, {20, 25, 1, 3, 0}, 5},
      {"chlorpromazine-like C17H19ClN2 (no S)", &halogen, {17, 19, 2, 0, 1}, 20},
      {"dichlorophenol C6H4Cl2O", &halogen, {6, 4, 0, 1, 2}, 50},
  };
  for (const auto& q : kQueries) {
    double target = 0.0;
    for (std::size_t i = 0; i < q.truth.size(); ++i) target += q.truth[i] * (*q.ranges)[i].mass;
    const double tolerance = target * q.ppm * 1e-6;
    bool more = true;
    const std::vector<MassCandidate> found = FindByMass(*q.ranges, target, tolerance, 100000, &more);
    EXPECT_FALSE(more) << q.name;
    std::set<std::vector<int>> ours;
    for (const MassCandidate& c : found) {
      EXPECT_TRUE(ours.insert(c.counts).second) << q.name << ": a candidate twice";
      EXPECT_LE(std::fabs(c.mass - target), tolerance * (1 + 1e-12)) << q.name;
    }
    EXPECT_EQ(ours, NestedLoops(*q.ranges, target, tolerance)) << q.name;
    EXPECT_EQ(ours.count(q.truth), 1u) << q.name;
  }
}

TEST(FindByMass, StopsAtTheLimitAndSaysSo) {
  const std::vector<ElementRange> wide = {
      {"C", kC, 0, 80}, {"H", kH, 0, 160}, {"N", kN, 0, 20}, {"O", kO, 0, 30}};
  bool more = false;
  const auto found = FindByMass(wide, 1000.0, 0.1, 50, &more);
  EXPECT_EQ(found.size(), 50u);
  EXPECT_TRUE(more);
  EXPECT_TRUE(FindByMass({}, 10.0, 1.0, 10, &more).empty());
  EXPECT_FALSE(more);
}

// DBE and the rules, worked out by hand: benzene 4, caffeine 6, methane 0,
// caffeine's [M+H]+ 5.5 and M+. 6; an even-electron ion with a whole DBE,
// a neutral with half of one, element ratios outside the Seven Golden
// Rules' ranges and a lone carbon (SENIOR) fail.
TEST(FindRules, DbeAndTheRulesByHand) {
  const std::vector<std::string> chnocl = {"C", "H", "N", "O", "Cl"};
  const struct {
    std::vector<int> counts;
    int charge;
    bool radical;
    double dbe;
    const char* broken;
  } kRows[] = {
      {{6, 6, 0, 0, 0}, 0, false, 4.0, ""},        // benzene
      {{8, 10, 4, 2, 0}, 0, false, 6.0, ""},       // caffeine
      {{1, 4, 0, 0, 0}, 0, false, 0.0, "h/c"},     // methane: H/C 4, past the rules' 3.1
      {{8, 11, 4, 2, 0}, 1, false, 5.5, ""},       // caffeine [M+H]+
      {{8, 10, 4, 2, 0}, 1, true, 6.0, ""},        // caffeine M+. (EI)
      {{8, 10, 4, 2, 0}, 1, false, 6.0, "dbe"},    // an even-electron cation with a whole DBE
      {{8, 11, 4, 2, 0}, 0, false, 5.5, "dbe"},    // a neutral with half a DBE
      {{1, 5, 0, 0, 0}, 0, false, -0.5, "dbe"},    // CH5
      {{2, 8, 1, 0, 0}, 0, false, -0.5, "dbe"},    // more H than valences allow
      {{6, 5, 0, 0, 1}, 0, false, 4.0, ""},        // chlorobenzene
      {{1, 0, 0, 0, 4}, 0, false, 0.0, "h/c"},     // CCl4: no H, H/C 0 (the rules are for organic compounds)
      {{2, 1, 0, 0, 5}, 0, false, 0.0, "cl/c"},    // C2HCl5: Cl/C 2.5
      {{1, 4, 3, 0, 0}, 0, false, 1.5, "dbe"},     // CH4N3: odd electrons
      {{1, 2, 2, 0, 0}, 0, false, 2.0, "n/c"},     // CH2N2: N/C 2
      {{1, 0, 0, 0, 0}, 0, false, 2.0, "senior"},  // C alone: valences 4, less than twice 4
  };
  for (const auto& row : kRows) {
    EXPECT_DOUBLE_EQ(Dbe(chnocl, row.counts), row.dbe) << &row - kRows;
    EXPECT_EQ(BrokenRule(chnocl, row.counts, row.charge, row.radical), row.broken) << &row - kRows;
  }
}

}  // namespace
}  // namespace formix::toolkit
