// Library rules that hosts and data files rely on, each pinned by a row or
// two: duplicate symbols, one-byte group names, the order of the data-file
// search, shorter tables after longer ones, and the default notifier's
// converted text.
#include <sys/stat.h>

#include <cstdlib>

#include "formula/engine.h"
#include "platform/platform.h"
#include "test_support.h"

namespace formix::test {
namespace {

TEST_F(EngineTest, FirstOfEqualSymbolsWinsAndOneByteGroupsExpand) {
  TempFile masses("dup.elt", "1 A 1.5\n2 A 7\n3 H 1\n4 O 16\n");
  TempFile groups("one.gps", "W H2O\n");
  Load(masses.path(), groups.path());
  EXPECT_EQ(MolarMass("A2"), 3.0);
  EXPECT_EQ(MolarMass("AW"), 1.5 + 18.0);  // W is the group, not an unknown element
  EXPECT_TRUE(recorder_.Take().empty());
}

TEST_F(EngineTest, NothingPastTheElementCountOfAShorterFile) {
  TempFile three("three.elt", "1 A 1\n2 B 2\n3 C 3\n");
  TempFile one("one.elt", "1 A 1\n");
  Load(three.path());
  ASSERT_EQ(SetNewMassesFile(one.path()), 1);
  double atoms[3] = {99, 99, 99};
  double contributions[200];
  int count = 0;
  EXPECT_EQ(MolecularMass("AB", contributions, atoms, &count, nullptr), 1.0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(atoms[0], 1.0);
  EXPECT_EQ(atoms[1], 99.0);  // beyond the count: untouched
  EXPECT_EQ(atoms[2], 99.0);
  EXPECT_EQ(recorder_.Take(), Unknown("B"));
}

#ifndef _WIN32
class SearchOrderTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    saved_cwd_ = cwd;
    work_ = testing::TempDir() + "formix_order_" + std::to_string(getpid());
    env_ = work_ + "/env";
    mkdir(work_.c_str(), 0700);
    mkdir(env_.c_str(), 0700);
    ASSERT_EQ(chdir(work_.c_str()), 0);
  }
  void TearDown() override {
    unsetenv("FORMIX32_DATA_DIR");
    ASSERT_EQ(chdir(saved_cwd_.c_str()), 0);
    for (const char* f : {"/order.elt", "/env/order.elt", "/env/mass.elt"}) std::remove((work_ + f).c_str());
    rmdir(env_.c_str());
    rmdir(work_.c_str());
    EngineTest::TearDown();
  }
  void Write(const std::string& path, const char* content) { std::ofstream(path) << content; }
  std::string FirstSymbol() {
    char buffer[4];
    return GetElement(buffer, 0);
  }
  std::string saved_cwd_, work_, env_;
};

TEST_F(SearchOrderTest, PathThenVariableThenLibraryDirectory) {
  Write(work_ + "/order.elt", "1 Aa 1\n");
  Write(env_ + "/order.elt", "1 Bb 1\n");
  Write(env_ + "/mass.elt", "1 Cc 1\n");
  setenv("FORMIX32_DATA_DIR", env_.c_str(), 1);
  ASSERT_EQ(SetNewMassesFile("order.elt"), 1);
  EXPECT_EQ(FirstSymbol(), "Aa");  // the path as given, before the variable
  ASSERT_EQ(SetNewMassesFile("mass.elt"), 1);
  EXPECT_EQ(FirstSymbol(), "Cc");  // the variable, before the library's directory
  setenv("FORMIX32_DATA_DIR", "", 1);
  char dir[4096];
  EXPECT_FALSE(platform::SearchDirectory(platform::SearchPlace::kFirstFallback, dir, sizeof dir));
  ASSERT_EQ(SetNewMassesFile("mass.elt"), 1);  // an empty variable is unset: not "/mass.elt"
  EXPECT_EQ(FirstSymbol(), "H");
}

// The default notifier converts into a buffer on its stack: whatever was
// there before must not show.
void DirtyTheStack() {
  volatile char junk[16384];
  for (std::size_t i = 0; i < sizeof junk; ++i) junk[i] = 'Z';
}

TEST_F(EngineTest, DefaultNotifierTextIsTerminated) {
  LoadShipped();
  SetNotifier(nullptr, nullptr, nullptr);
  for (const char* symbol : {"Qq", "Xyz"}) {
    DirtyTheStack();
    testing::internal::CaptureStderr();
    platform::DefaultShowError((std::string(symbol) + " - x").c_str(), "c");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "formix32: c: " + std::string(symbol) + " - x\n");
  }
}
#endif  // _WIN32

}  // namespace
}  // namespace formix::test
