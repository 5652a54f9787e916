// win32_ui.cpp -- default notifications on Windows: a modal message box
// with no owner window, the error icon and an OK button, and the simple
// system beep.  The texts are Windows-1251 bytes, shown as they are.
#include <windows.h>

#include "platform/platform.h"

namespace formix::platform {

void DefaultShowError(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_ICONERROR | MB_OK);
}

void DefaultBeep() { MessageBeep(0xFFFFFFFF); }

}  // namespace formix::platform
