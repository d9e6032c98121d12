// An IIS administration provider for the conformance suite under Wine, which has none. ADSI finds
// a provider by the path's prefix under HKLM\Software\Microsoft\ADs\Providers, creates its ProgID
// in process, asks it for IADsOpenDSObject and calls OpenDSObject(path, user, password, flags);
// the object that returns answers Delete(class, name) and Path through IDispatch by name, as the
// metabase's objects do, and refuses every other way of calling them.
//
// The machine it shows is read from a state file the test writes, on every call (a Delete writes
// it back), so it outlives the library being unloaded between binds. Every call is appended to a
// record file the test reads back, and DllCanUnloadNow (or the process's end) records the objects
// never released. Both files are named by the values StateFile and CallsFile of the class's own
// registry key.
#include <oaidl.h>
#include <ole2.h>
#include <windows.h>

#include <atomic>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/programs/pellet/standin_record.h"

namespace {

using pellet_bench::Hex;
using pellet_bench::Narrow;

// IADsOpenDSObject: IDispatch, then OpenDSObject at the first slot after IDispatch's four.
const IID kIidOpenDsObject = {
    0xddf2891e, 0x0f9c, 0x11d0, {0x8a, 0xd4, 0x00, 0xc0, 0x4f, 0xd8, 0xd5, 0x03}};
struct IOpenDsObject : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OpenDSObject(BSTR path, BSTR user, BSTR password, LONG flags,
                                                 IDispatch** object) = 0;
};

// The stand-in's own class; the test registers it under this CLSID.
const CLSID kClsid = {0x106666bb, 0x71b5, 0x4143, {0x97, 0x2c, 0x21, 0x30, 0x3d, 0x62, 0x90, 0xe4}};
constexpr wchar_t kClassKey[] = L"CLSID\\{106666BB-71B5-4143-972C-21303D6290E4}";

// What the metabase answers for a path or child that is not there (ERROR_PATH_NOT_FOUND as an
// HRESULT), and ADSI for a property the object does not have (E_ADS_PROPERTY_NOT_FOUND).
constexpr HRESULT kPathNotFound = static_cast<HRESULT>(0x80070003);
constexpr HRESULT kPropertyNotFound = static_cast<HRESULT>(0x8000500D);
constexpr wchar_t kLocalHost[] = L"IIS://LocalHost/";

constexpr DISPID kDeleteId = 1;
constexpr DISPID kPathId = 2;

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};

std::wstring Setting(const wchar_t* name) {
  return pellet_bench::RegistryText(HKEY_CLASSES_ROOT, kClassKey, name);
}

void Record(const std::string& line) {
  pellet_bench::AppendRecord(Setting(L"CallsFile").c_str(), line);
}

// The state: one line per entry, fields split by tabs, UTF-8.
//   object <TAB> W3SVC/1/ROOT [<TAB> its Path]
//   child <TAB> W3SVC/1/ROOT <TAB> IIsWebVirtualDir <TAB> name
using State = std::vector<std::vector<std::wstring>>;

State ReadState() {
  State state;
  const HANDLE file = ::CreateFileW(Setting(L"StateFile").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return state;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  ::CloseHandle(file);
  std::wstring text(bytes.size(), L'\0');
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                           text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    start = end + 1;
    if (line.empty()) continue;
    std::vector<std::wstring> fields;
    std::size_t from = 0;
    for (std::size_t tab; (tab = line.find(L'\t', from)) != std::wstring::npos; from = tab + 1) {
      fields.push_back(line.substr(from, tab - from));
    }
    fields.push_back(line.substr(from));
    state.push_back(std::move(fields));
  }
  return state;
}

void WriteState(const State& state) {
  std::wstring text;
  for (const auto& fields : state) {
    for (std::size_t i = 0; i < fields.size(); ++i) text += (i ? L"\t" : L"") + fields[i];
    text += L"\r\n";
  }
  std::string bytes(text.size() * 3, '\0');
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  const HANDLE file = ::CreateFileW(Setting(L"StateFile").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

bool Same(const std::wstring& a, const wchar_t* b) {
  return ::_wcsicmp(a.c_str(), b ? b : L"") == 0;
}

// The object line of a path below IIS://LocalHost/, or nothing.
const std::vector<std::wstring>* FindObject(const State& state, const std::wstring& relative) {
  for (const auto& fields : state) {
    if (fields.size() >= 2 && fields[0] == L"object" && Same(fields[1], relative.c_str())) {
      return &fields;
    }
  }
  return nullptr;
}

std::string Text(const VARIANT& value) {
  return Narrow(value.bstrVal ? value.bstrVal : L"");
}

// A failure as a dual interface reports one from Invoke: DISP_E_EXCEPTION with the HRESULT and
// its text in the EXCEPINFO.
HRESULT Fail(EXCEPINFO* exception, HRESULT code, const wchar_t* text) {
  if (exception == nullptr) return code;
  *exception = EXCEPINFO{};
  exception->bstrSource = ::SysAllocString(L"Active Directory");
  exception->bstrDescription = ::SysAllocString(text);
  exception->scode = code;
  return DISP_E_EXCEPTION;
}

// Reference counting and the count of live objects every handed-out object shares.
template <class Interface>
class Counted : public Interface {
 public:
  Counted() { ++live_objects; }
  virtual ~Counted() { --live_objects; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  HRESULT Give(void** out) {
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }

 private:
  std::atomic<ULONG> references_{1};
};

// IDispatch members an object without a type library answers the same way.
template <class Interface>
class NoTypeInfo : public Counted<Interface> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
};

// An object bound by its path: Delete(class, name) of a child, and the Path property.
class BoundObject final : public NoTypeInfo<IDispatch> {
 public:
  explicit BoundObject(std::wstring relative) : relative_(std::move(relative)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) return Give(out);
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    // Member names ignore case, as ADSI's do; neither member has named parameters.
    HRESULT result = S_OK;
    ids[0] = Same(L"Delete", names[0]) ? kDeleteId
             : Same(L"Path", names[0]) ? kPathId
                                       : DISPID_UNKNOWN;
    if (ids[0] == DISPID_UNKNOWN) {
      Record("unknown name " + Narrow(names[0]));
      result = DISP_E_UNKNOWNNAME;
    }
    for (UINT i = 1; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      result = DISP_E_UNKNOWNNAME;
    }
    return result;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (parameters == nullptr) return E_INVALIDARG;
    if (id == kDeleteId) return Delete(flags, *parameters, exception, argument_error);
    if (id == kPathId) return GetPath(flags, *parameters, result, exception);
    Record("unknown member " + std::to_string(id));
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  static HRESULT Refuse(const std::string& what, HRESULT code) {
    Record(what + " refused " + Hex(static_cast<unsigned long>(code)));
    return code;
  }

  // A method: called with DISPATCH_METHOD (a caller that also wants a value adds PROPERTYGET),
  // exactly two strings, the class first (Automation passes them last first).
  HRESULT Delete(WORD flags, const DISPPARAMS& parameters, EXCEPINFO* exception,
                 UINT* argument_error) {
    if (!(flags & DISPATCH_METHOD) || (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) {
      return Refuse("Delete flags " + Hex(flags), DISP_E_MEMBERNOTFOUND);
    }
    if (parameters.cNamedArgs != 0) return Refuse("Delete named arguments", DISP_E_NONAMEDARGS);
    if (parameters.cArgs != 2) {
      return Refuse("Delete with " + std::to_string(parameters.cArgs) + " arguments",
                    DISP_E_BADPARAMCOUNT);
    }
    for (UINT i = 0; i < 2; ++i) {
      if (parameters.rgvarg[i].vt != VT_BSTR) {
        if (argument_error) *argument_error = i;
        return Refuse("Delete argument type " + std::to_string(parameters.rgvarg[i].vt),
                      DISP_E_TYPEMISMATCH);
      }
    }
    const VARIANT& child_class = parameters.rgvarg[1];
    const VARIANT& name = parameters.rgvarg[0];
    const std::string call = "Delete " + Text(child_class) + " " + Text(name);
    State state = ReadState();
    for (auto it = state.begin(); it != state.end(); ++it) {
      const auto& fields = *it;
      if (fields.size() == 4 && fields[0] == L"child" && Same(fields[1], relative_.c_str()) &&
          Same(fields[2], child_class.bstrVal) && Same(fields[3], name.bstrVal)) {
        state.erase(it);
        WriteState(state);
        Record(call);
        return S_OK;
      }
    }
    Record(call + " refused " + Hex(static_cast<unsigned long>(kPathNotFound)));
    return Fail(exception, kPathNotFound, L"The system cannot find the path specified.");
  }

  // A property read: PROPERTYGET (with METHOD, as Automation clients send it), no arguments.
  HRESULT GetPath(WORD flags, const DISPPARAMS& parameters, VARIANT* result, EXCEPINFO* exception) {
    if (!(flags & DISPATCH_PROPERTYGET) ||
        (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) {
      return Refuse("Path flags " + Hex(flags), DISP_E_MEMBERNOTFOUND);
    }
    if (parameters.cNamedArgs != 0) return Refuse("Path named arguments", DISP_E_NONAMEDARGS);
    if (parameters.cArgs != 0) {
      return Refuse("Path with " + std::to_string(parameters.cArgs) + " arguments",
                    DISP_E_BADPARAMCOUNT);
    }
    const State state = ReadState();
    const auto* object = FindObject(state, relative_);
    if (object == nullptr || object->size() < 3) {
      Record("Path refused " + Hex(static_cast<unsigned long>(kPropertyNotFound)));
      return Fail(exception, kPropertyNotFound,
                  L"The directory property cannot be found in the cache.");
    }
    Record("Path");
    if (result != nullptr) {
      ::VariantInit(result);
      result->vt = VT_BSTR;
      result->bstrVal = ::SysAllocString((*object)[2].c_str());
    }
    return S_OK;
  }

  std::wstring relative_;  // the path below IIS://LocalHost/
};

// The provider's namespace object: OpenDSObject binds a path; nothing else answers by name.
class Namespace final : public NoTypeInfo<IOpenDsObject> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIidOpenDsObject)) {
      return Give(out);
    }
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

  HRESULT STDMETHODCALLTYPE OpenDSObject(BSTR path, BSTR, BSTR, LONG, IDispatch** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    const std::wstring given = path ? path : L"";
    const std::size_t prefix = std::size(kLocalHost) - 1;
    const std::wstring relative = given.size() > prefix ? given.substr(prefix) : L"";
    const bool known = given.size() > prefix &&
                       ::_wcsnicmp(given.c_str(), kLocalHost, prefix) == 0 &&
                       FindObject(ReadState(), relative) != nullptr;
    if (!known) {
      Record("bind " + Narrow(given.c_str()) + " refused " +
             Hex(static_cast<unsigned long>(kPathNotFound)));
      return kPathNotFound;
    }
    Record("bind " + Narrow(given.c_str()));
    *object = new BoundObject(relative);
    return S_OK;
  }
};

class Factory final : public Counted<IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) return Give(out);
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    Namespace* created = new Namespace;
    const HRESULT result = created->QueryInterface(riid, out);
    created->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    server_locks += lock ? 1 : -1;
    return S_OK;
  }
};

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  Factory* factory = new Factory;
  const HRESULT result = factory->QueryInterface(riid, out);
  factory->Release();
  return result;
}

// Asked by COM before it unloads the library: every object handed out must be back by then.
__declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  const long live = live_objects;
  if (live == 0 && server_locks == 0) {
    Record("released");
    return S_OK;
  }
  Record("unreleased " + std::to_string(live));
  return S_FALSE;
}

// A program that ends without COM asking DllCanUnloadNow (one that never calls CoUninitialize)
// still leaves its count: at the process's end (reserved set) the library records it too.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_DETACH && live_objects != 0) {
    Record("unreleased " + std::to_string(live_objects.load()) + " at exit");
  } else if (reason == DLL_PROCESS_DETACH && reserved != nullptr) {
    Record(server_locks == 0 ? "released at exit" : "unreleased locks at exit");
  }
  return TRUE;
}

}  // extern "C"
