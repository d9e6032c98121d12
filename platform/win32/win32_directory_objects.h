// The directory objects facility on Windows: the product's directory server created by its
// class name and driven through the vtables of its dual interfaces.
#pragma once

#include "platform/directory_objects.h"
#include "platform/win32/win32_dispatch.h"

namespace platform::win32 {

class Win32DirectoryObjects final : public doh::DirectoryObjects {
 public:
  // 429 when the class name is unknown or the server cannot be created.
  std::unique_ptr<doh::DohManager> CreateDohManager(std::wstring_view progid) override;

 private:
  ComApartment apartment_;
};

}  // namespace platform::win32
