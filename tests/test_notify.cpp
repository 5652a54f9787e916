// Notifications: the default on this platform and the host's notifier.
#include "test_support.h"

namespace formix::test {
namespace {

void FORMIX32_CALL CountBeep(void* context) { ++*static_cast<int*>(context); }

#ifndef _WIN32  // the default notifier of POSIX systems
TEST_F(EngineTest, DefaultNotifierWritesUtf8LineToStandardError) {
  LoadShipped();
  SetNotifier(nullptr, nullptr, nullptr);
  testing::internal::CaptureStderr();
  MolarMass("Xx");
  std::string err = testing::internal::GetCapturedStderr();
  // Standard error is not a terminal here, so the beeps write nothing.
  EXPECT_EQ(err,
            "formix32: Ошибка при вводе: Xx - неизвестный элемент или группа атомов. "
            "Повторите ввод.\n");
}

TEST_F(EngineTest, NullCallbackRestoresOnlyThatDefault) {
  LoadShipped();
  int beeps = 0;
  SetNotifier(nullptr, &CountBeep, &beeps);
  testing::internal::CaptureStderr();
  MolarMass("Qq");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(beeps, 2);
  EXPECT_NE(err.find("formix32: Ошибка при вводе: Qq - "), std::string::npos);
}

#endif  // _WIN32

TEST_F(EngineTest, NotifierReceivesCatalogueBytes) {
  ASSERT_TRUE(refdata::SetMassPath("/nonexistent/mass.elt"));
  MolarMass("H");
  std::vector<Event> events = recorder_.Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].caption, "\xC2\xED\xE8\xEC\xE0\xED\xE8\xE5!");
  EXPECT_EQ(events[0].text.size(), 48u);
  EXPECT_EQ(TooComplexText("%s").size(), 214u);  // the format is 214 bytes long
}

}  // namespace
}  // namespace formix::test
