// fuzz_input.h -- turns a fuzzer's bytes into the arguments of library
// calls, and the shared set-up of the fuzz targets.
#ifndef FORMIX32_FUZZ_FUZZ_INPUT_H
#define FORMIX32_FUZZ_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formix32.h"

namespace formix::fuzz {

// Reads values from the front of the input; past its end every value is 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Bool() { return Byte() & 1; }
  // A value in [low, high].
  int Int(int low, int high) {
    std::uint32_t v = Byte();
    v = (v << 8) | Byte();
    return low + static_cast<int>(v % static_cast<std::uint32_t>(high - low + 1));
  }
  // Any 32-bit int, biased towards small and boundary values.
  int AnyInt() {
    switch (Byte() % 4) {
      case 0:
        return Int(-3, 3);
      case 1:
        return Int(195, 260);
      case 2:
        return Byte() & 1 ? 0x7fffffff : -0x7fffffff - 1;
      default: {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        int out;
        std::memcpy(&out, &v, sizeof out);
        return out;
      }
    }
  }
  double Double() {
    switch (Byte() % 4) {
      case 0:
        return Int(-4, 100);
      case 1:
        return 0.0;
      case 2:
        return Int(0, 1000) / 7.0;
      default: {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v = (v << 8) | Byte();
        double out;
        std::memcpy(&out, &v, sizeof out);
        return out;
      }
    }
  }
  // A string of up to `max` bytes (no NUL), its length taken from the input.
  std::string String(std::size_t max) {
    std::size_t length = static_cast<std::size_t>(Int(0, 65535)) % (max + 1);
    std::string out;
    while (out.size() < length && !empty()) {
      char c = static_cast<char>(Byte());
      if (c != '\0') out += c;
    }
    return out;
  }
  // Everything left, as a string cut at its first NUL.
  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
    pos_ = size_;
    return out.substr(0, out.find('\0'));
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Notifications are checked for terminated texts and then dropped.
inline void FORMIX32_CALL CheckMessage(const char* text, const char* caption, void*) {
  if (std::strlen(text) > 1000 || std::strlen(caption) > 100) __builtin_trap();
}
inline void FORMIX32_CALL IgnoreBeep(void*) {}

inline void InstallQuietNotifier() { SetNotifier(&CheckMessage, &IgnoreBeep, nullptr); }

// A private directory for the target's files.
inline std::string ScratchDir() {
  static std::string dir;
  if (dir.empty()) {
    char pattern[] = "/tmp/formix-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    dir = made != nullptr ? made : "/tmp";
  }
  return dir;
}

inline std::string WriteFile(const std::string& name, const std::string& content) {
  std::string path = ScratchDir() + "/" + name;
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
  }
  return path;
}

// Groups for the formula targets: ordinary ones, groups that use each
// other, a group that contains itself, a cycle at fixed length and a group
// that doubles.
inline constexpr char kFuzzGroups[] =
    "Ph C6H5\nMe CH3\nEt C2H5\nBz PhCH2\nAa BbC\nBb AaH\nSf SfH\n(a) b\n(b) a\nDd DdDd\nOAc C2H3O2\n";

}  // namespace formix::fuzz

#endif  // FORMIX32_FUZZ_FUZZ_INPUT_H
