// Stage B on the simulated server: the two service tables and their error modes, the COM
// unregistrations with and without log lines, the SQL statements on their two connections in
// order, and the two SQL Server stops with their outcome lines.
#include "uninstaller/sequence/stage_b.h"

#include <algorithm>
#include <set>

#include "platform/sim/sim_sql_server.h"
#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"

namespace uninstaller::testing {
namespace {

using platform::sim::SqlKind;

constexpr wchar_t kRoot[] = L"C:\\Program Files\\Corvane\\";

constexpr char kServicesUnregistered[] =
    "Velmar services unregistered\r\n"
    "    Unregistering DLLS in Corvane\\Components directory:\r\n";
constexpr char kDatabasesDropped[] = "    VelmarDB and ReportDB databases dropped from SQL\r\n";
constexpr char kJobsAsTasks[] =
    "        Removed SqlWeeklyBackupJob Task.\r\n"
    "        Removed SqlNightlyBackupJob Task.\r\n"
    "        Removed CheckSqlConfiguration Task.\r\n"
    "    Velmar nightly and weekly backup jobs removed\r\n";
constexpr char kStopsCompleted[] =
    "    Stopping SQLServerAgent\r\n"
    "    net stop process completed\r\n"
    "    Stopping MSSQLSERVER\r\n"
    "    net stop process completed\r\n";

// The two service tables as the press starts them: INSTSRV's with its two waited stops, then
// the sc table with its one.
constexpr const wchar_t* kServiceTableRows[] = {
    L"INSTSRV ZqKtGateway REMOVE",
    L"INSTSRV ZqKtMgr REMOVE",
    L"net stop zqdirchangewriter",
    L"INSTSRV ZqDirChangeWriter REMOVE",
    L"INSTSRV ZqDSAD REMOVE",
    L"INSTSRV ZqDSEx55 REMOVE",
    L"INSTSRV ZqDSDomino REMOVE",
    L"net stop zqdsglobalcatalog",
    L"INSTSRV ZqDSGlobalCatalog REMOVE",
    L"INSTSRV ZQGaenSvr REMOVE",
    L"INSTSRV ZqRepDirSvrSvc REMOVE",
    L"INSTSRV ZqUMRSyncSvr REMOVE",
    L"INSTSRV ZqADVelmarMon REMOVE",
    L"INSTSRV ZqTTSSvr REMOVE",
    L"INSTSRV ZqktNodeMgr REMOVE",
    L"INSTSRV ktBridgeConnector REMOVE",
    L"INSTSRV ZqMsgStoreMonitorSvr REMOVE",
    L"INSTSRV ZqMMProxySvr REMOVE",
    L"INSTSRV TomCat REMOVE",
    L"INSTSRV ZqSQLChangeWriter REMOVE",
    L"INSTSRV ZqNotifierMgr REMOVE",
    L"INSTSRV KTEMSSvc REMOVE",
    L"INSTSRV BrannockVelmarBellhop REMOVE",
    L"INSTSRV wypidsvc REMOVE",
    L"INSTSRV ktIPFaxSvc REMOVE",
    L"INSTSRV brannockVelmarTDSProxy REMOVE",
    L"INSTSRV KtBMsgConnector REMOVE",
    L"INSTSRV WyMessageAgingSvr REMOVE",
    L"INSTSRV WyVrt REMOVE",
    L"INSTSRV KtVpimConnector REMOVE",
    L"INSTSRV WyMDBStoreMonitor REMOVE",
    L"INSTSRV WyDohMgr REMOVE",
    L"sc delete ZqKtGateway REMOVE",
    L"sc delete ZqKtMgr REMOVE",
    L"SC delete ZqDirChangeWriter REMOVE",
    L"SC delete ZqDSAD REMOVE",
    L"SC delete ZqDSEx55 REMOVE",
    L"SC delete ZqDSDomino REMOVE",
    L"net stop zqdsglobalcatalog",
    L"SC delete ZqDSGlobalCatalog REMOVE",
    L"SC delete ZQGaenSvr REMOVE",
    L"SC delete ZqRepDirSvrSvc REMOVE",
    L"SC delete ZqUMRSyncSvr REMOVE",
    L"SC delete ZqADVelmarMon REMOVE",
    L"SC delete ZqTTSSvr REMOVE",
    L"SC delete ZqktNodeMgr REMOVE",
    L"SC delete ktBridgeConnector REMOVE",
    L"SC delete ZqMsgStoreMonitorSvr REMOVE",
    L"SC delete ZqMMProxySvr REMOVE",
    L"SC delete TomCat REMOVE",
    L"SC delete ZqSQLChangeWriter REMOVE",
    L"SC delete ZqNotifierMgr REMOVE",
    L"SC delete KTEMSSvc REMOVE",
    L"SC delete BrannockVelmarBellhop REMOVE",
    L"SC delete wypidsvc REMOVE",
    L"SC delete ktIPFaxSvc REMOVE",
    L"SC delete brannockVelmarTDSProxy REMOVE",
    L"SC delete KtBMsgConnector REMOVE",
    L"SC delete WyMDBStoreMonitor REMOVE",
    L"SC delete WyDohMgr REMOVE",
    L"SC delete WyMessageAgingSvr REMOVE",
    L"SC delete WyVrt REMOVE",
    L"SC delete KtVpimConnector REMOVE",
    L"SC delete WyNameGrammar REMOVE",
    L"SC delete WyDirReader REMOVE",
};

class StageB : public UninstallerTest {
 protected:
  void SetUp() override {
    platform::sim::InstallWindowsPrograms(server);
    ASSERT_FALSE(Start());
    server.files.WriteFile(L"C:\\VelmarUninstall.log", "");
    app->log.ReopenForAppend();
    runner = std::make_unique<velmar::ProcessRunner>(process->host(), app->log);
    trap = std::make_unique<ErrorTrap>(app->log);
    helpers = std::make_unique<FileHelpers>(process->host(), app->log, *runner);
    for (const wchar_t* name : {L"SQLServerAgent", L"MSSQLSERVER"}) {
      server.services.Install(name, platform::svc::kRunning);
    }
    for (const wchar_t* device : {L"ReportDbDump", L"VelmarDbDump"}) {
      server.sql.AddBackupDevice(device);
    }
    for (const wchar_t* folder : {L"Components", L"OrderedComs"}) {
      server.files.MakeFolders(kRoot + std::wstring(folder));
    }
  }
  std::string Run() {
    RunStageB(*app, *runner, *trap, *helpers, kRoot);
    return Log();
  }
  void AddFile(const std::wstring& relative) { server.files.WriteFile(kRoot + relative, "MZ"); }
  void RemoveProgram(const std::wstring& name) {
    platform::sim::FileSystemState::RemoveChild(
        *server.files.Find(L"C:\\WINDOWS\\system32\\" + name));
  }
  std::vector<std::wstring> Commands(std::wstring_view prefix) const {
    std::vector<std::wstring> commands;
    for (const auto* record : server.Started(prefix)) commands.push_back(record->command_line);
    return commands;
  }
  static std::string Missing(const std::string& database) {
    return "(error) Description:Could not locate entry in sysdatabases for database '" + database +
           "'. No entry found with that name. Make sure that the name is entered correctly. "
           "number:-2147217900\r\n";
  }
  static std::string Undroppable(const std::string& database) {
    return "(error) Description:Cannot drop the database '" + database +
           "', because it does not exist in the system catalog. number:-2147217900\r\n";
  }
  static std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }

  std::unique_ptr<velmar::ProcessRunner> runner;
  std::unique_ptr<ErrorTrap> trap;
  std::unique_ptr<FileHelpers> helpers;
};

TEST_F(StageB, ATypicalRunLineForLine) {
  AddFile(L"Components\\zqcore.dll");
  AddFile(L"OrderedComs\\zqorder.dll");
  AddFile(L"Localize\\PhraseServers\\enu\\phrases.dll");
  server.sql.AddJob(L"SqlNightlyBackupJob");
  EXPECT_EQ(Run(), std::string(kServicesUnregistered) +
                       "        C:\\Program Files\\Corvane\\Components\\zqcore.dll\r\n"
                       "    Unregistering DLLS in Corvane\\OrderedComs directory:\r\n"
                       "        C:\\Program Files\\Corvane\\OrderedComs\\zqorder.dll\r\n" +
                       kDatabasesDropped +
                       "        Removed SqlWeeklyBackupJob Task.\r\n"
                       "        Remove SqlNightlyBackupJob job from SQL.\r\n"
                       "        Removed CheckSqlConfiguration Task.\r\n"
                       "    Velmar nightly and weekly backup jobs removed\r\n"
                       "    Velmar backup devices removed\r\n" +
                       kStopsCompleted);
  EXPECT_EQ(trap->mode(), ErrorMode::kReporting);
  for (const char* row :
       {"chkUnregisterServices", "chkUnregisteringDLLs", "chkRemoveVelmarFromSQL"}) {
    EXPECT_TRUE(app->main.Checked(row)) << row;
  }
  for (const auto* name : kServices) EXPECT_EQ(server.services.Find(name), nullptr) << name;
  EXPECT_EQ(server.services.Find(L"MSSQLSERVER")->state, platform::svc::kStopped);
  EXPECT_EQ(server.services.Find(L"SQLServerAgent")->state, platform::svc::kStopped);
  EXPECT_FALSE(server.sql.HasDatabase(L"VelmarDB"));
  EXPECT_FALSE(server.sql.HasDatabase(L"ReportDB"));
  EXPECT_EQ(server.sql.CountRows(L"master", L"sysdevices"), 0);
  EXPECT_EQ(server.unregistered_libraries.size(), 3u);
}

TEST_F(StageB, TheTwoServiceTablesInOrderWithTheirWindowStyles) {
  const std::size_t first = server.processes().size();
  Run();
  ASSERT_GE(server.processes().size(), first + std::size(kServiceTableRows));
  for (std::size_t i = 0; i < std::size(kServiceTableRows); ++i) {
    EXPECT_EQ(server.processes()[first + i].command_line, kServiceTableRows[i]) << "row " << i;
  }
  const auto instsrv = Commands(L"INSTSRV ");
  ASSERT_EQ(instsrv.size(), 30u);
  EXPECT_EQ(instsrv.front(), L"INSTSRV ZqKtGateway REMOVE");
  EXPECT_EQ(instsrv.back(), L"INSTSRV WyDohMgr REMOVE");
  const auto sc = Commands(L"sc ");
  ASSERT_EQ(sc.size(), 32u) << "sc and SC, any case";
  EXPECT_EQ(sc[0], L"sc delete ZqKtGateway REMOVE");
  EXPECT_EQ(sc[2], L"SC delete ZqDirChangeWriter REMOVE");
  EXPECT_EQ(sc[25], L"SC delete WyMDBStoreMonitor REMOVE") << "moved ahead of WyMessageAgingSvr";
  EXPECT_EQ(sc[31], L"SC delete WyDirReader REMOVE");
  EXPECT_EQ(Commands(L"net stop zq"),
            (std::vector<std::wstring>{L"net stop zqdirchangewriter", L"net stop zqdsglobalcatalog",
                                       L"net stop zqdsglobalcatalog"}));

  std::vector<std::wstring> order;
  for (const auto& record : server.processes()) {
    if (record.command_line.find(L"ZqDirChangeWriter") != std::wstring::npos ||
        record.command_line.find(L"zqdirchangewriter") != std::wstring::npos) {
      order.push_back(record.command_line);
    }
  }
  EXPECT_EQ(order, (std::vector<std::wstring>{L"net stop zqdirchangewriter",
                                              L"INSTSRV ZqDirChangeWriter REMOVE",
                                              L"SC delete ZqDirChangeWriter REMOVE"}));
  for (const auto* record : server.Started(L"INSTSRV")) EXPECT_EQ(record->show_window, 2);
  for (const auto* record : server.Started(L"net stop zq")) {
    EXPECT_EQ(record->show_window, 2);
    EXPECT_TRUE(record->ended) << "waited for before the removal that follows";
  }
  for (const auto& record : server.processes()) {
    if (record.command_line.starts_with(L"Net Stop ")) {
      EXPECT_EQ(record.show_window, 1);
    }
  }
}

// Every service program runs for five seconds: a waited row has ended before the next row
// starts, every other row leaves its program running while the next one starts.
TEST_F(StageB, OnlyTheNetStopRowsAreWaitedFor) {
  for (const wchar_t* program : {L"INSTSRV.EXE", L"sc.exe", L"net.exe"}) {
    server.InstallProgram(L"C:\\WINDOWS\\system32\\" + std::wstring(program),
                          platform::sim::RunsFor(5000));
  }
  // "net stop zqdirchangewriter" and "net stop zqdsglobalcatalog" in the first table, the
  // second's "net stop zqdsglobalcatalog".
  const std::set<std::size_t> waited = {2, 7, 38};
  const std::size_t first = server.processes().size();
  Run();
  ASSERT_GT(server.processes().size(), first + std::size(kServiceTableRows));
  for (std::size_t i = 0; i + 1 < std::size(kServiceTableRows); ++i) {
    const auto& row = server.processes()[first + i];
    const auto& next = server.processes()[first + i + 1];
    SCOPED_TRACE(platform::Utf8FromWide(row.command_line));
    EXPECT_EQ(row.command_line, kServiceTableRows[i]);
    ASSERT_TRUE(row.ends_ms.has_value());
    if (waited.count(i) != 0) {
      EXPECT_GE(next.started_ms, *row.ends_ms) << "waited for";
    } else {
      EXPECT_LT(next.started_ms, *row.ends_ms) << "left running";
    }
  }
}

TEST_F(StageB, OneSecondPassesBetweenTheServiceTablesAndTheirLine) {
  // Every 50 ms: has the last sc row started, and is the line written?
  std::vector<std::pair<bool, bool>> samples;
  for (std::uint64_t at = server.now_ms() + 50; at < server.now_ms() + 30'000; at += 50) {
    server.At(at, [&] {
      samples.emplace_back(!server.Started(L"SC delete WyDirReader").empty(),
                           Log().find("Velmar services unregistered") != std::string::npos);
    });
  }
  Run();
  const auto between = std::count(samples.begin(), samples.end(), std::pair(true, false));
  EXPECT_GE(between, 19);
  EXPECT_LE(between, 21) << "one pause of one second";
}

TEST_F(StageB, WithoutInstsrvThirtyTrapLinesFromTheFirstTableAndNoneFromTheSecond) {
  RemoveProgram(L"INSTSRV.EXE");
  const std::string log = Run();
  std::string expected;
  for (int i = 0; i < 30; ++i) expected += "(error) Description:File not found number: 53\r\n";
  EXPECT_EQ(log.substr(0, log.find(kServicesUnregistered)), expected);
  EXPECT_EQ(Count(log, "(error)"), 30u) << log;
  EXPECT_EQ(Commands(L"net stop zq").size(), 3u) << "the net stop rows still start";
  for (const auto* name : kServices) EXPECT_EQ(server.services.Find(name), nullptr) << name;
  EXPECT_EQ(trap->mode(), ErrorMode::kReporting);
}

TEST_F(StageB, WithoutScNothingIsLogged) {
  RemoveProgram(L"sc.exe");
  const std::string log = Run();
  EXPECT_EQ(log.substr(0, log.find(kServicesUnregistered)), "");
  EXPECT_EQ(Count(log, "(error)"), 0u) << log;
  for (const auto* name : {L"ZqKtGateWay", L"ZqDirChangeWriter", L"ZqSqlChangeWriter", L"ZqDSAD"}) {
    EXPECT_EQ(server.services.Find(name), nullptr) << name;
  }
  EXPECT_NE(server.services.Find(L"WyDirReader"), nullptr) << "only the sc table names it";
  EXPECT_EQ(trap->mode(), ErrorMode::kReporting) << "silent only for the sc table";
}

TEST_F(StageB, ComponentsDllsDirectlyInTheFolderOneAfterTheOther) {
  AddFile(L"Components\\a.dll");
  AddFile(L"Components\\b.DLL");
  AddFile(L"Components\\readme.txt");
  AddFile(L"Components\\sub\\c.dll");
  const std::string log = Run();
  EXPECT_NE(log.find(std::string(kServicesUnregistered) +
                     "        C:\\Program Files\\Corvane\\Components\\a.dll\r\n"
                     "        C:\\Program Files\\Corvane\\Components\\b.DLL\r\n"
                     "    Unregistering DLLS in Corvane\\OrderedComs directory:\r\n" +
                     kDatabasesDropped),
            std::string::npos)
      << log;
  EXPECT_EQ(server.unregistered_libraries,
            (std::vector<std::wstring>{L"C:\\Program Files\\Corvane\\Components\\a.dll",
                                       L"C:\\Program Files\\Corvane\\Components\\b.DLL"}));
  const auto started = server.Started(L"regsvr32");
  ASSERT_EQ(started.size(), 2u);
  EXPECT_TRUE(started[0]->ended);
  EXPECT_LE(*started[0]->ends_ms, started[1]->started_ms) << "the second after the first";
}

TEST_F(StageB, PhraseServerUnregistrationsAreSilentHoweverMany) {
  for (int i = 0; i < 12; ++i) {
    AddFile(L"Localize\\PhraseServers\\lang" + std::to_wstring(i % 3) + L"\\p" +
            std::to_wstring(i) + L".dll");
  }
  AddFile(L"Components\\zq.dll");
  AddFile(L"OrderedComs\\zo.dll");
  const std::string log = Run();
  EXPECT_EQ(log.find("PhraseServers"), std::string::npos) << log;
  EXPECT_EQ(Count(log, "(error)"), 0u) << log;
  const auto started = server.Started(L"regsvr32");
  ASSERT_EQ(started.size(), 14u);
  for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(started[i]->show_window, 0);
  EXPECT_EQ(server.unregistered_libraries.size(), 14u);
}

TEST_F(StageB, SqlStatementsInOrderOnTheirTwoConnections) {
  const std::size_t opened_before = server.sql.connection_texts().size();
  Run();
  const auto& opened = server.sql.connection_texts();
  // The databases on the local default instance, the backup jobs' listing, then the devices.
  EXPECT_EQ(std::vector<std::wstring>(opened.begin() + static_cast<std::ptrdiff_t>(opened_before),
                                      opened.end()),
            (std::vector<std::wstring>{
                L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                L"Data Source=",
                L"Driver={SQL Server};server=;database=msdb",
                L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                L"Initial Catalog=msdb;Data Source=",
            }));
  std::vector<std::wstring> executed;
  std::vector<std::wstring> where;
  for (const auto& statement : server.sql.statements()) {
    if (statement.kind != SqlKind::kExecute) continue;
    executed.push_back(statement.text);
    where.push_back(statement.database);
  }
  EXPECT_EQ(executed, (std::vector<std::wstring>{
                          L"use Master",
                          L"ALTER DATABASE VelmarDb SET SINGLE_USER WITH ROLLBACK IMMEDIATE",
                          L"DROP DATABASE VelmarDB",
                          L"ALTER DATABASE ReportDB SET SINGLE_USER WITH ROLLBACK IMMEDIATE",
                          L"DROP DATABASE ReportDB",
                          L"sp_dropdevice @logicalname = 'ReportDbDump'",
                          L"sp_dropdevice @logicalname = 'VelmarDbDump'",
                      }));
  EXPECT_EQ(where, (std::vector<std::wstring>{L"master", L"master", L"master", L"master", L"master",
                                              L"msdb", L"msdb"}));
  EXPECT_EQ(app->SqlConnectionString, L"Driver={SQL Server};server=;database=msdb")
      << "the backup jobs ran between the two connections";
}

TEST_F(StageB, DatabasesAndDevicesAlreadyGoneCostOneLinePerStatement) {
  {
    auto connection = process->host().database.Open(
        L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Data Source=",
        L"", L"");
    connection->Execute(L"DROP DATABASE VelmarDB");
    connection->Execute(L"DROP DATABASE ReportDB");
    connection->Execute(L"sp_dropdevice @logicalname = 'VelmarDbDump'");
    connection->Close();
  }
  const std::size_t before = server.sql.statements().size();
  const std::string log = Run();
  const auto sql = log.find("OrderedComs directory:\r\n");
  ASSERT_NE(sql, std::string::npos);
  EXPECT_EQ(log.substr(sql + 24),
            Missing("VelmarDb") + Undroppable("VelmarDB") + Missing("ReportDB") +
                Undroppable("ReportDB") + kDatabasesDropped + kJobsAsTasks +
                "(error) Description:Device 'VelmarDbDump' does not exist. Use sp_helpdevice to "
                "show available devices. number:-2147217900\r\n"
                "    Velmar backup devices removed\r\n" +
                kStopsCompleted);
  ASSERT_GT(server.sql.statements().size(), before);
  EXPECT_EQ(server.sql.statements()[before].text, L"use Master");
}

TEST_F(StageB, AnUnreachableServerFailsEveryCallAndTheSuccessLinesStillFollow) {
  server.sql.reachable = false;
  server.boxes.Expect(EnglishTable().at(2057), platform::mb::kIdOk);
  const std::string log = Run();
  const std::string refused =
      "(error) Description:[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or "
      "access denied. number:-2147467259\r\n";
  const std::string closed =
      "(error) Description:Operation is not allowed when the object is closed. number: 3704\r\n";
  // The open fails, then every statement and the close on the still-closed connection.
  std::string expected = refused;
  for (int i = 0; i < 5; ++i) expected += closed;
  expected += kDatabasesDropped + closed + refused + closed + closed +
              "    Velmar backup devices removed\r\n" + closed + kStopsCompleted;
  const auto start = log.find(refused);
  ASSERT_NE(start, std::string::npos) << log;
  EXPECT_EQ(log.substr(start), expected);
  EXPECT_TRUE(server.sql.statements().empty());
}

TEST_F(StageB, TheSqlStopsReportTheirOwnOutcomes) {
  platform::sim::Program net;
  net.run_time = [](platform::sim::Server&, const std::wstring& command_line) -> std::uint64_t {
    return command_line.find(L"SQLServerAgent") != std::wstring::npos ? 90'000 : 300;
  };
  server.InstallProgram(L"C:\\WINDOWS\\system32\\net.exe", net);
  const std::string log = Run();
  EXPECT_EQ(log.substr(log.find("    Stopping SQLServerAgent")),
            "    Stopping SQLServerAgent\r\n"
            "(error) net stop process took longer than 60 seconds, task terminated\r\n"
            "    Stopping MSSQLSERVER\r\n"
            "    net stop process completed\r\n");
  std::vector<const platform::sim::ProcessRecord*> stops;
  for (const auto& record : server.processes()) {
    if (record.command_line.starts_with(L"Net Stop ")) stops.push_back(&record);
  }
  ASSERT_EQ(stops.size(), 2u);
  EXPECT_GE(stops[1]->started_ms - stops[0]->started_ms, 60'000u);
  EXPECT_LT(stops[1]->started_ms - stops[0]->started_ms, 61'000u)
      << "the second stop starts when the first one's limit passes";
}

}  // namespace
}  // namespace uninstaller::testing
