// The service facility on Windows: the service control manager calls, with the thread's last
// error kept from the moment each call returned.
#pragma once

#include "platform/services.h"

namespace platform::win32 {

class Win32Services final : public Services {
 public:
  ScHandle OpenManager(std::uint32_t access) override;
  ScHandle OpenServiceHandle(ScHandle manager, std::string_view name,
                             std::uint32_t access) override;
  bool QueryStatus(ScHandle service, ServiceStatus& status) override;
  bool CloseHandle(ScHandle handle) override;
  Status LastError() override;
  ScHandle CreateServiceEntry(ScHandle manager, const ServiceConfig& config) override;

 private:
  // Logging and other Windows calls between a failure and its report would overwrite the
  // thread's last error, so each call's value is kept here.
  Status last_error_ = 0;
};

}  // namespace platform::win32
