// The provider's message library registered as an event-log source, with the number of its
// categories found by formatting its messages until "Last Category".
#include <string_view>

#include "PelletSetup/provider_list.h"
#include "PelletSetup/tsp_install.h"

namespace pellet {

namespace {

constexpr std::wstring_view kEventSources =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";
constexpr std::size_t kMaxPath = 260;
constexpr std::uint32_t kUserDefaultLanguage = 0x0400;
constexpr std::uint32_t kTypesSupported = 7;
// Message identifiers run without gap from 1; no library has anywhere near this many.
constexpr std::uint32_t kMostCategories = 0xFFFF;

bool SetDword(platform::Registry& registry, platform::RegHandle key, std::wstring_view name,
              std::uint32_t value) {
  return registry.SetValueW(key, name, platform::reg::kDword,
                            reinterpret_cast<const std::uint8_t*>(&value), sizeof value) == 0;
}

bool SetExpandText(platform::Registry& registry, platform::RegHandle key, std::wstring_view name,
                   const std::wstring& text) {
  const std::vector<std::uint8_t> data = RegistryText(text);  // (length + 1) * 2 bytes
  return registry.SetValueW(key, name, platform::reg::kExpandSz, data.data(),
                            static_cast<std::uint32_t>(data.size())) == 0;
}

bool WriteSource(platform::Registry& registry, const std::wstring& key_path,
                 const std::wstring& path) {
  platform::RegKey key;
  if (key.CreateW(registry, platform::reg::kLocalMachine, key_path, platform::reg::kAllAccess) !=
      0) {
    return false;
  }
  return SetExpandText(registry, key.get(), L"EventMessageFile", path) &&
         SetExpandText(registry, key.get(), L"CategoryMessageFile", path) &&
         SetDword(registry, key.get(), L"TypesSupported", kTypesSupported) &&
         SetDword(registry, key.get(), L"CategoryCount", 0);
}

}  // namespace

bool RegMC(SetupApp& app) {
  app.Trace(std::wstring(kSourceName) + L": RegMC()\r\n");
  const std::wstring path = app.SystemFolder() + L"\\BrannockVelmar_TSP.dll";
  if (RegisterMC(app, path)) return true;
  app.Trace(L"RegMC failed on " + path +
            L".  Please run Regmc on this file manually or event log messages won't display "
            L"properly\n");
  return false;
}

bool RegisterMC(SetupApp& app, const std::wstring& path) {
  app.Trace(std::wstring(kSourceName) + L": RegisterMC(MsgSourceInput " + path + L")\r\n");
  if (path.empty()) return false;
  const std::wstring key_path = std::wstring(kEventSources) + std::wstring(BaseName(path));
  if (key_path.size() >= kMaxPath) return false;
  platform::Registry& registry = app.host().registry;
  if (!WriteSource(registry, key_path, path)) return false;
  platform::Libraries& libraries = app.host().libraries;
  const platform::ScopedLibrary library(libraries, libraries.Load(path));
  if (library.get() == 0) return false;
  const std::uint32_t count = GetLastCategory(app, library.get());
  if (count == 0) return true;
  platform::RegKey key;
  if (key.OpenW(registry, platform::reg::kLocalMachine, key_path, platform::reg::kWrite) != 0) {
    return false;
  }
  return SetDword(registry, key.get(), L"CategoryCount", count);
}

std::uint32_t GetLastCategory(SetupApp& app, platform::ModuleHandle module) {
  app.Trace(std::wstring(kSourceName) + L": GetLastCategory()\r\n");
  static constexpr std::wstring_view kLastCategory = L"Last Category";
  for (std::uint32_t id = 1; id <= kMostCategories; ++id) {
    const auto message = app.host().libraries.FormatModuleMessage(module, id, kUserDefaultLanguage);
    if (!message) return 0;
    if (message->starts_with(kLastCategory)) return id;
  }
  return 0;
}

}  // namespace pellet
