// A stand-in for ADO under Wine, whose own ADO has no type library and so answers no call by
// name. Registered under ADO's class identifiers in the 32-bit view, it answers the members the
// programs use through IDispatch by name, holds them to ADO's rules, and runs their statements
// on the simulated SQL Server the native tests use. Every object made, every connection text,
// statement and refusal is recorded, and so is every object never released.
#include <oaidl.h>
#include <ole2.h>
#include <windows.h>

#include "tests/conformance/ado_standin/ado_objects.h"
#include "tests/conformance/ado_standin/automation.h"
#include "tests/conformance/ado_standin/machine.h"

namespace {

using ado_standin::AdoClass;

struct ClassRow {
  CLSID clsid;
  AdoClass kind;
  const char* prog_id;
};

// ADO's own class identifiers ({0000051x-0000-0010-8000-00AA006D2EA4}).
constexpr ClassRow kClasses[] = {
    {{0x00000514, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}},
     AdoClass::kConnection,
     "ADODB.Connection"},
    {{0x00000535, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}},
     AdoClass::kRecordset,
     "ADODB.Recordset"},
    {{0x00000507, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x6d, 0x2e, 0xa4}},
     AdoClass::kCommand,
     "ADODB.Command"},
};

class Factory final : public IClassFactory {
 public:
  explicit Factory(const ClassRow& row) : row_(row) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    ado_standin::RefreshWhenIdle();
    ado_standin::Record(std::string("create\t") + row_.prog_id);
    IDispatch* created = ado_standin::NewObject(row_.kind);
    const HRESULT result = created->QueryInterface(riid, out);
    created->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    ado_standin::server_locks += lock ? 1 : -1;
    return S_OK;
  }

 private:
  const ClassRow& row_;
  std::atomic<ULONG> references_{1};
};

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (const ClassRow& row : kClasses) {
    if (!IsEqualCLSID(clsid, row.clsid)) continue;
    Factory* factory = new Factory(row);
    const HRESULT result = factory->QueryInterface(riid, out);
    factory->Release();
    return result;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

// Asked by COM before it unloads the library: every object handed out must be back by then.
__declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  const long live = ado_standin::live_objects;
  if (live == 0 && ado_standin::server_locks == 0) {
    ado_standin::RecordState();
    ado_standin::Record("released");
    return S_OK;
  }
  ado_standin::Record("unreleased\t" + std::to_string(live));
  return S_FALSE;
}

// A program that ends without COM asking DllCanUnloadNow still leaves its count: at the
// process's end (reserved set) the library records it too.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
  if (reason != DLL_PROCESS_DETACH || reserved == nullptr) return TRUE;
  if (ado_standin::live_objects != 0) {
    ado_standin::Record("unreleased\t" + std::to_string(ado_standin::live_objects.load()) +
                        "\tat exit");
  } else {
    ado_standin::RecordState();
    ado_standin::Record(ado_standin::server_locks == 0 ? "released at exit"
                                                       : "unreleased locks at exit");
  }
  return TRUE;
}

}  // extern "C"
