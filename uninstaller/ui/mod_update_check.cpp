// modUpdateCheck: fetch, read, pad, compare, and the three outcomes in message boxes.
#include "uninstaller/ui/mod_update_check.h"

#include <algorithm>
#include <cwctype>
#include <memory>
#include <optional>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"
#include "uninstaller/app.h"

namespace uninstaller {
namespace {

constexpr std::uint32_t kFirstBuffer = 10000;
constexpr std::uint32_t kPiece = 1000;
constexpr std::size_t kShortestPage = 10;
constexpr std::size_t kShortestVersion = 4;
constexpr std::size_t kPadWidth = 4;
constexpr std::wstring_view kMarker = L">version<";
constexpr std::wstring_view kFont = L"Helvetica";
// The version stands two characters after the word, behind the attribute's quote and ">".
constexpr std::size_t kVersionOffset = 11;

// Closes an internet handle when it goes, if one was opened.
class InternetHandleScope {
 public:
  InternetHandleScope(platform::Internet& internet, platform::InternetHandle handle)
      : internet_(internet), handle_(handle) {}
  ~InternetHandleScope() {
    if (handle_ != 0) internet_.Close(handle_);
  }
  InternetHandleScope(const InternetHandleScope&) = delete;
  InternetHandleScope& operator=(const InternetHandleScope&) = delete;
  platform::InternetHandle get() const { return handle_; }

 private:
  platform::Internet& internet_;
  platform::InternetHandle handle_;
};

std::size_t FindNoCase(std::wstring_view text, std::wstring_view word, std::size_t from) {
  const std::wstring upper_text = platform::Upcase(text);
  const std::wstring upper_word = platform::Upcase(word);
  return from > upper_text.size() ? std::wstring::npos : upper_text.find(upper_word, from);
}

bool IsBlank(const std::string& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == ' '; });
}

// One read into a blank buffer: the buffer as it is after the read, and the bytes read.
std::string ReadPiece(platform::Internet& internet, platform::InternetHandle file,
                      std::uint32_t size, std::uint32_t& read) {
  std::string buffer(size, ' ');
  read = 0;
  if (!internet.Read(file, reinterpret_cast<std::uint8_t*>(buffer.data()), size, read)) read = 0;
  read = std::min(read, size);
  return buffer;
}

// A component as a whole number with at least four digits; raises as the run time's number
// format does for what is not a number.
std::wstring PadComponent(std::wstring_view component) {
  if (component.empty()) return {};
  if (!std::all_of(component.begin(), component.end(),
                   [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
    platform::Raise(13, L"Type mismatch");
  }
  const std::size_t first = std::min(component.find_first_not_of(L'0'), component.size() - 1);
  std::wstring digits(component.substr(first));
  if (digits.size() < kPadWidth) digits.insert(0, kPadWidth - digits.size(), L'0');
  return digits;
}

std::wstring OwnVersionString(platform::Resources& resources) {
  const auto v = resources.FileVersion();
  return std::to_wstring(v[0]) + L"." + std::to_wstring(v[1]) + L"." + std::to_wstring(v[3]);
}

}  // namespace

std::wstring UpdatePageAddress(platform::Processes& processes) {
  std::wstring site(kDefaultUpdateSite);
  if (const std::optional<std::wstring> value = processes.EnvironmentVariable(kUpdateSiteVariable);
      value && !value->empty()) {
    site = *value;
    const std::size_t authority = site.find(L"://");
    const std::size_t path = site.find(L'/', authority == std::wstring::npos ? 0 : authority + 3);
    if (path != std::wstring::npos) site.resize(path);  // the path is never replaced
  }
  return site + std::wstring(kUpdatePagePath);
}

std::wstring GetUrlSource(platform::Host& host, std::wstring_view address,
                          std::uint32_t access_type) {
  platform::Internet& internet = host.internet;
  const InternetHandleScope root(internet, internet.Open(L"HTTP Generic", access_type));
  if (root.get() == 0) return {};
  const InternetHandleScope file(internet, internet.OpenUrl(root.get(), address));
  if (file.get() == 0) return {};
  std::uint32_t read = 0;
  std::string buffer = ReadPiece(internet, file.get(), kPiece, read);
  buffer.resize(kFirstBuffer, ' ');
  std::string text = buffer.substr(0, read);
  // A piece that reads as nothing but blanks ends the loop, as does a read with no data.
  while (!IsBlank(buffer)) {
    buffer = ReadPiece(internet, file.get(), kPiece, read);
    text += buffer.substr(0, read);
  }
  return host.locale.FromAnsi(text);
}

std::wstring GetWebVersion(UninstallerApp& app, std::wstring_view address, bool second_marker) {
  const std::wstring page = GetUrlSource(app.host, address, platform::inet::kPreconfigured);
  if (page.size() < kShortestPage) return {};
  std::size_t marker = FindNoCase(page, kMarker, 0);
  if (second_marker && marker != std::wstring::npos) {
    marker = FindNoCase(page, kMarker, marker + 1);
  }
  if (marker == std::wstring::npos) return {};
  const std::size_t font = FindNoCase(page, kFont, marker);
  if (font == std::wstring::npos) return {};
  std::wstring version;
  for (std::size_t at = font + kVersionOffset; at < page.size(); ++at) {
    const wchar_t c = page[at];
    if ((c < L'0' || c > L'9') && c != L'.') break;
    version.push_back(c);
  }
  return PadVersionString(app, version);
}

std::wstring PadVersionString(UninstallerApp& app, std::wstring_view version) {
  if (version.size() < kShortestVersion) return {};
  std::wstring padded;
  // Each step traps its own failure, shows it and goes on with the next.
  const auto step = [&](auto&& action) {
    try {
      action();
    } catch (const platform::RuntimeError& error) {
      app.Message(L"(error):" + std::to_wstring(error.number()) + L" (" + error.description() +
                      L") in procedure PadVersionString of Module modUpdateCheck",
                  platform::mb::kOk);
    }
  };
  std::size_t dot = version.find(L'.');
  step([&] {
    if (dot == std::wstring_view::npos) platform::Raise(platform::VbError::kInvalidProcedureCall);
    padded = PadComponent(version.substr(0, dot)) + L".";
  });
  while (dot != std::wstring_view::npos) {
    const std::size_t start = dot + 1;
    dot = version.find(L'.', start);
    const std::wstring_view component =
        dot == std::wstring_view::npos ? version.substr(start) : version.substr(start, dot - start);
    step([&] { padded += PadComponent(component) + L"."; });
  }
  if (!padded.empty()) padded.pop_back();
  return padded;
}

void CheckForUpdatedVersion(UninstallerApp& app) {
  const std::wstring address = UpdatePageAddress(app.host.processes);
  const std::wstring web = GetWebVersion(app, address, false);
  const std::wstring own = PadVersionString(app, OwnVersionString(app.host.resources));
  if (web.empty()) {
    app.Message(app.Text(2052), platform::mb::kOk);
    return;
  }
  if (own < web) {
    if (app.host.boxes.Show(app.Text(2054), L"Updated version is available",
                            platform::mb::kOkCancel) == platform::mb::kIdOk) {
      const std::uintptr_t owner = app.main.view() ? app.main.view()->NativeHandle() : 0;
      app.host.internet.ShellOpen(owner, address, platform::ProgramFolder(app.host.processes), 0);
    }
    return;
  }
  app.Message(app.Text(2053), platform::mb::kOk);
}

}  // namespace uninstaller
