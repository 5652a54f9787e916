// posix_ui.cpp -- default notifications on POSIX systems: a line on
// standard error in UTF-8, and BEL for a beep when standard error is a
// terminal.
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace formix::platform {
namespace {

// Converts Windows-1251 `in` to UTF-8 in `out` (at most `size` bytes with
// the terminator).  Falls back to the raw bytes if iconv is unavailable.
void ToUtf8(const char* in, char* out, std::size_t size) {
  std::size_t in_left = std::strlen(in);
  std::size_t out_left = size - 1;
  char* dst = out;
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::snprintf(out, size, "%s", in);
    return;
  }
  char* src = const_cast<char*>(in);
  // CP1251 maps every byte but 0x98; an unmapped byte is skipped.
  while (in_left > 0) {
    if (iconv(cd, &src, &in_left, &dst, &out_left) != static_cast<std::size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    ++src;
    --in_left;
  }
  iconv_close(cd);
  *dst = '\0';
}

}  // namespace

void DefaultShowError(const char* text, const char* caption) {
  // Texts are at most a few hundred bytes; UTF-8 at most doubles them.
  char text_utf8[2048];
  char caption_utf8[256];
  ToUtf8(text, text_utf8, sizeof text_utf8);
  ToUtf8(caption, caption_utf8, sizeof caption_utf8);
  std::fprintf(stderr, "formix32: %s: %s\n", caption_utf8, text_utf8);
  std::fflush(stderr);
}

void DefaultBeep() {
  if (isatty(STDERR_FILENO)) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }
}

}  // namespace formix::platform
