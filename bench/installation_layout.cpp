// Lays out the benchmark installations: the typical footprint the whole-run tests use, then
// files, keys and subscribers in the numbers asked for, spread over branches of 100.
#include "bench/installation_layout.h"

#include <cwchar>
#include <memory>

#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "uninstaller/sequence/startup.h"

namespace velmar::bench {
namespace {

namespace reg = platform::reg;
using platform::sim::RegNode;
using platform::sim::Server;

constexpr const wchar_t* kServices[] = {L"ZqKtGateWay", L"ZqDirChangeWriter", L"ZqSqlChangeWriter",
                                        L"WyDirReader", L"ZqDSAD"};
constexpr const wchar_t* kSystemLists[][2] = {{L"allsubscribers", L"AllSubscribers"},
                                              {L"unaddressedmessages", L"UnaddressedMessages"},
                                              {L"SystemEventMessages", L"SystemEventMessages"}};
constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kAllUsers[] = L"C:\\Documents and Settings\\All Users";

struct ShellFolder {
  platform::RegHandle root;
  const wchar_t* name;
  const wchar_t* path;
};
constexpr ShellFolder kShellFolderRows[] = {
    {reg::kLocalMachine, L"Common Startup", L"\\Start Menu\\Programs\\Startup"},
    {reg::kLocalMachine, L"Common Programs", L"\\Start Menu\\Programs"},
    {reg::kLocalMachine, L"Common Desktop", L"\\Desktop"},
};

// A wide text as the W calls take it: UTF-16LE bytes with the terminator.
std::vector<std::uint8_t> Utf16Terminated(std::wstring_view text) {
  return platform::Utf16LeBytes(std::wstring(text) + L'\0');
}

std::wstring Guid(int kind, int number) {
  wchar_t text[40];
  std::swprintf(text, 40, L"{%08d-0000-0000-0000-%012d}", kind, number);
  return text;
}

void InstallProductAndServices(Server& server) {
  server.registry.SetDword(reg::kLocalMachine, L"Software\\Quillon", L"Version Number", 0x00040000);
  server.registry.SetDword(reg::kLocalMachine, L"Software\\Quillon", L"Build Number", 0x00030032);
  server.registry.SetString(reg::kLocalMachine, uninstaller::kProductKey, L"Root Path",
                            L"C:\\Corvane\\");
  for (const wchar_t* name : kServices) server.services.Install(name, platform::svc::kRunning);
  platform::sim::InstallWindowsPrograms(server);
  server.InstallProgram(L"C:\\Tools\\kill.exe", platform::sim::KillProgram());
  server.InstallProgram(L"C:\\Tools\\PelletSetup.exe", platform::sim::RunsFor(3000));
  server.machine.user->user_name = L"Administrator";
}

void LayFootprint(Server& server) {
  server.files.WriteFile(L"C:\\Corvane\\Components\\zqa.dll", "MZ");
  server.files.WriteFile(L"C:\\Corvane\\OrderedComs\\zqb.dll", "MZ");
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\ZqXML\\status.xml", "x");
  server.files.WriteFile(L"C:\\WINDOWS\\system32\\zqwm.dll", "MZ");
  server.registry.SetString(reg::kLocalMachine,
                            L"Software\\Quillon\\Corvane Setup\\1.0\\Properties",
                            L"CorvaneRootPath", L"C:\\Corvane\\");
  for (const ShellFolder& row : kShellFolderRows) {
    server.registry.SetString(row.root, kShellFolders, row.name,
                              std::wstring(kAllUsers) + row.path);
  }
  server.registry.SetString(reg::kCurrentUser, kShellFolders, L"Desktop",
                            L"C:\\Documents and Settings\\Administrator\\Desktop");
  server.registry.SetString(reg::kLocalMachine, L"Software\\Microsoft\\InetStp", L"PathWWWRoot",
                            L"C:\\Inetpub\\wwwroot");
  server.registry.SetString(reg::kLocalMachine, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                            L"SystemRoot", L"C:\\WINDOWS");
  for (const wchar_t* job :
       {L"SqlWeeklyBackupJob", L"SqlNightlyBackupJob", L"CheckSqlConfiguration"}) {
    server.sql.AddJob(job);
  }
  server.sql.AddBackupDevice(L"ReportDbDump");
  server.sql.AddBackupDevice(L"VelmarDbDump");
}

void LayDirectory(platform::sim::SqlServer& sql) {
  sql.AddSubscriber({L"ESubscriber", L"Example Subscriber", L"ESubscriber_A", 1, Guid(1, 1)});
  sql.AddSubscriber({L"EAdministrator", L"Example Administrator", L"EAdmin_A", 1, Guid(1, 2)});
  const std::wstring location = Guid(2, 1);
  sql.AddLocation({L"default", L"Main Site", L"Site_A", location, L"DIR-LOC-1"});
  int n = 1;
  for (const auto& [alias, display] : kSystemLists) {
    sql.AddDistributionList({alias, std::wstring(display) + L"_UID", display,
                             L"cn=" + std::wstring(display) + L",cn=Recipients", Guid(3, n),
                             L"DIR-DL-" + std::to_wstring(n), location});
    ++n;
  }
  sql.sync.delay_ms = 1000;
}

}  // namespace

std::wstring Numbered(const wchar_t* prefix, int number) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%ls%06d", prefix, number);
  return text;
}

RegNode& AppendKey(RegNode& parent, const std::wstring& name) {
  auto key = std::make_shared<RegNode>();
  key->name = name;
  key->parent = &parent;
  key->values.push_back({L"Path", reg::kSz, Utf16Terminated(L"C:\\Corvane\\" + name)});
  key->values.push_back({L"Flags", reg::kDword, {1, 0, 0, 0}});
  parent.subkeys.push_back(key);
  return *key;
}

std::size_t KeysBelow(const RegNode& node) {
  std::size_t count = node.subkeys.size();
  for (const auto& child : node.subkeys) count += KeysBelow(*child);
  return count;
}

void LayTypicalInstallation(Server& server) {
  InstallProductAndServices(server);
  LayFootprint(server);
  LayDirectory(server.sql);
}

// Files go in folders of 100 under groups of 100 folders: Data\G000\F000\file000000.dat.
void LayInstallTree(platform::sim::FileSystemState& files, int count) {
  for (int i = 0; i < count; ++i) {
    const int folder = i / kBranchSize;
    files.WriteFile(std::wstring(kInstallRoot) + L"\\Data\\" +
                        Numbered(L"G", folder / kBranchSize) + L"\\" + Numbered(L"F", folder) +
                        L"\\" + Numbered(L"file", i) + L".dat",
                    "x");
  }
}

// Keys go in branches of 100 under groups of 100 branches, alternating between the trees.
void LayProductKeys(platform::sim::RegistryState& registry, int count) {
  RegNode* branch = nullptr;
  for (int i = 0; i < count; ++i) {
    if (i % kBranchSize == 0) {
      const int number = i / kBranchSize;
      const wchar_t* tree = kProductTrees[number % 2];
      branch = &registry.Ensure(reg::kLocalMachine, std::wstring(tree) + L"\\" +
                                                        Numbered(L"G", number / kBranchSize) +
                                                        L"\\" + Numbered(L"B", number));
    }
    AppendKey(*branch, Numbered(L"K", i));
  }
}

// Every kind of subscriber the removal tells apart, in turn.
void LaySubscribers(platform::sim::SqlServer& sql, int count) {
  constexpr int kKinds[] = {0, 1, 2, 3};
  for (int i = 0; i < count; ++i) {
    const std::wstring alias = Numbered(L"user", i);
    sql.AddSubscriber({alias, L"User " + alias, alias + L"_UID", kKinds[i % 4], Guid(4, i)});
  }
}

void LayInstallation(Server& server, const InstallSize& size) {
  LayTypicalInstallation(server);
  LayInstallTree(server.files, size.files);
  LayProductKeys(server.registry, size.registry_keys);
  LaySubscribers(server.sql, size.subscribers);
}

}  // namespace velmar::bench
