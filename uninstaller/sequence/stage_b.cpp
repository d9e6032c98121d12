// Stage B as tables of service-removal commands and SQL statements, with the error mode silent
// only for the sc table and the phrase-server libraries, whose failures must stay out of the log.
#include "uninstaller/sequence/stage_b.h"

#include <memory>
#include <span>

#include "platform/database.h"
#include "uninstaller/directory/sql_backup_jobs.h"

namespace uninstaller {
namespace {

using velmar::ProcessStep;

// Started minimized and left running, so the removals of one table run side by side.
constexpr ProcessStep Left(std::wstring_view command) {
  return {L"", command, velmar::show::kMinimized, std::nullopt, L"", L""};
}
// A service the next row removes must be stopped first; its outcome is never looked at.
constexpr ProcessStep Waited(std::wstring_view command) {
  return {L"", command, velmar::show::kMinimized, platform::kInfinite, L"", L""};
}

constexpr ProcessStep kInstsrvRemovals[] = {
    Left(L"INSTSRV ZqKtGateway REMOVE"),
    Left(L"INSTSRV ZqKtMgr REMOVE"),
    Waited(L"net stop zqdirchangewriter"),
    Left(L"INSTSRV ZqDirChangeWriter REMOVE"),
    Left(L"INSTSRV ZqDSAD REMOVE"),
    Left(L"INSTSRV ZqDSEx55 REMOVE"),
    Left(L"INSTSRV ZqDSDomino REMOVE"),
    Waited(L"net stop zqdsglobalcatalog"),
    Left(L"INSTSRV ZqDSGlobalCatalog REMOVE"),
    Left(L"INSTSRV ZQGaenSvr REMOVE"),
    Left(L"INSTSRV ZqRepDirSvrSvc REMOVE"),
    Left(L"INSTSRV ZqUMRSyncSvr REMOVE"),
    Left(L"INSTSRV ZqADVelmarMon REMOVE"),
    Left(L"INSTSRV ZqTTSSvr REMOVE"),
    Left(L"INSTSRV ZqktNodeMgr REMOVE"),
    Left(L"INSTSRV ktBridgeConnector REMOVE"),
    Left(L"INSTSRV ZqMsgStoreMonitorSvr REMOVE"),
    Left(L"INSTSRV ZqMMProxySvr REMOVE"),
    Left(L"INSTSRV TomCat REMOVE"),
    Left(L"INSTSRV ZqSQLChangeWriter REMOVE"),
    Left(L"INSTSRV ZqNotifierMgr REMOVE"),
    Left(L"INSTSRV KTEMSSvc REMOVE"),
    Left(L"INSTSRV BrannockVelmarBellhop REMOVE"),
    Left(L"INSTSRV wypidsvc REMOVE"),
    Left(L"INSTSRV ktIPFaxSvc REMOVE"),
    Left(L"INSTSRV brannockVelmarTDSProxy REMOVE"),
    Left(L"INSTSRV KtBMsgConnector REMOVE"),
    Left(L"INSTSRV WyMessageAgingSvr REMOVE"),
    Left(L"INSTSRV WyVrt REMOVE"),
    Left(L"INSTSRV KtVpimConnector REMOVE"),
    Left(L"INSTSRV WyMDBStoreMonitor REMOVE"),
    Left(L"INSTSRV WyDohMgr REMOVE"),
};
static_assert(std::size(kInstsrvRemovals) == 32);

// sc takes no "REMOVE" word: it ignores the extra argument, so the rows keep it as they always
// had it.
constexpr ProcessStep kScDeletions[] = {
    Left(L"sc delete ZqKtGateway REMOVE"),
    Left(L"sc delete ZqKtMgr REMOVE"),
    Left(L"SC delete ZqDirChangeWriter REMOVE"),
    Left(L"SC delete ZqDSAD REMOVE"),
    Left(L"SC delete ZqDSEx55 REMOVE"),
    Left(L"SC delete ZqDSDomino REMOVE"),
    Waited(L"net stop zqdsglobalcatalog"),
    Left(L"SC delete ZqDSGlobalCatalog REMOVE"),
    Left(L"SC delete ZQGaenSvr REMOVE"),
    Left(L"SC delete ZqRepDirSvrSvc REMOVE"),
    Left(L"SC delete ZqUMRSyncSvr REMOVE"),
    Left(L"SC delete ZqADVelmarMon REMOVE"),
    Left(L"SC delete ZqTTSSvr REMOVE"),
    Left(L"SC delete ZqktNodeMgr REMOVE"),
    Left(L"SC delete ktBridgeConnector REMOVE"),
    Left(L"SC delete ZqMsgStoreMonitorSvr REMOVE"),
    Left(L"SC delete ZqMMProxySvr REMOVE"),
    Left(L"SC delete TomCat REMOVE"),
    Left(L"SC delete ZqSQLChangeWriter REMOVE"),
    Left(L"SC delete ZqNotifierMgr REMOVE"),
    Left(L"SC delete KTEMSSvc REMOVE"),
    Left(L"SC delete BrannockVelmarBellhop REMOVE"),
    Left(L"SC delete wypidsvc REMOVE"),
    Left(L"SC delete ktIPFaxSvc REMOVE"),
    Left(L"SC delete brannockVelmarTDSProxy REMOVE"),
    Left(L"SC delete KtBMsgConnector REMOVE"),
    Left(L"SC delete WyMDBStoreMonitor REMOVE"),
    Left(L"SC delete WyDohMgr REMOVE"),
    Left(L"SC delete WyMessageAgingSvr REMOVE"),
    Left(L"SC delete WyVrt REMOVE"),
    Left(L"SC delete KtVpimConnector REMOVE"),
    Left(L"SC delete WyNameGrammar REMOVE"),
    Left(L"SC delete WyDirReader REMOVE"),
};
static_assert(std::size(kScDeletions) == 33);

constexpr wchar_t kDatabaseConnection[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Data Source=";

constexpr std::wstring_view kDropDatabases[] = {
    L"use Master",
    L"ALTER DATABASE VelmarDb SET SINGLE_USER WITH ROLLBACK IMMEDIATE",
    L"DROP DATABASE VelmarDB",
    L"ALTER DATABASE ReportDB SET SINGLE_USER WITH ROLLBACK IMMEDIATE",
    L"DROP DATABASE ReportDB",
};

constexpr std::wstring_view kDropDevices[] = {
    L"sp_dropdevice @logicalname = 'ReportDbDump'",
    L"sp_dropdevice @logicalname = 'VelmarDbDump'",
};

constexpr ProcessStep SqlStop(std::wstring_view line, std::wstring_view command) {
  return {line,
          command,
          velmar::show::kNormal,
          60'000,
          L"(error) net stop process took longer than 60 seconds, task terminated",
          L"    net stop process completed"};
}

constexpr ProcessStep kSqlStops[] = {
    SqlStop(L"    Stopping SQLServerAgent", L"Net Stop SQLServerAgent"),
    SqlStop(L"    Stopping MSSQLSERVER", L"Net Stop MSSQLSERVER"),
};

// One connection object kept across the SQL steps: when an open fails it stays closed, and
// every later call on it fails as a closed object's calls do, each with its own trap line.
class SqlConnection {
 public:
  SqlConnection(platform::Database& database, ErrorTrap& trap) : database_(database), trap_(trap) {}

  void Open(std::wstring_view connection_text) {
    trap_([&] { open_ = database_.Open(connection_text, L"", L""); });
  }
  void Execute(std::wstring_view text) {
    trap_([&] {
      if (!open_) RaiseClosed();
      open_->Execute(text);
    });
  }
  void Close() {
    trap_([&] {
      if (!open_) RaiseClosed();
      auto closing = std::move(open_);
      closing->Close();
    });
  }

 private:
  [[noreturn]] static void RaiseClosed() {
    platform::Raise(3704, L"Operation is not allowed when the object is closed.");
  }

  platform::Database& database_;
  ErrorTrap& trap_;
  std::unique_ptr<platform::Connection> open_;
};

void RunTable(velmar::ProcessRunner& runner, ErrorTrap& trap, std::span<const ProcessStep> table) {
  for (const ProcessStep& step : table) trap([&] { runner.Run(step); });
}

}  // namespace

void RunStageB(UninstallerApp& app, velmar::ProcessRunner& runner, ErrorTrap& trap,
               FileHelpers& helpers, const std::wstring& root) {
  trap([&] { app.main.TickRow(4); });
  RunTable(runner, trap, kInstsrvRemovals);
  // The sc pass repeats what INSTSRV already did on most servers; its failures say nothing new.
  trap.set_mode(ErrorMode::kSilent);
  RunTable(runner, trap, kScDeletions);
  helpers.UnregisterFolderDlls(root + L"Localize\\PhraseServers");
  trap.set_mode(ErrorMode::kReporting);
  runner.PauseSeconds(1);
  app.log.WriteLog(L"Velmar services unregistered");
  trap([&] { app.main.TickRow(5); });
  app.host.clock.PumpMessages();
  app.log.WriteLog(L"    Unregistering DLLS in Corvane\\Components directory:");
  helpers.UnregisterFolderDllsAndWait(root + L"Components", trap);
  app.log.WriteLog(L"    Unregistering DLLS in Corvane\\OrderedComs directory:");
  helpers.UnregisterFolderDllsAndWait(root + L"OrderedComs", trap);
  trap([&] { app.main.TickRow(6); });

  SqlConnection connection(app.host.database, trap);
  connection.Open(kDatabaseConnection);
  for (const std::wstring_view statement : kDropDatabases) connection.Execute(statement);
  app.log.WriteLog(L"    VelmarDB and ReportDB databases dropped from SQL");
  connection.Close();
  RemoveSqlBackupJobs(app, runner);
  connection.Open(kMsdbOleDb);
  for (const std::wstring_view statement : kDropDevices) connection.Execute(statement);
  app.log.WriteLog(L"    Velmar backup devices removed");
  connection.Close();

  RunTable(runner, trap, kSqlStops);
}

}  // namespace uninstaller
