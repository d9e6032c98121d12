// System information facility: the operating-system version record and what the network
// client knows of the workstation and its logged-on user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_status.h"

namespace platform {

struct OsVersion {  // OSVERSIONINFOA as GetVersionExA fills it
  std::uint32_t major = 0, minor = 0, build = 0, platform_id = 0;
  std::string service_pack;
};

struct WorkstationRecord {  // WKSTA_INFO_102
  std::uint32_t platform_id = 0;
  std::wstring computer_name, lan_group;
  std::uint32_t ver_major = 0, ver_minor = 0;
  std::wstring lan_root;
  std::uint32_t logged_on_users = 0;
};

struct WorkstationUserRecord {  // WKSTA_USER_INFO_1
  std::wstring user_name, logon_domain, other_domains, logon_server;
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  virtual bool Version(OsVersion& version) = 0;                           // GetVersionExA
  virtual Status WorkstationInfo(WorkstationRecord& record) = 0;          // NetWkstaGetInfo, 102
  virtual Status WorkstationUserInfo(WorkstationUserRecord& record) = 0;  // NetWkstaUserGetInfo, 1
  // The Windows folder as the system knows it (GetSystemWindowsDirectory), without a trailing
  // "\": what a removal keeps out of its reach whatever the registry says.
  virtual std::wstring WindowsFolder() = 0;
  virtual std::wstring SystemFolder() = 0;  // GetSystemDirectoryW, without a trailing "\"
  virtual std::uint32_t VersionWord() = 0;  // GetVersion: top bit set on a non-NT system
  // The SIDs ("S-1-5-32-544") of the process token's groups (OpenProcessToken with TOKEN_READ,
  // GetTokenInformation TokenGroups), in the token's order; false when any call fails.
  virtual bool TokenGroupSids(std::vector<std::wstring>& sids) = 0;
};

}  // namespace platform
