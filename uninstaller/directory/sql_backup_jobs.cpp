// The backup and configuration-check jobs, per name through SQL Server Agent or schtasks.
#include "uninstaller/directory/sql_backup_jobs.h"

#include <memory>

#include "platform/database.h"
#include "uninstaller/sequence/error_trap.h"

namespace uninstaller {
namespace {

constexpr const wchar_t* kJobs[] = {L"SqlWeeklyBackupJob", L"SqlNightlyBackupJob",
                                    L"CheckSqlConfiguration"};

bool InJobTable(platform::Recordset& jobs, const std::wstring& name) {
  bool found = false;
  SkipFailure([&] {
    jobs.MoveFirst();
    jobs.Find(L"name='" + name + L"'");
    found = !jobs.Eof();
  });
  return found;
}

}  // namespace

void RemoveSqlBackupJobs(UninstallerApp& app, velmar::ProcessRunner& runner) {
  app.SqlConnectionString = kMsdb;
  std::unique_ptr<platform::Recordset> jobs;
  SkipFailure([&] {
    jobs = app.host.database.OpenRecordset(L"Select * from sysjobs", app.SqlConnectionString,
                                           platform::ado::kOpenKeyset, platform::ado::kLockReadOnly,
                                           platform::ado::kUseServer);
  });
  if (!jobs || !jobs->IsOpen()) {
    app.Message(app.Text(2057), platform::mb::kOk);
    return;
  }
  for (const std::wstring name : kJobs) {
    if (InJobTable(*jobs, name)) {
      SkipFailure([&] {
        auto connection = app.host.database.Open(kMsdbOleDb, L"", L"");
        connection->Execute(L"sp_delete_job @job_name = '" + name + L"'");
        connection->Close();
      });
      app.log.WriteLog(L"        Remove " + name + L" job from SQL.");
    } else {
      SkipFailure([&] {
        runner.StartProcess(L"schtasks /delete /f /tn \"" + name + L"\"", velmar::show::kHidden);
      });
      app.log.WriteLog(L"        Removed " + name + L" Task.");
    }
  }
  app.log.WriteLog(L"    Velmar nightly and weekly backup jobs removed");
}

}  // namespace uninstaller
