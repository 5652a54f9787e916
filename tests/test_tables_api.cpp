// The table and configuration entry points, and the reload rules.
#include <string>

#include "test_support.h"

namespace formix::test {
namespace {

std::string Element(int index) {
  char buffer[4] = "xyz";
  EXPECT_EQ(GetElement(buffer, index), buffer);
  return buffer;
}

std::string MassesFile() {
  char buffer[256];
  return GetMassesFile(buffer);
}

std::string GroupsFile() {
  char buffer[256];
  return GetGroupsFile(buffer);
}

TEST_F(EngineTest, FreshModuleHasNoTablesUntilFirstCalculation) {
  EXPECT_EQ(ElementsInTable(), 0);
  EXPECT_EQ(GroupsInTable(), 0);
  EXPECT_EQ(Element(0), "");  // never loads
  EXPECT_EQ(MassesFile(), "mass.elt");
  EXPECT_EQ(GroupsFile(), "mass.gps");
  EXPECT_FALSE(refdata::Current().loaded);

  MolarMass("H2O");  // found beside the library
  EXPECT_EQ(ElementsInTable(), 118);
  EXPECT_EQ(GroupsInTable(), 26);
  EXPECT_EQ(Element(0), "H");
  EXPECT_EQ(Element(117), "Og");
}

TEST_F(EngineTest, GetElementOutsideTheTable) {
  LoadShipped();
  EXPECT_EQ(Element(118), "");
  EXPECT_EQ(Element(199), "");
  EXPECT_EQ(Element(200), "");
  EXPECT_EQ(Element(-1), "");
  EXPECT_EQ(Element(1 << 30), "");
  EXPECT_EQ(GetElement(nullptr, 0), nullptr);
}

TEST_F(EngineTest, ShorterMassFileLeavesOldSymbolsPastItsCount) {
  LoadShipped();
  TempFile two("two.elt", "1 A 1\n2 B 2\n");
  EXPECT_EQ(SetNewMassesFile(two.path()), 1);
  EXPECT_EQ(ElementsInTable(), 2);
  EXPECT_EQ(Element(1), "B");
  EXPECT_EQ(Element(2), "Li");  // left by the longer file, beyond the count
  EXPECT_EQ(MolarMass("Li"), 0.0);
  EXPECT_EQ(recorder_.Take(), Unknown("Li"));
}

TEST_F(EngineTest, SetNewMassesFileReloadsAtOnce) {
  EXPECT_EQ(SetNewMassesFile(TestData("letters.elt").c_str()), 1);
  EXPECT_EQ(ElementsInTable(), 7);
  EXPECT_EQ(MassesFile(), TestData("letters.elt"));
  EXPECT_EQ(MolarMass("AB2"), 5.0);
}

TEST_F(EngineTest, MissingGroupFileGivesOneAndNoGroups) {
  LoadShipped(TestData("organic.gps"));
  ASSERT_EQ(GroupsInTable(), 3);
  EXPECT_EQ(SetNewGroupsFile("/nonexistent/groups.gps"), 1);
  EXPECT_EQ(GroupsInTable(), 0);
  EXPECT_EQ(GroupsFile(), "/nonexistent/groups.gps");
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(EngineTest, FailedReloadKeepsTablesAndFlag) {
  LoadShipped(TestData("organic.gps"));
  const double water = MolarMass("H2O");
  EXPECT_EQ(SetNewMassesFile("/nonexistent/mass.elt"), 0);
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>{Message(kNoMassFileText, kAttentionCaption)}));
  EXPECT_EQ(MassesFile(), "/nonexistent/mass.elt");  // the new path stays set
  EXPECT_EQ(ElementsInTable(), 118);
  EXPECT_EQ(GroupsInTable(), 3);
  // Later calculations use the old tables and do not try the new path.
  EXPECT_EQ(MolarMass("H2O"), water);
  EXPECT_EQ(MolarMass("Ph"), MolarMass("C6H5"));
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(EngineTest, SetNewGroupsFileWithoutMassFileReadsNoGroups) {
  LoadShipped(TestData("organic.gps"));
  ASSERT_TRUE(refdata::SetMassPath("/nonexistent/mass.elt"));
  EXPECT_EQ(SetNewGroupsFile(SourceData("mass.gps").c_str()), 0);
  EXPECT_EQ(recorder_.Take().size(), 1u);
  EXPECT_EQ(GroupsInTable(), 3);  // the group file was not read
  EXPECT_EQ(GroupsFile(), SourceData("mass.gps"));
}

TEST_F(EngineTest, MissingMassFileOnFreshModuleShowsMessageOnEveryCall) {
  EXPECT_EQ(SetNewMassesFile("/nonexistent/mass.elt"), 0);
  EXPECT_EQ(MolarMass("H2O"), 0.0);
  EXPECT_EQ(NumberOfAtoms("H2O", "H"), 0.0);
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>(3, Message(kNoMassFileText, kAttentionCaption))));
  // Calls that never load show nothing.
  EXPECT_EQ(ElementsInTable(), 0);
  EXPECT_EQ(Element(0), "");
  EXPECT_TRUE(recorder_.events().empty());
  // Once a file is found, the module is loaded.
  EXPECT_EQ(SetNewMassesFile(SourceData("mass.elt").c_str()), 1);
  EXPECT_EQ(ElementsInTable(), 118);
}

TEST_F(EngineTest, PathsThatDoNotFitAreRefused) {
  LoadShipped();
  std::string longest = "/nonexistent/" + std::string(255 - 13, 'p');
  ASSERT_EQ(longest.size(), 255u);
  EXPECT_EQ(SetNewMassesFile(longest.c_str()), 0);  // set, then not found
  EXPECT_EQ(MassesFile(), longest);
  recorder_.Take();

  std::string too_long = longest + "q";
  EXPECT_EQ(SetNewMassesFile(SourceData("mass.elt").c_str()), 1);
  EXPECT_EQ(SetNewMassesFile(too_long.c_str()), 0);
  EXPECT_EQ(SetNewGroupsFile(too_long.c_str()), 0);
  EXPECT_EQ(SetNewMassesFile(nullptr), 0);
  EXPECT_EQ(SetNewGroupsFile(nullptr), 0);
  EXPECT_EQ(MassesFile(), SourceData("mass.elt"));
  EXPECT_EQ(GroupsFile(), "no-such-groups.gps");
  EXPECT_TRUE(recorder_.events().empty());  // nothing was read
  EXPECT_EQ(GetMassesFile(nullptr), nullptr);
  EXPECT_EQ(GetGroupsFile(nullptr), nullptr);
}

}  // namespace
}  // namespace formix::test
