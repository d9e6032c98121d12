// The removal of subscribers, distribution lists and locations, and the synchronisation wait.
#include "uninstaller/directory/remove_directory_data.h"

#include <memory>

#include "common/vb_text.h"
#include "platform/database.h"
#include "platform/text.h"
#include "uninstaller/sequence/error_trap.h"

namespace uninstaller {
namespace {

using platform::DbText;
using platform::DbValue;

constexpr wchar_t kSyncFailed[] =
    L"(error) Syncronization failed for the deletion attempt.  See the SQLSyncSvr logs in "
    L"corvane\\logs for more details.";

bool ContainsNoCase(const std::wstring& text, std::wstring_view part) {
  return platform::Upcase(text).find(platform::Upcase(part)) != std::wstring::npos;
}

// The run under way: one row reader, one command and the trap, as the procedure holds them.
class Removal {
 public:
  explicit Removal(UninstallerApp& app)
      : app_(app), log_(app.log), trap_(app.log, L"RemoveDirectoryData", L"Form frmMain") {}

  // The progress window goes away on every way out, a failure that escapes the trap included.
  ~Removal() {
    try {
      app_.splash.Unload();
    } catch (...) {
    }
  }

  void Run() {
    if (!app_.options.unattended) trap_([&] { app_.splash.ShowOver(app_.main); });
    log_.WriteLog(L"Starting removal of subscriber properties on a 4.0(3) or later system...");
    trap_([&] { command_ = app_.host.database.NewCommand(app_.SqlConnectionString); });
    SizeProgressBar();
    RemoveSubscribers();
    log_.WriteLog(L"Completed removal of subscriber properties");
    log_.WriteLog(L"Starting removal of public distribution lists added by Velmar setup");
    RemoveDistributionLists();
    log_.WriteLog(L"Completed removal of setup added public distribution lists");
    log_.WriteLog(L"Starting removal of location objects");
    RemoveLocations();
    log_.WriteLog(L"Completed remove of location objects");
    CleanUp();
  }

 private:
  void Query(std::wstring_view text) {
    rows_.reset();
    rows_ =
        app_.host.database.OpenRecordset(text, app_.SqlConnectionString, platform::ado::kOpenStatic,
                                         platform::ado::kLockReadOnly, platform::ado::kUseClient);
  }
  // The command and the rows as object variables: Nothing when their creation failed.
  platform::Command& command() { return platform::Use(command_); }
  platform::Recordset& rows() { return platform::Use(rows_); }
  std::int32_t Count() { return rows_ ? rows_->RecordCount() : 0; }
  // The row count under the trap: a count that cannot be read leaves 0, so the step reports
  // an empty view and the run goes on with the next one.
  std::int32_t TrappedCount() {
    std::int32_t count = 0;
    trap_([&] { count = Count(); });
    return count;
  }

  // The bar's range is 32-bit: a site with more than 32767 objects is no error.
  void SizeProgressBar() {
    std::int64_t total = 0;
    trap_([&] {
      Query(L"select Alias from vw_Subscriber");
      total += Count();
    });
    trap_([&] {
      Query(L"select Alias from vw_Location");
      total += Count();
    });
    maximum_ = static_cast<int>(total);
    app_.splash.SetProgress(0, maximum_, 0);
  }

  void Advance() { app_.splash.SetProgress(0, maximum_, app_.splash.progress_value() + 1); }

  void CallWithTicket(std::wstring_view procedure,
                      const std::vector<std::pair<std::wstring, DbValue>>& first,
                      const std::vector<std::pair<std::wstring, DbValue>>& last,
                      std::wstring_view done_line) {
    std::wstring ticket;
    bool prepared = false;
    trap_([&] {
      command().SetProcedure(procedure);
      for (const auto& [name, value] : first) command().SetParameter(name, value);
      command().SetParameter(L"@DirectorySync", 1);
      ticket = NewTicketGuid(app_);
      command().SetParameter(L"@DirectorySyncTicket", ticket);
      for (const auto& [name, value] : last) command().SetParameter(name, value);
      prepared = true;
    });
    // A half-prepared command would run with what is left of the previous call (its
    // procedure, its object) and its ticket, if any, would never be answered: the object is
    // reported as not synchronised and the next one runs.
    if (!prepared) {
      log_.WriteLog(kSyncFailed);
      return;
    }
    trap_([&] { command().Execute(); });
    log_.WriteLog(WaitForSyncToFinished(app_, ticket) ? done_line : kSyncFailed);
  }

  void RemoveSubscribers() {
    trap_([&] {
      Query(L"SELECT Alias, UID, SubscriberType, SubscriberObjectID FROM vw_Subscriber");
    });
    const std::int32_t count = TrappedCount();
    if (count < 1) {
      log_.WriteLog(
          L"(error) subscriber view returned no subscribers.  Exiting subscriber data removal "
          L"routine...");
      return;
    }
    log_.WriteLog(L"    Total subscriber table count=" + velmar::VbStr(count));
    trap_([&] {
      for (rows().MoveFirst(); !rows().Eof(); rows().MoveNext()) {
        trap_([&] { RemoveSubscriber(); });
        Advance();
      }
    });
  }

  void RemoveSubscriber() {
    const DbValue type = rows().Field(L"SubscriberType");
    const std::int32_t kind = platform::IsNull(type) ? -1 : platform::DbInt(type);
    if (kind == 6) return;  // no line, no call; the bar still moves
    const DbValue object_id = rows().Field(L"SubscriberObjectID");
    std::vector<std::pair<std::wstring, DbValue>> after;
    if (kind == 1 || kind == 2 || kind == 3) {
      const std::wstring uid = DbText(rows().Field(L"UID"));
      if (ContainsNoCase(uid, L"EAdmin") || ContainsNoCase(uid, L"EAdministrator") ||
          ContainsNoCase(uid, L"ESubscriber")) {
        log_.WriteLog(L"    Removing subscriber object added by setup from the directory - alias=" +
                      uid);
        after = {{L"@ForceRemove", 1}, {L"@ForceRemoveEAdmin", 1}};
      } else {
        log_.WriteLog(L"    Removing subscriber proprties on directory obejct - alias=" + uid);
        after = {{L"@ForceRemove", 0}};
      }
    } else {
      log_.WriteLog(L"    Removing subscriber object from the directory - alias=" +
                    DbText(rows().Field(L"Alias")));
      after = {{L"@ForceRemove", 1}};
    }
    CallWithTicket(L"sp_DeleteSubscriber", {{L"@SubscriberObjectID", object_id}}, after,
                   L"    Subscriber Deletion complete");
  }

  void RemoveDistributionLists() {
    trap_([&] {
      Query(
          L"SELECT vw_DistributionList.Alias, vw_DistributionList.AddressID, "
          L"vw_DistributionList.SystemDListObjectID, vw_DistributionList.DirectoryID from "
          L"vw_DistributionList inner join vw_Location ON "
          L"vw_DistributionList.LocationObjectID=vw_Location.LocationObjectID");
    });
    if (TrappedCount() < 1) {
      log_.WriteLog(L"(error) no distribution lists found in database.");
      return;
    }
    trap_([&] {
      for (rows().MoveFirst(); !rows().Eof(); rows().MoveNext()) {
        trap_([&] { RemoveDistributionList(); });
      }
    });
  }

  void RemoveDistributionList() {
    const std::wstring alias = DbText(rows().Field(L"Alias"));
    if (!platform::EqualsNoCase(alias, L"unaddressedmessages") &&
        !platform::EqualsNoCase(alias, L"allsubscribers") &&
        !platform::EqualsNoCase(alias, L"systemeventmessages")) {
      return;
    }
    log_.WriteLog(L"    Removing public distribution list with alias=" + alias +
                  L" and distinguished name=" + DbText(rows().Field(L"AddressID")));
    const DbValue directory_id = rows().Field(L"DirectoryID");
    if (platform::IsNull(directory_id)) {
      log_.WriteLog(
          L"(error) distribution list has null DirectoryID value - cannot be removed from "
          L"directory.  Alias=" +
          alias);
      return;
    }
    CallWithTicket(L"ktp_DistributionListDelete",
                   {{L"@SystemDListObjectID", rows().Field(L"SystemDListObjectID")},
                    {L"@FindByDirectoryID", directory_id}},
                   {{L"@ForceRemove", 1}}, L"    Distribution list deletion complete");
  }

  void RemoveLocations() {
    trap_([&] { Query(L"SELECT LocationObjectID, DirectoryID, Alias from vw_Location"); });
    if (TrappedCount() < 1) {
      log_.WriteLog(L"(error) no location objects found in database.");
      return;
    }
    trap_([&] {
      for (rows().MoveFirst(); !rows().Eof(); rows().MoveNext()) {
        trap_([&] { RemoveLocation(); });
      }
    });
  }

  void RemoveLocation() {
    const std::wstring alias = DbText(rows().Field(L"Alias"));
    log_.WriteLog(L"    Removing location object with alias=" + alias);
    const DbValue directory_id = rows().Field(L"DirectoryID");
    if (platform::IsNull(directory_id)) {
      log_.WriteLog(
          L"(error) location has null DirectoryID value - cannot be removed from directory.  "
          L"Alias=" +
          alias);
      return;
    }
    CallWithTicket(L"ktp_LocationDelete",
                   {{L"@LocationObjectID", rows().Field(L"LocationObjectID")},
                    {L"@FindByDirectoryID", directory_id}},
                   {{L"@ForceRemove", 1}}, L"    Location Deletion complete");
  }

  void CleanUp() {
    try {
      if (rows_) rows().Close();
    } catch (const platform::RuntimeError&) {
    }
    rows_.reset();
    command_.reset();
    app_.splash.Unload();
  }

  UninstallerApp& app_;
  UninstallLog& log_;
  ProcedureTrap trap_;
  std::unique_ptr<platform::Recordset> rows_;
  std::unique_ptr<platform::Command> command_;
  int maximum_ = 0;
};

}  // namespace

void RemoveDirectoryData(UninstallerApp& app) {
  Removal(app).Run();
}

bool WaitForSyncToFinished(UninstallerApp& app, const std::wstring& ticket) {
  ProcedureTrap trap(app.log, L"WaitForSyncToFinished", L"Module modPMSFunctions");
  std::unique_ptr<platform::Command> command;
  std::unique_ptr<platform::Recordset> row;
  trap([&] { command = app.host.database.NewCommand(app.SqlConnectionString); });
  bool answer = false;
  bool held = false;
  for (int poll = 0; poll < 20 && !held; ++poll) {
    app.host.clock.Sleep(2000);  // the thread blocks: nothing repaints meanwhile
    trap([&] {
      row = app.host.database.OpenRecordset(
          L"SELECT * FROM vw_DirectorySyncTicket WHERE Ticket='" + ticket + L"'",
          app.SqlConnectionString, platform::ado::kOpenKeyset, platform::ado::kLockReadOnly,
          platform::ado::kUseServer);
      if (!row->Eof() && !platform::IsNull(row->Field(L"result"))) {
        held = true;
      } else {
        row->Close();
      }
    });
  }
  if (held) {
    trap([&] { answer = platform::DbInt(row->Field(L"result")) == 0; });
    trap([&] {
      platform::Command& deletion = platform::Use(command);
      deletion.SetProcedure(L"sp_DeleteDirectorySyncTicket");
      deletion.SetParameter(L"@Ticket", row->Field(L"Ticket"));
      deletion.Execute();
    });
  }
  try {
    if (row) row->Close();
  } catch (const platform::RuntimeError&) {
  }
  return answer;
}

std::wstring NewTicketGuid(UninstallerApp& app) {
  return app.host.com.NewGuidText().substr(0, 38);
}

}  // namespace uninstaller
