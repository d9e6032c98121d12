// The system information facility on Windows: the version record and word, the system folders,
// the process token's groups, and what the network client reports about the workstation and
// its logged-on user.
#pragma once

#include "platform/system_info.h"

namespace platform::win32 {

class Win32SystemInfo final : public SystemInfo {
 public:
  bool Version(OsVersion& version) override;
  Status WorkstationInfo(WorkstationRecord& record) override;
  Status WorkstationUserInfo(WorkstationUserRecord& record) override;
  std::wstring WindowsFolder() override;
  std::wstring SystemFolder() override;
  std::uint32_t VersionWord() override;
  bool TokenGroupSids(std::vector<std::wstring>& sids) override;
};

}  // namespace platform::win32
