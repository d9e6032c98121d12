// pelletprobe: the bench's window into what a setup run leaves in the kernel and the service
// manager: "event NAME" tells a named event's state, "service NAME" prints a service's config.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Prints "signalled", "not signalled" or "missing"; exit code 0, 1 or 2 likewise.
int ProbeEvent(const wchar_t* name) {
  HANDLE event = ::OpenEventW(SYNCHRONIZE, FALSE, name);
  if (event == nullptr) {
    std::printf("missing\n");
    return 2;
  }
  const bool signalled = ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
  ::CloseHandle(event);
  std::printf(signalled ? "signalled\n" : "not signalled\n");
  return signalled ? 0 : 1;
}

// Owns one service manager handle.
class ScHandle {
 public:
  explicit ScHandle(SC_HANDLE handle) : handle_(handle) {}
  ScHandle(const ScHandle&) = delete;
  ScHandle& operator=(const ScHandle&) = delete;
  ~ScHandle() {
    if (handle_ != nullptr) ::CloseServiceHandle(handle_);
  }
  SC_HANDLE get() const { return handle_; }

 private:
  SC_HANDLE handle_;
};

// Prints TYPE, START_TYPE, ERROR_CONTROL, BINARY_PATH_NAME and DISPLAY_NAME lines; exit code 0,
// or 2 with "missing" when there is no such service, 3 when the manager does not answer.
int ProbeService(const wchar_t* name) {
  const ScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (manager.get() == nullptr) return 3;
  const ScHandle service(::OpenServiceW(manager.get(), name, SERVICE_QUERY_CONFIG));
  if (service.get() == nullptr) {
    std::printf("missing\n");
    return 2;
  }
  DWORD needed = 0;
  ::QueryServiceConfigW(service.get(), nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed == 0 ? sizeof(QUERY_SERVICE_CONFIGW) : needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!::QueryServiceConfigW(service.get(), config, static_cast<DWORD>(buffer.size()), &needed)) {
    return 3;
  }
  std::printf("TYPE %lu\nSTART_TYPE %lu\nERROR_CONTROL %lu\n", config->dwServiceType,
              config->dwStartType, config->dwErrorControl);
  std::printf("BINARY_PATH_NAME %ls\nDISPLAY_NAME %ls\n",
              config->lpBinaryPathName ? config->lpBinaryPathName : L"",
              config->lpDisplayName ? config->lpDisplayName : L"");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  if (verb == L"event" && argc > 2) return ProbeEvent(argv[2]);
  if (verb == L"service" && argc > 2) return ProbeService(argv[2]);
  std::fprintf(stderr, "usage: pelletprobe event NAME | service NAME\n");
  return 64;
}
