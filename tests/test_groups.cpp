// Group expansion: which occurrence is replaced, passes, nested groups, and
// expansions that grow too long or never end.
#include <cstring>
#include <memory>
#include <string>

#include "formula/engine.h"
#include "test_support.h"

namespace formix::test {
namespace {

using formula::ExpandGroups;

class GroupTest : public EngineTest {
 protected:
  void LoadGroups(const std::string& groups) {
    group_file_ = std::make_unique<TempFile>("groups.gps", groups);
    Load(SourceData("mass.elt"), group_file_->path());
  }
  // Runs one pass over `text` and returns the text after it.
  std::string Pass(const std::string& text, int expected_replacements) {
    char buffer[formula::kWorkingTextSize];
    std::strcpy(buffer, text.c_str());
    EXPECT_EQ(ExpandGroups(buffer), expected_replacements) << text;
    return buffer;
  }
  // Runs passes until nothing more is replaced.
  std::string Expanded(const std::string& text) {
    char buffer[formula::kWorkingTextSize];
    std::strcpy(buffer, text.c_str());
    while (ExpandGroups(buffer) > 0) {
    }
    return buffer;
  }
  double Mass(const char* formula) {
    return formula::MolecularMass(formula, nullptr, atoms_, nullptr, nullptr);
  }
  double Atoms(const char* symbol) { return atoms_[Index(symbol)]; }

  std::unique_ptr<TempFile> group_file_;
  double atoms_[200];
};

TEST_F(GroupTest, EachGroupReplacesItsFirstOccurrencePerPass) {
  LoadGroups("Ph C6H5 Me CH3");
  EXPECT_EQ(Pass("PhMe", 2), "(C6H5)(CH3)");
  EXPECT_EQ(Pass("MePh", 2), "(CH3)(C6H5)");
  EXPECT_EQ(Pass("Ph2", 1), "(C6H5)2");
  EXPECT_EQ(Pass("PhPh", 1), "(C6H5)Ph");
  EXPECT_EQ(Pass("(C6H5)Ph", 1), "(C6H5)(C6H5)");
  EXPECT_EQ(Pass("CuSO4*5H2O", 0), "CuSO4*5H2O");
}

// Each formula in a heap block of its own length: the sanitizer builds
// see a byte read past its end.
TEST_F(GroupTest, FormulaReadNoFurtherThanItsEnd) {
  LoadGroups("Ph C6H5 Me CH3");
  const double c = M("C"), h = M("H");
  const struct {
    const char* formula;
    double mass;  // the sums in text order
  } kCases[] = {{"", 0.0}, {"H", h}, {"Ph", 5 * h + 6 * c}, {"MePh", 5 * h + (6 * c + (3 * h + c))}};
  for (const auto& k : kCases) {
    const std::size_t size = std::strlen(k.formula) + 1;
    std::unique_ptr<char[]> exact(new char[size]);
    std::memcpy(exact.get(), k.formula, size);
    EXPECT_EQ(MolarMass(exact.get()), k.mass) << k.formula;
  }
}

TEST_F(GroupTest, NameFollowedBySmallLetterIsPassedBy) {
  LoadGroups("Et C2H5");
  EXPECT_EQ(Pass("EtaEt2", 1), "Eta(C2H5)2");
  EXPECT_EQ(Pass("Etaa", 0), "Etaa");
  EXPECT_EQ(Pass("PEt3", 1), "P(C2H5)3");  // what stands before does not matter
  Mass("EtaEt2");
  EXPECT_EQ(recorder_.Take(), Unknown("Eta"));
  EXPECT_EQ(Atoms("C"), 4.0);
}

TEST_F(GroupTest, GroupMultipliedAsABracket) {
  LoadGroups("Ph C6H5 Me CH3");
  Mass("Ph2");
  EXPECT_EQ(Atoms("C"), 12.0);
  EXPECT_EQ(Atoms("H"), 10.0);
  Mass("Ph2CO");
  EXPECT_EQ(Atoms("C"), 13.0);
  Mass("PhPhMe3");
  EXPECT_EQ(Atoms("C"), 15.0);
  EXPECT_EQ(Atoms("H"), 19.0);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(GroupTest, NestedGroupsExpandInEitherOrder) {
  for (const char* groups : {"Bz PhCH2 Ph C6H5", "Ph C6H5 Bz PhCH2"}) {
    LoadGroups(groups);
    Mass("Bz2O");
    EXPECT_EQ(Atoms("C"), 14.0) << groups;
    EXPECT_EQ(Atoms("H"), 14.0) << groups;
    EXPECT_EQ(Expanded("Bz2O"), "((C6H5)CH2)2O");
  }
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(GroupTest, GroupNamedAsElementReplacesIt) {
  LoadGroups("Ac C2H3O");
  EXPECT_EQ(Pass("Ac", 1), "(C2H3O)");
  EXPECT_EQ(Mass("Ac"), Mass("C2H3O"));
  EXPECT_NE(Mass("Ac"), M("Ac"));
}

TEST_F(GroupTest, InsertedFormulaIsNotPrepared) {
  LoadGroups("Hx C,5H-2");
  EXPECT_EQ(Expanded("Hx"), "(C,5H-2)");
  Mass("Hx");
  EXPECT_EQ(Atoms("C"), 1.0);  // ',' stays and is passed over
  EXPECT_EQ(Atoms("H"), 1.0);
}

// Texts whose expansion reaches 199, 200 and 219 bytes, and one more.
TEST_F(GroupTest, ExpansionNearTheLimits) {
  LoadGroups("Ph C6H5");
  auto text_of = [](std::size_t expanded_length) {
    // "Ph" becomes "(C6H5)": 4 bytes more.
    return "Ph" + std::string(expanded_length - 6, 'H');
  };
  std::string t199 = text_of(199);
  Mass(t199.c_str());
  EXPECT_TRUE(recorder_.Take().empty());
  EXPECT_EQ(Atoms("H"), 5.0 + 193.0);

  std::string t200 = text_of(200);
  Mass(t200.c_str());
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>{Message(TooComplexText(t200), kAnalysisCaption)}));
  EXPECT_EQ(Atoms("C"), 6.0);  // reported, and made all the same
  // The name last: the replacement itself reaches the length.
  for (std::size_t length : {199, 200}) {
    std::string text = std::string(length - 6, 'H') + "Ph";
    Mass(text.c_str());
    EXPECT_EQ(recorder_.Take().size(), length == 200 ? 1u : 0u) << length;
    EXPECT_EQ(Atoms("C"), 6.0);
  }

  std::string t219 = text_of(219);
  Mass(t219.c_str());
  EXPECT_EQ(recorder_.Take().size(), 1u);
  EXPECT_EQ(Atoms("C"), 6.0);

  std::string t220 = text_of(220);
  EXPECT_EQ(Mass(t220.c_str()), 0.0);
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>{Message(TooComplexText(t220), kAnalysisCaption)}));
  EXPECT_EQ(Atoms("H"), 0.0);
}

TEST_F(GroupTest, SecondReplacementPastThresholdReportsAgain) {
  LoadGroups("Ph C6H5");
  std::string text = "PhPh" + std::string(192, 'H');  // 196, 200, 204 bytes
  Mass(text.c_str());
  ASSERT_EQ(recorder_.events().size(), 2u);
  EXPECT_EQ(recorder_.events()[1].text, TooComplexText("(C6H5)Ph" + std::string(192, 'H')));
  EXPECT_EQ(Atoms("C"), 12.0);
}

TEST_F(GroupTest, SelfContainingGroupEnds) {
  LoadGroups("Me MeH");
  EXPECT_EQ(Mass("Me"), 0.0);
  ASSERT_FALSE(recorder_.events().empty());
  for (const Event& e : recorder_.events()) EXPECT_EQ(e.caption, kAnalysisCaption);
  EXPECT_EQ(Atoms("H"), 0.0);
}

TEST_F(GroupTest, GroupsContainingEachOtherEnd) {
  LoadGroups("Aa BbC Bb AaH");
  EXPECT_EQ(Mass("Aa"), 0.0);
  EXPECT_FALSE(recorder_.events().empty());
}

TEST_F(GroupTest, ExpansionThatNeverGrowsEndsAfterThePassLimit) {
  // "(a)" becomes "(b)" and "(b)" becomes "(a)": the text keeps its length.
  LoadGroups("(a) b (b) a");
  EXPECT_EQ(Mass("H(a)"), 0.0);
  ASSERT_EQ(recorder_.events().size(), 1u);
  EXPECT_EQ(recorder_.events()[0].caption, kAnalysisCaption);
}

TEST_F(GroupTest, ExponentialGroupsEndQuickly) {
  LoadGroups("Aa BbBb Bb CcCc Cc DdDd Dd EeEe Ee FfFf Ff H");
  double expected = 0.0;
  for (int i = 0; i < 32; ++i) expected = M("H") + expected;
  EXPECT_TRUE(SameBits(Mass("Aa"), expected));
  EXPECT_TRUE(recorder_.events().empty());
  EXPECT_EQ(Mass("AaAaAaAaAaAaAaAa"), 0.0);
  EXPECT_FALSE(recorder_.events().empty());
}

}  // namespace
}  // namespace formix::test
