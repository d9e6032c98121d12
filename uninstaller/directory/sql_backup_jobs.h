// The product's three maintenance jobs: each removed as a SQL Server Agent job when msdb's job
// table holds it, else as a Windows scheduled task of the same name.
#pragma once

#include "common/process_runner.h"
#include "uninstaller/app.h"

namespace uninstaller {

inline constexpr wchar_t kMsdb[] = L"Driver={SQL Server};server=;database=msdb";
inline constexpr wchar_t kMsdbOleDb[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial "
    L"Catalog=msdb;Data Source=";

// Never raises; an unreadable job table shows message 2057 and nothing else happens.
void RemoveSqlBackupJobs(UninstallerApp& app, velmar::ProcessRunner& runner);

}  // namespace uninstaller
