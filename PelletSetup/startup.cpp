// Start-up checks of the TSP setup, each tracing what it found.
#include "PelletSetup/startup.h"

#include <cstdint>
#include <vector>

namespace pellet {

namespace {

bool Matches(std::wstring_view line, std::size_t at, std::wstring_view word,
             platform::Locale& locale) {
  // A word cut short by the end of the line is no match: nothing past the line is read.
  if (line.size() - at < word.size()) return false;
  return locale.EqualIgnoringCaseAndWidth(line.substr(at, word.size()), word);
}

constexpr std::wstring_view kParametersKey = L"SOFTWARE\\Quillon\\SystemParameters\\1.0";
constexpr std::uint32_t kLanguageBytes = 8;  // three wide letters and the terminator

// The registry value as text, or nothing with the trace of why not.
std::optional<std::wstring> ReadLanguageValue(SetupApp& app) {
  platform::RegKey key;
  if (key.OpenW(app.host().registry, platform::reg::kLocalMachine, kParametersKey,
                platform::reg::kRead) != platform::win::kSuccess) {
    app.Trace(L"Could not read TSP language from the Registry!\n");
    return std::nullopt;
  }
  std::uint8_t data[kLanguageBytes] = {};
  std::uint32_t size = kLanguageBytes;
  if (app.host().registry.QueryValueW(key.get(), L"GUI Language Default", nullptr, data, &size) !=
      platform::win::kSuccess) {
    app.Trace(L"Couldn't read TSP language from the Registry!\n");
    return std::nullopt;
  }
  std::wstring value;
  for (std::uint32_t at = 0; at + 1 < size && at + 1 < kLanguageBytes; at += 2) {
    const auto c = static_cast<wchar_t>(data[at] | (data[at + 1] << 8));
    if (c == 0) break;
    value.push_back(c);
  }
  return value;
}

bool FileThere(platform::FileCalls& files, const std::wstring& path) {
  const std::uint32_t attributes = files.GetAttributes(path);
  return attributes != platform::kInvalidAttributes &&
         (attributes & platform::attr::kDirectory) == 0;
}

}  // namespace

Modes ScanCommandLine(std::wstring_view line, platform::Locale& locale) {
  Modes modes;
  for (std::size_t at = 0; at < line.size() && line[at] != L'\0'; ++at) {
    if (line[at] != L'-' && line[at] != L'/') continue;
    if (Matches(line, at + 1, L"silent", locale)) modes.verbose = false;
    if (Matches(line, at + 1, L"uninstall", locale)) modes.uninstall = true;
  }
  return modes;
}

std::wstring DecideLanguage(SetupApp& app) {
  std::wstring language = L"ENU";
  if (const std::optional<std::wstring> value = ReadLanguageValue(app)) {
    platform::FileCalls& files = app.host().file_calls;
    if (FileThere(files, *value + L"\\ZqPelletRes.dll") &&
        FileThere(files, *value + L"\\BrannockVelmar_TSP.dll")) {
      language = value->substr(0, 3);
      app.Trace(L"Successfully read the TSP language \"" + *value + L"\" from the Registry...\n");
    } else {
      app.Trace(L"Could not find the Res and MC files associated with language \"" + *value +
                L"\".  I will try to default to ENU.\n");
    }
  }
  app.Trace(L"Using " + language + L" as the TSP language.\n");
  return language;
}

bool IsNtFamily(platform::SystemInfo& system) {
  return (system.VersionWord() & 0x80000000u) == 0;
}

bool IsAdministrator(platform::SystemInfo& system) {
  static constexpr std::wstring_view kAdministrators = L"S-1-5-32-544";
  std::vector<std::wstring> groups;
  if (!system.TokenGroupSids(groups)) return false;
  for (const std::wstring& sid : groups) {
    if (sid == kAdministrators) return true;
  }
  return false;
}

}  // namespace pellet
