// Pathological inputs and random formulas: every call ends in bounded time
// with a defined result, and the sums agree with each other.
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "formula/engine.h"
#include "test_support.h"

namespace formix::test {
namespace {

using formula::MolecularMass;

class LimitsTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    LoadShipped();
  }
  double Atoms(const std::string& formula, const char* symbol) {
    double atoms[200];
    MolecularMass(formula.c_str(), nullptr, atoms, nullptr, nullptr);
    return atoms[Index(symbol)];
  }
};

TEST_F(LimitsTest, DeeplyNestedBrackets) {
  std::string text = std::string(72, '(') + "H";
  for (int i = 0; i < 72; ++i) text += ")2";
  ASSERT_EQ(text.size(), 217u);
  EXPECT_EQ(Atoms(text, "H"), std::ldexp(1.0, 72));
  std::string open_only = std::string(218, '(') + "H";
  EXPECT_EQ(Atoms(open_only, "H"), 1.0);
  std::string close_only = "H" + std::string(218, ']');
  EXPECT_EQ(Atoms(close_only, "H"), 1.0);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(LimitsTest, ManyStars) {
  EXPECT_EQ(MolarMass(std::string(219, '*').c_str()), 0.0);
  std::string stars;
  for (int i = 0; i < 109; ++i) stars += "*2";
  EXPECT_EQ(Atoms(stars + "H", "H"), 2.0);  // only the nearest '*' of its level counts
  std::string nested;
  for (int i = 0; i < 54; ++i) nested += "*2(";
  // One factor per level, outward; the '*' at the very start is never examined.
  EXPECT_EQ(Atoms(nested + "H", "H"), std::ldexp(1.0, 53));
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(LimitsTest, HundredUnknownSymbolsInOrder) {
  std::string text;
  std::vector<Event> expected;
  for (char capital = 'A'; capital <= 'Z' && expected.size() < 300; ++capital) {
    for (char small = 'a'; small <= 'z' && expected.size() < 300; ++small) {
      std::string symbol{capital, small};
      if (Index(symbol.c_str()) >= 0) continue;
      text += symbol;
      std::vector<Event> e = Unknown(symbol);
      expected.insert(expected.end(), e.begin(), e.end());
    }
  }
  ASSERT_EQ(text.size(), 200u);
  EXPECT_EQ(MolarMass(text.c_str()), 0.0);
  EXPECT_EQ(recorder_.Take(), expected);
}

TEST_F(LimitsTest, LongestSymbolInAMessage) {
  std::string symbol = "Q" + std::string(218, 'q');
  MolarMass(symbol.c_str());
  EXPECT_EQ(recorder_.Take(), Unknown(symbol));
}

#ifndef _WIN32  // FIFOs and permissions of POSIX systems
TEST_F(LimitsTest, FifoIsNotADataFile) {
  std::string path = testing::TempDir() + "formix_fifo_" + std::to_string(getpid());
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(SetNewMassesFile(path.c_str()), 0);  // returns at once, no writer needed
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>{Message(kNoMassFileText, kAttentionCaption)}));
  EXPECT_EQ(SetNewMassesFile(SourceData("mass.elt").c_str()), 1);
  EXPECT_EQ(SetNewGroupsFile(path.c_str()), 1);
  EXPECT_EQ(GroupsInTable(), 0);
  std::remove(path.c_str());
  EXPECT_EQ(SetNewMassesFile("/dev/zero"), 0);
}

TEST_F(LimitsTest, UnreadableFileIsNotFound) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
  TempFile file("locked.elt", "1 H 1.008\n");
  ASSERT_EQ(chmod(file.path(), 0), 0);
  EXPECT_EQ(SetNewMassesFile(file.path()), 0);
}

#endif  // _WIN32

// Random formulas from a small grammar: symbols with subscripts, brackets
// with multipliers, '*' parts and coefficients.
class FormulaGenerator {
 public:
  explicit FormulaGenerator(unsigned seed) : rng_(seed) {}

  // Tokens of one formula; joined they make the text.
  std::vector<std::string> Next() {
    std::vector<std::string> tokens;
    if (Chance(4)) tokens.push_back(Number());
    Part(tokens, 0);
    while (Chance(3)) {
      tokens.push_back("*");
      if (Chance(2)) tokens.push_back(Number());
      Part(tokens, 0);
    }
    return tokens;
  }

 private:
  bool Chance(int one_in) { return std::uniform_int_distribution<int>(1, one_in)(rng_) == 1; }
  std::string Number() {
    static const char* const kNumbers[] = {"2", "3", "10", "0.5", "1.5", ".25", "4", "12"};
    return kNumbers[std::uniform_int_distribution<int>(0, 7)(rng_)];
  }
  void Part(std::vector<std::string>& tokens, int depth) {
    static const char* const kSymbols[] = {"H", "C", "N", "O", "S", "Cl", "Fe", "Cu", "Na", "K", "Pt", "U"};
    static const char* const kBrackets[] = {"()", "[]", "{}"};
    int units = std::uniform_int_distribution<int>(1, 4)(rng_);
    for (int u = 0; u < units; ++u) {
      if (depth < 3 && Chance(4)) {
        const char* b = kBrackets[std::uniform_int_distribution<int>(0, 2)(rng_)];
        tokens.push_back(std::string(1, b[0]));
        Part(tokens, depth + 1);
        tokens.push_back(std::string(1, b[1]));
      } else {
        tokens.push_back(kSymbols[std::uniform_int_distribution<int>(0, 11)(rng_)]);
      }
      if (Chance(2)) tokens.push_back(Number());
    }
  }
  std::mt19937 rng_;
};

TEST_F(LimitsTest, RandomFormulasSumConsistently) {
  FormulaGenerator generator(20261207);
  const refdata::Tables& t = refdata::Current();
  int checked = 0;
  for (int n = 0; n < 3000; ++n) {
    std::vector<std::string> tokens = generator.Next();
    std::string text, spaced;
    for (const std::string& token : tokens) {
      text += token;
      spaced += token + " ";
    }
    if (spaced.size() > formula::kMaxTextLength) continue;
    double contributions[200];
    double atoms[200];
    double mass = MolecularMass(text.c_str(), contributions, atoms, nullptr, nullptr);
    double by_contribution = 0.0;
    double by_atoms = 0.0;
    for (int i = 0; i < t.element_count; ++i) {
      by_contribution += contributions[i];
      by_atoms += atoms[i] * t.masses[i];
    }
    const double tolerance = 1e-12 * std::fmax(1.0, mass);
    ASSERT_NEAR(mass, by_contribution, tolerance) << text;
    ASSERT_NEAR(mass, by_atoms, tolerance) << text;
    ASSERT_TRUE(SameBits(MolarMass(spaced.c_str()), mass)) << spaced;
    ++checked;
  }
  EXPECT_GT(checked, 2000);
  EXPECT_TRUE(recorder_.events().empty());
}

}  // namespace
}  // namespace formix::test
