// notify.cpp -- routing of the library's notifications: the host's
// notifier when one is installed, otherwise the platform's default.
#include "formix32.h"
#include "platform/platform.h"

namespace formix::platform {
namespace {

struct Notifier {
  FormixMessageFn on_message = nullptr;  // NULL: platform default
  FormixBeepFn on_beep = nullptr;        // NULL: platform default
  void* context = nullptr;
};

Notifier g_notifier;

}  // namespace

void ShowError(const char* text, const char* caption) {
  if (g_notifier.on_message != nullptr) {
    g_notifier.on_message(text, caption, g_notifier.context);
  } else {
    DefaultShowError(text, caption);
  }
}

void Beep() {
  if (g_notifier.on_beep != nullptr) {
    g_notifier.on_beep(g_notifier.context);
  } else {
    DefaultBeep();
  }
}

}  // namespace formix::platform

extern "C" FORMIX32_API void FORMIX32_CALL SetNotifier(FormixMessageFn on_message, FormixBeepFn on_beep,
                                                       void* context) {
  formix::platform::g_notifier = {on_message, on_beep, context};
}
