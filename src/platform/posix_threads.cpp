// posix_threads.cpp -- the per-thread slot and the process-wide barrier on
// POSIX systems: initial-exec thread-local storage (one load, no call, also
// in a library opened with dlopen: the slot is a few bytes of the static
// TLS surplus), a thread-specific key whose destructor releases the slot,
// and Linux's membarrier(2).
#include <pthread.h>
#include <unistd.h>

#include <atomic>

#include "platform/platform.h"

#if defined(__linux__)
#include <linux/membarrier.h>
#include <sys/syscall.h>
#endif

namespace formix::platform {

void Mutex::Lock() { pthread_mutex_lock(&mutex_); }
void Mutex::Unlock() { pthread_mutex_unlock(&mutex_); }

__thread void* g_thread_slot __attribute__((tls_model("initial-exec"))) = nullptr;

namespace {

pthread_key_t g_key;
pthread_once_t g_key_once = PTHREAD_ONCE_INIT;
std::atomic<void (*)(void*)> g_release{nullptr};  // the same function from every caller
bool g_key_made = false;

void Release(void* slot) {
  if (auto release = g_release.load(std::memory_order_acquire)) release(slot);
}

void MakeKey() { g_key_made = pthread_key_create(&g_key, &Release) == 0; }

}  // namespace

bool SetThreadSlot(void* slot, void (*release)(void*)) {
  pthread_once(&g_key_once, &MakeKey);
  if (!g_key_made) return false;
  g_release.store(release, std::memory_order_release);
  if (pthread_setspecific(g_key, slot) != 0) return false;
  g_thread_slot = slot;
  return true;
}

bool ProcessWideBarrier() {
#if defined(__linux__) && defined(SYS_membarrier)
  // Registered once (the first barrier is made under the library's lock).
  static int registered = -1;
  if (registered < 0) {
    registered = syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0) == 0 ? 1 : 0;
  }
  return registered == 1 && syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0) == 0;
#else
  return false;
#endif
}

}  // namespace formix::platform
