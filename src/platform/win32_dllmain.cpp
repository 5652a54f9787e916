// win32_dllmain.cpp -- the DLL entry point: nothing to do on process or
// thread attach or detach.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
