// NumberOfAtoms and PercentOfElement.
#include "test_support.h"

namespace formix::test {
namespace {

class CompositionTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    LoadShipped(TestData("organic.gps"));
  }
};

TEST_F(CompositionTest, NumberOfAtoms) {
  EXPECT_EQ(NumberOfAtoms("CuSO4*5H2O", "O"), 9.0);
  EXPECT_EQ(NumberOfAtoms("CuSO4*5H2O", "H"), 10.0);
  EXPECT_EQ(NumberOfAtoms("CuSO4*5H2O", "Fe"), 0.0);  // in the table, not in the formula
  EXPECT_EQ(NumberOfAtoms("C1.5H3", "C"), 1.5);
  EXPECT_EQ(NumberOfAtoms("Ph2CO", "C"), 13.0);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(CompositionTest, SymbolMustMatchExactly) {
  EXPECT_EQ(NumberOfAtoms("H2O", "h"), 0.0);
  EXPECT_EQ(NumberOfAtoms("H2O", "H "), 0.0);
  EXPECT_EQ(NumberOfAtoms("Ph2", "Ph"), 0.0);  // groups are expanded into their elements
  EXPECT_EQ(PercentOfElement("Ph2", "Ph"), 0.0);
  EXPECT_EQ(NumberOfAtoms("H2O", ""), 0.0);
}

TEST_F(CompositionTest, NullArgumentsGiveZeroWithoutEvaluating) {
  EXPECT_EQ(NumberOfAtoms(nullptr, "H"), 0.0);
  EXPECT_EQ(NumberOfAtoms("Xx", nullptr), 0.0);
  EXPECT_EQ(PercentOfElement(nullptr, "H"), 0.0);
  EXPECT_EQ(PercentOfElement("Xx", nullptr), 0.0);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(CompositionTest, PercentIsContributionOverMolarMassTimes100) {
  double hydrogen = 2 * M("H");
  double water = M("O") + hydrogen;
  EXPECT_TRUE(SameBits(PercentOfElement("H2O", "H"), hydrogen / water * 100));
  double oxygen = 1 * M("O");
  EXPECT_TRUE(SameBits(PercentOfElement("H2O", "O"), oxygen / water * 100));
  EXPECT_EQ(PercentOfElement("H2O", "C"), 0.0);
}

TEST_F(CompositionTest, PercentOfZeroMolarMassIsZero) {
  EXPECT_EQ(PercentOfElement("H0", "H"), 0.0);
  EXPECT_EQ(PercentOfElement("", "H"), 0.0);
}

TEST_F(CompositionTest, MessagesComeTwiceWhenTheSymbolIsFound) {
  PercentOfElement("HXx", "H");
  std::vector<Event> once = Unknown("Xx");
  std::vector<Event> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(recorder_.Take(), twice);
  PercentOfElement("HXx", "Fe");  // in the table, though not in the formula
  EXPECT_EQ(recorder_.Take(), twice);
  PercentOfElement("HXx", "Zz");
  EXPECT_EQ(recorder_.Take(), Unknown("Xx"));
  NumberOfAtoms("HXx", "H");
  EXPECT_EQ(recorder_.Take(), Unknown("Xx"));
}

TEST_F(EngineTest, CompositionWithoutTables) {
  ASSERT_TRUE(refdata::SetMassPath("/nonexistent/mass.elt"));
  EXPECT_EQ(NumberOfAtoms("H2O", "H"), 0.0);
  EXPECT_EQ(PercentOfElement("H2O", "H"), 0.0);
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>(2, Message(kNoMassFileText, kAttentionCaption))));
}

}  // namespace
}  // namespace formix::test
