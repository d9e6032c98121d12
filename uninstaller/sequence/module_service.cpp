// The service status probe, with the trace lines it writes to the log.
#include "uninstaller/sequence/module_service.h"

#include <string>
#include <vector>

#include "platform/text.h"

namespace uninstaller {
namespace {

constexpr wchar_t kSuffix[] = L"[ModuleService]CheckVelmarServices()";

std::vector<std::wstring> SplitAtBlanks(std::wstring_view text) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  for (std::size_t blank; (blank = text.find(L' ', start)) != std::wstring_view::npos;
       start = blank + 1) {
    parts.emplace_back(text.substr(start, blank - start));
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

}  // namespace

std::optional<bool> CheckVelmarServices(platform::Services& services, UninstallLog& log) {
  log.WriteLog(L"Entering [ModuleService]CheckVelmarServices()");
  std::optional<bool> running;
  for (const std::wstring& name : SplitAtBlanks(kProbedServices)) {
    platform::ScopedScHandle manager(services, services.OpenManager(platform::svc::kGenericAll));
    if (manager.get() == 0) {
      log.WriteLog(L"Error returned from OpenSCManager, error = " +
                   std::to_wstring(services.LastError()) + kSuffix);
    }
    platform::ScopedScHandle service(
        services, services.OpenServiceHandle(manager.get(), platform::Cp1252FromWide(name),
                                             platform::svc::kQueryStatus));
    platform::ServiceStatus status;
    if (!services.QueryStatus(service.get(), status)) {
      log.WriteLog(L"Error returned from QueryServiceStatus, error = " +
                   std::to_wstring(services.LastError()) + kSuffix);
      continue;
    }
    log.WriteLog(name + L" service state = " + std::to_wstring(status.current_state) +
                 L" (1=STOPPED, 2=START PENDING, 3=STOP PENDING, 4=SERVICE_RUNNING)" + kSuffix);
    if (status.current_state != platform::svc::kRunning) {
      running = false;
      break;
    }
    running = true;
  }
  log.WriteLog(L"Exiting [ModuleService]CheckVelmarServices()");
  return running;
}

}  // namespace uninstaller
