// WorkStationInfo: what the network client knows about this machine and its logged-on user,
// read once at creation and again on Refresh; reading a member never touches the platform.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_info.h"

namespace velmar {

class WorkStationInfo {
 public:
  // Reads everything at once on an NT-family system; elsewhere every member stays empty.
  explicit WorkStationInfo(platform::SystemInfo& system);

  const std::wstring& ComputerName() const { return computer_name_; }
  const std::wstring& Domain() const { return domain_; }
  const std::wstring& LanRoot() const { return lan_root_; }
  std::int32_t LoggedOnUsers() const { return logged_on_users_; }
  std::int32_t PlatformId() const { return platform_id_; }
  std::int32_t VerMajor() const { return ver_major_; }
  std::int32_t VerMinor() const { return ver_minor_; }
  const std::wstring& LogonDomain() const { return logon_domain_; }
  const std::wstring& LogonServer() const { return logon_server_; }
  const std::wstring& OtherDomains() const { return other_domains_; }
  const std::wstring& UserName() const { return user_name_; }

  // Re-reads both records; a call that fails leaves the members it would set as they were.
  void Refresh();

 private:
  platform::SystemInfo& system_;
  bool nt_platform_ = false;
  std::wstring computer_name_, domain_, lan_root_;
  std::int32_t logged_on_users_ = 0, platform_id_ = 0, ver_major_ = 0, ver_minor_ = 0;
  std::wstring logon_domain_, logon_server_, other_domains_, user_name_;
};

}  // namespace velmar
