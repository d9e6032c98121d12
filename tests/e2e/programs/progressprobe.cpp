// progressprobe TITLE: reads a progress bar of another program from outside, as the bench cannot
// see a bar's range or position in a picture. Every visible top-level window titled exactly TITLE
// (may be empty: a borderless window has none) is searched for progress bar children, and each
// bar found prints one line "MIN MAX POS" to standard output. Exit code 0 when at least one bar
// was found, 1 when none, 2 on a wrong command line.
//
// A responsive program answers PBM_GETRANGE and PBM_GETPOS, the range asked for limit by limit
// (another process's message cannot carry a pointer into this one's memory). A program whose
// thread is blocked (the uninstaller sleeps between its synchronisation polls and pumps no
// messages while it removes the directory data) answers nothing; then the bar's state is read
// from that process's memory, where Wine's progress control keeps it behind the window's first
// extra value: its own handle, then position, minimum and maximum. The handle must match, so a
// control laid out otherwise is reported as unreadable instead of read wrongly.
#include <windows.h>

#include <commctrl.h>
#include <cstdio>
#include <cwchar>

namespace {

struct Search {
  const wchar_t* title;
  int bars = 0;
};

bool AskBar(HWND bar, int& low, int& high, int& position) {
  DWORD_PTR answers[3] = {};
  // Half a second each: a blocked thread would never answer.
  constexpr UINT kFlags = SMTO_ABORTIFHUNG | SMTO_BLOCK;
  if (!::SendMessageTimeoutW(bar, PBM_GETRANGE, TRUE, 0, kFlags, 500, &answers[0]) ||
      !::SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, kFlags, 500, &answers[1]) ||
      !::SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, kFlags, 500, &answers[2])) {
    return false;
  }
  low = static_cast<int>(answers[0]);
  high = static_cast<int>(answers[1]);
  position = static_cast<int>(answers[2]);
  return true;
}

// The control's own state: its handle, then position, minimum and maximum (32-bit each).
struct BarState {
  HWND self;
  INT current;
  INT minimum;
  INT maximum;
};

bool ReadBarState(HWND bar, int& low, int& high, int& position) {
  const LONG_PTR address = ::GetWindowLongPtrW(bar, 0);
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(bar, &process_id);
  if (address == 0 || process_id == 0) return false;
  HANDLE process = ::OpenProcess(PROCESS_VM_READ, FALSE, process_id);
  if (process == nullptr) return false;
  BarState state{};
  SIZE_T read = 0;
  const bool ok = ::ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), &state,
                                      sizeof state, &read) &&
                  read == sizeof state && state.self == bar;
  ::CloseHandle(process);
  if (!ok) return false;
  low = state.minimum;
  high = state.maximum;
  position = state.current;
  return true;
}

BOOL CALLBACK OnChild(HWND child, LPARAM context) {
  wchar_t name[64] = {};
  if (::GetClassNameW(child, name, 64) == 0 || ::lstrcmpiW(name, PROGRESS_CLASSW) != 0) {
    return TRUE;
  }
  int low = 0;
  int high = 0;
  int position = 0;
  if (!AskBar(child, low, high, position)) {
    if (!ReadBarState(child, low, high, position)) {
      std::fputs("progressprobe: a progress bar that can be neither asked nor read\n", stderr);
      return TRUE;
    }
    std::fputs("progressprobe: the bar's thread does not answer; its state read from memory\n",
               stderr);
  }
  std::printf("%d %d %d\n", low, high, position);
  ++reinterpret_cast<Search*>(context)->bars;
  return TRUE;
}

BOOL CALLBACK OnTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (!::IsWindowVisible(window)) return TRUE;
  wchar_t title[256] = {};
  ::GetWindowTextW(window, title, 256);
  if (std::wcscmp(title, search->title) == 0) ::EnumChildWindows(window, OnChild, context);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: progressprobe TITLE\n", stderr);
    return 2;
  }
  Search search{argv[1]};
  ::EnumWindows(OnTopLevel, reinterpret_cast<LPARAM>(&search));
  std::fflush(stdout);
  return search.bars > 0 ? 0 : 1;
}
