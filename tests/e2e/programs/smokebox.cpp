// smokebox: the smallest GUI program the Wine bench can drive. It asks one Yes/No question in a
// message box, records the answer in a file and exits with the button's id, so a bench test can
// check window lookup, screenshots, keystrokes, the message-box trace and exit codes end to end.
#include <windows.h>

// After windows.h, which it needs.
#include <shellapi.h>

namespace {

// The caption is how the bench finds the window; the text carries a quote, a backslash, a
// line break and a non-ASCII dash so the bench's decoding of Wine's trace is exercised too.
constexpr wchar_t kCaption[] = L"Velmar bench";
constexpr wchar_t kText[] =
    L"Remove \"ZqKt Gateway\" from C:\\Velmar\\Gateway?\n"
    L"Yes removes it \x2014 No keeps it.";
constexpr wchar_t kDefaultAnswerFile[] = L"c:\\smokebox.txt";

bool WriteAnswer(const wchar_t* path, const char* answer) {
  HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const DWORD size = static_cast<DWORD>(lstrlenA(answer));
  const bool ok = WriteFile(file, answer, size, &written, nullptr) && written == size;
  return CloseHandle(file) && ok;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const wchar_t* answer_file = (argv != nullptr && argc > 1) ? argv[1] : kDefaultAnswerFile;

  const int button = MessageBoxW(nullptr, kText, kCaption, MB_YESNO | MB_ICONQUESTION);
  const char* answer = button == IDYES ? "Yes\r\n" : button == IDNO ? "No\r\n" : "Error\r\n";
  const bool written = WriteAnswer(answer_file, answer);
  if (argv != nullptr) LocalFree(argv);

  // Yes and No keep their Windows ids (6 and 7); anything else is a bench failure.
  if (!written) return 3;
  if (button != IDYES && button != IDNO) return 2;
  return button;
}
