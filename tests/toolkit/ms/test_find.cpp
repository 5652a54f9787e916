// Formulas from an accurate mass: the bounded search against a plain
// nested loop over every combination of counts (written here, for the
// test), on queries around real compounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "shipped_context.h"
#include "toolkit/ms/find.h"

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
      {{1, 4, 0, 0, 0}, 0, false, 0.0, ""},        // methane: H/C 4, within the rules' 6
      {{8, 11, 4, 2, 0}, 1, false, 5.5, ""},       // caffeine [M+H]+
      {{8, 10, 4, 2, 0}, 1, true, 6.0, ""},        // caffeine M+. (EI)
      {{8, 10, 4, 2, 0}, 1, false, 6.0, "dbe"},    // an even-electron cation with a whole DBE
      {{8, 11, 4, 2, 0}, 0, false, 5.5, "dbe"},    // a neutral with half a DBE
      {{1, 5, 0, 0, 0}, 0, false, -0.5, "dbe"},    // CH5
      {{2, 8, 1, 0, 0}, 0, false, -0.5, "dbe"},    // more H than valences allow
      {{6, 5, 0, 0, 1}, 0, false, 4.0, ""},        // chlorobenzene
      {{1, 0, 0, 0, 4}, 0, false, 0.0, ""},        // CCl4: its chlorines stand where hydrogens would
      {{2, 1, 0, 0, 5}, 0, false, 0.0, ""},        // pentachloroethane: Cl/C 2.5, but saturated
      {{1, 4, 3, 0, 0}, 0, false, 1.5, "dbe"},     // CH4N3: odd electrons
      {{1, 2, 2, 0, 0}, 0, false, 2.0, ""},        // diazomethane CH2N2: N/C 2
      {{1, 3, 5, 0, 0}, 0, false, 3.0, "n/c"},     // CH3N5: N/C 5, past 4
      {{1, 7, 0, 0, 0}, 0, false, -1.5, "dbe"},    // CH7: H/C 7 (past 6) and DBE below 0
      {{1, 0, 0, 0, 0}, 0, false, 2.0, "senior"},  // C alone: valences 4, less than twice 4
  };
  for (const auto& row : kRows) {
    EXPECT_DOUBLE_EQ(Dbe(chnocl, row.counts), row.dbe) << &row - kRows;
    EXPECT_EQ(BrokenRule(chnocl, row.counts, row.charge, row.radical), row.broken) << &row - kRows;
  }
  // At the edges: boron's valence 3, H/C at its bound 6 and past it, and the
  // H/C floor, which holds where hydrogen is not searched at all (CO2 from C
  // and O only: the rules are for organic compounds).
  const struct {
    std::vector<std::string> symbols;
    std::vector<int> counts;
    double dbe;
    const char* broken;
  } kEdges[] = {
      {{"B", "H"}, {1, 3}, 0.0, ""},             // borane: 1 + (1 - 3) / 2
      {{"C", "H", "N"}, {1, 6, 2}, 0.0, ""},     // methylhydrazine: H/C 6, the bound
      {{"C", "H", "N"}, {1, 7, 3}, 0.0, "h/c"},  // CH7N3: H/C 7
      {{"C", "O"}, {1, 2}, 2.0, "h/c"},          // CO2, no H searched: the H/C floor holds all the same
      {{"C", "H", "O"}, {1, 0, 2}, 2.0, "h/c"},  // CO2 where H was searched: H/C 0, below 0.1
      // CP2Cl6: 6 chlorines, more than CH4's skeleton holds (P adds valences): Cl/C 6, past 2.
      {{"C", "Cl", "P"}, {1, 6, 2}, 0.0, "cl/c"},
      // H2N-CCl3: H + Cl = 5, what a saturated C and N hold (2 + 1 + 2): Cl/C 3 kept.
      {{"C", "H", "Cl", "N"}, {1, 2, 3, 1}, 0.0, ""},
  };
  for (const auto& row : kEdges) {
    EXPECT_DOUBLE_EQ(Dbe(row.symbols, row.counts), row.dbe) << &row - kEdges;
    EXPECT_EQ(BrokenRule(row.symbols, row.counts, 0, false), row.broken) << &row - kEdges;
  }
  auto context = ShippedContext();  // counts that are not whole: no DBE
  EXPECT_TRUE(std::isnan(ReadingDbe(Read(*context, "C1.5H3O", 7))));
}

// AME2016 masses (an older table than the shipped data's, u) and the
// electron's (CODATA 2018): the nested loops below work on their own.
struct Element {
  const char* symbol;
  double mass;
};
constexpr Element kTable[] = {{"C", 12.0},
                              {"H", 1.00782503224},
                              {"N", 14.00307400446},
                              {"O", 15.99491461960},
                              {"S", 31.9720711744},
                              {"P", 30.97376199842},
                              {"F", 18.99840316288},
                              {"Cl", 34.968852682},
                              {"Br", 78.9183376},
                              {"I", 126.9044719},
                              {"Pt", 194.9647917},
                              {"Na", 22.9897692820},
                              {"[13C]", 13.00335483521}};
constexpr double kElectron = 5.48579909065e-4;

double MassOf(const std::string& symbol) {
  for (const Element& e : kTable) {
    if (symbol == e.symbol) return e.mass;
  }
  ADD_FAILURE() << symbol;
  return 0.0;
}

// A real compound, the ion it was found as and the ranges searched.  The
// ion: a shift added to M (H+ is the H atom less an electron) and the
// charge of the candidate itself (for --charge).
struct Compound {
  const char* name;
  std::vector<std::pair<std::string, std::pair<int, int>>> ranges;
  std::vector<int> truth;
  const char* adduct;  // "" for a neutral mass or an ion of its own
  double shift;        // added to M for the adduct's m/z
  int charge;          // the candidate's own charge
  double ppm;
  double dbe;  // of the true formula, by hand (NaN: a metal, no DBE)
};

const std::vector<Compound>& Compounds() {
  const double proton = kTable[1].mass - kElectron;
  static const std::vector<Compound> all = {
      {"oxycodone-like C18H21NO4 [M+H]+",
       {{"C", {0, 30}}, {"H", {0, 50}}, {"N", {0, 4}}, {"O", {0, 8}}},
       {18, 21, 1, 4},
       "[M+H]+",
       proton,
       0,
       5,
       9},
      {"caffeine, neutral",
       {{"C", {0, 20}}, {"H", {0, 30}}, {"N", {0, 6}}, {"O", {0, 6}}},
       {8, 10, 4, 2},
       "",
       0.0,
       0,
       3,
       6},
      {"quercetin C15H10O7 [M-H]-",
       {{"C", {0, 25}}, {"H", {0, 40}}, {"O", {0, 12}}, {"N", {0, 3}}},
       {15, 10, 7, 0},
       "[M-H]-",
       -proton,
       0,
       5,
       11},
      {"chlorpromazine C17H19ClN2S [M+H]+",
       {{"C", {0, 25}}, {"H", {0, 35}}, {"N", {0, 4}}, {"O", {0, 4}}, {"S", {0, 2}}, {"Cl", {0, 2}}},
       {17, 19, 2, 0, 1, 1},
       "[M+H]+",
       proton,
       0,
       5,
       9},
      {"glyphosate C3H8NO5P [M-H]-",
       {{"C", {0, 10}}, {"H", {0, 20}}, {"N", {0, 3}}, {"O", {0, 8}}, {"P", {0, 2}}, {"S", {0, 2}}},
       {3, 8, 1, 5, 1, 0},
       "[M-H]-",
       -proton,
       0,
       10,
       1},
      {"bromazepam C14H10BrN3O [M+Na]+",
       {{"C", {0, 20}}, {"H", {0, 25}}, {"N", {0, 5}}, {"O", {0, 4}}, {"Br", {0, 2}}, {"F", {0, 3}}},
       {14, 10, 3, 1, 1, 0},
       "[M+Na]+",
       22.9897692820 - kElectron,
       0,
       5,
       11},
      {"cisplatin PtCl2N2H6, neutral",
       {{"Pt", {0, 1}}, {"Cl", {0, 4}}, {"N", {0, 4}}, {"H", {0, 12}}},
       {1, 2, 2, 6},
       "",
       0.0,
       0,
       5,
       std::nan("")},
      {"tetramethylammonium C4H12N+",
       {{"C", {0, 10}}, {"H", {0, 30}}, {"N", {0, 3}}, {"O", {0, 3}}},
       {4, 12, 1, 0},
       "",
       -kElectron,
       1,
       5,
       -0.5},
      {"[13C]6-glucose [M+Na]+",
       {{"C", {0, 6}}, {"[13C]", {0, 6}}, {"H", {0, 20}}, {"O", {0, 8}}},
       {0, 6, 12, 6},
       "[M+Na]+",
       22.9897692820 - kElectron,
       0,
       3,
       1},
  };
  return all;
}

std::string Key(const std::vector<int>& counts) {
  std::string key;
  for (int n : counts) key += std::to_string(n) + ",";
  return key;
}

std::string RangesText(const Compound& c) {
  std::string text;
  for (const auto& [symbol, range] : c.ranges) {
    text += symbol + std::to_string(range.first) + "-" + std::to_string(range.second);
  }
  return text;
}

// Rules off: the candidate sets of the nested loops (over the test's own
// masses: a candidate within a millionth of a ppm of the edge may fall
// either way); rules on: the true formula survives, listed with its rank.
TEST(FindFormulas, RealCompoundsAgainstTheNestedLoops) {
  auto context = ShippedContext();
  ASSERT_NE(context, nullptr);
  for (const Compound& c : Compounds()) {
    std::vector<ElementRange> ranges;
    for (const auto& [symbol, range] : c.ranges)
      ranges.push_back({symbol, MassOf(symbol), range.first, range.second});
    double m = 0.0;
    for (std::size_t i = 0; i < ranges.size(); ++i) m += c.truth[i] * ranges[i].mass;
    const double divisor = c.charge == 0 ? 1.0 : std::abs(c.charge);
    const double mz = (m + c.shift) / divisor;
    std::set<std::string> sure, maybe;
    std::vector<int> n(ranges.size());
    for (std::size_t i = 0; i < ranges.size(); ++i) n[i] = ranges[i].least;
    for (bool done = false; !done;) {
      double s = 0.0;
      bool any = false;
      for (std::size_t i = 0; i < ranges.size(); ++i) s += n[i] * ranges[i].mass, any = any || n[i] != 0;
      const double ppm = std::fabs((mz - (s + c.shift) / divisor) / ((s + c.shift) / divisor) * 1e6);
      if (any && ppm <= c.ppm + 1e-6) maybe.insert(Key(n));
      if (any && ppm <= c.ppm - 1e-6) sure.insert(Key(n));
      std::size_t i = 0;
      while (i < ranges.size() && ++n[i] > ranges[i].most) n[i] = ranges[i].least, ++i;
      done = i == ranges.size();
    }
    FindQuery q;
    q.mz = mz;
    q.adduct = c.adduct;
    q.charge = c.charge;
    q.ppm = c.ppm;
    q.elements = RangesText(c);
    q.rules = false;
    q.limit = 1000000;
    const FindResult all = FindFormulas(*context, q);
    ASSERT_EQ(all.error, "") << c.name;
    EXPECT_TRUE(all.complete) << c.name;
    std::set<std::string> ours;
    for (const FindCandidate& f : all.candidates) ours.insert(Key(f.counts));
    EXPECT_EQ(ours.size(), all.candidates.size()) << c.name << ": a candidate twice";
    EXPECT_EQ(all.within, ours.size()) << c.name;
    for (const std::string& k : sure) EXPECT_EQ(ours.count(k), 1u) << c.name << ": missed " << k;
    for (const std::string& k : ours) EXPECT_EQ(maybe.count(k), 1u) << c.name << ": outside " << k;
    for (std::size_t i = 1; i < all.candidates.size(); ++i) {
      EXPECT_LE(std::fabs(all.candidates[i - 1].ppm), std::fabs(all.candidates[i].ppm)) << c.name;
    }
    q.rules = true;
    const FindResult kept = FindFormulas(*context, q);
    std::size_t rank = 0;
    for (std::size_t i = 0; i < kept.candidates.size(); ++i) {
      if (kept.candidates[i].counts == c.truth) rank = i + 1;
    }
    ASSERT_GT(rank, 0u) << c.name << ": the rules removed the true formula";
    const double dbe = kept.candidates[rank - 1].dbe;
    EXPECT_TRUE(std::isnan(c.dbe) ? std::isnan(dbe) : dbe == c.dbe) << c.name << ": DBE " << dbe;
    std::printf("%-40s %5zu within, %4zu kept by the rules, the true formula ranks %zu\n", c.name, all.within,
                kept.passed, rank);
  }
}

// Found peaks worked out by hand from the natural abundances (37Cl/35Cl
// 0.2424/0.7576: M+2 of two Cl 2 x 0.320 = 64 %, M+4 0.320^2 = 10.2 %;
// M+1 from 14 C 15.7 %, M+3 64 % x 15.7 % = 10.0 %; 81Br/79Br
// 0.4931/0.5069 = 97.3 %, M+1 of 7 C 7.6 %, M+3 97.3 % x 7.6 % = 7.4 %)
// at the isotopes' masses: the true formula ranks first by score, well
// ahead of every candidate with neither Cl nor Br.
TEST(FindFormulas, IsotopeScoreSinglesOutHalogens) {
  auto context = ShippedContext();
  ASSERT_NE(context, nullptr);
  const struct {
    const char *name, *adduct, *truth;
    double mz;
    std::vector<Peak> peaks;
  } kCases[] = {
      {"diclofenac [M+H]+",
       "[M+H]+",
       "C14H11Cl2NO2",
       296.02396,
       {{296.02396, 100}, {297.02732, 15.7}, {298.02101, 64.0}, {299.02437, 10.0}, {300.01806, 10.2}}},
      {"4-bromobenzoic acid [M-H]-",
       "[M-H]-",
       "C7H5BrO2",
       198.94002,
       {{198.94002, 100}, {199.94337, 7.6}, {200.93797, 97.3}, {201.94132, 7.4}}},
  };
  for (const auto& c : kCases) {
    FindQuery q;
    q.mz = c.mz;
    q.adduct = c.adduct;
    q.peaks = c.peaks;
    const FindResult r = FindFormulas(*context, q);
    ASSERT_EQ(r.error, "") << c.name;
    ASSERT_FALSE(r.candidates.empty()) << c.name;
    EXPECT_EQ(r.candidates[0].hill, c.truth) << c.name;
    // The peaks by hand sit at the isotopes' own masses, the calculated ones are centroids at 20000
    // (13C with 15N, 37Cl with 13C2): a sigma or so off, a score well above half.
    EXPECT_GT(r.candidates[0].score, 50.0) << c.name;
    std::size_t lookalikes = 0;
    for (const FindCandidate& f : r.candidates) {
      if (f.hill.find("Cl") != std::string::npos || f.hill.find("Br") != std::string::npos) continue;
      ++lookalikes;
      EXPECT_LT(f.score, r.candidates[0].score - 20.0) << c.name << ": " << f.hill;
    }
    EXPECT_GT(lookalikes, 0u) << c.name;
  }  // A neutral mass with peaks: caffeine, M+1 from 8 C (8.65 %), 4 N (1.47 %),
  // 10 H and 2 O (0.2 %) = 10.3 % at the 13C mass.
  FindQuery neutral;
  neutral.mz = 194.08038;
  neutral.elements = "C0-10H0-12N0-4O0-2";
  neutral.peaks = {{194.08038, 100}, {195.08373, 10.3}};
  const FindResult r = FindFormulas(*context, neutral);
  ASSERT_EQ(r.error, "");
  ASSERT_FALSE(r.candidates.empty());
  EXPECT_EQ(r.candidates[0].hill, "C8H10N4O2");
  EXPECT_GT(r.candidates[0].score, 50.0);
}

TEST(FindFormulas, BadQueriesAndBoundedWork) {
  auto context = ShippedContext();
  ASSERT_NE(context, nullptr);
  const struct {
    const char* elements;
    const char* adduct;
    int charge;
    double mz, ppm;
    const char* error;  // a part of the message
  } kBad[] = {
      {"C0-10H0-20", "", 0, -5, 5, "positive"},
      {"C0-10H0-20", "", 0, std::nan(""), 5, "positive"},
      {"C0-10H0-20", "", 0, 100, -1, "ppm"},
      {"C0-10H0-20", "[M+X]+", 0, 100, 5, "unknown adduct"},
      {"C0-10H0-20", "[M+H]+", 1, 100, 5, "not both"},
      {"C0-10H0-20", "[M-H2O-H]-", 0, 100, 5, "removes O, which the element ranges do not hold"},
      {"C10-5", "", 0, 100, 5, "position 2: the range of C ends before it starts"},
      {"C0-10Xx0-2", "", 0, 100, 5, "position 6: 'Xx' is no element"},
      {"C0-10H0-", "", 0, 100, 5, "position 9"},
      {"C0-10c0-3", "", 0, 100, 5, "position 6"},
      {"C0-99999999", "", 0, 100, 5, "at most"},
      {"C0-10C0-3", "", 0, 100, 5, "twice"},
      {"[13C0-3", "", 0, 100, 5, "[13C]"},
      {"", "", 0, 100, 5, "no element"},
  };
  for (const auto& b : kBad) {
    FindQuery q;
    q.mz = b.mz;
    q.ppm = b.ppm;
    q.elements = b.elements;
    q.adduct = b.adduct;
    q.charge = b.charge;
    const FindResult r = FindFormulas(*context, q);
    EXPECT_NE(r.error.find(b.error), std::string::npos) << b.elements << " gives " << r.error;
    EXPECT_TRUE(r.candidates.empty());
  }
  // Ranges as written: a count alone is that many atoms, a symbol alone one;
  // blanks and commas between; labels at their isotope's mass.
  const struct {
    const char* text;
    std::vector<ElementRange> ranges;
  } kGood[] = {
      {"C0-60H0-120", {{"C", 12.0, 0, 60}, {"H", kTable[1].mass, 0, 120}}},
      {"Fe, Cl2 N0-4", {{"Fe", 55.9349363, 1, 1}, {"Cl", kTable[7].mass, 2, 2}, {"N", kTable[2].mass, 0, 4}}},
      {"[13C]6D0-2", {{"[13C]", kTable[12].mass, 6, 6}, {"D", 2.01410177812, 0, 2}}},
      // An element list (no count at all): the default ranges, 0 to 5 beyond them; one symbol stays one atom.
      {"CHNO",
       {{"C", 12.0, 0, 60},
        {"H", kTable[1].mass, 0, 120},
        {"N", kTable[2].mass, 0, 10},
        {"O", kTable[3].mass, 0, 20}}},
      {"C, H, Na", {{"C", 12.0, 0, 60}, {"H", kTable[1].mass, 0, 120}, {"Na", 22.98976928, 0, 5}}},
      {"Fe", {{"Fe", 55.9349363, 1, 1}}},
  };
  for (const auto& g : kGood) {
    std::string error;
    const std::vector<ElementRange> parsed = ParseElementRanges(*context, g.text, &error);
    ASSERT_EQ(error, "") << g.text;
    ASSERT_EQ(parsed.size(), g.ranges.size()) << g.text;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
      EXPECT_EQ(parsed[i].symbol, g.ranges[i].symbol) << g.text;
      EXPECT_NEAR(parsed[i].mass, g.ranges[i].mass, 1e-6) << g.text;
      EXPECT_EQ(std::make_pair(parsed[i].least, parsed[i].most),
                std::make_pair(g.ranges[i].least, g.ranges[i].most))
          << g.text;
    }
  }
  // The window's edges to a thousandth of a ppm: caffeine 5.0005 ppm away
  // is out, 4.9995 ppm away in.
  const double caffeine = 8 * 12.0 + 10 * kTable[1].mass + 4 * kTable[2].mass + 2 * kTable[3].mass;
  for (const double off : {5.0005, 4.9995, -5.0005, -4.9995}) {
    FindQuery edge;
    edge.mz = caffeine * (1 + off * 1e-6);
    edge.elements = "C8H10N4O2";
    edge.rules = false;
    EXPECT_EQ(FindFormulas(*context, edge).candidates.size(), std::fabs(off) < 5 ? 1u : 0u) << off;
  }
  std::string error;
  EXPECT_TRUE(ParsePeaks("328.19:100,329.19", &error).empty());
  EXPECT_NE(error.find("329.19"), std::string::npos);
  // A query with millions of candidates: the limit lists the closest and
  // counts the rest; a step budget stops the search and says so.
  FindQuery wide;
  wide.mz = 1500.0;
  wide.ppm = 100;
  wide.rules = false;
  wide.limit = 10;
  wide.elements = "C0-100H0-200N0-20O0-30S0-5P0-5F0-10Cl0-5Br0-5I0-3";
  wide.max_steps = 1e5;
  const FindResult stopped = FindFormulas(*context, wide);
  EXPECT_FALSE(stopped.complete);
  EXPECT_NE(stopped.warning.find("may be missing"), std::string::npos);
  EXPECT_LE(stopped.steps, 1.1e5);  // a table scan may pass the budget by its length
  wide.elements = "C0-100H0-200N0-10O0-20";
  wide.max_steps = kMaxFindSteps;
  const FindResult listed = FindFormulas(*context, wide);
  EXPECT_TRUE(listed.complete);
  EXPECT_EQ(listed.candidates.size(), 10u);
  EXPECT_EQ(listed.unlisted + 10, listed.within);
  EXPECT_GT(listed.within, 100u);
  // The budgets count the work done: tens of millions of formulas in the
  // window stop the search, patterns at a high resolving power (many peaks
  // to sort) stop the scoring, each saying so.
  wide.elements = "C0-100H0-200N0-20O0-30S0-10P0-10F0-20Cl0-10Br0-10I0-10Si0-10B0-10Na0-5K0-5";
  const FindResult full = FindFormulas(*context, wide);
  EXPECT_FALSE(full.complete);
  EXPECT_LT(full.within, 30000000u);
  FindQuery heavy;
  heavy.mz = 3600.5;
  heavy.charge = 1;
  heavy.elements = "C0-30H0-40Sn0-30Hg0-18Xe0-20";
  heavy.rules = false;
  heavy.ppm = 2000;
  heavy.peaks = {{3600.5, 100}, {3602.5, 80}};
  heavy.resolving_power = 1e6;
  const FindResult h = FindFormulas(*context, heavy);
  EXPECT_LT(h.scored, 100u);
  EXPECT_NE(h.warning.find("were scored against the peaks"), std::string::npos) << h.warning;
}

// A multimer adduct's m/z by hand (AME2020: 1H 1.007825031898, 14N
// 14.00307400425, 16O 15.99491461926, e 5.485799090441e-4 u), the rules
// --explain names for every formula they remove, and a score of 0 for
// peaks nothing like the candidate's.
TEST(FindFormulas, MultimersExplainedRulesAndScoreZero) {
  auto context = ShippedContext();
  ASSERT_NE(context, nullptr);
  const double h = 1.007825031898, e = 5.485799090441e-4;
  const double glycine = 24 + 5 * h + 14.00307400425 + 2 * 15.99491461926;  // C2H5NO2
  FindQuery q;
  q.mz = 2 * glycine - h + e;  // [2M-H]-
  q.adduct = "[2M-H]-";
  q.elements = "C0-4H0-10N0-2O0-4";
  q.ppm = 200;
  q.explain = true;
  q.limit = 1000;
  const FindResult r = FindFormulas(*context, q);
  std::size_t broken = 0, found = 0;
  for (const FindCandidate& f : r.candidates) {
    broken += !f.broken.empty();
    if (f.hill == "C2H5NO2")
      found += std::fabs(f.mz - q.mz) < 1e-9 && std::fabs(f.monoisotopic - glycine) < 1e-9;
  }
  EXPECT_EQ(found, 1u);
  EXPECT_EQ(r.within, r.candidates.size());
  EXPECT_EQ(broken, r.within - r.passed);
  FindQuery far;
  far.mz = glycine + h - e;
  far.adduct = "[M+H]+";
  far.elements = "C2H5NO2";
  far.peaks = {{far.mz + 0.5, 100}};
  const FindResult scored = FindFormulas(*context, far);
  ASSERT_EQ(scored.candidates.size(), 1u);
  EXPECT_EQ(scored.candidates[0].score, 0.0);
}

// The score's terms by hand: intensities (If - Ic) / (e Ic + 0.5), a missing peak's Ic / (e Ic + 0.5), the
// first peak's m/z error over sigma_m and the others' spacings over sqrt(2) sigma_m.
TEST(FindFormulas, ChiSquaredTermsByHand) {
  PeakErrors errors;
  errors.intensity_error = 0.05;
  errors.mass_error_ppm = 2.0;
  const std::vector<Peak> calculated = {{300.0, 100}, {301.0, 11}, {302.0, 20}};
  const double window = 0.01;
  // The same peaks: nothing.
  EXPECT_NEAR(PatternChiSquared(calculated, calculated, window, errors), 0.0, 1e-12);
  // M+1 at 10 instead of 11: (1 / (0.55 + 0.5))^2; M+2 found as calculated.
  EXPECT_NEAR(PatternChiSquared({{300.0, 100}, {301.0, 10}, {302.0, 20}}, calculated, window, errors),
              1.0 / (1.05 * 1.05), 1e-9);
  // M+2 not found (20 is above the smallest found, 11): (20 / (1 + 0.5))^2.
  EXPECT_NEAR(PatternChiSquared({{300.0, 100}, {301.0, 11}}, calculated, window, errors), 400.0 / 2.25, 1e-9);
  // The first peak 2 ppm high (one sigma), the spacing to M+1 as calculated: 1 + (2 ppm / (sqrt 2 x 2
  // ppm))^2.
  const double up = 300.0 * 2e-6;
  EXPECT_NEAR(
      PatternChiSquared({{300.0 + up, 100}, {301.0, 11}, {302.0 + up, 20}}, calculated, window, errors),
      1.0 + 0.5, 1e-4);
  // The score of a chi-squared: 100 exp(-chi2 / 2n).
  EXPECT_NEAR(ScoreOfChiSquared(6.0, 3), 100.0 * std::exp(-1.0), 1e-12);
}

}  // namespace
}  // namespace formix::toolkit
