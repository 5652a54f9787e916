// The data files shipped with the library.
#include <set>
#include <string>

#include "formula/engine.h"
#include "test_support.h"

namespace formix::test {
namespace {

TEST_F(EngineTest, ShippedMassFileHoldsAllElementsInOrder) {
  LoadShipped();
  ASSERT_EQ(refdata::Current().element_count, 118);
  std::set<std::string> symbols;
  for (int i = 0; i < refdata::Current().element_count; ++i) {
    EXPECT_TRUE(symbols.insert(refdata::Current().symbols[i]).second) << refdata::Current().symbols[i];
    EXPECT_GT(refdata::Current().masses[i], 0.0) << refdata::Current().symbols[i];
    if (i > 0 && i < 92 && i != 18 && i != 27 && i != 52 && i != 90) {
      // Up to uranium, masses grow with the atomic number except for the
      // known inversions Ar/K, Co/Ni, Te/I, Th/Pa.
      EXPECT_GT(refdata::Current().masses[i], refdata::Current().masses[i - 1])
          << refdata::Current().symbols[i];
    }
  }
  EXPECT_STREQ(refdata::Current().symbols[0], "H");
  EXPECT_EQ(refdata::Current().masses[0], 1.008);
  EXPECT_STREQ(refdata::Current().symbols[117], "Og");
  EXPECT_EQ(M("C"), 12.011);
  EXPECT_EQ(M("Zn"), 65.38);   // current values, not the pre-2013 ones
  EXPECT_EQ(M("Zr"), 91.222);  // 2024 revision
  EXPECT_EQ(M("Tc"), 97.0);    // mass number of the longest-lived isotope
}

TEST_F(EngineTest, ShippedGroupsAreUsableAbbreviations) {
  LoadShipped(SourceData("mass.gps"));
  const int groups = refdata::Current().group_count;
  EXPECT_GE(groups, 15);
  EXPECT_LE(groups, 30);
  std::set<std::string> names;
  for (int g = 1; g <= groups; ++g) {
    std::string name = refdata::Current().group_names[g];
    std::string formula = refdata::Current().group_formulas[g];
    EXPECT_TRUE(names.insert(name).second) << name;
    EXPECT_LE(name.size(), 3u);
    EXPECT_LE(formula.size(), 14u);
    EXPECT_EQ(Index(name.c_str()), -1) << name << " would replace an element";
    // The formula uses elements only and evaluates with no message.
    double direct = MolarMass(formula.c_str());
    EXPECT_TRUE(recorder_.Take().empty()) << formula;
    EXPECT_GT(direct, 0.0) << formula;
    EXPECT_EQ(MolarMass(name.c_str()), direct) << name;
    EXPECT_TRUE(recorder_.Take().empty()) << name;
  }
  // The read data files are the complete ones (no record was skipped).
  EXPECT_EQ(MolarMass("Ph2CO"), MolarMass("(C6H5)2CO"));
  EXPECT_EQ(MolarMass("Cu(OAc)2"), MolarMass("Cu(C2H3O2)2"));
  EXPECT_EQ(MolarMass("SnBu3"), MolarMass("Sn(C4H9)3"));
  EXPECT_EQ(MolarMass("[Co(en)3]Cl3"), MolarMass("[Co(C2H8N2)3]Cl3"));
}

}  // namespace
}  // namespace formix::test
