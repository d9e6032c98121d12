// The simulated service control manager.
#include "platform/sim/sim_services.h"

#include "platform/text.h"

namespace platform::sim {

ServiceEntry& ServiceTable::Install(std::wstring name, std::uint32_t state,
                                    std::wstring binary_path) {
  ServiceEntry& entry = services_[Upcase(name)];
  entry.display_name = name;
  entry.name = std::move(name);
  entry.state = state;
  entry.binary_path = std::move(binary_path);
  return entry;
}

ServiceEntry* ServiceTable::Find(std::wstring_view name) {
  const auto it = services_.find(Upcase(name));
  return it == services_.end() ? nullptr : &it->second;
}

ServiceEntry* ServiceTable::FindByAnyName(std::wstring_view name) {
  for (auto& [key, entry] : services_) {
    if (EqualsNoCase(entry.name, name) || EqualsNoCase(entry.display_name, name)) return &entry;
  }
  return nullptr;
}

bool ServiceTable::Remove(std::wstring_view name) {
  return services_.erase(Upcase(name)) > 0;
}

ScHandle SimServices::AddHandle(std::wstring service, std::uint32_t access) {
  const ScHandle handle = next_;
  next_ += 8;
  handles_[handle] = {std::move(service), access};
  last_error_ = win::kSuccess;
  return handle;
}

ScHandle SimServices::Fail(Status error) {
  last_error_ = error;
  return 0;
}

ScHandle SimServices::OpenManager(std::uint32_t access) {
  if (table_.manager_unavailable) return Fail(win::kAccessDenied);
  return AddHandle(L"", access);
}

ScHandle SimServices::OpenServiceHandle(ScHandle manager, std::string_view name,
                                        std::uint32_t access) {
  const auto it = handles_.find(manager);
  if (it == handles_.end() || !it->second.service.empty()) {
    last_error_ = win::kInvalidHandle;
    return 0;
  }
  const std::wstring wide = WideFromCp1252(name);
  ServiceEntry* entry = table_.Find(wide);
  if (entry == nullptr) {
    last_error_ = win::kServiceDoesNotExist;
    return 0;
  }
  if (entry->deny_query) {
    last_error_ = win::kAccessDenied;
    return 0;
  }
  return AddHandle(entry->name, access);
}

bool SimServices::QueryStatus(ScHandle service, ServiceStatus& status) {
  const auto it = handles_.find(service);
  ServiceEntry* entry = it == handles_.end() || it->second.service.empty()
                            ? nullptr
                            : table_.Find(it->second.service);
  if (entry == nullptr) {
    last_error_ = win::kInvalidHandle;
    return false;
  }
  status = {};
  status.service_type = entry->service_type;
  status.current_state = entry->state;
  last_error_ = win::kSuccess;
  return true;
}

bool SimServices::CloseHandle(ScHandle handle) {
  if (handles_.erase(handle) == 0) {
    last_error_ = win::kInvalidHandle;
    return false;
  }
  last_error_ = win::kSuccess;
  return true;
}

// CreateServiceW: the manager handle must allow creating; the name must be new, and so must
// the display name among every service's names.
ScHandle SimServices::CreateServiceEntry(ScHandle manager, const ServiceConfig& config) {
  constexpr std::uint32_t kCreateService = 0x0002;  // SC_MANAGER_CREATE_SERVICE
  constexpr std::uint32_t kGenericWrite = 0x40000000;
  constexpr Status kDuplicateServiceName = 1078;  // ERROR_DUPLICATE_SERVICE_NAME
  const auto it = handles_.find(manager);
  if (it == handles_.end() || !it->second.service.empty()) return Fail(win::kInvalidHandle);
  if ((it->second.access & (kCreateService | svc::kGenericAll | kGenericWrite)) == 0) {
    return Fail(win::kAccessDenied);
  }
  if (config.name.empty() || config.name.size() > 256 ||
      config.name.find_first_of(L"\\/") != std::wstring::npos) {
    return Fail(win::kInvalidServiceName);
  }
  if (table_.Find(config.name) != nullptr) return Fail(svc::kServiceExists);
  const std::wstring& display = config.display_name.empty() ? config.name : config.display_name;
  if (table_.FindByAnyName(display) != nullptr) return Fail(kDuplicateServiceName);
  ServiceEntry& entry = table_.Install(config.name, svc::kStopped, config.image_path);
  entry.display_name = display;
  entry.service_type = config.service_type;
  entry.start_type = config.start_type;
  entry.error_control = config.error_control;
  entry.created_with_access = config.access;
  return AddHandle(entry.name, config.access);
}

}  // namespace platform::sim
