// IDispatch by names: GetIDsOfNames and Invoke with VARIANTs, and failures raised with the
// number and text the run time would show (EXCEPINFO, IErrorInfo, else the HRESULT's text).
#include "platform/win32/win32_dispatch.h"

#include <ole2.h>
#include <windows.h>

#include <utility>

#include "platform/error.h"

namespace platform::win32 {
namespace {

IDispatch* AsDispatch(void* pointer) {
  return static_cast<IDispatch*>(pointer);
}

class Bstr {
 public:
  explicit Bstr(std::wstring_view text)
      : bstr_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { ::SysFreeString(bstr_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return bstr_; }

 private:
  BSTR bstr_;
};

class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  explicit Variant(const DbValue& value) : Variant() {
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
      value_.vt = VT_I4;
      value_.lVal = *number;
    } else if (const auto* real = std::get_if<double>(&value)) {
      value_.vt = VT_R8;
      value_.dblVal = *real;
    } else if (const auto* text = std::get_if<std::wstring>(&value)) {
      value_.vt = VT_BSTR;
      value_.bstrVal = ::SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
    } else {
      value_.vt = VT_NULL;
    }
  }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : Variant() { std::swap(value_, other.value_); }

  VARIANT* get() { return &value_; }

  DbValue ToDbValue() {
    switch (value_.vt) {
      case VT_EMPTY:
      case VT_NULL: return std::monostate{};
      case VT_BSTR:
        return value_.bstrVal == nullptr
                   ? std::wstring()
                   : std::wstring(value_.bstrVal, ::SysStringLen(value_.bstrVal));
      case VT_I1:
      case VT_UI1:
      case VT_I2:
      case VT_UI2:
      case VT_I4:
      case VT_INT:
      case VT_BOOL: {
        Variant number;
        if (SUCCEEDED(::VariantChangeType(number.get(), &value_, 0, VT_I4))) {
          return static_cast<std::int32_t>(number.get()->lVal);
        }
        break;
      }
      case VT_R4:
      case VT_R8:
      case VT_CY:
      case VT_DECIMAL:
      case VT_I8:
      case VT_UI4:
      case VT_UI8:
      case VT_UINT: {
        Variant real;
        if (SUCCEEDED(::VariantChangeType(real.get(), &value_, 0, VT_R8))) {
          return real.get()->dblVal;
        }
        break;
      }
      default: break;
    }
    Variant text;
    if (SUCCEEDED(::VariantChangeType(text.get(), &value_, 0, VT_BSTR))) return text.ToDbValue();
    return std::monostate{};
  }

  IDispatch* TakeDispatch() {
    if (value_.vt != VT_DISPATCH || value_.pdispVal == nullptr) return nullptr;
    IDispatch* dispatch = value_.pdispVal;
    value_.vt = VT_EMPTY;
    value_.pdispVal = nullptr;
    return dispatch;
  }

 private:
  VARIANT value_;
};

// The run time's number for an HRESULT: its own errors (FACILITY_CONTROL) by their code,
// everything else as the HRESULT itself.
std::int32_t NumberOf(HRESULT hr) {
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) return HRESULT_CODE(hr);
  return static_cast<std::int32_t>(hr);
}

std::wstring SystemText(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : L"";
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (!text.empty()) return text;
  // Wine's message table lacks the automation texts; these are the ones late binding meets.
  switch (static_cast<std::uint32_t>(hr)) {
    case 0x8002801D: return L"Library not registered.";  // TYPE_E_LIBNOTREGISTERED
    case 0x80020006: return L"Unknown name.";            // DISP_E_UNKNOWNNAME
    case 0x80004002: return L"No such interface supported";
    case 0x80040154: return L"Class not registered";
    case 0x800401F0: return L"CoInitialize has not been called.";
    default: return L"Automation error";
  }
}

std::wstring TakeText(BSTR& text) {
  std::wstring taken = text ? std::wstring(text, ::SysStringLen(text)) : L"";
  ::SysFreeString(text);
  text = nullptr;
  return taken;
}

// The error the object left: the EXCEPINFO of a DISP_E_EXCEPTION, else the thread's
// IErrorInfo, else the HRESULT with the system's text.
[[noreturn]] void RaiseFailure(HRESULT hr, EXCEPINFO* exception) {
  std::int32_t number = NumberOf(hr);
  std::wstring text;
  if (hr == DISP_E_EXCEPTION && exception != nullptr) {
    if (exception->pfnDeferredFillIn) exception->pfnDeferredFillIn(exception);
    if (exception->scode != 0) {
      number = NumberOf(exception->scode);
    } else if (exception->wCode != 0) {
      number = exception->wCode;
    }
    text = TakeText(exception->bstrDescription);
    TakeText(exception->bstrSource);
    TakeText(exception->bstrHelpFile);
  } else {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) == S_OK && info != nullptr) {
      BSTR description = nullptr;
      if (SUCCEEDED(info->GetDescription(&description))) text = TakeText(description);
      info->Release();
    }
  }
  if (text.empty()) text = SystemText(exception && exception->scode ? exception->scode : hr);
  Raise(number, std::move(text));
}

DISPID IdOf(IDispatch* dispatch, std::wstring_view name) {
  if (dispatch == nullptr) Raise(91, L"Object variable or With block variable not set");
  std::wstring terminated(name);
  LPOLESTR names[] = {terminated.data()};
  DISPID id = 0;
  const HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) RaiseFailure(hr, nullptr);
  return id;
}

Variant Invoke(IDispatch* dispatch, std::wstring_view name, WORD flags,
               const std::vector<DbValue>& arguments, const DbValue* put_value) {
  const DISPID id = IdOf(dispatch, name);
  // Automation takes the arguments last first; a property's new value goes last of all.
  std::vector<Variant> values;
  if (put_value != nullptr) values.emplace_back(*put_value);
  for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) values.emplace_back(*it);
  std::vector<VARIANT> raw;
  for (auto& value : values) raw.push_back(*value.get());
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{};
  parameters.rgvarg = raw.empty() ? nullptr : raw.data();
  parameters.cArgs = static_cast<UINT>(raw.size());
  if (put_value != nullptr) {
    parameters.rgdispidNamedArgs = &put_id;
    parameters.cNamedArgs = 1;
  }
  Variant result;
  EXCEPINFO exception{};
  UINT wrong_argument = 0;
  const HRESULT hr =
      dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                       put_value ? nullptr : result.get(), &exception, &wrong_argument);
  if (FAILED(hr)) RaiseFailure(hr, &exception);
  return result;
}

}  // namespace

ComApartment::~ComApartment() {
  if (must_leave_) ::CoUninitialize();
}

void ComApartment::Enter() {
  if (entered_) return;
  entered_ = true;
  // S_FALSE: already initialised in this mode, which still wants its matching uninitialise;
  // RPC_E_CHANGED_MODE: the thread chose otherwise, and COM is usable as it is.
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  must_leave_ = SUCCEEDED(hr);
}

DispatchObject::~DispatchObject() {
  if (dispatch_) AsDispatch(dispatch_)->Release();
}

DispatchObject::DispatchObject(const DispatchObject& other) : dispatch_(other.dispatch_) {
  if (dispatch_) AsDispatch(dispatch_)->AddRef();
}

DispatchObject& DispatchObject::operator=(const DispatchObject& other) {
  if (other.dispatch_) AsDispatch(other.dispatch_)->AddRef();
  if (dispatch_) AsDispatch(dispatch_)->Release();
  dispatch_ = other.dispatch_;
  return *this;
}

DispatchObject DispatchObject::Create(std::wstring_view prog_id) {
  const std::wstring terminated(prog_id);
  CLSID clsid{};
  if (FAILED(::CLSIDFromProgID(terminated.c_str(), &clsid))) Raise(VbError::kCantCreateObject);
  void* dispatch = nullptr;
  const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, &dispatch);
  if (hr == REGDB_E_CLASSNOTREG) Raise(VbError::kCantCreateObject);
  if (FAILED(hr) || dispatch == nullptr) RaiseFailure(FAILED(hr) ? hr : E_NOINTERFACE, nullptr);
  return DispatchObject(dispatch);
}

DbValue DispatchObject::Get(std::wstring_view name, const std::vector<DbValue>& arguments) const {
  return Invoke(AsDispatch(dispatch_), name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, arguments,
                nullptr)
      .ToDbValue();
}

DispatchObject DispatchObject::Object(std::wstring_view name,
                                      const std::vector<DbValue>& arguments) const {
  Variant result = Invoke(AsDispatch(dispatch_), name, DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                          arguments, nullptr);
  IDispatch* object = result.TakeDispatch();
  if (object == nullptr) Raise(91, L"Object variable or With block variable not set");
  return DispatchObject(object);
}

void DispatchObject::Put(std::wstring_view name, const DbValue& value) const {
  Invoke(AsDispatch(dispatch_), name, DISPATCH_PROPERTYPUT, {}, &value);
}

void DispatchObject::Call(std::wstring_view name, const std::vector<DbValue>& arguments) const {
  Invoke(AsDispatch(dispatch_), name, DISPATCH_METHOD, arguments, nullptr);
}

}  // namespace platform::win32
