// show_access PATH: prints a file's access list as the system gives it back, for the bench to
// compare from outside; show_access --create PATH makes a new file with a fixed protected list.
//
// The list is read with GetFileSecurityW(DACL_SECURITY_INFORMATION). The first line is
// "protected" or "not protected" (the descriptor's SE_DACL_PROTECTED bit), then one line per
// entry in the list's order: "allow|deny <SID> 0x<mask, 8 hex digits>", with " inherited" when
// the entry carries INHERITED_ACE; an entry of any other type prints "other <type>". A
// descriptor without a list prints "no list", one with a null list "null list". Exit code 0
// when the list was read (or the file made), 1 when not, with the Win32 error on standard
// error, 2 on a wrong command line.
//
// --create makes PATH (it must not exist) through CreateFileW with a descriptor holding exactly
// the list a removal's clean-up batch is given: Administrators and SYSTEM full control, Users
// read and execute, protected from inheritance; so the bench can see whether the system keeps
// such a list and reports it back unchanged.
//
// This is a reader of its own, written against the documented API and nothing of the programs
// it checks.
#include <windows.h>

#include <sddl.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

namespace {

struct SidFree {
  void operator()(void* sid) const { ::FreeSid(sid); }
};
using OwnedSid = std::unique_ptr<void, SidFree>;

struct LocalMemoryFree {
  void operator()(void* memory) const { ::LocalFree(memory); }
};

struct HandleClose {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleClose>;

int Fail(const char* what) {
  std::fprintf(stderr, "show_access: %s failed, error %lu\n", what, ::GetLastError());
  return 1;
}

void PrintSid(PSID sid) {
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) {
    std::printf("<unreadable SID>");
    return;
  }
  const std::unique_ptr<wchar_t, LocalMemoryFree> owned(text);
  std::printf("%ls", owned.get());
}

// One entry of the list; the allowed and denied entries share their layout.
void PrintAce(const ACE_HEADER* header) {
  const char* kind = header->AceType == ACCESS_ALLOWED_ACE_TYPE  ? "allow"
                     : header->AceType == ACCESS_DENIED_ACE_TYPE ? "deny"
                                                                 : nullptr;
  if (kind == nullptr) {
    std::printf("other %u\n", static_cast<unsigned>(header->AceType));
    return;
  }
  const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
  std::printf("%s ", kind);
  PrintSid(const_cast<DWORD*>(&ace->SidStart));
  std::printf(" 0x%08lx%s\n", ace->Mask,
              (header->AceFlags & INHERITED_ACE) != 0 ? " inherited" : "");
}

int Show(const wchar_t* path) {
  DWORD needed = 0;
  ::GetFileSecurityW(path, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  if (needed == 0) return Fail("GetFileSecurityW (size)");
  std::vector<BYTE> buffer(needed);
  auto* descriptor = reinterpret_cast<PSECURITY_DESCRIPTOR>(buffer.data());
  if (!::GetFileSecurityW(path, DACL_SECURITY_INFORMATION, descriptor, needed, &needed)) {
    return Fail("GetFileSecurityW");
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!::GetSecurityDescriptorControl(descriptor, &control, &revision)) {
    return Fail("GetSecurityDescriptorControl");
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted)) {
    return Fail("GetSecurityDescriptorDacl");
  }
  std::printf("%s\n", (control & SE_DACL_PROTECTED) != 0 ? "protected" : "not protected");
  if (!present) {
    std::printf("no list\n");
    return 0;
  }
  if (list == nullptr) {
    std::printf("null list\n");
    return 0;
  }
  for (DWORD index = 0; index < list->AceCount; ++index) {
    void* ace = nullptr;
    if (!::GetAce(list, index, &ace)) return Fail("GetAce");
    PrintAce(static_cast<const ACE_HEADER*>(ace));
  }
  return 0;
}

// A SID of the NT authority: one or two sub-authorities.
OwnedSid NtSid(DWORD first, DWORD second, BYTE count) {
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  if (!::AllocateAndInitializeSid(&authority, count, first, second, 0, 0, 0, 0, 0, 0, &sid)) {
    return nullptr;
  }
  return OwnedSid(sid);
}

struct Grant {
  OwnedSid sid;
  DWORD mask;
};

int Create(const wchar_t* path) {
  Grant grants[] = {
      {NtSid(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2), FILE_ALL_ACCESS},
      {NtSid(SECURITY_LOCAL_SYSTEM_RID, 0, 1), FILE_ALL_ACCESS},
      {NtSid(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 2),
       FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
  };
  DWORD size = sizeof(ACL);
  for (const Grant& grant : grants) {
    if (!grant.sid) return Fail("AllocateAndInitializeSid");
    size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(grant.sid.get());
  }
  std::vector<BYTE> acl_buffer(size);
  auto* list = reinterpret_cast<PACL>(acl_buffer.data());
  if (!::InitializeAcl(list, size, ACL_REVISION)) return Fail("InitializeAcl");
  for (const Grant& grant : grants) {
    if (!::AddAccessAllowedAce(list, ACL_REVISION, grant.mask, grant.sid.get())) {
      return Fail("AddAccessAllowedAce");
    }
  }
  SECURITY_DESCRIPTOR descriptor{};
  if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) {
    return Fail("InitializeSecurityDescriptor");
  }
  if (!::SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE)) {
    return Fail("SetSecurityDescriptorDacl");
  }
  if (!::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return Fail("SetSecurityDescriptorControl");
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  HANDLE created = ::CreateFileW(path, GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return Fail("CreateFileW");
  const OwnedHandle file(created);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wcscmp(argv[1], L"--create") != 0) return Show(argv[1]);
  if (argc == 3 && std::wcscmp(argv[1], L"--create") == 0) return Create(argv[2]);
  std::fprintf(stderr, "usage: show_access PATH | show_access --create PATH\n");
  return 2;
}
