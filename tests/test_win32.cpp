// Windows services: the data-file search through the Windows and system
// directories, and the default message box.
#ifdef _WIN32
#include <windows.h>

#include <string>

#include "test_support.h"

namespace formix::test {
namespace {

std::string Directory(UINT(WINAPI* get)(LPSTR, UINT)) {
  char dir[MAX_PATH];
  UINT n = get(dir, sizeof dir);
  return std::string(dir, n);
}

class SearchTest : public EngineTest {
 protected:
  void TearDown() override {
    for (const std::string& f : files_) DeleteFileA(f.c_str());
    EngineTest::TearDown();
  }
  void Put(const std::string& dir, const char* name, const char* content) {
    std::string path = dir + "\\" + name;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, content, static_cast<DWORD>(std::strlen(content)), &written, nullptr);
    CloseHandle(h);
    files_.push_back(path);
  }
  std::vector<std::string> files_;
};

TEST_F(SearchTest, MassFileOnlyInTheSystemDirectory) {
  Put(Directory(GetSystemDirectoryA), "formix_sys.elt", "1 Sy 1\n");
  EXPECT_EQ(SetNewMassesFile("formix_sys.elt"), 1);
  EXPECT_EQ(ElementsInTable(), 1);
  char symbol[4];
  EXPECT_STREQ(GetElement(symbol, 0), "Sy");
}

TEST_F(SearchTest, WindowsDirectoryBeforeSystemDirectory) {
  Put(Directory(GetSystemDirectoryA), "formix_both.elt", "1 Sy 1\n");
  Put(Directory(GetWindowsDirectoryA), "formix_both.elt", "1 Wi 1\n");
  EXPECT_EQ(SetNewMassesFile("formix_both.elt"), 1);
  char symbol[4];
  EXPECT_STREQ(GetElement(symbol, 0), "Wi");
}

TEST_F(SearchTest, FoundNowhere) {
  EXPECT_EQ(SetNewMassesFile("formix_nowhere.elt"), 0);
  EXPECT_EQ(recorder_.Take(), (std::vector<Event>{Message(kNoMassFileText, kAttentionCaption)}));
}

// Without a notifier the message goes through MessageBoxA and the beep
// through MessageBeep; control comes back and the calculation goes on.
TEST_F(EngineTest, DefaultMessageBoxReturnsControl) {
  LoadShipped();
  SetNotifier(nullptr, nullptr, nullptr);
  EXPECT_EQ(MolarMass("H2Xx"), 2 * M("H"));
}

}  // namespace
}  // namespace formix::test
#endif  // _WIN32
