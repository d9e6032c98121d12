// The preview host on the simulated server: a preview leaves the machine exactly as it was and
// lists what a real run does, a run through the same host in pass-through mode makes exactly
// those changes, and readings after a recorded change see it made.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/registry_api.h"
#include "platform/preview/recording_host.h"
#include "platform/sim/process.h"
#include "platform/sim/windows_programs.h"
#include "tests/support/machine_state.h"

namespace {

using platform::Host;
using platform::RegHandle;
using platform::preview::Change;
using platform::preview::Mode;
using platform::preview::RecordingHost;
using platform::sim::DirectoryIdFor;
using platform::sim::Process;
using platform::sim::Server;
using Lines = std::vector<std::wstring>;
namespace reg = platform::reg;

constexpr RegHandle kHklm = reg::kLocalMachine;
constexpr RegHandle kHkcu = reg::kCurrentUser;
constexpr wchar_t kShares[] = L"System\\CurrentControlSet\\Services\\lanmanServer\\Shares";
constexpr wchar_t kRunOnce[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kMaster[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Data Source=";
constexpr wchar_t kMsdb[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial "
    L"Catalog=msdb;Data Source=";
constexpr wchar_t kLink[] = L"C:\\Documents and Settings\\All Users\\Desktop\\Velmar.lnk";

// A small installation touching every facility a removal changes.
void LayOut(Server& server) {
  platform::sim::InstallWindowsPrograms(server);
  server.registry.SetString(kHklm, L"SOFTWARE\\Velmar\\Server", L"Root", L"C:\\Velmar");
  server.registry.SetString(kHklm, L"SOFTWARE\\Velmar\\Server\\Ports\\Web", L"Port", L"80");
  server.registry.SetString(kHklm, L"SOFTWARE\\Velmar\\Server\\Ports\\Web", L"Host", L"x");
  server.registry.SetDword(kHklm, L"SOFTWARE\\Velmar\\Server\\Ports", L"Count", 1);
  server.registry.Ensure(kHklm, L"SOFTWARE\\Velmar\\Server\\Empty");
  server.registry.SetString(kHklm, L"SOFTWARE\\Velmar\\Client", L"Keep", L"1");
  server.registry.SetString(kHklm, kShares, L"Reports", L"Path=C:\\Velmar\\Reports");
  server.registry.SetString(kHklm, kShares, L"Other", L"Path=C:\\Other");
  server.registry.SetString(kHklm, std::wstring(kShares) + L"\\Security", L"Reports", L"x");
  server.registry.Ensure(kHkcu, kRunOnce);
  server.files.WriteFile(L"C:\\Velmar\\bin\\app.exe", "MZ");
  server.files.WriteFile(L"C:\\Velmar\\bin\\sub\\deep.dat", "d");
  server.files.WriteFile(L"C:\\Velmar\\logs\\a.log", "a");
  server.files.WriteFile(L"C:\\Velmar\\logs\\b.log", "b");
  server.files.WriteFile(L"C:\\Velmar\\logs\\keep.txt", "k");
  server.files.WriteFile(L"C:\\Velmar\\readme.txt", "r");
  server.files.WriteFile(L"C:\\Velmar\\notes.txt", "n");
  server.files.WriteFile(kLink, "lnk");
  server.files.WriteFile(L"C:\\Velmar\\old.ini", "o");
  server.files.WriteFile(L"C:\\Velmar\\temp.ini", "t");
  platform::sim::CodeLibrary tsp;
  tsp.exports["DllRegisterServer"] = [](platform::sim::ExportCall&) { return 0; };
  server.InstallCodeLibrary(L"C:\\Velmar\\vtsp.dll", tsp);
  server.com.gateway_clsid = platform::gateway::kClassId;
  server.com.gateway_iid = platform::gateway::kInterfaceId;
  server.services.Install(L"W3svc", platform::svc::kRunning);
  server.services.Install(L"ZqKtMgr", platform::svc::kRunning);
  server.iis.virtual_directories = {L"Velmar", L"Printers"};
  server.sql.CreateDatabase(L"VelmarDB");
  server.sql.AddJob(L"Velmar nightly");
  auto& d = server.doh;
  d.registered = true;
  d.local_location = DirectoryIdFor(L"--HOME-SITE-01");
  d.subscribers = {{DirectoryIdFor(L"--HOME-SITE-01"), 1, L"OBJ-1", L"ann", false, {}}};
  d.locations = {{DirectoryIdFor(L"--OTHER-SITE-9"), L"far", {}}};
}

// What a removal does, through every changing member the programs use.
void Remove(Host& host) {
  velmar::RegistryAPI api{host.registry, host.locale};
  api.DeleteRegKeyTree(L"SOFTWARE\\Velmar\\Server", kHklm);
  api.DeleteRegValue(kHklm, kShares, L"Reports");
  api.DeleteRegValue(kHklm, std::wstring(kShares) + L"\\Security", L"Reports");
  api.SetRegValue(kHkcu, kRunOnce, L"1", velmar::kRegSz,
                  std::wstring(L"c:\\VelmarClean.bat C:\\Velmar"));
  host.files.RemoveFile(L"C:\\Velmar\\logs\\*.log", true);
  host.files.RemoveFile(kLink, true);
  host.files.Copy(L"C:\\Velmar\\readme.txt", L"C:\\Velmar\\readme.bak", false);
  host.files.RemoveFolder(L"C:\\Velmar\\bin", true);
  host.files.MakeFolder(L"C:\\VelmarTemp");
  host.files.OpenText(L"C:\\Velmar\\out.txt", platform::OpenMode::kOutput)->WriteLine(L"x");
  host.file_calls.MoveOne(L"C:\\Velmar\\notes.txt", L"C:\\Velmar\\notes.old");
  host.file_calls.DeleteOne(L"C:\\Velmar\\readme.txt");
  host.file_calls.PutAttributes(L"C:\\Velmar\\old.ini", platform::attr::kReadOnly);
  host.file_calls.CrtRename(L"C:\\Velmar\\old.ini", L"C:\\Velmar\\old.bak");
  host.file_calls.CrtRemove(L"C:\\Velmar\\temp.ini");
  host.file_calls.CopyTo(L"C:\\Velmar\\old.bak", L"C:\\Velmar\\old.copy", true);
  {
    platform::ScopedLibrary library(host.libraries, host.libraries.Load(L"C:\\Velmar\\vtsp.dll"));
    host.libraries.CallRegisterServer(host.libraries.Find(library.get(), "DllRegisterServer"));
  }
  host.com.InitializeMultithreaded();
  std::unique_ptr<platform::GatewayObject> gateway;
  host.com.CreateGateway(platform::gateway::kClassId, platform::gateway::kInterfaceId, gateway);
  gateway->Shutdown();
  gateway.reset();
  host.com.Uninitialize();
  for (const wchar_t* command : {L"Net Stop W3svc", L"INSTSRV ZqKtMgr REMOVE",
                                 L"schtasks /delete /f /tn \"Velmar weekly\""}) {
    host.processes.Start(command, 0)->Wait(platform::kInfinite);
  }
  auto connection = host.database.Open(kMaster, L"", L"");
  connection->Execute(L"DROP DATABASE VelmarDB");
  auto msdb = host.database.Open(kMsdb, L"", L"");
  msdb->Execute(L"sp_delete_job @job_name = 'Velmar nightly'");
  host.iis.Bind(L"IIS://LocalHost/W3SVC/1/ROOT")->Delete(L"IIsWebVirtualDir", L"Velmar");
  auto manager = host.directory.CreateDohManager(L"zqdohmanager.zqdohmanager.1");
  manager->Connect();
  auto doh = manager->GetDoh();
  doh->LogOn(3);
  auto subscriber = doh->GetDirectory()->GetSubscribers()->Walk()->Next();
  doh->GetDirectory()->GetSubscribers()->RemoveCustomProperties(*subscriber);
  auto location = doh->GetDirectory()->GetLocations()->Items()->Walk()->Next();
  doh->GetDirectory()->GetLocations()->Delete(*location);
  host.internet.ShellOpen(0, L"c:\\VelmarUninstall.log", L"", 1);
}

// The lines one state has and the other lacks, for a readable failure.
Lines Differences(const velmar::fault::MachineState& a, const velmar::fault::MachineState& b) {
  Lines differences;
  for (const auto& line : velmar::fault::Removed(a, b)) differences.push_back(L"- " + line);
  for (const auto& line : velmar::fault::Removed(b, a)) differences.push_back(L"+ " + line);
  return differences;
}

Lines Texts(const std::vector<Change>& changes) {
  Lines texts;
  for (const Change& change : changes) texts.push_back(change.text);
  return texts;
}

struct Machine {
  Machine() { LayOut(server); }
  Server server;
  Process app{server, L"C:\\Tools\\Uninstall\\VelmarUninstall3xandUp.exe"};
};

class PreviewTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_TRUE(machine.server.Problems().empty()); }

  Machine machine;
  Lines noted;
  RecordingHost preview{machine.app.host(), Mode::kPreview,
                        [this](const Change& change) { noted.push_back(change.text); }};
  Host& host = preview.host();
};

const Lines kRemovalReport = {
    L"  would delete registry key: HKLM\\SOFTWARE\\Velmar\\Server\\Empty",
    L"  would delete registry value: HKLM\\SOFTWARE\\Velmar\\Server\\Ports\\Web\\Port",
    L"  would delete registry value: HKLM\\SOFTWARE\\Velmar\\Server\\Ports\\Web\\Host",
    L"  would delete registry key: HKLM\\SOFTWARE\\Velmar\\Server\\Ports\\Web",
    L"  would delete registry value: HKLM\\SOFTWARE\\Velmar\\Server\\Ports\\Count",
    L"  would delete registry key: HKLM\\SOFTWARE\\Velmar\\Server\\Ports",
    L"  would delete registry value: HKLM\\SOFTWARE\\Velmar\\Server\\Root",
    L"  would delete registry key: HKLM\\SOFTWARE\\Velmar\\Server",
    L"  would delete registry value: HKLM\\System\\CurrentControlSet\\Services\\lanmanServer"
    L"\\Shares\\Reports",
    L"  would delete registry value: HKLM\\System\\CurrentControlSet\\Services\\lanmanServer"
    L"\\Shares\\Security\\Reports",
    L"  would set registry value: HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\1"
    L" = c:\\VelmarClean.bat C:\\Velmar",
    L"  would delete file: C:\\Velmar\\logs\\a.log",
    L"  would delete file: C:\\Velmar\\logs\\b.log",
    L"  would delete file: C:\\Documents and Settings\\All Users\\Desktop\\Velmar.lnk",
    L"  would copy file: C:\\Velmar\\readme.txt -> C:\\Velmar\\readme.bak",
    L"  would delete folder: C:\\Velmar\\bin",
    L"  would create folder: C:\\VelmarTemp",
    L"  would write file: C:\\Velmar\\out.txt",
    L"  would move: C:\\Velmar\\notes.txt -> C:\\Velmar\\notes.old",
    L"  would delete file: C:\\Velmar\\readme.txt",
    L"  would set attributes: C:\\Velmar\\old.ini = 1",
    L"  would move: C:\\Velmar\\old.ini -> C:\\Velmar\\old.bak",
    L"  would delete file: C:\\Velmar\\temp.ini",
    L"  would copy file: C:\\Velmar\\old.bak -> C:\\Velmar\\old.copy",
    L"  would register COM library: C:\\Velmar\\vtsp.dll",
    L"  would shut down: the product, through its gateway",
    L"  would run: Net Stop W3svc",
    L"  would run: INSTSRV ZqKtMgr REMOVE",
    L"  would run: schtasks /delete /f /tn \"Velmar weekly\"",
    L"  would execute SQL: DROP DATABASE VelmarDB",
    L"  would execute SQL: sp_delete_job @job_name = 'Velmar nightly'",
    L"  would delete IIS object: IIS://LocalHost/W3SVC/1/ROOT IIsWebVirtualDir Velmar",
    L"  would remove directory data: subscriber ann",
    L"  would remove directory data: location far",
    L"  would open: c:\\VelmarUninstall.log",
};

// --- the whole removal ---------------------------------------------------------------------

TEST_F(PreviewTest, ARemovalPreviewedChangesNothingAndListsEveryChangeInOrder) {
  const velmar::fault::MachineState before = velmar::fault::Contents(machine.server);
  Remove(host);
  EXPECT_EQ(Differences(before, velmar::fault::Contents(machine.server)), Lines{});
  EXPECT_TRUE(machine.server.sql.HasDatabase(L"VelmarDB"));
  EXPECT_EQ(Texts(preview.changes()), kRemovalReport);
  EXPECT_EQ(noted, kRemovalReport) << "each change is told at once";
  using Count = std::pair<std::wstring, std::size_t>;
  EXPECT_EQ(preview.Counts(), (std::vector<Count>{{L"registry keys deleted", 4},
                                                  {L"registry values deleted", 5},
                                                  {L"shares removed", 1},
                                                  {L"RunOnce entries stored", 1},
                                                  {L"files deleted", 4},
                                                  {L"shortcuts deleted", 1},
                                                  {L"files copied", 2},
                                                  {L"folders deleted", 1},
                                                  {L"folders created", 1},
                                                  {L"files written", 1},
                                                  {L"files moved", 2},
                                                  {L"attributes set", 1},
                                                  {L"COM libraries registered", 1},
                                                  {L"product shut down", 1},
                                                  {L"services stopped", 1},
                                                  {L"services removed", 1},
                                                  {L"scheduled tasks deleted", 1},
                                                  {L"databases dropped", 1},
                                                  {L"SQL jobs deleted", 1},
                                                  {L"IIS objects", 1},
                                                  {L"directory data removed", 2},
                                                  {L"documents opened", 1}}));
}

TEST(PassThrough, ARealRunThroughTheHostMakesExactlyTheChangesThePreviewListed) {
  Machine previewed, passed, plain;
  RecordingHost preview{previewed.app.host(), Mode::kPreview, nullptr};
  RecordingHost through{passed.app.host(), Mode::kPassThrough, nullptr};
  Remove(preview.host());
  Remove(through.host());
  Remove(plain.app.host());
  EXPECT_EQ(
      Differences(velmar::fault::Contents(plain.server), velmar::fault::Contents(passed.server)),
      Lines{});
  EXPECT_FALSE(plain.server.sql.HasDatabase(L"VelmarDB"));
  EXPECT_EQ(Texts(through.changes()), Texts(preview.changes()));
  EXPECT_EQ(through.Counts(), preview.Counts());
}

// --- readings see what was recorded ---------------------------------------------------------

TEST_F(PreviewTest, RemovedFilesFoldersKeysAndValuesReadAsGoneWhileTheMachineKeepsThem) {
  Remove(host);
  auto& files = host.files;
  EXPECT_FALSE(files.FileExists(kLink));
  EXPECT_FALSE(files.FolderExists(L"C:\\Velmar\\bin"));
  EXPECT_FALSE(files.FileExists(L"C:\\Velmar\\bin\\sub\\deep.dat")) << "gone with its folder";
  EXPECT_EQ(files.ListFiles(L"C:\\Velmar\\logs"), Lines{L"keep.txt"});
  EXPECT_EQ(files.ListFolders(L"C:\\Velmar"), Lines{L"logs"});
  EXPECT_THROW(files.ReadBytes(L"C:\\Velmar\\readme.txt"), platform::RuntimeError);
  EXPECT_TRUE(files.FileExists(L"C:\\Velmar\\old.bak")) << "a move's target is there";
  EXPECT_FALSE(files.FileExists(L"C:\\Velmar\\old.ini"));
  EXPECT_THROW(files.RemoveFile(L"C:\\Velmar\\logs\\*.log", true), platform::RuntimeError)
      << "nothing left to match";
  EXPECT_EQ(host.file_calls.GetAttributes(L"C:\\Velmar\\notes.txt"), platform::kInvalidAttributes);
  EXPECT_EQ(host.file_calls.LastError(), platform::win::kFileNotFound);
  EXPECT_NE(machine.app.host().file_calls.GetAttributes(L"C:\\Velmar\\notes.txt"),
            platform::kInvalidAttributes);

  velmar::RegistryAPI api{host.registry, host.locale};
  platform::RegKey key;
  EXPECT_EQ(key.Open(host.registry, kHklm, "SOFTWARE\\Velmar\\Server\\Ports", reg::kRead),
            platform::win::kFileNotFound);
  EXPECT_EQ(api.EnumRegKeys(kHklm, L"SOFTWARE\\Velmar"), Lines{L"Client"});
  const velmar::RegValueTable shares = api.EnumRegValues(kHklm, kShares);
  ASSERT_EQ(shares.columns.at(0).size(), 1u);
  EXPECT_EQ(shares.columns[0][0], velmar::RegVariant(L"Other"));
  EXPECT_EQ(host.registry.DeleteKey(kHklm, "SOFTWARE\\Velmar\\Server"),
            platform::win::kFileNotFound);
  const std::size_t recorded = preview.changes().size();
  api.DeleteRegKeyTree(L"SOFTWARE\\Velmar\\Server", kHklm);
  EXPECT_EQ(preview.changes().size(), recorded) << "a second preview of the tree lists nothing";
  EXPECT_EQ(host.registry.DeleteKey(kHklm, "SOFTWARE"), platform::win::kAccessDenied)
      << "a key with subkeys left is refused as on the machine";
}

TEST_F(PreviewTest, StoppedAndRemovedServicesReadSoThroughTheHostOnly) {
  host.processes.Start(L"net stop w3svc", 0);
  host.processes.Start(L"sc delete ZqKtMgr", 0);
  auto& services = host.services;
  platform::ScopedScHandle manager(services,
                                   services.OpenManager(platform::svc::kManagerAllAccess));
  platform::ScopedScHandle w3(services, services.OpenServiceHandle(manager.get(), "W3SVC", 4));
  platform::ServiceStatus status;
  ASSERT_TRUE(services.QueryStatus(w3.get(), status));
  EXPECT_EQ(status.current_state, platform::svc::kStopped);
  EXPECT_EQ(services.OpenServiceHandle(manager.get(), "ZqKtMgr", 4), 0u);
  EXPECT_EQ(services.LastError(), platform::win::kServiceDoesNotExist);
  EXPECT_EQ(machine.server.services.Find(L"W3svc")->state, platform::svc::kRunning);
  EXPECT_NE(machine.server.services.Find(L"ZqKtMgr"), nullptr);
  EXPECT_EQ(preview.Counts()[1], (std::pair<std::wstring, std::size_t>{L"services removed", 1}));

  const platform::ServiceConfig config{
      L"VelmarTsp", L"Velmar TSP", 0xF01FF, 1, 1, 1, L"C:\\WINDOWS\\system32\\drivers\\vtsp.sys"};
  platform::ScopedScHandle created(services, services.CreateServiceEntry(manager.get(), config));
  EXPECT_NE(created.get(), 0u);
  EXPECT_EQ(machine.server.services.Find(L"VelmarTsp"), nullptr);
  EXPECT_EQ(preview.changes().back().text,
            L"  would create service: VelmarTsp (C:\\WINDOWS\\system32\\drivers\\vtsp.sys)");
}

TEST_F(PreviewTest, AKeyCreatedOnlyInTheRecordReadsEmptyAndAnExistingOneIsOnlyOpened) {
  platform::RegKey fresh;
  ASSERT_EQ(
      fresh.CreateW(host.registry, kHklm, L"SOFTWARE\\Velmar\\Fresh\\Deeper", reg::kAllAccess),
      platform::win::kSuccess);
  std::uint32_t size = 0;
  EXPECT_EQ(host.registry.QueryValueW(fresh.get(), L"x", nullptr, nullptr, &size),
            platform::win::kFileNotFound);
  char name[64];
  EXPECT_EQ(host.registry.EnumKey(fresh.get(), 0, name, sizeof name), platform::win::kNoMoreItems);
  platform::RegKey existing;
  ASSERT_EQ(existing.Create(host.registry, kHklm, "SOFTWARE\\Velmar\\Client"), 0);
  EXPECT_EQ(Texts(preview.changes()),
            Lines{L"  would create registry key: HKLM\\SOFTWARE\\Velmar\\Fresh\\Deeper"});
  EXPECT_EQ(host.registry.SetValueW(fresh.get(), L"Mode", reg::kDword,
                                    std::vector<std::uint8_t>{7, 1, 0, 0}.data(), 4),
            0);
  EXPECT_EQ(preview.changes().back().text,
            L"  would set registry value: HKLM\\SOFTWARE\\Velmar\\Fresh\\Deeper\\Mode = 263");
  EXPECT_EQ(machine.server.registry.Root(kHklm)->subkeys.size(),
            Machine().server.registry.Root(kHklm)->subkeys.size());
  platform::RegKey probe;
  EXPECT_EQ(probe.Open(machine.app.host().registry, kHklm, "SOFTWARE\\Velmar\\Fresh", reg::kRead),
            platform::win::kFileNotFound);
}

TEST_F(PreviewTest, ALoopDeletingTheFirstSubkeyUntilNoneIsLeftEnds) {
  platform::RegKey ports;
  ASSERT_EQ(ports.Open(host.registry, kHklm, "SOFTWARE\\Velmar\\Server", reg::kAllAccess), 0);
  Lines deleted;
  char name[256];
  for (int round = 0; round < 10 && host.registry.EnumKey(ports.get(), 0, name, sizeof name) == 0;
       ++round) {
    const std::string subkey = std::string("SOFTWARE\\Velmar\\Server\\") + name;
    velmar::RegistryAPI{host.registry, host.locale}.DeleteRegKeyTree(
        std::wstring(subkey.begin(), subkey.end()), kHklm);
    deleted.push_back(std::wstring(name, name + std::strlen(name)));
  }
  EXPECT_EQ(deleted, (Lines{L"Empty", L"Ports"}));
  EXPECT_EQ(host.registry.EnumKey(ports.get(), 0, name, sizeof name), platform::win::kNoMoreItems);
}

// Each command line as the programs write it counts as what it does.
TEST_F(PreviewTest, CommandsCountByTheirProgramAndVerbInAnyLetterCase) {
  const std::pair<const wchar_t*, const wchar_t*> kCommands[] = {
      {L"net stop WyDohMgr", L"services stopped"},
      {L"C:\\WINDOWS\\system32\\NET.EXE Stop IISADMIN", L"services stopped"},
      {L"INSTSRV ZqKtGateway REMOVE", L"services removed"},
      {L"sc delete VelmarTsp", L"services removed"},
      {L"regsvr32 /u /s \"C:\\Program Files\\Velmar\\a b.dll\"", L"COM libraries unregistered"},
      {L"regsvr32 /s C:\\x.dll", L"commands run"},
      {L"schtasks /delete /f /tn \"Velmar weekly\"", L"scheduled tasks deleted"},
      {L"netsvc stop x", L"commands run"},
      {L"c:\\VelmarClean.bat", L"commands run"},
  };
  for (const auto& [line, kind] : kCommands) {
    host.processes.Start(line, 0);
    EXPECT_EQ(preview.changes().back().kind, kind) << line;
  }
  EXPECT_TRUE(machine.server.processes().empty());
  auto connection = host.database.Open(kMaster, L"", L"");
  connection->Execute(L"drop database ReportDB");
  EXPECT_EQ(preview.changes().back().kind, L"databases dropped");
  connection->Execute(L"ALTER DATABASE VelmarDB SET SINGLE_USER");
  EXPECT_EQ(preview.changes().back().kind, L"SQL statements");
  EXPECT_FALSE(machine.server.sql.IsSingleUser(L"VelmarDB"));
}

// --- procedures, children, the clock ---------------------------------------------------------

TEST_F(PreviewTest, AProcedureCallIsListedWithItsParametersAsSetAndNotMade) {
  auto command = host.database.NewCommand(kMsdb);
  command->SetProcedure(L"sp_delete_job");
  command->SetParameter(L"@job_name", std::wstring(L"Velmar nightly"));
  command->Execute();
  EXPECT_EQ(Texts(preview.changes()),
            Lines{L"  would call procedure: sp_delete_job @job_name='Velmar nightly'"});
  EXPECT_EQ(preview.changes()[0].kind, L"SQL jobs deleted");
  EXPECT_TRUE(machine.server.sql.calls().empty());
  EXPECT_EQ(machine.server.sql.CountRows(L"msdb", L"sysjobs"), 1);
}

TEST_F(PreviewTest, AllowedStartsRunForRealAndWhatTheyWriteIsAssumedThere) {
  platform::sim::Program dirscrub;
  dirscrub.run_ms = 5000;
  machine.server.InstallProgram(L"C:\\Tools\\Uninstall\\DirscrubVelmar30.exe", dirscrub);
  preview.AllowStart([](std::wstring_view line) { return line.find(L"Dirscrub") != line.npos; });
  preview.AssumeWritten(L"C:\\Dirscrub.log");

  auto child = host.processes.Start(L"C:\\Tools\\Uninstall\\DirscrubVelmar30.exe Preview", 1);
  EXPECT_EQ(child->Wait(platform::kInfinite), platform::WaitResult::kEnded);
  EXPECT_EQ(machine.server.Started(L"C:\\Tools\\Uninstall\\DirscrubVelmar30.exe").size(), 1u);
  EXPECT_EQ(machine.server.now_ms(), 5000u) << "a real child's wait is real";
  EXPECT_TRUE(preview.changes().empty());

  auto notepad = host.processes.Start(L"notepad c:\\VelmarUninstall.log", 1);
  EXPECT_EQ(notepad->Wait(0), platform::WaitResult::kEnded) << "a recorded child has ended";
  EXPECT_TRUE(machine.server.Started(L"notepad").empty());
  EXPECT_EQ(preview.changes().at(0).kind, L"commands run");

  EXPECT_TRUE(host.files.FileExists(L"C:\\Dirscrub.log"));
  EXPECT_NE(host.file_calls.GetAttributes(L"c:\\DIRSCRUB.LOG"), platform::kInvalidAttributes);
  host.files.RemoveFile(L"C:\\Dirscrub.log", true);
  EXPECT_EQ(preview.changes().back().text, L"  would delete file: C:\\Dirscrub.log");
}

TEST_F(PreviewTest, WaitsTakeNoTimeButTheClockReadsTheTimeSkipped) {
  machine.server.SetStartTime({2006, 12, 31, 23, 59, 50, 0});
  auto& clock = host.clock;
  const std::uint32_t ticks = clock.TickCount();
  clock.Sleep(30'000);
  EXPECT_EQ(machine.server.now_ms(), 0u);
  EXPECT_EQ(clock.TickCount() - ticks, 30'000u);
  const platform::LocalTime now = clock.Now();
  EXPECT_EQ((std::vector<int>{now.year, now.month, now.day, now.hour, now.minute, now.second}),
            (std::vector<int>{2007, 1, 1, 0, 0, 20}));
  EXPECT_NEAR(clock.SecondsSinceMidnight(), 20.0f, 0.01f);
  int rounds = 0;
  for (const std::uint32_t start = clock.TickCount(); clock.TickCount() - start < 40'000;
       ++rounds) {
    clock.WaitForMessages(1000);
  }
  EXPECT_EQ(rounds, 40) << "a time-bounded poll ends";

  Machine other;
  RecordingHost through{other.app.host(), Mode::kPassThrough, nullptr};
  through.host().clock.Sleep(30'000);
  EXPECT_EQ(other.server.now_ms(), 30'000u);
  EXPECT_EQ(through.host().clock.TickCount(), other.app.host().clock.TickCount());
}

}  // namespace
