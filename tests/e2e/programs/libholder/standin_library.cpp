// A library with nothing in it but one export: the bench copies it into the system folder under
// a product library's name, for libholder to keep loaded while the uninstaller runs.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall StandInVersion() {
  return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
