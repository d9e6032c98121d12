// fakesvc: a do-nothing Windows service that the Wine bench installs under any name to make a
// product look installed and running. It reports RUNNING until the service manager asks it to
// stop. Its name is the first command-line argument, else the name the service manager gives it.
// Each state change is also sent to the debugger channel so tests can see when it stopped.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <iterator>

namespace {

wchar_t g_name[257] = L"";
SERVICE_STATUS_HANDLE g_status_handle = nullptr;
HANDLE g_stop_event = nullptr;

void Trace(const wchar_t* what) {
  wchar_t line[320];
  _snwprintf(line, std::size(line) - 1, L"fakesvc %ls: %ls", g_name, what);
  line[std::size(line) - 1] = L'\0';
  OutputDebugStringW(line);
}

void Report(DWORD state, DWORD exit_code = NO_ERROR) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwWin32ExitCode = exit_code;
  // While starting or stopping, no control may be accepted.
  status.dwControlsAccepted =
      state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 3000;
  SetServiceStatus(g_status_handle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      Trace(L"stop requested");
      Report(SERVICE_STOP_PENDING);
      SetEvent(g_stop_event);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD argc, wchar_t** argv) {
  // The service manager passes the service's own name first; a name given on the command line
  // (kept in g_name already) wins so the binary path alone can pin it.
  if (g_name[0] == L'\0' && argc > 0 && argv[0] != nullptr) {
    wcsncpy(g_name, argv[0], std::size(g_name) - 1);
  }
  g_status_handle = RegisterServiceCtrlHandlerExW(g_name, Control, nullptr);
  if (g_status_handle == nullptr) {
    Trace(L"cannot register the control handler");
    return;
  }
  g_stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (g_stop_event == nullptr) {
    Report(SERVICE_STOPPED, GetLastError());
    return;
  }
  Report(SERVICE_RUNNING);
  Trace(L"running");
  WaitForSingleObject(g_stop_event, INFINITE);
  CloseHandle(g_stop_event);
  Trace(L"stopped");
  Report(SERVICE_STOPPED);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1) wcsncpy(g_name, argv[1], std::size(g_name) - 1);

  // An own-process service ignores the table's name, so one entry serves whatever name the
  // service was installed under.
  wchar_t any_name[] = L"";
  SERVICE_TABLE_ENTRYW table[] = {{any_name, ServiceMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherW(table)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
      // Started by hand: say which name it would have served, so a caller can see its
      // command line arrived intact.
      fwprintf(stderr, L"fakesvc [%ls]: not started by the service manager\n", g_name);
      return 2;
    }
    fwprintf(stderr, L"fakesvc: StartServiceCtrlDispatcher failed, error %lu\n", error);
    return 1;
  }
  return 0;
}
