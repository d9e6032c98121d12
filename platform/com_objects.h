// COM objects facility: the few system COM objects the programs create, at the level they use
// them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// The product's gateway server's class and dual interface, in registry notation.
namespace gateway {
inline constexpr std::wstring_view kClassId = L"{60EB7702-6A7A-11D1-8029-00C04FAD610B}";
inline constexpr std::wstring_view kInterfaceId = L"{1461F2E1-6A76-11D1-8029-00C04FAD610B}";
}  // namespace gateway

// The product's gateway server, held through its dual interface: IUnknown's three members,
// IDispatch's four, three further members (the second shuts the product down), then
// get_LastStatus. Released once, when this object goes.
class GatewayObject {
 public:
  virtual ~GatewayObject() = default;
  virtual std::int32_t LastStatus(std::uint32_t& status) = 0;  // HRESULT get_LastStatus(LONG*)
  virtual std::int32_t Shutdown() = 0;  // the second of the three members: shuts the product down
};

class ComObjects {
 public:
  virtual ~ComObjects() = default;
  virtual std::int32_t InitializeMultithreaded() = 0;  // CoInitializeEx(nullptr, MULTITHREADED)
  virtual void Uninitialize() = 0;                     // CoUninitialize
  // CoCreateInstance of the class as a local (out-of-process) server for the interface, both
  // in registry notation; the HRESULT, and the object when it succeeded.
  virtual std::int32_t CreateGateway(std::wstring_view clsid, std::wstring_view iid,
                                     std::unique_ptr<GatewayObject>& object) = 0;
  // A new GUID in registry notation: braces, 8-4-4-4-12 hexadecimal digits (38 characters).
  virtual std::wstring NewGuidText() = 0;
};

}  // namespace platform
