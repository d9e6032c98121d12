// InstallZqTsp: the wave driver's variant and kernel-mode service, its multimedia entries, the
// provider added to TAPI (or refreshed) and the audio gains for the product's version.
#include <array>
#include <string>

#include "PelletSetup/provider_list.h"
#include "PelletSetup/tsp_common.h"
#include "PelletSetup/tsp_install.h"

namespace pellet {

namespace {

constexpr std::wstring_view kDrivers32 =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr std::wstring_view kUserDrivers =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Userinstallable.drivers";
constexpr std::wstring_view kWaveLibrary = L"ZQAUDIO32.dll";
constexpr int kLastWaveSlot = 101;
constexpr std::uint32_t kSlotValueRoom = 100;  // bytes; a longer value is another driver's

// Windows 2000 and later take the standard driver; NT 4 the alternate one, moved into place.
bool PrepareWaveDriver(SetupApp& app) {
  platform::OsVersion version;
  if (app.host().system.Version(version) && version.major > 4) {
    app.Trace(L"Found win2k or above, using standard wave driver\n");
    return true;
  }
  app.Trace(L"Found NT4 or below, using alternate wave driver\n");
  platform::FileCalls& files = app.host().file_calls;
  const std::wstring drivers = app.host().system.WindowsFolder() + L"\\System32\\drivers\\";
  if (files.DeleteOne(drivers + L"ZqAudio.sys") &&
      files.MoveOne(drivers + L"ZqAudio.nt4", drivers + L"ZqAudio.sys")) {
    app.Trace(L"File move succeeded\n");
    return true;
  }
  app.Trace(L"File move failed ... not installing kernel mode driver\n");
  return false;
}

void CreateDriverService(SetupApp& app, bool driver_ready) {
  platform::Services& services = app.host().services;
  const platform::ScopedScHandle manager(services,
                                         services.OpenManager(platform::svc::kManagerAllAccess));
  bool created = false;
  if (manager.get() != 0 && driver_ready) {
    const platform::ServiceConfig config{L"zqaudio",
                                         L"zqaudio",
                                         platform::svc::kServiceAllAccess,
                                         platform::svc::kKernelDriver,
                                         platform::svc::kSystemStart,
                                         platform::svc::kErrorNormal,
                                         L"\\SystemRoot\\System32\\drivers\\zqaudio.sys"};
    const platform::ScopedScHandle service(services,
                                           services.CreateServiceEntry(manager.get(), config));
    created = service.get() != 0;
  }
  if (created) return;
  const platform::Status error = services.LastError();
  if (error == platform::svc::kServiceExists || error == platform::svc::kDuplicateName) return;
  app.Trace(L"Could not create the kernel mode service for the wave driver.\n");
  app.Trace(L"Please run re-run setup.\n");
}

// A slot is free when it has no value, or an empty one, or already names our library.
bool SlotIsOurs(platform::Registry& registry, platform::RegHandle key, const std::wstring& name) {
  std::array<std::uint8_t, kSlotValueRoom> data{};
  std::uint32_t type = 0, size = kSlotValueRoom;
  const platform::Status status = registry.QueryValueW(key, name, &type, data.data(), &size);
  if (status == platform::win::kFileNotFound) return true;
  if (status != platform::win::kSuccess || type != platform::reg::kSz) return false;
  std::wstring text;
  for (std::uint32_t at = 0; at + 1 < size; at += 2) {
    const auto c = static_cast<wchar_t>(data[at] | (data[at + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text.empty() || text == kWaveLibrary;
}

void SetWaveEntry(platform::Registry& registry, std::wstring_view path, const std::wstring& name) {
  platform::RegKey key;
  if (key.OpenW(registry, platform::reg::kLocalMachine, path, platform::reg::kAllAccess) != 0) {
    return;
  }
  const std::vector<std::uint8_t> data = RegistryText(kWaveLibrary);  // 28 bytes
  registry.SetValueW(key.get(), name, platform::reg::kSz, data.data(),
                     static_cast<std::uint32_t>(data.size()));
}

void RegisterWaveLibrary(SetupApp& app) {
  if (app.host().file_calls.GetAttributes(app.SystemFolder() + L"\\ZQAUDIO32.dll") ==
      platform::kInvalidAttributes) {
    return;
  }
  platform::Registry& registry = app.host().registry;
  std::wstring slot;
  {
    platform::RegKey key;
    if (key.OpenW(registry, platform::reg::kLocalMachine, kDrivers32, platform::reg::kAllAccess) !=
        0) {
      return;
    }
    for (int n = 1; n <= kLastWaveSlot && slot.empty(); ++n) {
      const std::wstring name = L"wave" + std::to_wstring(n);
      if (SlotIsOurs(registry, key.get(), name)) slot = name;
    }
  }
  if (slot.empty()) {
    app.Trace(L"wave1 to wave101 all hold other drivers; the wave library is not registered.\n");
    return;
  }
  SetWaveEntry(registry, kDrivers32, slot);
  SetWaveEntry(registry, kUserDrivers, slot);
}

// Refreshes a provider that is already there through its own install entry.
void RefreshProvider(SetupApp& app, const std::wstring& file) {
  platform::Libraries& libraries = app.host().libraries;
  const platform::ScopedLibrary provider(libraries, libraries.Load(file));
  if (provider.get() == 0) return;
  const platform::ProcAddress install = libraries.Find(provider.get(), "TUISPI_providerInstall");
  if (install != 0) libraries.CallProviderInstall(install, 0);
}

void InstallProvider(SetupApp& app) {
  const std::wstring file = app.SystemFolder() + L"\\ZqPellet.tsp";
  const ProvidersFound found = FindProviders(app, Purpose::kInstallation);
  std::uint32_t new_id = 0;
  if (!found.pellet) {
    app.tapi().AddProvider(file, new_id);
  } else if (found.d41mt && *found.pellet < *found.d41mt) {
    // The provider must come after the board's provider, so it is added again.
    app.tapi().RemoveProvider(*found.pellet);
    app.tapi().AddProvider(file, new_id);
  } else {
    RefreshProvider(app, file);
  }
}

void SetGains(SetupApp& app) {
  const ProductVersion v = ReadProductVersion(app.host().registry);
  const bool early = v.major < 3 || (v.major == 3 && v.minor == 0) ||
                     (v.major == 3 && v.minor == 1 && v.build < 2) ||
                     (v.major == 3 && v.minor == 1 && v.build == 2 && v.revision == 0);
  const std::uint32_t playback = early ? static_cast<std::uint32_t>(-10) : 0;
  const std::uint32_t record = early ? 5 : 0;
  platform::Registry& registry = app.host().registry;
  platform::RegKey key;
  if (key.CreateW(registry, platform::reg::kLocalMachine,
                  L"SOFTWARE\\Brannock Systems, Inc.\\Brannock TSP",
                  platform::reg::kAllAccess) != 0) {
    return;
  }
  registry.SetValueW(key.get(), L"WaveDBGainPlayback", platform::reg::kDword,
                     reinterpret_cast<const std::uint8_t*>(&playback), sizeof playback);
  registry.SetValueW(key.get(), L"WaveDBGainRecord", platform::reg::kDword,
                     reinterpret_cast<const std::uint8_t*>(&record), sizeof record);
}

}  // namespace

void InstallZqTsp(SetupApp& app) {
  app.Trace(std::wstring(kSourceName) + L": InstallZqTsp()\r\n");
  const bool driver_ready = PrepareWaveDriver(app);
  CreateDriverService(app, driver_ready);
  RegisterWaveLibrary(app);
  InstallProvider(app);
  SetGains(app);
}

}  // namespace pellet
