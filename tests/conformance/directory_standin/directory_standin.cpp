// A stand-in for the product's directory server under Wine, where none is installed. Registered
// under the manager's class name, it answers the members Dirscrub calls at their vtable slots
// and runs them on the simulated directory the native tests use, laid out from the file the
// test names under HKLM\Software\VelmarTests\DirectoryStandIn (LayoutFile). Every call, every
// refusal and every object never released goes to RecordFile.
#include <ole2.h>
#include <windows.h>

#include <memory>
#include <stdexcept>

#include "platform/error.h"
#include "platform/sim/server.h"
#include "platform/sim/sim_directory_objects.h"
#include "platform/text.h"
#include "tests/conformance/directory_standin/standin.h"
#include "tests/conformance/standin_server.h"
#include "tests/e2e/programs/pellet/standin_record.h"
#include "tests/support/directory_layout.h"

namespace directory_standin {

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\VelmarTests\\DirectoryStandIn";
// The stand-in's own class identifier, which the manager's class name leads to.
constexpr CLSID kManagerClsid = {
    0xffe1631d, 0x9e86, 0x4fa7, {0x8f, 0xc9, 0x1c, 0xb8, 0x09, 0x53, 0x46, 0x6c}};

std::wstring Setting(const wchar_t* name) {
  return pellet_bench::RegistryText(HKEY_LOCAL_MACHINE, kSettingsKey, name);
}

struct Machine {
  explicit Machine(const std::string& layout_text) : layout(layout_text) {
    directory_layout::Apply(server.doh, platform::WideFromUtf8(layout));
  }
  std::string layout;
  platform::sim::Server server;
  platform::sim::SimDirectoryObjects objects{server};
  std::size_t recorded = 0;  // calls already in the record
};

std::unique_ptr<Machine>& Current() {
  static std::unique_ptr<Machine> machine;
  return machine;
}

// Makes the manager over the machine laid out now; a machine without a directory server
// refuses, as creation does where none is installed.
HRESULT MakeManager(IDispatch** created) {
  RefreshWhenIdle();
  Record("create\tDohManager");
  std::unique_ptr<platform::doh::DohManager> manager;
  try {
    manager = CreateManager();
  } catch (const platform::RuntimeError& error) {
    Record("refused\tcreate\t" + pellet_bench::Hex(static_cast<unsigned long>(error.number())));
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  *created = NewManager(std::move(manager));
  return S_OK;
}

standin_server::Counts Counts() {
  return {live_objects, server_locks, Record, {}};
}

}  // namespace

void Record(const std::string& line) {
  const std::wstring path = Setting(L"RecordFile");
  if (!path.empty()) pellet_bench::AppendRecord(path.c_str(), line);
}

void HoldIfAsked() {
  static int removals = 0;
  const std::wstring held = Setting(L"HoldRemoval");
  if (held.empty() || std::to_wstring(++removals) != held) return;
  const std::wstring release = Setting(L"ReleaseFile");
  Record("held\tRemoveCustomProperties " + std::to_string(removals));
  const DWORD started = ::GetTickCount();
  while (::GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (::GetTickCount() - started > 120'000) {
      Record("hold timed out");
      return;
    }
    ::Sleep(50);  // another process decides; nothing here to wait on
  }
  Record("let go\tRemoveCustomProperties " + std::to_string(removals));
}

void RefreshWhenIdle() {
  if (live_objects != 0) return;
  const std::string layout = pellet_bench::ReadWholeFile(Setting(L"LayoutFile"));
  auto& machine = Current();
  if (machine && machine->layout == layout) return;
  try {
    machine = std::make_unique<Machine>(layout);
    Record(machine->server.doh.registered ? "machine laid out" : "machine without directory");
  } catch (const std::exception& error) {
    machine = std::make_unique<Machine>(std::string());
    Record(std::string("lay-out refused\t") + error.what());
  }
}

std::unique_ptr<platform::doh::DohManager> CreateManager() {
  auto& machine = Current();
  if (!machine) RefreshWhenIdle();
  return machine->objects.CreateDohManager(platform::sim::kDohProgId);
}

void RecordEffects() {
  auto& machine = Current();
  if (!machine) return;
  for (const auto& line : directory_layout::CallLines(machine->server.doh, machine->recorded)) {
    Record("done\t" + line);
  }
  machine->recorded = machine->server.doh.calls.size();
}

}  // namespace directory_standin

using directory_standin::live_objects;
using directory_standin::server_locks;

extern "C" {

__declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, directory_standin::kManagerClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return standin_server::GetFactory(directory_standin::MakeManager, server_locks, riid, out);
}

// Asked by COM before it unloads the library: every object handed out must be back by then.
__declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return standin_server::CanUnloadNow(directory_standin::Counts());
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr) {
    standin_server::RecordAtExit(directory_standin::Counts());
  }
  return TRUE;
}

}  // extern "C"
