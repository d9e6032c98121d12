// Bench stand-in for the product's gateway server (pelletgateway.exe): a local COM server of the
// gateway class whose get_LastStatus answers the status the test chose and whose shut-down member
// answers the HRESULT the test chose, recording each call in order. The files it reads and writes
// lie in its folder of settings, C:\bench unless the registration named another:
//   gateway-status.txt    the status get_LastStatus answers, in decimal; 64 when absent
//   gateway-shutdown.txt  the HRESULT the shut-down answers (0x... or decimal); S_OK when absent
//   gateway-calls.txt     the record: "created", "get_LastStatus -> N", "Shutdown -> 0x%08lx",
//                         "released", and "unexpected call of NAME" for a member never meant to
//                         be called
// Each server process serves one client (COM starts another for the next) and ends when that
// client has released everything it was handed, so it lives exactly as long as its client holds
// the gateway.
#include <windows.h>

// After windows.h, which they need.
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/programs/pellet/standin_record.h"

namespace {

// The class and interface the setup asks for; the type library is the bench's own.
constexpr CLSID kClass = {
    0x60EB7702, 0x6A7A, 0x11D1, {0x80, 0x29, 0x00, 0xC0, 0x4F, 0xAD, 0x61, 0x0B}};
constexpr IID kInterface = {
    0x1461F2E1, 0x6A76, 0x11D1, {0x80, 0x29, 0x00, 0xC0, 0x4F, 0xAD, 0x61, 0x0B}};
constexpr GUID kLibrary = {
    0x3C1D0B6A, 0x52E4, 0x4F0B, {0x9A, 0x61, 0x7E, 0x2B, 0x0C, 0x44, 0x18, 0xD5}};
constexpr wchar_t kClassKey[] = L"CLSID\\{60EB7702-6A7A-11D1-8029-00C04FAD610B}\\LocalServer32";

constexpr wchar_t kDefaultFolder[] = L"C:\\bench";
// A client COM started the server for but which never asks for the object (it gave up) does not
// keep the server for ever; once an object is out, only its release ends the server.
constexpr DWORD kFirstClientLimitMs = 30000;

std::wstring settings_folder = kDefaultFolder;
HANDLE released_event = nullptr;
LONG live_objects = 0;

std::wstring InFolder(const wchar_t* name) {
  return settings_folder + L"\\" + name;
}

void Record(const std::string& line) {
  pellet_bench::AppendRecord(InFolder(L"gateway-calls.txt").c_str(), line);
}

// The number in the file (decimal, or hexadecimal after "0x"), or the fallback without one.
unsigned long ChosenNumber(const wchar_t* name, unsigned long fallback) {
  char text[32] = {};
  HANDLE file = ::CreateFileW(InFolder(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return fallback;
  DWORD got = 0;
  ::ReadFile(file, text, sizeof text - 1, &got, nullptr);
  ::CloseHandle(file);
  return std::strtoul(text, nullptr, 0);
}

// The gateway's dual interface as its vtable lays it out: IDispatch, three members of which only
// the second (the shut-down) is ever called, then get_LastStatus.
struct GatewayInterface : public IDispatch {
  STDMETHOD(Reserved1)() = 0;
  STDMETHOD(Shutdown)() = 0;
  STDMETHOD(Reserved3)() = 0;
  STDMETHOD(get_LastStatus)(LONG* status) = 0;
};

class Gateway final : public GatewayInterface {
 public:
  Gateway() { ::InterlockedIncrement(&live_objects); }
  Gateway(const Gateway&) = delete;
  Gateway& operator=(const Gateway&) = delete;
  virtual ~Gateway() {
    if (::InterlockedDecrement(&live_objects) == 0) ::SetEvent(released_event);
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != kInterface) return E_NOINTERFACE;
    *object = static_cast<GatewayInterface*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
  }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) {
      Record("released");
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Reserved1() override { return Unexpected("Reserved1"); }
  STDMETHODIMP Shutdown() override {
    const auto result = static_cast<HRESULT>(ChosenNumber(L"gateway-shutdown.txt", S_OK));
    Record("Shutdown -> " + pellet_bench::Hex(static_cast<unsigned long>(result)));
    return result;
  }
  STDMETHODIMP Reserved3() override { return Unexpected("Reserved3"); }
  STDMETHODIMP get_LastStatus(LONG* status) override {
    *status = static_cast<LONG>(ChosenNumber(L"gateway-status.txt", 64));
    Record("get_LastStatus -> " + std::to_string(*status));
    return S_OK;
  }

 private:
  static HRESULT Unexpected(const char* member) {
    Record(std::string("unexpected call of ") + member);
    return E_NOTIMPL;
  }
  LONG references_ = 1;
};

class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives for the whole process
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* gateway = new Gateway;
    const HRESULT hr = gateway->QueryInterface(iid, object);
    Record(SUCCEEDED(hr) ? "created" : "creation refused");
    gateway->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

// Owns one COM interface reference.
template <typename Interface>
class Ref {
 public:
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  Interface** out() { return &pointer_; }
  Interface* operator->() const { return pointer_; }
  Interface* get() const { return pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

// Writes one member's description into the type being built, at vtable slot 7 + index.
HRESULT AddMember(ICreateTypeInfo* type, UINT index, const wchar_t* name, bool status_getter) {
  TYPEDESC long_type{};
  long_type.vt = VT_I4;
  ELEMDESC out_status{};
  out_status.tdesc.vt = VT_PTR;
  out_status.tdesc.lptdesc = &long_type;
  out_status.paramdesc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
  FUNCDESC member{};
  member.memid = static_cast<MEMBERID>(0x60020000 + index);
  member.funckind = FUNC_PUREVIRTUAL;
  member.invkind = status_getter ? INVOKE_PROPERTYGET : INVOKE_FUNC;
  member.callconv = CC_STDCALL;
  member.cParams = status_getter ? 1 : 0;
  member.lprgelemdescParam = status_getter ? &out_status : nullptr;
  member.elemdescFunc.tdesc.vt = VT_HRESULT;
  member.oVft = static_cast<SHORT>((7 + index) * sizeof(void*));
  HRESULT hr = type->AddFuncDesc(index, &member);
  if (FAILED(hr)) return hr;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  return type->SetFuncAndParamNames(index, names, 1);
}

// The interface as a dual interface deriving from IDispatch, so that the system's automation
// marshaler can carry its calls between the setup and this server.
HRESULT DescribeInterface(ICreateTypeLib2* library) {
  Ref<ICreateTypeInfo> type;
  HRESULT hr =
      library->CreateTypeInfo(const_cast<LPOLESTR>(L"IZqKtGateway"), TKIND_INTERFACE, type.out());
  if (FAILED(hr)) return hr;
  Ref<ITypeLib> standard;
  Ref<ITypeInfo> dispatch;
  HREFTYPE dispatch_ref = 0;
  if (FAILED(hr = type->SetGuid(kInterface)) ||
      FAILED(hr = type->SetTypeFlags(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)) ||
      FAILED(hr = ::LoadTypeLib(L"stdole2.tlb", standard.out())) ||
      FAILED(hr = standard->GetTypeInfoOfGuid(IID_IDispatch, dispatch.out())) ||
      FAILED(hr = type->AddRefTypeInfo(dispatch.get(), &dispatch_ref)) ||
      FAILED(hr = type->AddImplType(0, dispatch_ref))) {
    return hr;
  }
  const wchar_t* const names[] = {L"Reserved1", L"Shutdown", L"Reserved3", L"LastStatus"};
  for (UINT i = 0; i < 4; ++i) {
    if (FAILED(hr = AddMember(type.get(), i, names[i], i == 3))) return hr;
  }
  return type->LayOut();
}

HRESULT WriteTypeLibrary(const std::wstring& path) {
  Ref<ICreateTypeLib2> library;
  HRESULT hr = ::CreateTypeLib2(SYS_WIN32, path.c_str(), library.out());
  if (FAILED(hr) || FAILED(hr = library->SetGuid(kLibrary)) ||
      FAILED(hr = library->SetVersion(1, 0)) ||
      FAILED(hr = library->SetName(const_cast<LPOLESTR>(L"PelletBenchGateway"))) ||
      FAILED(hr = DescribeInterface(library.get()))) {
    return hr;
  }
  return library->SaveAllChanges();
}

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, length);
}

// COM starts the server with this command line and " -Embedding" after it.
HRESULT RegisterClassServer(const std::wstring& exe, const std::wstring& folder) {
  HKEY key = nullptr;
  LONG status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, kClassKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  std::wstring command = L"\"" + exe + L"\"";
  if (!folder.empty()) command += L" \"" + folder + L"\"";
  status = ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                            static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return HRESULT_FROM_WIN32(status);
}

// /regserver [FOLDER]: the type library beside the program, registered, and the class's server
// entry, which names the folder of settings when one is given.
int RegisterServer(const std::wstring& folder) {
  const std::wstring exe = OwnPath();
  std::wstring tlb = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"pelletgateway.tlb";
  HRESULT hr = WriteTypeLibrary(tlb);
  Ref<ITypeLib> library;
  if (SUCCEEDED(hr)) hr = ::LoadTypeLibEx(tlb.c_str(), REGKIND_NONE, library.out());
  if (SUCCEEDED(hr)) hr = ::RegisterTypeLib(library.get(), tlb.data(), nullptr);
  if (SUCCEEDED(hr)) hr = RegisterClassServer(exe, folder);
  std::printf(SUCCEEDED(hr) ? "registered\n" : "registration failed: 0x%08lx\n",
              static_cast<unsigned long>(hr));
  return SUCCEEDED(hr) ? 0 : 1;
}

// Started by COM: serves one client and ends once every object it was handed is released.
int Serve() {
  Factory factory;
  DWORD cookie = 0;
  released_event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (released_event == nullptr) return 1;
  HRESULT hr =
      ::CoRegisterClassObject(kClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie);
  if (SUCCEEDED(hr)) {
    if (::WaitForSingleObject(released_event, kFirstClientLimitMs) == WAIT_TIMEOUT &&
        ::InterlockedCompareExchange(&live_objects, 0, 0) > 0) {
      ::WaitForSingleObject(released_event, INFINITE);
    }
    ::CoRevokeClassObject(cookie);
  }
  ::CloseHandle(released_event);
  return SUCCEEDED(hr) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  const std::wstring last = argc > 1 ? argv[argc - 1] : L"";
  int result = 2;
  if (verb == L"/regserver" && argc <= 3) {
    result = RegisterServer(argc == 3 ? argv[2] : L"");
  } else if ((last == L"-Embedding" || last == L"/Embedding") && argc <= 3) {
    if (argc == 3) settings_folder = argv[1];
    result = Serve();
  } else {
    std::fprintf(stderr,
                 "usage: pelletgateway /regserver [SETTINGS_FOLDER] (COM starts it with "
                 "-Embedding)\n");
  }
  ::CoUninitialize();
  return result;
}
