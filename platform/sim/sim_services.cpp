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

bool ServiceTable::Remove(std::wstring_view name) {
  return services_.erase(Upcase(name)) > 0;
}

ScHandle SimServices::OpenManager(std::uint32_t /*access*/) {
  if (table_.manager_unavailable) {
    last_error_ = win::kAccessDenied;
    return 0;
  }
  const ScHandle handle = next_;
  next_ += 8;
  handles_[handle] = L"";
  last_error_ = win::kSuccess;
  return handle;
}

ScHandle SimServices::OpenServiceHandle(ScHandle manager, std::string_view name,
                                        std::uint32_t /*access*/) {
  const auto it = handles_.find(manager);
  if (it == handles_.end() || !it->second.empty()) {
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
  const ScHandle handle = next_;
  next_ += 8;
  handles_[handle] = entry->name;
  last_error_ = win::kSuccess;
  return handle;
}

bool SimServices::QueryStatus(ScHandle service, ServiceStatus& status) {
  const auto it = handles_.find(service);
  ServiceEntry* entry =
      it == handles_.end() || it->second.empty() ? nullptr : table_.Find(it->second);
  if (entry == nullptr) {
    last_error_ = win::kInvalidHandle;
    return false;
  }
  status = {};
  status.service_type = 0x10;  // SERVICE_WIN32_OWN_PROCESS
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

}  // namespace platform::sim
