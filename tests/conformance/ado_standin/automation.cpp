// The stand-in's IDispatch: names looked up without case, each call checked for its kind, its
// argument count and its VARIANT types before the object sees it, and errors reported as ADO
// reports them, through DISP_E_EXCEPTION and an EXCEPINFO.
#include "tests/conformance/ado_standin/automation.h"

#include <cstring>

#include "platform/error.h"

namespace ado_standin {
namespace {

bool SameName(const wchar_t* a, const wchar_t* b) {
  return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

// The run time reads FACILITY_CONTROL codes as ADO's own numbers, anything else as an HRESULT.
HRESULT CodeOf(std::int32_t number) {
  if (number > 0 && number < 0x10000) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
  return static_cast<HRESULT>(number);
}

void Fill(VARIANT* out, const Result& result) {
  ::VariantInit(out);
  switch (result.type) {
    case Result::Type::kNone: return;
    case Result::Type::kBool:
      out->vt = VT_BOOL;
      out->boolVal = result.flag ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case Result::Type::kObject:
      out->vt = VT_DISPATCH;
      out->pdispVal = result.object;
      return;
    case Result::Type::kValue: break;
  }
  if (const auto* number = std::get_if<std::int32_t>(&result.value)) {
    out->vt = VT_I4;
    out->lVal = *number;
  } else if (const auto* real = std::get_if<double>(&result.value)) {
    out->vt = VT_R8;
    out->dblVal = *real;
  } else if (const auto* text = std::get_if<std::wstring>(&result.value)) {
    out->vt = VT_BSTR;
    out->bstrVal = ::SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
  } else {
    out->vt = VT_NULL;
  }
}

}  // namespace

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};

[[noreturn]] void RaiseClosed() {
  platform::Raise(3704, L"Operation is not allowed when the object is closed.");
}
[[noreturn]] void RaiseOpen() {
  platform::Raise(3705, L"Operation is not allowed when the object is open.");
}
[[noreturn]] void RaiseBadArguments() {
  platform::Raise(3001,
                  L"Arguments are of the wrong type, are out of acceptable range, or are in "
                  L"conflict with one another.");
}
[[noreturn]] void RaiseNotInCollection() {
  platform::Raise(3265,
                  L"Item cannot be found in the collection corresponding to the requested name or "
                  L"ordinal.");
}

Arguments::Arguments(const DISPPARAMS& parameters) {
  for (UINT i = parameters.cArgs; i > 0; --i) {
    const VARIANT* value = &parameters.rgvarg[i - 1];
    if (value->vt == (VT_VARIANT | VT_BYREF) && value->pvarVal != nullptr) value = value->pvarVal;
    values_.push_back(value);
  }
}

// A required argument the caller left out: the members the programs use have no property that
// could stand in for it, so ADO would find its arguments in conflict.
const VARIANT& Arguments::At(std::size_t index) const {
  if (index >= values_.size()) RaiseBadArguments();
  return *values_[index];
}

bool Arguments::Missing(std::size_t index) const {
  return index >= values_.size() ||
         (At(index).vt == VT_ERROR && At(index).scode == DISP_E_PARAMNOTFOUND);
}

bool Arguments::IsText(std::size_t index) const {
  return index < values_.size() &&
         (At(index).vt == VT_BSTR || At(index).vt == (VT_BSTR | VT_BYREF));
}

std::wstring Arguments::Text(std::size_t index) const {
  const VARIANT& value = At(index);
  if (!IsText(index)) throw WrongType{Position(index)};
  const BSTR text = value.vt == VT_BSTR ? value.bstrVal : *value.pbstrVal;
  return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
}

std::int32_t Arguments::Number(std::size_t index) const {
  const VARIANT& value = At(index);
  switch (value.vt) {
    case VT_I2: return value.iVal;
    case VT_I4: return value.lVal;
    case VT_I2 | VT_BYREF: return *value.piVal;
    case VT_I4 | VT_BYREF: return *value.plVal;
    default: throw WrongType{Position(index)};
  }
}

platform::DbValue Arguments::Value(std::size_t index) const {
  const VARIANT& value = At(index);
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL: return std::monostate{};
    case VT_BOOL: return static_cast<std::int32_t>(value.boolVal);
    case VT_R8: return value.dblVal;
    case VT_BSTR:
    case VT_BSTR | VT_BYREF: return Text(index);
    default: return Number(index);
  }
}

AutomationObject::AutomationObject(const char* class_name, std::span<const Member> members)
    : class_name_(class_name), members_(members) {
  ++live_objects;
}

AutomationObject::~AutomationObject() {
  --live_objects;
}

HRESULT AutomationObject::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) return E_NOINTERFACE;
  *out = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG AutomationObject::AddRef() {
  return ++references_;
}

ULONG AutomationObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT AutomationObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 0;
  return S_OK;
}

HRESULT AutomationObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT AutomationObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                        DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (const Member& member : members_) {
    if (SameName(member.name, names[0])) ids[0] = member.id;
  }
  if (ids[0] == DISPID_UNKNOWN) {
    Record(std::string("unknown name\t") + class_name_ + "." + Utf8(names[0] ? names[0] : L""));
    return DISP_E_UNKNOWNNAME;
  }
  // None of the members the programs reach has named parameters.
  return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

const Member* AutomationObject::Find(DISPID id) const {
  for (const Member& member : members_) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

HRESULT AutomationObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* parameters,
                                 VARIANT* result, EXCEPINFO* exception, UINT* wrong_argument) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const Member* member = Find(id);
  if (member == nullptr || parameters == nullptr) return DISP_E_MEMBERNOTFOUND;
  const std::string name = std::string(class_name_) + "." + Utf8(member->name);
  const auto refuse = [&](HRESULT code, const char* why) {
    Record("refused\t" + name + "\t" + why);
    return code;
  };
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put) {
    if (member->kind != Kind::kGetPut || flags != DISPATCH_PROPERTYPUT) {
      return refuse(DISP_E_MEMBERNOTFOUND, "not a property to put");
    }
    if (parameters->cNamedArgs != 1 || parameters->rgdispidNamedArgs == nullptr ||
        parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return refuse(DISP_E_PARAMNOTOPTIONAL, "put without its DISPID_PROPERTYPUT value");
    }
    if (parameters->cArgs != 1) return refuse(DISP_E_BADPARAMCOUNT, "put with an index");
  } else {
    const WORD needed = member->kind == Kind::kMethod ? DISPATCH_METHOD : DISPATCH_PROPERTYGET;
    if ((flags & needed) == 0) {
      return refuse(DISP_E_MEMBERNOTFOUND,
                    member->kind == Kind::kMethod ? "a method not called" : "a property not read");
    }
    if (parameters->cNamedArgs != 0) return refuse(DISP_E_NONAMEDARGS, "named arguments");
    if (parameters->cArgs < member->min_arguments || parameters->cArgs > member->max_arguments) {
      return refuse(DISP_E_BADPARAMCOUNT,
                    ("with " + std::to_string(parameters->cArgs) + " argument(s)").c_str());
    }
  }
  const Arguments arguments(*parameters);
  try {
    if (put) {
      Put(id, arguments);
      RecordStatements();
      return S_OK;
    }
    const Result answer = Get(id, arguments);
    RecordStatements();
    if (result != nullptr) {
      Fill(result, answer);
    } else if (answer.type == Result::Type::kObject) {
      answer.object->Release();  // the caller wants no result
    }
    return S_OK;
  } catch (const WrongType& wrong) {
    if (wrong_argument != nullptr) *wrong_argument = wrong.position;
    return refuse(DISP_E_TYPEMISMATCH,
                  ("argument " + std::to_string(wrong.position) + " of the wrong type").c_str());
  } catch (const platform::RuntimeError& error) {
    RecordStatements();
    Record("raised\t" + name + "\t" + std::to_string(error.number()) + "\t" +
           Utf8(error.description()));
    if (exception == nullptr) return CodeOf(error.number());
    *exception = EXCEPINFO{};
    const std::wstring source(class_name_, class_name_ + std::strlen(class_name_));
    exception->bstrSource = ::SysAllocString(source.c_str());
    exception->bstrDescription = ::SysAllocString(error.description().c_str());
    exception->scode = CodeOf(error.number());
    return DISP_E_EXCEPTION;
  }
}

void AutomationObject::Put(DISPID, const Arguments&) {
  RaiseBadArguments();
}

}  // namespace ado_standin
