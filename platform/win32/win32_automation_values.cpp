// VARIANT conversion for property values, and the texts of failed automation calls: the
// object's IErrorInfo (when it says it supports one) or the EXCEPINFO of an Invoke.
#include "platform/win32/win32_automation_values.h"

#include <oaidl.h>
#include <ole2.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/win32/win32_com_ptr.h"

namespace platform::win32 {
namespace {

constexpr wchar_t kAutomationError[] = L"Automation error";

// Frees a BSTR handed over by a call.
class OwnedBstr {
 public:
  OwnedBstr() = default;
  ~OwnedBstr() { ::SysFreeString(text_); }
  OwnedBstr(const OwnedBstr&) = delete;
  OwnedBstr& operator=(const OwnedBstr&) = delete;
  BSTR* Receive() { return &text_; }
  std::wstring Text() const { return text_ ? std::wstring(text_, ::SysStringLen(text_)) : L""; }

 private:
  BSTR text_ = nullptr;
};

// Holds a SAFEARRAY's data locked while it is read.
class ArrayData {
 public:
  explicit ArrayData(SAFEARRAY* array) : array_(array) {
    if (FAILED(::SafeArrayAccessData(array_, &data_))) data_ = nullptr;
  }
  ~ArrayData() {
    if (data_) ::SafeArrayUnaccessData(array_);
  }
  ArrayData(const ArrayData&) = delete;
  ArrayData& operator=(const ArrayData&) = delete;
  const std::uint8_t* bytes() const { return static_cast<const std::uint8_t*>(data_); }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
};

// Clears a VARIANT made here on every path out.
class LocalVariant {
 public:
  LocalVariant() { ::VariantInit(&value_); }
  ~LocalVariant() { ::VariantClear(&value_); }
  LocalVariant(const LocalVariant&) = delete;
  LocalVariant& operator=(const LocalVariant&) = delete;
  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

std::vector<std::uint8_t> BytesOf(SAFEARRAY* array) {
  if (array == nullptr || ::SafeArrayGetDim(array) != 1) return {};
  LONG lower = 0;
  LONG upper = -1;
  ::SafeArrayGetLBound(array, 1, &lower);
  ::SafeArrayGetUBound(array, 1, &upper);
  if (upper < lower) return {};
  const ArrayData data(array);
  if (data.bytes() == nullptr) Raise(static_cast<std::int32_t>(E_UNEXPECTED), kAutomationError);
  return std::vector<std::uint8_t>(data.bytes(), data.bytes() + (upper - lower + 1));
}

doh::PropertyValue ConvertedValue(const VARIANT& value) {
  // The conversion only reads its source; the API just does not say so.
  VARIANT* source = const_cast<VARIANT*>(&value);
  LocalVariant number;
  if (SUCCEEDED(::VariantChangeType(number.get(), source, 0, VT_I4))) {
    return static_cast<std::int32_t>(number.get()->lVal);
  }
  LocalVariant text;
  if (SUCCEEDED(::VariantChangeType(text.get(), source, 0, VT_BSTR)) && text.get()->bstrVal) {
    return std::wstring(text.get()->bstrVal, ::SysStringLen(text.get()->bstrVal));
  }
  return std::monostate{};
}

// The description the object left for this interface; reading it also clears the thread's
// error object, so a stale one never reaches a later failure.
std::wstring DescriptionOf(IUnknown* object, const GUID& iid) {
  ComPtr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.Receive()) != S_OK) return kAutomationError;
  ComPtr<ISupportErrorInfo> support;
  if (object == nullptr ||
      FAILED(object->QueryInterface(IID_ISupportErrorInfo, support.ReceiveVoid())) || !support ||
      support->InterfaceSupportsErrorInfo(iid) != S_OK) {
    return kAutomationError;
  }
  OwnedBstr description;
  if (!info || FAILED(info->GetDescription(description.Receive()))) return kAutomationError;
  const std::wstring text = description.Text();
  return text.empty() ? kAutomationError : text;
}

}  // namespace

doh::PropertyValue PropertyValueOf(const VARIANT& value) {
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL: return std::monostate{};
    case VT_BSTR:
      return value.bstrVal ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal))
                           : std::wstring();
    case VT_UI4: return static_cast<std::int32_t>(value.ulVal);
    case VT_UINT: return static_cast<std::int32_t>(value.uintVal);
    case VT_I8: return static_cast<std::int32_t>(value.llVal);
    case VT_UI8: return static_cast<std::int32_t>(value.ullVal);
    case VT_ARRAY | VT_UI1: return BytesOf(value.parray);
    default: return ConvertedValue(value);
  }
}

void CheckResult(std::int32_t hr, IUnknown* object, const GUID& iid) {
  if (SUCCEEDED(hr)) return;
  Raise(hr, DescriptionOf(object, iid));
}

void RaiseInvokeFailure(std::int32_t hr, EXCEPINFO& exception, IUnknown* object, const GUID& iid) {
  if (hr != DISP_E_EXCEPTION) CheckResult(hr, object, iid);
  if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
  OwnedBstr description;
  OwnedBstr source;
  OwnedBstr help_file;
  *description.Receive() = std::exchange(exception.bstrDescription, nullptr);
  *source.Receive() = std::exchange(exception.bstrSource, nullptr);
  *help_file.Receive() = std::exchange(exception.bstrHelpFile, nullptr);
  const std::int32_t number = exception.scode != 0 ? exception.scode : hr;
  const std::wstring text = description.Text();
  Raise(number, text.empty() ? kAutomationError : text);
}

void RaiseNoObject() {
  Raise(91, L"Object variable or With block variable not set");
}

}  // namespace platform::win32
