// The system information facility on Windows: GetVersionExA and the network client's
// workstation records, copied out of the buffers it allocates and freed at once.
#include "platform/win32/win32_system_info.h"

#include <windows.h>

// The network client's declarations need windows.h before them.
#include <lm.h>

#include <string>

namespace platform::win32 {
namespace {

// Owns a buffer the network client allocated for a reply.
class NetBuffer {
 public:
  NetBuffer() = default;
  NetBuffer(const NetBuffer&) = delete;
  NetBuffer& operator=(const NetBuffer&) = delete;
  ~NetBuffer() {
    if (buffer_ != nullptr) ::NetApiBufferFree(buffer_);
  }
  LPBYTE* out() { return &buffer_; }
  template <typename Record>
  const Record* as() const {
    return reinterpret_cast<const Record*>(buffer_);
  }

 private:
  LPBYTE buffer_ = nullptr;
};

// Records may carry null pointers for fields the client does not know.
std::wstring Copy(const wchar_t* text) {
  if (text == nullptr) return {};
  return std::wstring(text, static_cast<std::size_t>(::lstrlenW(text)));
}

}  // namespace

bool Win32SystemInfo::Version(OsVersion& version) {
  OSVERSIONINFOA info{};
  static_assert(sizeof info == 148, "OSVERSIONINFOA is the 148-byte record");
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExA(&info)) return false;
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  version.build = info.dwBuildNumber;
  version.platform_id = info.dwPlatformId;
  version.service_pack = info.szCSDVersion;
  return true;
}

Status Win32SystemInfo::WorkstationInfo(WorkstationRecord& record) {
  NetBuffer buffer;
  const NET_API_STATUS status = ::NetWkstaGetInfo(nullptr, 102, buffer.out());
  if (status != NERR_Success) return static_cast<Status>(status);
  const auto* info = buffer.as<WKSTA_INFO_102>();
  if (info == nullptr) return static_cast<Status>(status);
  record.platform_id = info->wki102_platform_id;
  record.computer_name = Copy(info->wki102_computername);
  record.lan_group = Copy(info->wki102_langroup);
  record.ver_major = info->wki102_ver_major;
  record.ver_minor = info->wki102_ver_minor;
  record.lan_root = Copy(info->wki102_lanroot);
  record.logged_on_users = info->wki102_logged_on_users;
  return static_cast<Status>(status);
}

Status Win32SystemInfo::WorkstationUserInfo(WorkstationUserRecord& record) {
  NetBuffer buffer;
  const NET_API_STATUS status = ::NetWkstaUserGetInfo(nullptr, 1, buffer.out());
  if (status != NERR_Success) return static_cast<Status>(status);
  const auto* info = buffer.as<WKSTA_USER_INFO_1>();
  if (info == nullptr) return static_cast<Status>(status);
  record.user_name = Copy(info->wkui1_username);
  record.logon_domain = Copy(info->wkui1_logon_domain);
  record.other_domains = Copy(info->wkui1_oth_domains);
  record.logon_server = Copy(info->wkui1_logon_server);
  return static_cast<Status>(status);
}

std::wstring Win32SystemInfo::WindowsFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return L"C:\\WINDOWS";
  std::wstring folder(buffer, length);
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

}  // namespace platform::win32
