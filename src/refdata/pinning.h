// pinning.h -- table states of the module and pinning one for a call; the
// fast path inline, since every call takes it (module.cpp has the rest and
// the reasoning).
#ifndef FORMIX32_REFDATA_PINNING_H
#define FORMIX32_REFDATA_PINNING_H

#include <atomic>

#include "platform/platform.h"
#include "refdata/tables.h"

namespace formix::refdata {

constexpr unsigned kStripes = 16;  // reader counters per state

struct alignas(64) ReaderCount {
  std::atomic<long> count{0};
};

// A published (or retired, or spare) table state.
struct State {
  Tables tables;
  ReaderCount readers[kStripes];  // readers nested too deep for their slot
  State* next_retired = nullptr;  // in the list of retired states (under the module's mutex)
  bool Idle() const;
};

// A thread's hazard pointers, one per nesting level of its calls: written
// by the owning thread only, read by the reloading thread.  Each keeps the
// state of the last call at its level, so a thread holds at most kNesting
// states from being recycled, even while it makes no call.
constexpr int kNesting = 4;
struct alignas(64) Slot {
  std::atomic<const State*> hazards[kNesting] = {};
  int depth = 0;  // the owner's count of its pins in this slot
  std::atomic<bool> taken{false};
  Slot* next = nullptr;  // set before the slot is linked, then never again
};

extern std::atomic<State*> g_current;       // NULL until a load succeeds
extern std::atomic<bool> g_fenced_readers;  // no process-wide barrier here

// The calling thread's slot, taken on its first call (NULL when none can
// be had, or the system has no process-wide barrier: then every reader is
// counted).
Slot* AcquireThreadSlot();

class PinnedTables {
 public:
  PinnedTables() { Pin(); }
  ~PinnedTables() {
    if (slot_ != nullptr) {
      --slot_->depth;  // the slot goes on showing the state until the next call
    } else if (state_ != nullptr) {
      UnpinCounted();
    }
  }
  PinnedTables(const PinnedTables&) = delete;
  PinnedTables& operator=(const PinnedTables&) = delete;

  // When no state is pinned: loads the tables if the module never loaded
  // (one thread loads, the others wait for it; a mass file found nowhere
  // is shown to the user), then pins the current state.  True when a state
  // is pinned.
  bool EnsureLoaded() { return state_ != nullptr || LoadAndPin(); }

  // The pinned tables, or NULL.
  const Tables* get() const { return state_ != nullptr ? &state_->tables : nullptr; }

 private:
  void Pin() {
    Slot* slot = static_cast<Slot*>(platform::ThreadSlot());
    if (slot != nullptr && slot->depth < kNesting) {
      PinInSlot(slot);
    } else {
      PinSlow();
    }
  }
  // Shows the current state in the slot, then checks it is still current.
  // (Threads have slots only where the reloading thread has a process-wide
  // barrier.)  A slot keeps showing the state after the call: the next call
  // of the thread, finding the same state current, has nothing to store.
  void PinInSlot(Slot* slot) {
    const int depth = slot->depth;
    std::atomic<const State*>& hazard = slot->hazards[depth];
    for (;;) {
      State* s = g_current.load(std::memory_order_acquire);
      if (s == nullptr) return;
      if (hazard.load(std::memory_order_relaxed) != s) {
        // Release: what this thread read of the state it showed before
        // comes before the reloader finds that state unshown.
        hazard.store(s, std::memory_order_release);
        std::atomic_signal_fence(std::memory_order_seq_cst);  // the reloader's barrier does the rest
        if (g_current.load(std::memory_order_acquire) != s) continue;
      }
      slot->depth = depth + 1;
      slot_ = slot;
      state_ = s;
      return;
    }
  }
  void PinSlow();
  void UnpinCounted();
  bool LoadAndPin();

  State* state_ = nullptr;
  Slot* slot_ = nullptr;  // the thread's slot that shows the state; NULL: counted
  unsigned stripe_ = 0;
};

}  // namespace formix::refdata

#endif  // FORMIX32_REFDATA_PINNING_H
