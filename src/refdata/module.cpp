// module.cpp -- the module's tables as seen by the exported functions, safe
// from any number of threads: the path settings, loading (once, however
// many threads arrive), publication of a new table state, and pinning a
// state for the length of one call.
//
// A table state is built aside and published with one atomic exchange; a
// calculation pins the state it starts on and keeps it to its end.  Pinning
// costs a thread no more than plain loads and stores to memory of its own:
// each thread has a slot (found through the platform's per-thread pointer)
// holding the states it has pinned, a hazard pointer per nesting level.  A
// reader stores the state into its slot, then checks that it is still the
// current one; the reloading thread, after publishing a new state, runs a
// process-wide barrier (membarrier on Linux, FlushProcessWriteBuffers on
// Windows), so that from then on every reader either shows the old state
// in its slot or has seen the new one.  Where the system has no such
// barrier, readers fence their own stores instead.  Calls nested deeper
// than a slot holds (a notifier calling the library again and again) count
// themselves in reader counters on the state instead.
//
// A state that is no longer current, in no slot and with no counted reader
// is recycled for the next load (a slot goes on showing the state of its
// thread's last call, so an idle thread holds back one state, which it lets
// go at its next call or when it ends); states are never returned to the system,
// because a thread may still hold the address of a retired state between
// loading it and marking it (it then finds the state no longer current and
// tries again, but its marks must land in valid memory).  So the number of
// states stays at the most that were in use at once, plus one: memory is
// flat over any number of reloads: at most the states shown by all slots,
// plus the current one, plus those of calls nested too deep.
//
// Settings and loads are serialised by one mutex, which is never held while
// a message is shown: a notifier may call the library again.  Nothing here
// needs dynamic initialisation.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/messages.h"
#include "platform/platform.h"
#include "refdata/pinning.h"
#include "refdata/tables.h"

namespace formix::refdata {
namespace {

// The path settings, guarded by g_mutex.
struct Settings {
  char mass_path[kPathSize];
  char group_path[kPathSize];
};

platform::Mutex g_mutex;  // settings, loads, the list of retired states
Settings g_settings = {FORMIX_DEFAULT_MASSES_FILE, FORMIX_DEFAULT_GROUPS_FILE};
State* g_retired = nullptr;  // not current, linked by next_retired; recycled when idle

// The module's objects live on the C heap, aligned as their types ask, so
// that the library needs no C++ run-time library and never throws.  The
// block's own address is kept just before the object.
template <class T>
T* Create() {
  constexpr std::size_t kRoom = sizeof(void*) + alignof(T) - 1;
  void* raw = std::malloc(sizeof(T) + kRoom);
  if (raw == nullptr) return nullptr;
  const std::uintptr_t at =
      (reinterpret_cast<std::uintptr_t>(raw) + kRoom) & ~(std::uintptr_t{alignof(T)} - 1);
  void* place = reinterpret_cast<void*>(at);
  static_cast<void**>(place)[-1] = raw;
  return new (place) T();
}

template <class T>
void Destroy(T* object) {
  if (object == nullptr) return;
  void* raw = reinterpret_cast<void**>(object)[-1];
  object->~T();
  std::free(raw);
}

// A stripe for the calling thread: threads run on stacks far apart.
unsigned StripeOfThisThread() {
  char here;
  std::uintptr_t address = reinterpret_cast<std::uintptr_t>(&here) >> 16;
  return static_cast<unsigned>((address * 2654435761u) >> 7) % kStripes;
}

std::atomic<Slot*> g_slots{nullptr};  // every slot ever made, pushed lock-free
bool g_barrier_checked = false;       // guarded by g_mutex

// A thread has ended: its slot is free for another.
void ReleaseSlot(void* p) {
  Slot* slot = static_cast<Slot*>(p);
  for (auto& h : slot->hazards) h.store(nullptr, std::memory_order_release);
  slot->depth = 0;
  slot->taken.store(false, std::memory_order_release);
}

}  // namespace

std::atomic<State*> g_current{nullptr};
std::atomic<bool> g_fenced_readers{false};

bool State::Idle() const {
  for (const ReaderCount& r : readers) {
    if (r.count.load(std::memory_order_seq_cst) != 0) return false;
  }
  return true;
}

Slot* AcquireThreadSlot() {
  // Without the barrier, a reader's mark in its slot would need a fence of
  // its own: counting is as cheap then.  Before the first load nobody
  // knows yet; the first pin after it takes the slot.
  if (g_current.load(std::memory_order_acquire) == nullptr ||
      g_fenced_readers.load(std::memory_order_relaxed)) {
    return nullptr;
  }
  Slot* slot = nullptr;
  for (Slot* s = g_slots.load(std::memory_order_acquire); s != nullptr && slot == nullptr; s = s->next) {
    bool free = false;
    if (s->taken.compare_exchange_strong(free, true, std::memory_order_acq_rel)) slot = s;
  }
  if (slot == nullptr) {
    slot = Create<Slot>();
    if (slot == nullptr) return nullptr;
    slot->taken.store(true, std::memory_order_relaxed);
    Slot* head = g_slots.load(std::memory_order_relaxed);
    do {
      slot->next = head;
    } while (
        !g_slots.compare_exchange_weak(head, slot, std::memory_order_release, std::memory_order_relaxed));
  }
  if (!platform::SetThreadSlot(slot, &ReleaseSlot)) {
    ReleaseSlot(slot);
    return nullptr;
  }
  return slot;
}

namespace {

// Whether some thread has `s` pinned (g_mutex held, after the barrier that
// followed its retirement).
bool InUse(const State* s) {
  if (!s->Idle()) return true;
  for (Slot* slot = g_slots.load(std::memory_order_acquire); slot != nullptr; slot = slot->next) {
    for (const auto& h : slot->hazards) {
      if (h.load(std::memory_order_acquire) == s) return true;
    }
  }
  return false;
}

// A state to build the next tables in (g_mutex held): an idle retired one,
// or a new one.  NULL when memory runs out.
State* SpareState() {
  for (State** link = &g_retired; *link != nullptr; link = &(*link)->next_retired) {
    State* s = *link;
    if (!InUse(s)) {
      *link = s->next_retired;
      s->next_retired = nullptr;
      return s;
    }
  }
  return Create<State>();
}

void Retire(State* s) {
  s->next_retired = g_retired;
  g_retired = s;
}

// Reads both files by the settings into a state built aside and publishes
// it (g_mutex held).  The new state starts as a copy of the current one, so
// that slots past a shorter file's records keep what they held, as when
// the tables were read in place.  Returns false, with nothing changed, when
// the mass file is found nowhere (or memory runs out).
bool LoadLocked() {
  State* next = SpareState();
  if (next == nullptr) return false;
  State* current = g_current.load(std::memory_order_acquire);
  if (current != nullptr) {
    std::memcpy(static_cast<void*>(&next->tables), &current->tables, sizeof next->tables);
  } else {
    std::memset(static_cast<void*>(&next->tables), 0, sizeof next->tables);
  }
  std::memcpy(next->tables.mass_path, g_settings.mass_path, kPathSize);
  std::memcpy(next->tables.group_path, g_settings.group_path, kPathSize);
  const bool read = ReadTables(next->tables, nullptr);
  if (!read) {
    Retire(next);  // for the next load
    return false;
  }
  if (!g_barrier_checked) {
    // Decided before the first state is published, so before any reader
    // can pin one.
    g_barrier_checked = true;
    if (!platform::ProcessWideBarrier()) g_fenced_readers.store(true, std::memory_order_relaxed);
  }
  State* old = g_current.exchange(next, std::memory_order_seq_cst);
  if (old != nullptr) {
    // From here on, a reader that still uses `old` shows it in its slot.
    if (!g_fenced_readers.load(std::memory_order_relaxed)) platform::ProcessWideBarrier();
    Retire(old);
  }
  return true;
}

void ShowNoMassFile() { platform::ShowError(messages::kNoMassFile, messages::kAttentionCaption); }

}  // namespace

bool SetPath(char (&setting)[kPathSize], const char* path) {
  if (path == nullptr) return false;
  std::size_t length = strnlen(path, kPathSize);
  if (length >= kPathSize) return false;
  std::memcpy(setting, path, length + 1);
  return true;
}

bool SetMassPath(const char* path) {
  platform::MutexLock lock(g_mutex);
  return SetPath(g_settings.mass_path, path);
}

bool SetGroupPath(const char* path) {
  platform::MutexLock lock(g_mutex);
  return SetPath(g_settings.group_path, path);
}

int SetPathAndLoad(PathKind kind, const char* path) {
  bool loaded;
  {
    platform::MutexLock lock(g_mutex);
    if (!SetPath(kind == PathKind::kMasses ? g_settings.mass_path : g_settings.group_path, path)) return -1;
    loaded = LoadLocked();
  }
  if (!loaded) ShowNoMassFile();
  return loaded ? 1 : 0;
}

void CopyPath(PathKind kind, char* buffer) {
  platform::MutexLock lock(g_mutex);
  const char* setting = kind == PathKind::kMasses ? g_settings.mass_path : g_settings.group_path;
  std::memcpy(buffer, setting, std::strlen(setting) + 1);
}

bool LoadTables() {
  bool loaded;
  {
    platform::MutexLock lock(g_mutex);
    loaded = LoadLocked();
  }
  if (!loaded) ShowNoMassFile();
  return loaded;
}

void PinnedTables::PinSlow() {
  Slot* slot = static_cast<Slot*>(platform::ThreadSlot());
  if (slot == nullptr && (slot = AcquireThreadSlot()) != nullptr) {
    PinInSlot(slot);
    if (state_ != nullptr || g_current.load(std::memory_order_acquire) == nullptr) return;
  }
  // Nested deeper than a slot holds, or no slot: count this reader.
  stripe_ = StripeOfThisThread();
  for (;;) {
    State* s = g_current.load(std::memory_order_seq_cst);
    if (s == nullptr) return;
    s->readers[stripe_].count.fetch_add(1, std::memory_order_seq_cst);
    if (g_current.load(std::memory_order_seq_cst) == s) {
      state_ = s;
      return;
    }
    s->readers[stripe_].count.fetch_sub(1, std::memory_order_release);
  }
}

void PinnedTables::UnpinCounted() {
  state_->readers[stripe_].count.fetch_sub(1, std::memory_order_release);
  state_ = nullptr;
}

bool PinnedTables::LoadAndPin() {
  bool loaded = true;
  {
    // However many threads arrive together, one loads; the others find the
    // tables loaded once they get the lock.
    platform::MutexLock lock(g_mutex);
    if (g_current.load(std::memory_order_acquire) == nullptr) loaded = LoadLocked();
  }
  if (!loaded) {
    ShowNoMassFile();
    return false;
  }
  Pin();
  return state_ != nullptr;
}

const Tables& Current() {
  static const Tables kNone = {};
  State* s = g_current.load(std::memory_order_acquire);
  return s != nullptr ? s->tables : kNone;
}

#if defined(FORMIX_TESTING)
void ResetForTesting() {
  platform::MutexLock lock(g_mutex);
  Destroy(g_current.exchange(nullptr));
  while (g_retired != nullptr) {
    State* s = g_retired;
    g_retired = s->next_retired;
    Destroy(s);
  }
  g_settings = Settings{FORMIX_DEFAULT_MASSES_FILE, FORMIX_DEFAULT_GROUPS_FILE};
}
#endif

}  // namespace formix::refdata
