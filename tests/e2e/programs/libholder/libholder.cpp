// libholder: loads the library named by its first argument and keeps it loaded while its message
// box is open, so the bench has a file in use as another program's library. The answer goes to
// the file named by the second argument; the exit code is the button's id, 4 if the load failed.
#include <windows.h>

// After windows.h, which it needs.
#include <shellapi.h>

namespace {

// The bench counts its helpers' boxes by this caption.
constexpr wchar_t kCaption[] = L"Velmar bench";

void WriteAnswer(const wchar_t* path, const char* answer) {
  HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, answer, static_cast<DWORD>(lstrlenA(answer)), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3) return 2;
  HMODULE library = LoadLibraryW(argv[1]);
  if (library == nullptr) {
    LocalFree(argv);
    return 4;
  }
  const int button =
      MessageBoxW(nullptr, L"Holding a library of the system folder.", kCaption, MB_OK);
  WriteAnswer(argv[2], button == IDOK ? "OK\r\n" : "Error\r\n");
  FreeLibrary(library);
  LocalFree(argv);
  return button;
}
