// Services on the simulated server: a table of installed services with their states, and the
// service control manager calls with Windows' handles and last errors.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/services.h"

namespace platform::sim {

struct ServiceEntry {
  std::wstring name;
  std::wstring display_name;
  std::wstring binary_path;           // the image path
  std::uint32_t service_type = 0x10;  // SERVICE_WIN32_OWN_PROCESS
  std::uint32_t start_type = 3;       // SERVICE_DEMAND_START
  std::uint32_t error_control = svc::kErrorNormal;
  std::uint32_t state = svc::kStopped;
  bool deny_query = false;                // opening it for status fails with access denied
  std::uint32_t created_with_access = 0;  // what CreateServiceW was given; 0 if laid out
};

class ServiceTable {
 public:
  ServiceEntry& Install(std::wstring name, std::uint32_t state = svc::kRunning,
                        std::wstring binary_path = L"");
  ServiceEntry* Find(std::wstring_view name);
  // The service whose name or display name is the text, ignoring case.
  ServiceEntry* FindByAnyName(std::wstring_view name);
  bool Remove(std::wstring_view name);
  std::size_t size() const { return services_.size(); }
  const std::map<std::wstring, ServiceEntry>& all() const { return services_; }  // by upper name

  bool manager_unavailable = false;  // OpenSCManager fails with access denied

 private:
  std::map<std::wstring, ServiceEntry> services_;  // keyed by the upper-cased name
};

class SimServices : public Services {
 public:
  explicit SimServices(ServiceTable& table) : table_(table) {}

  ScHandle OpenManager(std::uint32_t access) override;
  ScHandle OpenServiceHandle(ScHandle manager, std::string_view name,
                             std::uint32_t access) override;
  bool QueryStatus(ScHandle service, ServiceStatus& status) override;
  bool CloseHandle(ScHandle handle) override;
  Status LastError() override { return last_error_; }
  ScHandle CreateServiceEntry(ScHandle manager, const ServiceConfig& config) override;

  std::size_t OpenHandleCount() const { return handles_.size(); }

 private:
  struct OpenHandle {
    std::wstring service;  // "" for a manager handle
    std::uint32_t access = 0;
  };
  ScHandle AddHandle(std::wstring service, std::uint32_t access);
  ScHandle Fail(Status error);  // sets the last error; 0

  ServiceTable& table_;
  std::map<ScHandle, OpenHandle> handles_;
  ScHandle next_ = 0x1000;
  Status last_error_ = win::kSuccess;
};

}  // namespace platform::sim
