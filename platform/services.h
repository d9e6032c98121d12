// Service facility: the service control manager calls the programs make, with handles and the
// thread's last error as Windows gives them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win_status.h"

namespace platform {

using ScHandle = std::uint32_t;  // 0 is the failure value

namespace svc {
inline constexpr std::uint32_t kManagerAllAccess = 0xF003F;  // SC_MANAGER_ALL_ACCESS
inline constexpr std::uint32_t kServiceAllAccess = 0xF01FF;  // SERVICE_ALL_ACCESS
inline constexpr std::uint32_t kGenericAll = 0x10000000;
inline constexpr std::uint32_t kQueryStatus = 0x4;

inline constexpr std::uint32_t kStopped = 1;
inline constexpr std::uint32_t kStartPending = 2;
inline constexpr std::uint32_t kStopPending = 3;
inline constexpr std::uint32_t kRunning = 4;
inline constexpr std::uint32_t kContinuePending = 5;
inline constexpr std::uint32_t kPausePending = 6;
inline constexpr std::uint32_t kPaused = 7;
}  // namespace svc

namespace svc {
inline constexpr std::uint32_t kKernelDriver = 0x1;
inline constexpr std::uint32_t kSystemStart = 0x1;
inline constexpr std::uint32_t kErrorNormal = 0x1;
inline constexpr Status kServiceExists = 1073;  // ERROR_SERVICE_EXISTS
inline constexpr Status kDuplicateName = 52;    // ERROR_DUP_NAME
}  // namespace svc

// What CreateServiceW is given: no load-order group, tag, dependencies, account or password.
struct ServiceConfig {
  std::wstring name, display_name;
  std::uint32_t access = 0, service_type = 0, start_type = 0, error_control = 0;
  std::wstring image_path;
};

struct ServiceStatus {
  std::uint32_t service_type = 0;
  std::uint32_t current_state = 0;
  std::uint32_t controls_accepted = 0;
  std::uint32_t win32_exit_code = 0;
  std::uint32_t service_exit_code = 0;
  std::uint32_t check_point = 0;
  std::uint32_t wait_hint = 0;
};

class Services {
 public:
  virtual ~Services() = default;
  virtual ScHandle OpenManager(std::uint32_t access) = 0;  // OpenSCManagerA
  virtual ScHandle OpenServiceHandle(ScHandle manager, std::string_view name,
                                     std::uint32_t access) = 0;           // OpenServiceA
  virtual bool QueryStatus(ScHandle service, ServiceStatus& status) = 0;  // QueryServiceStatus
  virtual bool CloseHandle(ScHandle handle) = 0;                          // CloseServiceHandle
  virtual Status LastError() = 0;                                         // GetLastError
  virtual ScHandle CreateServiceEntry(ScHandle manager,
                                      const ServiceConfig& config) = 0;  // CreateServiceW
};

// Owns one service control manager handle for the length of one operation.
class ScopedScHandle {
 public:
  ScopedScHandle(Services& services, ScHandle handle) : services_(services), handle_(handle) {}
  ScopedScHandle(const ScopedScHandle&) = delete;
  ScopedScHandle& operator=(const ScopedScHandle&) = delete;
  ~ScopedScHandle() {
    if (handle_ != 0) services_.CloseHandle(handle_);
  }
  ScHandle get() const { return handle_; }

 private:
  Services& services_;
  ScHandle handle_;
};

}  // namespace platform
