// WorkStationInfo: the workstation record (level 102) and the user record (level 1), each
// taken only when its own call succeeds.
#include "common/workstation_info.h"

namespace velmar {
namespace {

constexpr std::uint32_t kNtPlatform = 2;  // VER_PLATFORM_WIN32_NT

}  // namespace

WorkStationInfo::WorkStationInfo(platform::SystemInfo& system) : system_(system) {
  platform::OsVersion version;
  // The network client calls exist only on NT-family systems.
  if (system_.Version(version) && version.platform_id == kNtPlatform) {
    nt_platform_ = true;
    Refresh();
  }
}

void WorkStationInfo::Refresh() {
  if (!nt_platform_) return;
  platform::WorkstationRecord workstation;
  if (system_.WorkstationInfo(workstation) == platform::win::kSuccess) {
    platform_id_ = static_cast<std::int32_t>(workstation.platform_id);
    computer_name_ = workstation.computer_name;
    domain_ = workstation.lan_group;
    ver_major_ = static_cast<std::int32_t>(workstation.ver_major);
    ver_minor_ = static_cast<std::int32_t>(workstation.ver_minor);
    lan_root_ = workstation.lan_root;
    logged_on_users_ = static_cast<std::int32_t>(workstation.logged_on_users);
  }
  // Independent of the workstation call: either may fail on its own.
  platform::WorkstationUserRecord user;
  if (system_.WorkstationUserInfo(user) == platform::win::kSuccess) {
    user_name_ = user.user_name;
    logon_domain_ = user.logon_domain;
    other_domains_ = user.other_domains;
    logon_server_ = user.logon_server;
  }
}

}  // namespace velmar
