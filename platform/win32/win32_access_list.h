// Files' access lists on Win32: a protected list made into the security attributes of a create
// call, and the list a file has read back, with calls every Windows from 2000 on has.
#pragma once

#include <memory>
#include <string_view>

#include "platform/files.h"

namespace platform::win32 {

// The security attributes of a create call that gives the new object the list as its own,
// protected from what its folder passes on. Raises 5 for an inherited list or an account that
// is not a SID's text.
class OwnAccessAttributes {
 public:
  explicit OwnAccessAttributes(const AccessList& access);
  ~OwnAccessAttributes();

  void* get();  // the SECURITY_ATTRIBUTES*, valid while this object lives

 private:
  struct Parts;  // the attributes, the descriptor they point at and the ACL it points at
  std::unique_ptr<Parts> parts_;
};

// The file's list as GetFileSecurityW reports it. Raises 53 when the file is missing.
AccessList ReadFileAccess(std::wstring_view path);

}  // namespace platform::win32
