// The IIS administration facility on Windows: ADSI objects bound by path through activeds.dll
// (loaded at run time, so a server without it still starts), used late-bound.
#pragma once

#include "platform/iis_admin.h"
#include "platform/win32/win32_dispatch.h"

namespace platform::win32 {

class Win32IisAdmin final : public IisAdmin {
 public:
  std::unique_ptr<IisObject> Bind(std::wstring_view adsi_path) override;

 private:
  ComApartment apartment_;
};

}  // namespace platform::win32
