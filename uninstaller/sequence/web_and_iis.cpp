// The second half of stage A as tables of commands and names.
#include "uninstaller/sequence/web_and_iis.h"

#include <variant>

#include "common/registry_api.h"
#include "platform/text.h"
#include "uninstaller/sequence/startup.h"
#include "uninstaller/sequence/uninstall_sequence.h"

namespace uninstaller {
namespace {

using velmar::ProcessStep;

constexpr std::uint32_t kNoLimit = platform::kInfinite;

// The second pass: no lines, each waited for as long as it runs.
constexpr ProcessStep kSecondPass[] = {
    {L"", L"kill.exe ctbbserv.exe", velmar::show::kMinimized, kNoLimit, L"", L""},
    {L"", L"Net Stop ZqDirChangeWriter", velmar::show::kNormal, kNoLimit, L"", L""},
    {L"", L"Net Stop ZqADVelmarMon", velmar::show::kNormal, kNoLimit, L"", L""},
    {L"", L"Net Stop ZqDSGlobalCatalog", velmar::show::kNormal, kNoLimit, L"", L""},
    {L"", L"Net Stop ZqTTSSvr", velmar::show::kNormal, kNoLimit, L"", L""},
    {L"", L"Net Stop WyDohMgr", velmar::show::kNormal, kNoLimit, L"", L""},
    {L"", L"Net Stop WyMDBStoreMonitor", velmar::show::kNormal, kNoLimit, L"", L""},
    {L"", L"Net Stop WyNameGrammar", velmar::show::kNormal, kNoLimit, L"", L""},
    {L"", L"Net Stop WyDirReader", velmar::show::kNormal, kNoLimit, L"", L""},
};

constexpr const wchar_t* kPlatformServices[] = {
    L"net stop msExchangegwIVC", L"net stop w3svc",      L"net stop SMTPSVC",
    L"net stop MSExchangeMTA",   L"net stop POP3SVC",    L"net stop NNTPSVC",
    L"net stop MSFTPSVC",        L"net stop IMAP4SVC",   L"net stop MSEXCHANGEES",
    L"net stop MSEXCHANGEIS",    L"net stop RESvc",      L"net stop httpfilter",
    L"net stop IISADMIN",        L"net stop ZqktNodeMgr"};

constexpr const wchar_t* kVirtualDirectories[] = {
    L"ConsoleWeb", L"Status", L"ZQXML", L"Brightdesk", L"MailboxPortal", L"HandsetPane",
    L"midlets",    L"MBXS",   L"DRQ",   L"feeder",     L"StatusXml",     L"Web"};

constexpr const wchar_t* kApplicationPools[] = {L"midlets", L"MBXS",      L"DRQ",
                                                L"feeder",  L"StatusXml", L"Web"};

std::wstring ReadText(UninstallerApp& app, std::wstring_view key, std::wstring_view name) {
  velmar::RegistryAPI registry(app.host.registry, app.host.locale);
  const auto value = registry.GetRegValue(platform::reg::kLocalMachine, key, name,
                                          platform::reg::kSz, std::wstring());
  const auto* text = std::get_if<std::wstring>(&value);
  return text ? *text : std::wstring();
}

void UninstallFaldern(UninstallerApp& app, velmar::ProcessRunner& runner, ErrorTrap& trap,
                      const std::wstring& root) {
  velmar::RegistryAPI registry(app.host.registry, app.host.locale);
  if (!registry.RegKeyExists(platform::reg::kLocalMachine, kFaldernKey)) {
    app.log.WriteLog(L"    No Faldern install detected.");
    return;
  }
  const std::wstring path = ReadText(app, kFaldernKey, L"Path");
  if (path.empty()) {
    app.log.WriteLog(
        L"(warning) Faldern registry keys found but no path to executable detected - skipping "
        L"uninstall of the FDK");
    return;
  }
  const std::wstring command = ExpandCorvane(path, root);
  app.log.WriteLog(L"    Uninstalling Faldern: " + command);
  trap([&] {
    runner.Run({L"", command + L" /silentuninstall", velmar::show::kNormal, 300'000, L"", L""});
  });
  app.log.WriteLog(L"    FDK Uninstall process completed");
}

void RunWebApplicationScript(UninstallerApp& app, velmar::ProcessRunner& runner, ErrorTrap& trap,
                             const std::wstring& root, const std::wstring& folder) {
  auto& files = app.host.files;
  if (!files.FileExists(root + L"brnkserv\\uninstall.js")) return;
  trap([&] { files.Copy(folder + L"\\mypause.exe", root + L"brnkserv\\mypause.exe", true); });
  trap([&] {
    files.Copy(folder + L"\\tomcatuninstall.bat", root + L"brnkserv\\tomcatuninstall.bat", true);
  });
  app.log.WriteLog(L"    running: " + root + L"brnkserv\\uninstall.js");
  trap([&] { app.host.processes.ChangeDirectory(root + L"brnkserv"); });
  trap([&] {
    runner.Run({L"", L"tomcatuninstall.bat", velmar::show::kNormal, 240'000,
                L"(warning) uninstall.js script took more than 2 minutes to run - terminating and "
                L"moving on.",
                L"    Completed uninstall.js"});
  });
  trap([&] { app.host.processes.ChangeDirectory(folder); });
}

// "X:\..." including the drive root, or "\\server\share...".
bool IsAbsoluteOrNetworkPath(std::wstring_view path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
    return (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
  }
  if (!path.starts_with(L"\\\\") || path.size() < 5) return false;
  const std::size_t share = path.find(L'\\', 2);
  return share != std::wstring_view::npos && share > 2 && share + 1 < path.size() &&
         path[share + 1] != L'\\';
}

void RemoveIisObjects(UninstallerApp& app) {
  SkipFailure([&] {
    auto root = app.host.iis.Bind(L"IIS://LocalHost/W3SVC/1/ROOT");
    for (const wchar_t* name : kVirtualDirectories) {
      SkipFailure([&] { root->Delete(L"IIsWebVirtualDir", name); });
    }
    std::wstring home;
    SkipFailure([&] { home = root->Path(); });
    // An empty, unreadable or relative home folder (an unexpanded "%SystemDrive%\..." among
    // them) would put "\DRQ" at the top of the current drive or below the current folder; a
    // drive root or a share is a home folder like any other.
    if (!IsAbsoluteOrNetworkPath(home)) return;
    while (home.size() > 2 && home.back() == L'\\') home.pop_back();
    for (const wchar_t* web_folder : {L"\\DRQ", L"\\ZqXML"}) {
      SkipFailure([&] {
        if (app.host.files.FolderExists(home + web_folder)) {
          app.host.files.RemoveFolder(home + web_folder, true);
        }
      });
    }
  });
  app.log.WriteLog(L"IIS virtual directories removed");
  SkipFailure([&] {
    auto pools = app.host.iis.Bind(L"IIS://LocalHost/W3SVC/AppPools");
    for (const wchar_t* name : kApplicationPools) {
      SkipFailure([&] { pools->Delete(L"IIsApplicationPool", name); });
    }
  });
}

}  // namespace

std::wstring ExpandCorvane(std::wstring_view text, std::wstring_view root) {
  const std::wstring upper = platform::Upcase(text);
  const std::wstring marker = L"%CORVANE%\\";
  std::wstring out;
  std::size_t at = 0;
  for (std::size_t found; (found = upper.find(marker, at)) != std::wstring::npos;
       at = found + marker.size()) {
    out += std::wstring(text.substr(at, found - at)) + std::wstring(root);
  }
  return out + std::wstring(text.substr(at));
}

std::wstring RemoveWebApplicationsAndStopPlatform(UninstallerApp& app,
                                                  velmar::ProcessRunner& runner, ErrorTrap& trap) {
  const std::wstring folder = platform::ProgramFolder(app.host.processes);
  std::wstring root;
  trap([&] { root = ReadText(app, kProductKey, L"Root Path"); });
  app.log.WriteLog(L"    Corvane install path=" + root);
  UninstallFaldern(app, runner, trap, root);
  RunWebApplicationScript(app, runner, trap, root, folder);
  trap([&] {
    runner.Run({L"    Stopping the WWW service", L"Net Stop W3svc", velmar::show::kNormal, 40'000,
                L"(error) net stop process took longer than 40 seconds, task terminated",
                L"    net stop process completed"});
  });
  for (const ProcessStep& step : kSecondPass) trap([&] { runner.Run(step); });
  runner.PauseSeconds(1);
  RemoveIisObjects(app);
  app.log.WriteLog(L"IIS Application Pool removed");
  for (const wchar_t* command : kPlatformServices) {
    trap([&] { runner.Run({L"", command, velmar::show::kNormal, kNoLimit, L"", L""}); });
  }
  runner.PauseSeconds(1);
  app.log.WriteLog(L"Velmar shut down and all related services stopped");
  return root;
}

}  // namespace uninstaller
