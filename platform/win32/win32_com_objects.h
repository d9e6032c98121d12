// The COM objects facility on Windows: new GUIDs from the scripting type library object, as
// the programs made them, with COM entered for as long as the facility lives.
#pragma once

#include "platform/com_objects.h"
#include "platform/win32/win32_dispatch.h"

namespace platform::win32 {

class Win32ComObjects final : public ComObjects {
 public:
  std::wstring NewGuidText() override;

 private:
  ComApartment apartment_;
};

}  // namespace platform::win32
