// Notifications: the default on this platform and the host's notifier.
#include "test_support.h"

namespace formix::test {
namespace {

#ifndef _WIN32  // the default notifier of POSIX systems
void FORMIX32_CALL CountBeep(void* context) { ++*static_cast<int*>(context); }

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

// A host may call the library again from its notifier (or, on Windows, from
// a window procedure while a message box is open): the call in progress
// keeps its own text.
struct Reentry {
  std::string formula;
  int calls = 0;
  double inner = 0.0;
};
void FORMIX32_CALL CallAgain(const char*, const char*, void* context) {
  auto* r = static_cast<Reentry*>(context);
  if (r->calls++ < 5) r->inner = MolarMass(r->formula.c_str());
}
void FORMIX32_CALL NoBeep(void*) {}

TEST_F(EngineTest, NotifierMayCallTheLibraryAgain) {
  Load(SourceData("mass.elt"), TestData("organic.gps"));
  const std::string outer = "PhPh" + std::string(190, 'H') + "Xx";  // two long expansions, one unknown
  const double expected = MolarMass(outer.c_str());
  ASSERT_EQ(recorder_.Take().size(), 5u);
  Reentry r{std::string(219, 'C'), 0, 0.0};  // a long text of its own
  SetNotifier(&CallAgain, &NoBeep, &r);
  EXPECT_TRUE(SameBits(MolarMass(outer.c_str()), expected));
  EXPECT_EQ(r.calls, 3);
  EXPECT_EQ(r.inner, MolarMass(r.formula.c_str()));
}

TEST_F(EngineTest, NotifierReceivesCatalogueBytes) {
  ASSERT_TRUE(refdata::SetMassPath("/nonexistent/mass.elt"));
  MolarMass("H");
  std::vector<Event> events = recorder_.Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].caption, "\xC2\xED\xE8\xEC\xE0\xED\xE8\xE5!");
  EXPECT_EQ(events[0].text.size(), 48u);
  // The too-complex format is 214 bytes; its "%s" gives way to the text.
  std::string formula(220, 'H');
  MolarMass(formula.c_str());
  events = recorder_.Take();
  ASSERT_EQ(events.size(), 2u);  // the formula refused, the mass file still missing
  EXPECT_EQ(events[0].text.size(), 214u - 2u + 219u);
}

}  // namespace
}  // namespace formix::test
