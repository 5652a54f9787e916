// formix -- command-line molar mass calculator over the formix32 library.
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "formix32.h"

namespace {

// Converts UTF-8 `in` to Windows-1251.  On a character Windows-1251 cannot
// hold, returns false with that character (as UTF-8) in `bad`.
bool Utf8ToCp1251(const std::string& in, std::string* out, std::string* bad) {
  iconv_t cd = iconv_open("CP1251", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    *out = in;
    return true;
  }
  out->assign(in.size() + 1, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = &(*out)[0];
  std::size_t dst_left = out->size();
  bool ok = iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) {
    std::size_t n = 1;
    unsigned char lead = static_cast<unsigned char>(*src);
    if (lead >= 0xF0) n = 4; else if (lead >= 0xE0) n = 3; else if (lead >= 0xC0) n = 2;
    *bad = std::string(src, n < src_left ? n : src_left);
    return false;
  }
  out->resize(out->size() - dst_left);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: formix FORMULA...\n");
    return 1;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::string formula, bad;
    if (!Utf8ToCp1251(argv[i], &formula, &bad)) {
      std::fprintf(stderr, "formix: %s: the character '%s' cannot be written in Windows-1251\n",
                   argv[i], bad.c_str());
      status = 1;
      continue;
    }
    double mass = MolarMass(formula.c_str());
    std::printf("%s\t%.4f\n", argv[i], mass);
  }
  return status;
}
