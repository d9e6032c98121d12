// New GUIDs through "Scriptlet.TypeLib", whose Guid property carries two stray characters
// after the closing brace; where that object cannot be had, straight from COM.
#include "platform/win32/win32_com_objects.h"

#include <objbase.h>
#include <windows.h>

#include "platform/error.h"

namespace platform::win32 {

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
