// notify.cpp -- routing of the library's notifications: the host's
// notifier when one is installed, otherwise the platform's default.
//
// SetNotifier may run while other threads show messages.  The three
// values it sets are published as one unit through a sequence lock: a
// reader copies them and tries again if a writer was at work meanwhile, so
// a callback always gets the context that was set with it.  Writers take
// turns through a mutex.  The notifier is called on the thread whose call
// spoke.
#include <atomic>

#include "formix32.h"
#include "platform/platform.h"

namespace formix::platform {
namespace {

struct Notifier {
  FormixMessageFn on_message;  // NULL: platform default
  FormixBeepFn on_beep;        // NULL: platform default
  void* context;
};

std::atomic<unsigned> g_sequence{0};  // odd while a writer is at work
std::atomic<FormixMessageFn> g_on_message{nullptr};
std::atomic<FormixBeepFn> g_on_beep{nullptr};
std::atomic<void*> g_context{nullptr};
Mutex g_writer;

Notifier Read() {
  for (;;) {
    const unsigned before = g_sequence.load(std::memory_order_acquire);
    if (before & 1u) continue;
    // Acquire loads: the second look at the sequence cannot come earlier.
    Notifier n{g_on_message.load(std::memory_order_acquire), g_on_beep.load(std::memory_order_acquire),
               g_context.load(std::memory_order_acquire)};
    if (g_sequence.load(std::memory_order_relaxed) == before) return n;
  }
}

}  // namespace

void ShowError(const char* text, const char* caption) {
  const Notifier n = Read();
  if (n.on_message != nullptr) {
    n.on_message(text, caption, n.context);
  } else {
    DefaultShowError(text, caption);
  }
}

void Beep() {
  const Notifier n = Read();
  if (n.on_beep != nullptr) {
    n.on_beep(n.context);
  } else {
    DefaultBeep();
  }
}

void SetNotifier(FormixMessageFn on_message, FormixBeepFn on_beep, void* context) {
  MutexLock lock(g_writer);
  // An acquiring read-modify-write: the stores below cannot come earlier.
  const unsigned sequence = g_sequence.fetch_add(1, std::memory_order_acq_rel);
  g_on_message.store(on_message, std::memory_order_relaxed);
  g_on_beep.store(on_beep, std::memory_order_relaxed);
  g_context.store(context, std::memory_order_relaxed);
  g_sequence.store(sequence + 2, std::memory_order_release);
}

}  // namespace formix::platform
