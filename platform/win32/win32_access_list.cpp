// Building a protected access list for a create call, and reading a file's list back, with the
// low-level security calls of Windows 2000 (nothing from the later SDDL or ACL-editing helpers
// is needed but the SID text conversions, which Windows 2000 has).
#include "platform/win32/win32_access_list.h"

#include <windows.h>
// sddl.h needs windows.h before it.
#include <sddl.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_vb_error.h"

namespace platform::win32 {
namespace {

// An allowed and a denied entry have the same layout: header, mask, then the SID.
constexpr DWORD kEntryWithoutSid = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);

LocalMemory SidFromText(const std::wstring& account) {
  PSID sid = nullptr;
  if (!::ConvertStringSidToSidW(account.c_str(), &sid)) Raise(VbError::kInvalidProcedureCall);
  return LocalMemory(sid);
}

std::wstring TextFromSid(PSID sid) {
  LPWSTR text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) RaiseWin32(::GetLastError());
  const LocalMemory owned(text);
  return text;
}

}  // namespace

struct OwnAccessAttributes::Parts {
  std::vector<DWORD> acl;  // DWORD-aligned, as an ACL must be
  SECURITY_DESCRIPTOR descriptor{};
  SECURITY_ATTRIBUTES attributes{};
};

OwnAccessAttributes::OwnAccessAttributes(const AccessList& access)
    : parts_(std::make_unique<Parts>()) {
  if (access.inherits) Raise(VbError::kInvalidProcedureCall);
  std::vector<LocalMemory> sids;
  DWORD size = sizeof(ACL);
  for (const AccessRule& rule : access.rules) {
    sids.push_back(SidFromText(rule.account));
    size += kEntryWithoutSid + ::GetLengthSid(sids.back().get());
  }
  parts_->acl.resize((size + sizeof(DWORD) - 1) / sizeof(DWORD));
  const auto acl = reinterpret_cast<PACL>(parts_->acl.data());
  if (!::InitializeAcl(acl, size, ACL_REVISION)) RaiseWin32(::GetLastError());
  for (std::size_t i = 0; i < access.rules.size(); ++i) {
    const AccessRule& rule = access.rules[i];
    const BOOL added = rule.allow
                           ? ::AddAccessAllowedAce(acl, ACL_REVISION, rule.rights, sids[i].get())
                           : ::AddAccessDeniedAce(acl, ACL_REVISION, rule.rights, sids[i].get());
    if (!added) RaiseWin32(::GetLastError());
  }
  SECURITY_DESCRIPTOR& descriptor = parts_->descriptor;
  if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
      !::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    RaiseWin32(::GetLastError());
  }
  parts_->attributes = {sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};
}

OwnAccessAttributes::~OwnAccessAttributes() = default;

void* OwnAccessAttributes::get() {
  return &parts_->attributes;
}

AccessList ReadFileAccess(std::wstring_view path) {
  const std::wstring name(path);
  DWORD needed = 0;
  std::vector<DWORD> buffer(16);
  while (!::GetFileSecurityW(name.c_str(), DACL_SECURITY_INFORMATION, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &needed)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      Raise(VbError::kFileNotFound);
    }
    if (error != ERROR_INSUFFICIENT_BUFFER) RaiseWin32(error);
    buffer.resize((needed + sizeof(DWORD) - 1) / sizeof(DWORD));
  }
  const PSECURITY_DESCRIPTOR descriptor = buffer.data();
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL acl = nullptr;
  if (!::GetSecurityDescriptorControl(descriptor, &control, &revision) ||
      !::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted)) {
    RaiseWin32(::GetLastError());
  }
  AccessList list;
  list.inherits = (control & SE_DACL_PROTECTED) == 0;
  if (!present || acl == nullptr) {
    // No list at all lets everyone do everything.
    list.rules.push_back({L"S-1-1-0", rights::kFullControl, true, false});
    return list;
  }
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(acl, i, &entry)) RaiseWin32(::GetLastError());
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    // Object and audit entries do not occur in a file's list; only these two grant or refuse.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) {
      continue;
    }
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    list.rules.push_back({TextFromSid(&allowed->SidStart), allowed->Mask,
                          header->AceType == ACCESS_ALLOWED_ACE_TYPE,
                          (header->AceFlags & INHERITED_ACE) != 0});
  }
  return list;
}

}  // namespace platform::win32
