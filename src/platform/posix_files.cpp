// posix_files.cpp -- data-file access on POSIX systems, and the two
// directories searched after the path itself: $FORMIX32_DATA_DIR, then the
// library's own data directory, ../share/formix32 beside the directory that
// holds the loaded library.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace formix::platform {

const char kPathSeparator = '/';

// Only regular files are data files: a directory, a FIFO (which could block
// the host forever) or a device counts as not found.  O_NONBLOCK keeps the
// open itself from waiting on a FIFO; it means nothing for regular files.
bool DataFile::Open(const char* path) {
  Close();
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

std::size_t DataFile::Read(char* buffer, std::size_t size) {
  if (!IsOpen()) return 0;
  for (;;) {
    ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return 0;
  }
}

void DataFile::Close() {
  if (IsOpen()) {
    ::close(static_cast<int>(handle_));
    handle_ = kClosed;
  }
}

namespace {

// Directory of the file that holds this code: the shared library, or the
// program when the engine is linked in statically.
bool ModuleDirectory(char* buffer, std::size_t size) {
#if defined(__EMSCRIPTEN__)
  // A WebAssembly module is no file: its data files are embedded in the
  // virtual file system at /share/formix32, beside "/lib".
  int written = std::snprintf(buffer, size, "/lib");
  return written >= 0 && static_cast<std::size_t>(written) < size;
#else
  Dl_info info{};
  char resolved[PATH_MAX];
  if (dladdr(reinterpret_cast<void*>(&ModuleDirectory), &info) != 0 && info.dli_fname != nullptr &&
      std::strchr(info.dli_fname, '/') != nullptr && ::realpath(info.dli_fname, resolved) != nullptr) {
    // resolved holds the module's absolute path.
  } else {
    ssize_t n = ::readlink("/proc/self/exe", resolved, sizeof resolved - 1);
    if (n <= 0) return false;
    resolved[n] = '\0';
  }
  char* slash = std::strrchr(resolved, '/');
  if (slash == nullptr) return false;
  *slash = '\0';
  int n = std::snprintf(buffer, size, "%s", resolved);
  return n >= 0 && static_cast<std::size_t>(n) < size;
#endif
}

}  // namespace

bool SearchDirectory(SearchPlace place, char* buffer, std::size_t size) {
  if (place == SearchPlace::kFirstFallback) {
    const char* dir = std::getenv("FORMIX32_DATA_DIR");
    if (dir == nullptr || *dir == '\0') return false;
    int n = std::snprintf(buffer, size, "%s", dir);
    return n >= 0 && static_cast<std::size_t>(n) < size;
  }
  char module_dir[PATH_MAX];
  if (!ModuleDirectory(module_dir, sizeof module_dir)) return false;
  int n = std::snprintf(buffer, size, "%s/../share/formix32", module_dir);
  return n >= 0 && static_cast<std::size_t>(n) < size;
}

}  // namespace formix::platform
