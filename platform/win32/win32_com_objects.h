// The COM objects facility on Windows: COM entered and left as a program asks, the product's
// gateway object through its dual interface, and new GUIDs from the scripting type library.
#pragma once

#include "platform/com_objects.h"
#include "platform/win32/win32_dispatch.h"

namespace platform::win32 {

class Win32ComObjects final : public ComObjects {
 public:
  std::int32_t InitializeMultithreaded() override;
  void Uninitialize() override;
  std::int32_t CreateGateway(std::wstring_view clsid, std::wstring_view iid,
                             std::unique_ptr<GatewayObject>& object) override;
  std::wstring NewGuidText() override;

 private:
  ComApartment apartment_;
};

}  // namespace platform::win32
