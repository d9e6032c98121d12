// The two installations, laid out as the whole-run tests lay them out, with the real TSP setup
// and directory cleaner installed as programs of the simulated server.
#include "tests/fault/scenarios.h"

#include "PelletSetup/setup_app.h"
#include "dirscrub/app.h"
#include "dirscrub/strings_en.h"
#include "platform/sim/process.h"
#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/support/pellet_kit.h"
#include "tests/support/typical_install.h"
#include "tests/unit/uninstaller/fake_views.h"

namespace velmar::fault {
namespace {

using platform::sim::Process;
using platform::sim::Program;
using platform::sim::Server;

constexpr wchar_t kServices[][20] = {L"ZqKtGateWay", L"ZqDirChangeWriter", L"ZqSqlChangeWriter",
                                     L"WyDirReader", L"ZqDSAD"};

Program PelletSetupProgram() {
  Program program;
  program.run_ms = 500;
  program.body = [](Process& process) -> std::uint32_t {
    return static_cast<std::uint32_t>(pellet::PelletSetup(process.host()));
  };
  return program;
}

Program DirscrubProgram() {
  Program program;
  program.run_ms = 500;
  for (const auto& [id, text] : dirscrub::BuiltInStrings()) program.own_strings[id] = text;
  program.file_version = {1, 1, 0, 90};
  program.body = [](Process& process) -> std::uint32_t {
    uninstaller::testing::FakeViews views;
    dirscrub::DirscrubApp app(process.host(), views);
    try {
      app.Run();
    } catch (const platform::ProgramEnd& end) {
      return end.exit_code;
    }
  };
  return program;
}

// What is not the product's, placed where a removal that lost its path would reach: folders of
// the product's names at the top of the drive, other programs' files beside the product's, and
// other software's keys and services.
constexpr const wchar_t* kBystanderFiles[] = {
    L"C:\\DRQ\\keep.txt",
    L"C:\\ZqXML\\keep.txt",
    L"C:\\Corvane.keep\\keep.txt",
    L"C:\\Program Files\\Other Vendor\\app.exe",
    L"C:\\Inetpub\\wwwroot\\default.htm",
    L"C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Accessories\\Notepad.lnk",
    L"C:\\Documents and Settings\\Administrator\\Desktop\\report.doc",
    L"C:\\WINDOWS\\system32\\kernel32.dll",
    L"C:\\boot.ini"};
constexpr wchar_t kOtherKey[] = L"Software\\Other Vendor\\App\\1.0";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void LayOutBystanders(Server& server) {
  for (const wchar_t* path : kBystanderFiles) server.files.WriteFile(path, "not the product's");
  server.registry.SetString(platform::reg::kLocalMachine, kOtherKey, L"Path",
                            L"C:\\Program Files\\Other Vendor");
  server.registry.SetString(platform::reg::kLocalMachine, kRunKey, L"OtherAgent",
                            L"C:\\Program Files\\Other Vendor\\app.exe");
  server.services.Install(L"W32Time", platform::svc::kRunning);
}

// What every installation has: the Windows programs, the companions, the TSP and its setup, the
// product's running services, the typical footprint and the previous run's log.
void LayOutCommon(Server& server) {
  platform::sim::InstallWindowsPrograms(server);
  server.InstallProgram(L"C:\\Tools\\kill.exe", platform::sim::KillProgram());
  server.InstallProgram(L"C:\\Tools\\PelletSetup.exe", PelletSetupProgram());
  pellet::testing::PrepareTelephonyMachine(server);
  pellet::testing::LayOutLanguage(server, kToolsFolder, L"ENU");
  server.telephony.Add(L"ZqPellet.tsp");
  for (const wchar_t* name : {L"ZqPellet.TSP", L"ZqPelletRes.DLL", L"BrannockVelmar_TSP.DLL"}) {
    server.files.WriteFile(std::wstring(pellet::testing::kSystem) + L"\\" + name, "installed");
  }
  for (const auto* name : kServices) server.services.Install(name, platform::svc::kRunning);
  server.machine.user->user_name = L"Administrator";
  uninstaller::testing::InstallTypicalFootprint(server);
  server.files.WriteFile(kLogPath, kOldLog);
  LayOutBystanders(server);
}

void LayOut4x(Server& server) {
  LayOutCommon(server);
  uninstaller::testing::InstallProduct(server, 0x00040000, 0x00030032, L"C:\\Corvane\\");
  uninstaller::testing::AddTypicalDirectoryData(server);
  server.sql.sync.delay_ms = 1000;
}

// A 3.1 server hands the directory to Dirscrub: the directory server with this location, one
// elsewhere, and subscribers of both.
void LayOut31(Server& server) {
  LayOutCommon(server);
  uninstaller::testing::InstallProduct(server, 0x00030001, 0x00040002, L"C:\\Corvane\\");
  server.InstallProgram(L"C:\\Tools\\DirscrubVelmar30.exe", DirscrubProgram());
  auto& doh = server.doh;
  doh.registered = true;
  doh.system_id = 4711;
  const std::wstring here = L"--Location-Here-0001";
  const std::wstring elsewhere = L"--Location-Else-0002";
  doh.local_location = platform::sim::DirectoryIdFor(here);
  doh.locations = {{platform::sim::DirectoryIdFor(elsewhere), L"OtherServer", {}},
                   {platform::sim::DirectoryIdFor(here), L"ThisServer", {}}};
  doh.locations_count = 3;
  int n = 0;
  for (const auto& [location, kind] :
       {std::pair{here, 1}, std::pair{here, 0}, std::pair{elsewhere, 1}}) {
    platform::sim::DohSubscriber subscriber;
    subscriber.location = platform::sim::DirectoryIdFor(location);
    subscriber.kind = kind;
    subscriber.alias = L"subscriber" + std::to_wstring(++n);
    subscriber.object_id = L"OID-" + subscriber.alias;
    doh.subscribers.push_back(std::move(subscriber));
  }
}

}  // namespace

std::vector<Scenario> Scenarios() {
  return {{"4.0(3.50)", LayOut4x}, {"3.1(4.2) with Dirscrub", LayOut31}};
}

std::vector<std::wstring> Bystanders() {
  std::vector<std::wstring> names;
  for (const wchar_t* path : kBystanderFiles) names.push_back(L"F " + platform::Upcase(path));
  names.push_back(L"K HKLM\\" + platform::Upcase(kOtherKey));
  names.push_back(L"V HKLM\\" + platform::Upcase(kRunKey) + L"|OTHERAGENT");
  names.push_back(L"S W32TIME");
  return names;
}

std::vector<std::wstring> OurPrograms() {
  return {L"VelmarUninstall3xandUp.exe", L"PelletSetup.exe", L"DirscrubVelmar30.exe"};
}

}  // namespace velmar::fault
