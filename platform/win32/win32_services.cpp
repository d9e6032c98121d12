// The service facility on Windows: OpenSCManagerA, OpenServiceA, QueryServiceStatus,
// CloseServiceHandle and CreateServiceW, with handles carried across the seam as 32-bit numbers.
#include "platform/win32/win32_services.h"

#include <windows.h>

#include <string>

namespace platform::win32 {
namespace {

static_assert(sizeof(SC_HANDLE) == sizeof(ScHandle), "an SC_HANDLE must fit a ScHandle");

SC_HANDLE ToScHandle(ScHandle handle) {
  return reinterpret_cast<SC_HANDLE>(static_cast<std::uintptr_t>(handle));
}

ScHandle FromScHandle(SC_HANDLE handle) {
  return static_cast<ScHandle>(reinterpret_cast<std::uintptr_t>(handle));
}

}  // namespace

ScHandle Win32Services::OpenManager(std::uint32_t access) {
  const SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, access);
  last_error_ = static_cast<Status>(::GetLastError());
  return FromScHandle(manager);
}

ScHandle Win32Services::OpenServiceHandle(ScHandle manager, std::string_view name,
                                          std::uint32_t access) {
  const std::string terminated(name);
  const SC_HANDLE service = ::OpenServiceA(ToScHandle(manager), terminated.c_str(), access);
  last_error_ = static_cast<Status>(::GetLastError());
  return FromScHandle(service);
}

bool Win32Services::QueryStatus(ScHandle service, ServiceStatus& status) {
  SERVICE_STATUS raw{};
  const BOOL ok = ::QueryServiceStatus(ToScHandle(service), &raw);
  last_error_ = static_cast<Status>(::GetLastError());
  if (!ok) return false;
  status.service_type = raw.dwServiceType;
  status.current_state = raw.dwCurrentState;
  status.controls_accepted = raw.dwControlsAccepted;
  status.win32_exit_code = raw.dwWin32ExitCode;
  status.service_exit_code = raw.dwServiceSpecificExitCode;
  status.check_point = raw.dwCheckPoint;
  status.wait_hint = raw.dwWaitHint;
  return true;
}

bool Win32Services::CloseHandle(ScHandle handle) {
  const BOOL ok = ::CloseServiceHandle(ToScHandle(handle));
  last_error_ = static_cast<Status>(::GetLastError());
  return ok != FALSE;
}

Status Win32Services::LastError() {
  return last_error_;
}

ScHandle Win32Services::CreateServiceEntry(ScHandle manager, const ServiceConfig& config) {
  const SC_HANDLE service =
      ::CreateServiceW(ToScHandle(manager), config.name.c_str(), config.display_name.c_str(),
                       config.access, config.service_type, config.start_type, config.error_control,
                       config.image_path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  last_error_ = static_cast<Status>(::GetLastError());
  return FromScHandle(service);
}

}  // namespace platform::win32
