// COM start-up on request, the gateway created as a local server and read through its vtable,
// and new GUIDs through "Scriptlet.TypeLib" (or straight from COM where that cannot be had).
#include "platform/win32/win32_com_objects.h"

#include <objbase.h>
#include <windows.h>

#include <string>

#include "platform/error.h"

namespace platform::win32 {

// The gateway's dual interface as its vtable lays it out: IDispatch's seven entries, three
// members of which only the second (shut the product down) is called, then get_LastStatus. It must
// not live in an unnamed namespace: a type no other unit can derive from, with no overrider
// here, lets the compiler turn every call through it into a pure virtual call.
struct GatewayInterface : public IDispatch {
  STDMETHOD(Reserved1)() = 0;
  STDMETHOD(Shutdown)() = 0;
  STDMETHOD(Reserved3)() = 0;
  STDMETHOD(get_LastStatus)(LONG* status) = 0;
};

namespace {

// Holds one reference to the gateway and gives it back exactly once.
class Win32Gateway final : public GatewayObject {
 public:
  explicit Win32Gateway(GatewayInterface* gateway) : gateway_(gateway) {}
  Win32Gateway(const Win32Gateway&) = delete;
  Win32Gateway& operator=(const Win32Gateway&) = delete;
  ~Win32Gateway() override { gateway_->Release(); }

  std::int32_t LastStatus(std::uint32_t& status) override {
    LONG value = 0;
    const HRESULT hr = gateway_->get_LastStatus(&value);
    status = static_cast<std::uint32_t>(value);
    return hr;
  }
  std::int32_t Shutdown() override { return gateway_->Shutdown(); }

 private:
  GatewayInterface* gateway_;
};

}  // namespace

std::int32_t Win32ComObjects::InitializeMultithreaded() {
  return ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
}

void Win32ComObjects::Uninitialize() {
  ::CoUninitialize();
}

std::int32_t Win32ComObjects::CreateGateway(std::wstring_view clsid, std::wstring_view iid,
                                            std::unique_ptr<GatewayObject>& object) {
  object.reset();
  // The parsers want terminated texts.
  const std::wstring class_text(clsid);
  const std::wstring interface_text(iid);
  CLSID class_id{};
  IID interface_id{};
  HRESULT hr = ::CLSIDFromString(class_text.c_str(), &class_id);
  if (FAILED(hr)) return hr;
  hr = ::IIDFromString(interface_text.c_str(), &interface_id);
  if (FAILED(hr)) return hr;
  void* raw = nullptr;
  hr = ::CoCreateInstance(class_id, nullptr, CLSCTX_LOCAL_SERVER, interface_id, &raw);
  if (FAILED(hr) || raw == nullptr) return FAILED(hr) ? hr : E_NOINTERFACE;
  object = std::make_unique<Win32Gateway>(static_cast<GatewayInterface*>(raw));
  return hr;
}

std::wstring Win32ComObjects::NewGuidText() {
  apartment_.Enter();
  constexpr std::size_t kRegistryForm = 38;  // {8-4-4-4-12}
  try {
    const DispatchObject type_library = DispatchObject::Create(L"Scriptlet.TypeLib");
    const DbValue guid = type_library.Get(L"Guid");
    if (const auto* text = std::get_if<std::wstring>(&guid);
        text && text->size() >= kRegistryForm) {
      return text->substr(0, kRegistryForm);
    }
  } catch (const RuntimeError&) {
    // The class is missing or will not answer by name (as under Wine): any GUID will do.
  }
  GUID guid{};
  if (FAILED(::CoCreateGuid(&guid))) Raise(VbError::kCantCreateObject);
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return std::wstring(text).substr(0, kRegistryForm);
}

}  // namespace platform::win32
