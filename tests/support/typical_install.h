// A typical installation of the product on the simulated server, shared by the whole-run tests
// and the fault-injection runs: the files, keys, jobs and directory data it leaves behind.
#pragma once

#include <string>

#include "platform/sim/server.h"
#include "uninstaller/sequence/startup.h"

namespace uninstaller::testing {

// The product's version values and install path, as the uninstaller's start-up reads them.
inline void InstallProduct(platform::sim::Server& server, std::uint32_t version,
                           std::uint32_t build, const std::wstring& root) {
  server.registry.SetDword(platform::reg::kLocalMachine, L"Software\\Quillon", L"Version Number",
                           version);
  server.registry.SetDword(platform::reg::kLocalMachine, L"Software\\Quillon", L"Build Number",
                           build);
  server.registry.SetString(platform::reg::kLocalMachine, kProductKey, L"Root Path", root);
}

// What a typical installation leaves beside the product database: component libraries, the
// jobs and backup devices, the shell folders, the web root and a library in the system folder.
inline void InstallTypicalFootprint(platform::sim::Server& server) {
  server.files.WriteFile(L"C:\\Corvane\\Components\\zqa.dll", "MZ");
  server.files.WriteFile(L"C:\\Corvane\\OrderedComs\\zqb.dll", "MZ");
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\ZqXML\\status.xml", "x");
  server.files.WriteFile(L"C:\\WINDOWS\\system32\\zqwm.dll", "MZ");
  server.registry.SetString(platform::reg::kLocalMachine,
                            L"Software\\Quillon\\Corvane Setup\\1.0\\Properties",
                            L"CorvaneRootPath", L"C:\\Corvane\\");
  const wchar_t* shell = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const std::wstring all_users = L"C:\\Documents and Settings\\All Users";
  server.registry.SetString(platform::reg::kLocalMachine, shell, L"Common Startup",
                            all_users + L"\\Start Menu\\Programs\\Startup");
  server.registry.SetString(platform::reg::kLocalMachine, shell, L"Common Programs",
                            all_users + L"\\Start Menu\\Programs");
  server.registry.SetString(platform::reg::kCurrentUser, shell, L"Desktop",
                            L"C:\\Documents and Settings\\Administrator\\Desktop");
  server.registry.SetString(platform::reg::kLocalMachine, shell, L"Common Desktop",
                            all_users + L"\\Desktop");
  server.registry.SetString(platform::reg::kLocalMachine, L"Software\\Microsoft\\InetStp",
                            L"PathWWWRoot", L"C:\\Inetpub\\wwwroot");
  server.registry.SetString(platform::reg::kLocalMachine,
                            L"Software\\Microsoft\\Windows NT\\CurrentVersion", L"SystemRoot",
                            L"C:\\WINDOWS");
  for (const wchar_t* job :
       {L"SqlWeeklyBackupJob", L"SqlNightlyBackupJob", L"CheckSqlConfiguration"}) {
    server.sql.AddJob(job);
  }
  server.sql.AddBackupDevice(L"ReportDbDump");
  server.sql.AddBackupDevice(L"VelmarDbDump");
}

// Three subscribers, a location and the three system distribution lists in the product database.
inline void AddTypicalDirectoryData(platform::sim::Server& server) {
  auto& sql = server.sql;
  sql.AddSubscriber({L"ESubscriber", L"Example Subscriber", L"ESubscriber_A", 1,
                     L"{11111111-0000-0000-0000-000000000001}"});
  sql.AddSubscriber({L"EAdministrator", L"Example Administrator", L"EAdmin_A", 1,
                     L"{11111111-0000-0000-0000-000000000002}"});
  sql.AddSubscriber(
      {L"jdoe", L"Jane Doe", L"JDoe_A", 0, L"{11111111-0000-0000-0000-000000000003}"});
  sql.AddLocation({L"default", L"Main Site", L"Site_A", L"{22222222-0000-0000-0000-000000000001}",
                   L"DIR-LOC-1"});
  int n = 1;
  for (const wchar_t* alias : {L"allsubscribers", L"unaddressedmessages", L"SystemEventMessages"}) {
    const std::wstring display = alias == std::wstring(L"allsubscribers") ? L"AllSubscribers"
                                 : alias == std::wstring(L"unaddressedmessages")
                                     ? L"UnaddressedMessages"
                                     : L"SystemEventMessages";
    sql.AddDistributionList(
        {alias, display + L"_UID", display, L"cn=" + display + L",cn=Recipients",
         L"{33333333-0000-0000-0000-00000000000" + std::to_wstring(n++) + L"}",
         L"DIR-DL-" + std::to_wstring(n), L"{22222222-0000-0000-0000-000000000001}"});
  }
}

}  // namespace uninstaller::testing
