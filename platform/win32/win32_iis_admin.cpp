// ADSI binding and the two members the programs use, Delete and Path.
#include "platform/win32/win32_iis_admin.h"

#include <oaidl.h>
#include <windows.h>

#include "platform/error.h"

namespace platform::win32 {
namespace {

using BindFunction = HRESULT(WINAPI*)(LPCWSTR, REFIID, void**);

BindFunction AdsGetObject() {
  static const BindFunction function = [] {
    HMODULE activeds = ::LoadLibraryW(L"activeds.dll");
    return activeds ? reinterpret_cast<BindFunction>(
                          reinterpret_cast<void*>(::GetProcAddress(activeds, "ADsGetObject")))
                    : nullptr;
  }();
  return function;
}

class Win32IisObject final : public IisObject {
 public:
  explicit Win32IisObject(DispatchObject object) : object_(std::move(object)) {}
  void Delete(std::wstring_view class_name, std::wstring_view name) override {
    object_.Call(L"Delete", {std::wstring(class_name), std::wstring(name)});
  }
  std::wstring Path() override { return DbText(object_.Get(L"Path")); }

 private:
  DispatchObject object_;
};

}  // namespace

std::unique_ptr<IisObject> Win32IisAdmin::Bind(std::wstring_view adsi_path) {
  apartment_.Enter();
  const BindFunction bind = AdsGetObject();
  if (bind == nullptr) Raise(VbError::kCantCreateObject);
  void* dispatch = nullptr;
  const HRESULT result = bind(std::wstring(adsi_path).c_str(), IID_IDispatch, &dispatch);
  if (FAILED(result) || dispatch == nullptr) {
    Raise(static_cast<std::int32_t>(result), L"Cannot bind " + std::wstring(adsi_path));
  }
  return std::make_unique<Win32IisObject>(DispatchObject::Adopt(dispatch));
}

}  // namespace platform::win32
