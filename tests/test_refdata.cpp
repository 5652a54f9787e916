// Element and group tables: reading the data files, their limits, the file
// search, reloads and the symbol lookup.

#include <cstdlib>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <string>

#include "test_support.h"

namespace formix::test {
namespace {

class RefdataTest : public EngineTest {
 protected:
  // Loads `masses` as the mass file (and optionally `groups`); true on
  // success.
  bool LoadText(const std::string& masses, const std::string& groups = "") {
    TempFile mass_file("m.elt", masses);
    TempFile group_file("g.gps", groups);
    refdata::SetMassPath(mass_file.path());
    refdata::SetGroupPath(groups.empty() ? "no-such-groups.gps" : group_file.path());
    return refdata::LoadTables();
  }
  std::string Symbol(int i) const { return refdata::Current().symbols[i]; }
  std::string GroupName(int g) const { return refdata::Current().group_names[g]; }
  std::string GroupFormula(int g) const { return refdata::Current().group_formulas[g]; }
};

TEST_F(RefdataTest, RecordsInAnyMixOfSeparators) {
  std::string text = "1 H 1.008\r\n2\nHe\r4.0026  \n\n3   Li ";
  text += '\0';
  text += "6.94";
  ASSERT_TRUE(LoadText(text));
  ASSERT_EQ(refdata::Current().element_count, 3);
  EXPECT_EQ(Symbol(0), "H");
  EXPECT_EQ(Symbol(1), "He");
  EXPECT_EQ(Symbol(2), "Li");
  EXPECT_EQ(refdata::Current().masses[0], 1.008);
  EXPECT_EQ(refdata::Current().masses[1], 4.0026);
  EXPECT_EQ(refdata::Current().masses[2], 6.94);
  EXPECT_TRUE(refdata::Current().loaded);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(RefdataTest, TabIsNotASeparator) {
  // "1\tH\t1.008" is one token: the record takes "2" as symbol and "He" as mass.
  ASSERT_TRUE(LoadText("1\tH\t1.008 2 He 4.0026\n3 Li 6.94\n"));
  ASSERT_EQ(refdata::Current().element_count, 2);
  EXPECT_EQ(Symbol(0), "2");
  EXPECT_EQ(refdata::Current().masses[0], 0.0);
  EXPECT_EQ(Symbol(1), "3");
  EXPECT_EQ(refdata::Current().masses[1], 0.0);
}

TEST_F(RefdataTest, MassTokensReadByDecimalConversion) {
  ASSERT_TRUE(LoadText("84 Po [209]\n1 H 1,008\n6 C 12.011e0\n"));
  EXPECT_EQ(refdata::Current().masses[0], 0.0);
  EXPECT_EQ(refdata::Current().masses[1], 1.0);
  EXPECT_EQ(refdata::Current().masses[2], 12.011);
}

TEST_F(RefdataTest, EmptyMassFileLoadsNoElements) {
  ASSERT_TRUE(LoadText(""));
  EXPECT_EQ(refdata::Current().element_count, 0);
  EXPECT_TRUE(refdata::Current().loaded);
}

TEST_F(RefdataTest, GroupRecords) {
  ASSERT_TRUE(LoadText("1 H 1.008\n", "Ph C6H5 Et\nC2H5\n"));
  ASSERT_EQ(refdata::Current().group_count, 2);
  EXPECT_EQ(GroupName(1), "Ph");
  EXPECT_EQ(GroupFormula(1), "C6H5");
  EXPECT_EQ(GroupName(2), "Et");
  EXPECT_EQ(GroupFormula(2), "C2H5");
}

TEST_F(RefdataTest, ElementLimits) {
  std::string text;
  for (int i = 0; i < 201; ++i)
    text += std::to_string(i) + " E" + std::to_string(i % 10) + " " + std::to_string(i) + "\n";
  ASSERT_TRUE(LoadText(text));
  EXPECT_EQ(refdata::Current().element_count, 200);  // the 201st record is ignored
  EXPECT_EQ(refdata::Current().masses[199], 199.0);

  // 3-byte symbol and 19-byte mass fit; 4 bytes and 20 bytes skip the record.
  ASSERT_TRUE(LoadText("1 Abc 1.00000000000000001\n2 Abcd 2\n3 B 3.000000000000000001\n4 C 4\n"));
  ASSERT_EQ(refdata::Current().element_count, 2);
  EXPECT_EQ(Symbol(0), "Abc");
  EXPECT_EQ(refdata::Current().masses[0], 1.0);
  EXPECT_EQ(Symbol(1), "C");
  EXPECT_EQ(refdata::Current().masses[1], 4.0);
}

TEST_F(RefdataTest, LongLeadingFieldIsIgnored) {
  ASSERT_TRUE(LoadText(std::string(5000, 'x') + " H 1.008\n"));
  ASSERT_EQ(refdata::Current().element_count, 1);
  EXPECT_EQ(refdata::Current().masses[0], 1.008);
}

TEST_F(RefdataTest, TruncatedLastRecordIsDropped) {
  ASSERT_TRUE(LoadText("1 H 1.008\n2 He"));
  EXPECT_EQ(refdata::Current().element_count, 1);
  ASSERT_TRUE(LoadText("1 H 1.008\n2"));
  EXPECT_EQ(refdata::Current().element_count, 1);
  ASSERT_TRUE(LoadText("1 H 1.008", "Ph C6H5 Me"));
  EXPECT_EQ(refdata::Current().group_count, 1);
}

TEST_F(RefdataTest, GroupLimits) {
  std::string groups;
  for (int g = 0; g < 50; ++g) groups += "G" + std::to_string(g) + " C" + std::to_string(g + 1) + "\n";
  ASSERT_TRUE(LoadText("1 C 12", groups));
  EXPECT_EQ(refdata::Current().group_count, 49);
  EXPECT_EQ(GroupName(49), "G48");

  // 3-byte name and 14-byte formula fit; 4 and 15 bytes skip the record.
  ASSERT_TRUE(LoadText("1 C 12", "Abc C6H5C6H5C6H5H2 Abcd C Xy C6H5C6H5C6H5H22\nZz CH\n"));
  ASSERT_EQ(refdata::Current().group_count, 2);
  EXPECT_EQ(GroupName(1), "Abc");
  EXPECT_EQ(GroupFormula(1), "C6H5C6H5C6H5H2");
  EXPECT_EQ(GroupName(2), "Zz");
}

TEST_F(RefdataTest, MissingMassFileIsReportedAndChangesNothing) {
  ASSERT_TRUE(LoadText("1 H 1.008\n2 He 4.0026\n", "Ph C6H5"));
  ASSERT_TRUE(refdata::SetMassPath("/nonexistent/mass.elt"));
  EXPECT_FALSE(refdata::LoadTables());
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>{Message(kNoMassFileText, kAttentionCaption)}));
  EXPECT_EQ(refdata::Current().element_count, 2);
  EXPECT_EQ(refdata::Current().masses[1], 4.0026);
  EXPECT_EQ(refdata::Current().group_count, 1);
  EXPECT_TRUE(refdata::Current().loaded);
}

TEST_F(RefdataTest, MissingGroupFileGivesNoGroups) {
  ASSERT_TRUE(LoadText("1 H 1.008\n", "Ph C6H5"));
  ASSERT_EQ(refdata::Current().group_count, 1);
  ASSERT_TRUE(LoadText("1 H 1.008\n"));
  EXPECT_EQ(refdata::Current().group_count, 0);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(RefdataTest, DirectoryIsNotADataFile) {
  refdata::SetMassPath(testing::TempDir().c_str());
  EXPECT_FALSE(refdata::LoadTables());
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>{Message(kNoMassFileText, kAttentionCaption)}));
  EXPECT_FALSE(refdata::Current().loaded);
}

TEST_F(RefdataTest, OneMegabyteOfNoiseLoadsInBoundedTables) {
  std::string noise(1 << 20, '\0');
  unsigned state = 12345;
  for (char& c : noise) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 23);
  }
  ASSERT_TRUE(LoadText(noise, noise));
  EXPECT_LE(refdata::Current().element_count, 200);
  EXPECT_LE(refdata::Current().group_count, 49);
}

TEST_F(RefdataTest, PathSettingsRefuseWhatDoesNotFit) {
  std::string fits(255, 'a');
  std::string too_long(256, 'a');
  EXPECT_TRUE(refdata::SetMassPath(fits.c_str()));
  char setting[256];
  EXPECT_EQ(std::string(GetMassesFile(setting)), fits);
  EXPECT_FALSE(refdata::SetMassPath(too_long.c_str()));
  EXPECT_FALSE(refdata::SetGroupPath(too_long.c_str()));
  EXPECT_FALSE(refdata::SetGroupPath(nullptr));
  EXPECT_EQ(std::string(GetMassesFile(setting)), fits);
  EXPECT_EQ(std::string(GetGroupsFile(setting)), "mass.gps");
}

#ifndef _WIN32  // search places of POSIX systems
// The search after the path itself: $FORMIX32_DATA_DIR, then the library's
// own data directory (../share/formix32 beside the program here).
class FileSearchTest : public RefdataTest {
 protected:
  void SetUp() override {
    RefdataTest::SetUp();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    saved_cwd_ = cwd;
    ASSERT_EQ(chdir(testing::TempDir().c_str()), 0);
  }
  void TearDown() override {
    unsetenv("FORMIX32_DATA_DIR");
    ASSERT_EQ(chdir(saved_cwd_.c_str()), 0);
    RefdataTest::TearDown();
  }
  std::string saved_cwd_;
};

TEST_F(FileSearchTest, CurrentDirectoryFirst) {
  TempFile local("local.elt", "1 Aa 1\n");
  setenv("FORMIX32_DATA_DIR", FORMIX_TEST_DATA_DIR, 1);
  std::string name = std::string(local.path()).substr(std::string(local.path()).rfind('/') + 1);
  refdata::SetMassPath(name.c_str());
  ASSERT_TRUE(refdata::LoadTables());
  EXPECT_EQ(Symbol(0), "Aa");
}

TEST_F(FileSearchTest, DataDirectoryVariableSecond) {
  setenv("FORMIX32_DATA_DIR", FORMIX_TEST_DATA_DIR, 1);
  refdata::SetMassPath("letters.elt");
  ASSERT_TRUE(refdata::LoadTables());
  EXPECT_EQ(Symbol(0), "A");
}

TEST_F(FileSearchTest, LibraryDataDirectoryLast) {
  setenv("FORMIX32_DATA_DIR", "", 1);
  ASSERT_TRUE(refdata::LoadTables());  // the default settings mass.elt, mass.gps
  EXPECT_EQ(refdata::Current().element_count, 118);
  EXPECT_GT(refdata::Current().group_count, 0);
  EXPECT_TRUE(recorder_.events().empty());
}

TEST_F(FileSearchTest, FoundNowhere) {
  setenv("FORMIX32_DATA_DIR", FORMIX_TEST_DATA_DIR, 1);
  refdata::SetMassPath("absent.elt");
  EXPECT_FALSE(refdata::LoadTables());
  EXPECT_EQ(recorder_.events().size(), 1u);
}

#endif  // _WIN32

TEST(ChemIndex, FirstExactMatch) {
  const char* list[] = {"H", "He", "Li", "He"};
  EXPECT_EQ(ChemIndex(list, "H", 4), 0);
  EXPECT_EQ(ChemIndex(list, "He", 4), 1);
  EXPECT_EQ(ChemIndex(list, "h", 4), -1);
  EXPECT_EQ(ChemIndex(list, "Hel", 4), -1);
  EXPECT_EQ(ChemIndex(list, "", 4), -1);
  EXPECT_EQ(ChemIndex(list, "Li", 2), -1);  // only the first count entries
  EXPECT_EQ(ChemIndex(list, "H", 0), -1);
  EXPECT_EQ(ChemIndex(list, "H", -5), -1);
}

TEST(ChemIndex, NullArguments) {
  const char* list[] = {nullptr, "He"};
  EXPECT_EQ(ChemIndex(list, "He", 2), 1);
  EXPECT_EQ(ChemIndex(nullptr, "He", 2), -1);
  EXPECT_EQ(ChemIndex(list, nullptr, 2), -1);
}

}  // namespace
}  // namespace formix::test
