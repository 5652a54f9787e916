// test_support.h -- shared helpers of the engine tests: a recording
// notifier, a fixture that starts from a fresh module, temporary data files
// and the expected message texts.
#ifndef FORMIX32_TESTS_TEST_SUPPORT_H
#define FORMIX32_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "formix32.h"
#include "refdata/tables.h"

namespace formix::test {

// Cyrillic UTF-8 (А..я, Ё, ё) and ASCII to Windows-1251, so that expected
// texts can be written readably.
inline std::string Cp1251(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
    i += 2;
    if (code >= 0x410 && code <= 0x44F) {
      out += static_cast<char>(0xC0 + (code - 0x410));
    } else if (code == 0x401) {
      out += static_cast<char>(0xA8);
    } else if (code == 0x451) {
      out += static_cast<char>(0xB8);
    } else {
      ADD_FAILURE() << "no Windows-1251 form for U+" << std::hex << code;
    }
  }
  return out;
}

inline std::string UnknownElementText(const std::string& symbol) {
  return symbol + Cp1251(" - неизвестный элемент или группа атомов. Повторите ввод.");
}
inline std::string TooComplexText(const std::string& text) {
  return Cp1251("Слишком сложная брутто-формула \"") + text +
         Cp1251(
             "\". Уменьшите её длину, количество скобок и имён групп атомов внутри неё, "
             "иначе потребуется проводить расчёт вручную. Для получения новых версий "
             "программы обратитесь к разработчику.");
}
inline const std::string kInputCaption = Cp1251("Ошибка при вводе");
inline const std::string kAnalysisCaption = Cp1251("Ошибка анализа брутто-формулы");
inline const std::string kAttentionCaption = Cp1251("Внимание!");
inline const std::string kNoMassFileText = Cp1251("Невозможно открыть файл данных по атомным массам");

// One notification: a beep, or a message with its caption.
struct Event {
  bool beep;
  std::string text;
  std::string caption;
  bool operator==(const Event& o) const { return beep == o.beep && text == o.text && caption == o.caption; }
};
inline std::ostream& operator<<(std::ostream& os, const Event& e) {
  return e.beep ? os << "<beep>" : os << "<" << e.caption << ": " << e.text << ">";
}
inline Event Beep() { return {true, "", ""}; }
inline Event Message(std::string text, std::string caption) {
  return {false, std::move(text), std::move(caption)};
}
// The two beeps and the message that an unknown symbol gives.
inline std::vector<Event> Unknown(const std::string& symbol) {
  return {Beep(), Beep(), Message(UnknownElementText(symbol), kInputCaption)};
}

class Recorder {
 public:
  void Install() { SetNotifier(&OnMessage, &OnBeep, this); }
  std::vector<Event> Take() { return std::exchange(events_, {}); }
  const std::vector<Event>& events() const { return events_; }

 private:
  static void FORMIX32_CALL OnMessage(const char* text, const char* caption, void* context) {
    static_cast<Recorder*>(context)->events_.push_back({false, text, caption});
  }
  static void FORMIX32_CALL OnBeep(void* context) {
    static_cast<Recorder*>(context)->events_.push_back(Beep());
  }
  std::vector<Event> events_;
};

inline std::string SourceData(const char* name) { return std::string(FORMIX_SOURCE_DATA_DIR) + "/" + name; }
inline std::string TestData(const char* name) { return std::string(FORMIX_TEST_DATA_DIR) + "/" + name; }

// A file in the test's own temporary directory, removed with the object.
class TempFile {
 public:
  TempFile(const std::string& name, const std::string& content) {
    path_ = testing::TempDir() + "formix_" + std::to_string(getpid()) + "_" + std::to_string(counter_++) +
            "_" + name;
    std::ofstream(path_, std::ios::binary) << content;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const char* path() const { return path_.c_str(); }

 private:
  static inline int counter_ = 0;
  std::string path_;
};

// Fresh module state and a recording notifier for every test.
class EngineTest : public testing::Test {
 protected:
  void SetUp() override {
    refdata::ResetForTesting();
    recorder_.Install();
  }
  void TearDown() override {
    SetNotifier(nullptr, nullptr, nullptr);
    refdata::ResetForTesting();
  }
  // Loads a mass file and a group file (the group path may name no file).
  void Load(const std::string& masses, const std::string& groups = "no-such-groups.gps") {
    ASSERT_TRUE(refdata::SetMassPath(masses.c_str()));
    ASSERT_TRUE(refdata::SetGroupPath(groups.c_str()));
    ASSERT_TRUE(refdata::LoadTables());
  }
  void LoadShipped(const std::string& groups = "no-such-groups.gps") { Load(SourceData("mass.elt"), groups); }
  // Atomic mass of a loaded element.
  double M(const char* symbol) const {
    const refdata::Tables& t = refdata::Current();
    int i = refdata::FindSymbol(t.symbol_list, t.element_count, symbol, std::strlen(symbol));
    EXPECT_GE(i, 0) << symbol;
    return i < 0 ? 0.0 : t.masses[i];
  }
  int Index(const char* symbol) const {
    const refdata::Tables& t = refdata::Current();
    return refdata::FindSymbol(t.symbol_list, t.element_count, symbol, std::strlen(symbol));
  }

  Recorder recorder_;
};

// Bitwise equality of doubles: the library promises results to the bit.
inline bool SameBits(double a, double b) {
  std::uint64_t x, y;
  std::memcpy(&x, &a, sizeof x);
  std::memcpy(&y, &b, sizeof y);
  return x == y;
}

}  // namespace formix::test

#endif  // FORMIX32_TESTS_TEST_SUPPORT_H
