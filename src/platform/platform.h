// platform.h -- services the engine takes from the operating system:
// user notifications, data-file access and the directories searched for
// data files.  One implementation per platform; the engine sees only this.
#ifndef FORMIX32_PLATFORM_H
#define FORMIX32_PLATFORM_H

#include <cstddef>
#include <cstdint>

#if !defined(_WIN32)
#include <pthread.h>
#endif

#include "formix32.h"

namespace formix::platform {

// Shows an error to the user (text and caption are Windows-1251) and
// returns when the user has seen it.  Goes through the notifier set by
// SetNotifier when there is one.
void ShowError(const char* text, const char* caption);

// Sounds the simple system beep, or calls the notifier's beep callback.
void Beep();

// Installs the host's notifier (NULL callbacks: the defaults), as one unit.
void SetNotifier(FormixMessageFn on_message, FormixBeepFn on_beep, void* context);

// The system's own ways of showing a message and sounding a beep, used when
// the host has not installed a notifier.
void DefaultShowError(const char* text, const char* caption);
void DefaultBeep();

// An open data file.  Opened read-only; a path that names a directory
// counts as not openable.
class DataFile {
 public:
  DataFile() = default;
  ~DataFile() { Close(); }
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  bool Open(const char* path);
  // Reads up to `size` bytes; returns the number delivered, 0 at the end of
  // the file or on any read error.
  std::size_t Read(char* buffer, std::size_t size);
  void Close();
  bool IsOpen() const { return handle_ != kClosed; }

 private:
  // The system's handle of the open file (a POSIX descriptor, a Windows
  // HFILE), kClosed when none is open.
  using Handle = std::intptr_t;
  static constexpr Handle kClosed = -1;
  Handle handle_ = kClosed;
};

// The two places searched after the path itself, in this order.
enum class SearchPlace { kFirstFallback, kSecondFallback };

// Writes the directory that stands for `place` into `buffer` (NUL
// terminated) and returns true; returns false when there is none or it does
// not fit in `size` bytes.
bool SearchDirectory(SearchPlace place, char* buffer, std::size_t size);

// The separator put between a search directory and the path setting.
extern const char kPathSeparator;

// ---- Threads ---------------------------------------------------------------

// A pointer of the library's own for the calling thread: NULL in a thread
// that never set one.  ThreadSlot is meant for every call's path: it is
// cheap (on POSIX systems one load of initial-exec thread-local storage).
#if defined(_WIN32)
void* ThreadSlot();
#else
extern __thread void* g_thread_slot __attribute__((tls_model("initial-exec")));
inline void* ThreadSlot() { return g_thread_slot; }
#endif

// Sets the calling thread's pointer; when the thread ends, `release` is
// called with it (where the platform can tell: POSIX threads, and threads
// of a process that loaded the DLL).  Returns false when the platform has
// no room for it.
bool SetThreadSlot(void* slot, void (*release)(void*));

// A mutex ready with no work at run time (so a global one is ready before
// any call) and with no C++ run-time library behind it.
class Mutex {
 public:
  constexpr Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  void Lock();
  void Unlock();

 private:
#if defined(_WIN32)
  void* lock_ = nullptr;  // an SRWLOCK, SRWLOCK_INIT
#else
  pthread_mutex_t mutex_ = PTHREAD_MUTEX_INITIALIZER;
#endif
};

// Holds a mutex for its scope.
class MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~MutexLock() { mutex_.Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
};

// A barrier across the process: on return, every other thread's stores
// made before it are visible here, and every store made here before the
// call is visible to their later loads, as if each thread had run a full
// fence.  Lets readers go without fences of their own.  False when the
// system offers none (then readers must fence themselves).
bool ProcessWideBarrier();

}  // namespace formix::platform

#endif  // FORMIX32_PLATFORM_H
