// win32_threads.cpp -- the per-thread slot and the process-wide barrier on
// Windows: a TLS index taken on first use (the module does no work when it
// is loaded), released from DllMain when a thread ends, and
// FlushProcessWriteBuffers.
#include <windows.h>

#include <atomic>

#include "platform/platform.h"

namespace formix::platform {

static_assert(sizeof(SRWLOCK) == sizeof(void*), "an SRWLOCK is one pointer");
void Mutex::Lock() { AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&lock_)); }
void Mutex::Unlock() { ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&lock_)); }

namespace {

volatile LONG g_index = static_cast<LONG>(TLS_OUT_OF_INDEXES);
std::atomic<void (*)(void*)> g_release{nullptr};  // the same function from every caller

DWORD Index() {
  LONG index = g_index;
  if (index != static_cast<LONG>(TLS_OUT_OF_INDEXES)) return static_cast<DWORD>(index);
  DWORD fresh = TlsAlloc();
  if (fresh == TLS_OUT_OF_INDEXES) return TLS_OUT_OF_INDEXES;
  LONG before =
      InterlockedCompareExchange(&g_index, static_cast<LONG>(fresh), static_cast<LONG>(TLS_OUT_OF_INDEXES));
  if (before != static_cast<LONG>(TLS_OUT_OF_INDEXES)) {
    TlsFree(fresh);  // another thread was first
    return static_cast<DWORD>(before);
  }
  return fresh;
}

}  // namespace

void* ThreadSlot() {
  LONG index = g_index;
  if (index == static_cast<LONG>(TLS_OUT_OF_INDEXES)) return nullptr;
  return TlsGetValue(static_cast<DWORD>(index));
}

bool SetThreadSlot(void* slot, void (*release)(void*)) {
  DWORD index = Index();
  if (index == TLS_OUT_OF_INDEXES) return false;
  g_release.store(release, std::memory_order_release);
  return TlsSetValue(index, slot) != 0;
}

bool ProcessWideBarrier() {
  FlushProcessWriteBuffers();
  return true;
}

// Called from DllMain when a thread of the process ends.
void ThreadEnds() {
  void* slot = ThreadSlot();
  auto release = g_release.load(std::memory_order_acquire);
  if (slot != nullptr && release != nullptr) release(slot);
}

}  // namespace formix::platform
