// The service status probe: whether the product is running, from the states of five of its
// services as the service control manager reports them.
#pragma once

#include <optional>

#include "platform/services.h"
#include "uninstaller/sequence/uninstall_log.h"

namespace uninstaller {

inline constexpr wchar_t kProbedServices[] =
    L"ZqKtGateWay ZqDirChangeWriter ZqSqlChangeWriter WyDirReader ZqDSAD";

// True when every service that could be read was running, false at the first one that was
// not, nothing when none could be read.
std::optional<bool> CheckVelmarServices(platform::Services& services, UninstallLog& log);

}  // namespace uninstaller
