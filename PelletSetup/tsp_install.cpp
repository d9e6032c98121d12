// The TSP install procedure: confirmation, the earlier package's removal, the eight copies, the
// companion libraries' registration, then the driver, the registry values and the event log.
#include "PelletSetup/tsp_install.h"

#include <array>
#include <memory>
#include <string_view>

#include "PelletSetup/tsp_common.h"

namespace pellet {

namespace {

constexpr std::wstring_view kEarlierPackage =
    L"MsiExec.exe /qn /X{905541FE-B005-49BF-898D-17D6D9CA01E6}";

// One file copied into the system folder; the source is relative to the program's folder, in
// the TSP language's sub-folder when `in_language` is set.
struct CopyRow {
  std::wstring_view source;
  std::wstring_view target;  // below the system folder
  bool in_language;
};

constexpr std::array<CopyRow, 8> kCopies{{
    {L".\\System32\\ZqAudio32.dll", L"\\ZqAudio32.dll", false},
    {L"System32\\ZqSilenceMonitor.dll", L"\\ZqSilenceMonitor.dll", false},
    {L"System32\\ZqPellet.tsp", L"\\ZqPellet.tsp", false},
    {L"\\ZqPelletRes.dll", L"\\ZqPelletRes.dll", true},
    {L"System32\\DravexNTWave.dll", L"\\DravexNTWave.dll", false},
    {L"\\BrannockVelmar_Tsp.dll", L"\\BrannockVelmar_Tsp.dll", true},
    {L"System32\\drivers\\ZqAudio.sys", L"\\drivers\\ZqAudio.sys", false},
    {L"System32\\drivers\\ZqAudio.nt4", L"\\drivers\\ZqAudio.nt4", false},
}};

constexpr std::array<std::wstring_view, 2> kCompanions{L"ZqSilenceMonitor.dll",
                                                       L"DravexNTWave.dll"};

constexpr std::uint32_t kStyleError = platform::mb::kOk | platform::mb::kIconError;
constexpr std::uint32_t kStyleWarning = platform::mb::kOk | platform::mb::kIconWarning;

bool MayGoOn(SetupApp& app) {
  if (!app.verbose()) return true;
  if (app.Box(text::kConfirmInstall, text::kConfirmCaption,
              platform::mb::kOkCancel | platform::mb::kIconQuestion) == platform::mb::kIdCancel) {
    app.Trace(L"User selected to cancel Setup.  Bailing...\n");
    return false;
  }
  if (!IsVelmarRunning(app)) return true;
  app.Box(text::kProductRunning, text::kErrorCaption, kStyleError);
  app.Trace(L"Velmar is currently running.  Bailing...\n");
  return false;
}

void RemoveEarlierPackage(SetupApp& app) {
  platform::Status error = 0;
  const std::unique_ptr<platform::ChildProcess> msiexec = app.host().processes.StartImage(
      app.SystemFolder() + L"\\MsiExec.exe", kEarlierPackage, error);
  if (msiexec) {
    msiexec->Wait(platform::kInfinite);
  } else {
    app.Trace(L"CreateProcess(MsiExec) failed with 0x" + Hex(static_cast<std::uint32_t>(error)) +
              L"\n");
  }
  RenameDlls(app, true);
}

// Every copy is tried and every target made normal; false when any copy failed.
bool CopyFiles(SetupApp& app) {
  platform::FileCalls& files = app.host().file_calls;
  const std::wstring system = app.SystemFolder();
  bool copied_all = true;
  for (const CopyRow& row : kCopies) {
    const std::wstring source =
        row.in_language ? app.language + std::wstring(row.source) : std::wstring(row.source);
    const std::wstring target = system + std::wstring(row.target);
    if (!files.CopyTo(source, target, false)) {
      app.Trace(L"CopyFile to " + target + L" failed with 0x" +
                Hex(static_cast<std::uint32_t>(files.LastError())) + L"\n");
      copied_all = false;
    }
    files.PutAttributes(target, platform::attr::kNormal);
  }
  return copied_all;
}

// Calls the library's DllRegisterServer; a library whose registration failed stays loaded.
bool RegisterCompanion(SetupApp& app, std::wstring_view name) {
  platform::Libraries& libraries = app.host().libraries;
  const std::wstring path = app.SystemFolder() + L"\\" + std::wstring(name);
  static constexpr std::wstring_view kManually =
      L"You'll need to regsvr32 this dll manually for the TSP to work.\n";
  app.Trace(L"Calling DllRegisterServer in " + path + L"\n");
  platform::ScopedLibrary library(libraries, libraries.Load(path));
  if (library.get() == 0) {
    app.Trace(L"LoadLibrary " + path + L" failed with 0x" +
              Hex(static_cast<std::uint32_t>(libraries.LastError())) + L"!  " +
              std::wstring(kManually));
    return false;
  }
  const platform::ProcAddress proc = libraries.Find(library.get(), "DllRegisterServer");
  if (proc == 0) {
    app.Trace(L"Couldn't find the address of DllRegisterServer in " + path +
              L".  It failed with 0x" + Hex(static_cast<std::uint32_t>(libraries.LastError())) +
              L".  " + std::wstring(kManually));
    return false;
  }
  const std::int32_t result = libraries.CallRegisterServer(proc);
  if (result != 0) {
    app.Trace(L"DllRegisterServer in " + path + L" failed with 0x" +
              Hex(static_cast<std::uint32_t>(result)) + L"!  " + std::wstring(kManually));
    library.Leak();
    return false;
  }
  return true;
}

void SetDword(platform::Registry& registry, std::wstring_view path, std::wstring_view name,
              std::uint32_t value) {
  platform::RegKey key;
  if (key.OpenW(registry, platform::reg::kLocalMachine, path, platform::reg::kWrite) != 0) return;
  registry.SetValueW(key.get(), name, platform::reg::kDword,
                     reinterpret_cast<const std::uint8_t*>(&value), sizeof value);
}

void SetNetworkAndDriverValues(SetupApp& app) {
  platform::Registry& registry = app.host().registry;
  SetDword(registry, L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters",
           L"DisableUserTOSSetting", 0);
  if (ReadProductVersion(registry).major >= 4) {
    SetDword(registry, L"SYSTEM\\CurrentControlSet\\Services\\ZqAudio\\Parameters",
             L"ZQTDetectMethod", 3);
  }
}

}  // namespace

int InstallTsp(SetupApp& app) {
  app.Trace(L"Performing TSP installation\n");
  if (!MayGoOn(app)) return 0;
  RemoveEarlierPackage(app);
  if (!CopyFiles(app)) {
    app.Box(text::kSetupFailed, text::kErrorCaption, kStyleError);
    return 1;
  }
  bool registered = true;
  for (const std::wstring_view companion : kCompanions) {
    registered = RegisterCompanion(app, companion) && registered;
  }
  if (!registered) app.Box(text::kCompanionNotRegistered, text::kWarningCaption, kStyleWarning);
  InstallZqTsp(app);
  SetNetworkAndDriverValues(app);
  app.Trace(L"Calling RegMC\n");
  if (!RegMC(app)) {
    if (!app.verbose()) return 0;
    app.Box(text::kEventSourceNotRegistered, text::kWarningCaption, kStyleWarning);
  }
  app.Box(text::kInstallFinished, text::kSuccessCaption,
          platform::mb::kOk | platform::mb::kIconInformation);
  return 0;
}

ProductVersion ReadProductVersion(platform::Registry& registry) {
  ProductVersion version;
  platform::RegKey key;
  if (key.OpenW(registry, platform::reg::kLocalMachine, L"SOFTWARE\\Quillon",
                platform::reg::kRead) != 0) {
    return version;
  }
  std::uint32_t number = 0, build = 0, size = sizeof number;
  if (registry.QueryValueW(key.get(), L"Version Number", nullptr,
                           reinterpret_cast<std::uint8_t*>(&number), &size) != 0) {
    return version;
  }
  size = sizeof build;
  if (registry.QueryValueW(key.get(), L"Build Number", nullptr,
                           reinterpret_cast<std::uint8_t*>(&build), &size) != 0) {
    return version;
  }
  return {number >> 16, number & 0xFFFF, build >> 16, build & 0xFFFF};
}

}  // namespace pellet
