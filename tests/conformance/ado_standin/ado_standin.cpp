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
#include "tests/conformance/standin_server.h"

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

// Makes the class's object over the machine laid out now, and records that the stand-in made it.
standin_server::Maker MakerOf(const ClassRow& row) {
  return [&row](IDispatch** created) {
    ado_standin::RefreshWhenIdle();
    ado_standin::Record(std::string("create\t") + row.prog_id);
    *created = ado_standin::NewObject(row.kind);
    return S_OK;
  };
}

standin_server::Counts Counts() {
  return {ado_standin::live_objects, ado_standin::server_locks, ado_standin::Record,
          ado_standin::RecordState};
}

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (const ClassRow& row : kClasses) {
    if (IsEqualCLSID(clsid, row.clsid)) {
      return standin_server::GetFactory(MakerOf(row), ado_standin::server_locks, riid, out);
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

// Asked by COM before it unloads the library: every object handed out must be back by then.
__declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return standin_server::CanUnloadNow(Counts());
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr) standin_server::RecordAtExit(Counts());
  return TRUE;
}

}  // extern "C"
