// win32_dllmain.cpp -- the DLL entry point: nothing to do on process
// attach or detach; when a thread ends, its per-thread slot is given back.
#include <windows.h>

namespace formix::platform {
void ThreadEnds();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_THREAD_DETACH) formix::platform::ThreadEnds();
  return TRUE;
}
