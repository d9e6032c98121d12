// Bench stand-in for the wave driver's user-mode library (built as ZqAudio32.dll): setup only
// copies it and checks that it is there, so an empty library will do.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
