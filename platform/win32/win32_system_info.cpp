// The system information facility on Windows: GetVersionExA, GetVersion, the system folders,
// the token's group SIDs and the network client's workstation records, copied out of the
// buffers the system allocates and freed at once.
#include "platform/win32/win32_system_info.h"

#include <windows.h>

// The network client's and the SID text declarations need windows.h before them.
#include <lm.h>
#include <sddl.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32_handle.h"

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

// Owns a text ConvertSidToStringSidW allocated with LocalAlloc.
class LocalText {
 public:
  LocalText() = default;
  LocalText(const LocalText&) = delete;
  LocalText& operator=(const LocalText&) = delete;
  ~LocalText() {
    if (text_ != nullptr) ::LocalFree(text_);
  }
  LPWSTR* out() { return &text_; }
  const wchar_t* get() const { return text_; }

 private:
  LPWSTR text_ = nullptr;
};

// Owns a zero-filled block from the process heap.
class HeapBlock {
 public:
  explicit HeapBlock(DWORD size)
      : block_(size == 0 ? nullptr : ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size)) {}
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;
  ~HeapBlock() {
    if (block_ != nullptr) ::HeapFree(::GetProcessHeap(), 0, block_);
  }
  void* get() const { return block_; }

 private:
  void* block_;
};

// A folder as the system reports it, without a trailing "\" unless it is a drive's root.
std::wstring WithoutTrailingSeparator(std::wstring folder) {
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

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
  return WithoutTrailingSeparator(std::wstring(buffer, length));
}

std::wstring Win32SystemInfo::SystemFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return WithoutTrailingSeparator(std::wstring(buffer, length));
}

std::uint32_t Win32SystemInfo::VersionWord() {
  return ::GetVersion();
}

bool Win32SystemInfo::TokenGroupSids(std::vector<std::wstring>& sids) {
  HANDLE raw_token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_READ, &raw_token)) return false;
  const KernelHandle token(raw_token);
  // The first call only reports the size; its failure with ERROR_INSUFFICIENT_BUFFER is expected.
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
  if (size == 0) return false;
  const HeapBlock block(size);
  if (block.get() == nullptr ||
      !::GetTokenInformation(token.get(), TokenGroups, block.get(), size, &size)) {
    return false;
  }
  const auto* groups = static_cast<const TOKEN_GROUPS*>(block.get());
  std::vector<std::wstring> found;
  found.reserve(groups->GroupCount);
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    LocalText text;
    if (!::ConvertSidToStringSidW(groups->Groups[i].Sid, text.out())) return false;
    found.push_back(Copy(text.get()));
  }
  sids = std::move(found);
  return true;
}

}  // namespace platform::win32
