// win32_files.cpp -- data-file access on Windows through _lopen, _lread and
// _lclose, and the two directories searched after the path itself: the
// Windows directory, then the system directory.
#include <windows.h>

#include <cstdio>

#include "platform/platform.h"

namespace formix::platform {

const char kPathSeparator = '\\';

bool DataFile::Open(const char* path) {
  Close();
  HFILE file = _lopen(path, OF_READ);
  if (file == HFILE_ERROR) return false;
  handle_ = file;
  return true;
}

std::size_t DataFile::Read(char* buffer, std::size_t size) {
  if (!IsOpen()) return 0;
  UINT n = _lread(static_cast<HFILE>(handle_), buffer, static_cast<UINT>(size));
  return n == static_cast<UINT>(HFILE_ERROR) ? 0 : n;
}

void DataFile::Close() {
  if (IsOpen()) {
    _lclose(static_cast<HFILE>(handle_));
    handle_ = kClosed;
  }
}

bool SearchDirectory(SearchPlace place, char* buffer, std::size_t size) {
  char dir[MAX_PATH + 1];
  // Asked for at most 256 characters, as the directories always were.
  UINT n =
      place == SearchPlace::kFirstFallback ? GetWindowsDirectoryA(dir, 256) : GetSystemDirectoryA(dir, 256);
  if (n == 0 || n >= 256) return false;
  int written = std::snprintf(buffer, size, "%s", dir);
  return written >= 0 && static_cast<std::size_t>(written) < size;
}

}  // namespace formix::platform
