// The directory work on the simulated SQL Server: the inventory's layout line for line, the
// removal through the product's procedures with every parameter and synchronisation wait in
// virtual time, and the backup jobs taken off through SQL Server Agent or schtasks.
#include "platform/sim/sim_sql_server.h"
#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"
#include "uninstaller/directory/directory_inventory.h"
#include "uninstaller/directory/remove_directory_data.h"
#include "uninstaller/directory/sql_backup_jobs.h"

namespace uninstaller::testing {
namespace {

using platform::sim::DistributionListRow;
using platform::sim::LocationRow;
using platform::sim::SubscriberRow;

constexpr char kSyncFailed[] =
    "(error) Syncronization failed for the deletion attempt.  See the SQLSyncSvr logs in "
    "corvane\\logs for more details.\r\n";

std::wstring Guid(int n) {
  wchar_t text[40];
  std::swprintf(text, 40, L"{00000000-0000-0000-0000-%012d}", n);
  return text;
}

class Directory : public UninstallerTest {
 protected:
  void SetUp() override {
    platform::sim::InstallWindowsPrograms(server);
    ASSERT_FALSE(Start());
    server.files.WriteFile(L"C:\\VelmarUninstall.log", "");
    app->log.ReopenForAppend();
    app->SqlConnectionString = kProductDatabase;
    sql().sync.delay_ms = 3000;
  }
  platform::sim::SqlServer& sql() { return server.sql; }
  void AddDefaultLocation() {
    sql().AddLocation({L"default", L"Default Location", L"Loc_A", Guid(900), L"DIR-900"});
  }
  void AddSystemList(const std::wstring& alias, const std::wstring& location = Guid(900)) {
    sql().AddDistributionList({alias, alias + L"_UID", alias + L" list", L"cn=" + alias,
                               Guid(500 + static_cast<int>(alias.size())), L"DIR-" + alias,
                               location});
  }
};

TEST_F(Directory, TheWorkedLayoutLineForLine) {
  sql().AddSubscriber({L"ESubscriber", L"Example Subscriber", L"ESubscriber_A", 1, Guid(1)});
  sql().AddSubscriber({L"EAdministrator", L"Example Administrator", L"EAdmin_A", 1, Guid(2)});
  AddDefaultLocation();
  for (const wchar_t* alias : {L"allsubscribers", L"unaddressedmessages", L"SystemEventMessages"}) {
    AddSystemList(alias);
  }
  EXPECT_EQ(platform::Utf8FromWide(GetDirectoryInventory(*app)),
            "\r\n"
            "Subscribers:\r\n"
            "Alias='ESubscriber', Display Name='Example Subscriber', Mail Alias='ESubscriber_A'\r\n"
            "Alias='EAdministrator', Display Name='Example Administrator', Mail "
            "Alias='EAdmin_A'\r\n"
            "\r\n"
            "Public Distribution Lists:\r\n"
            "Alias='AllSubscribers', Display Name='allsubscribers list', Mail "
            "Alias='allsubscribers_UID'\r\n"
            "Alias='UnaddressedMessages', Display Name='unaddressedmessages list', Mail "
            "Alias='unaddressedmessages_UID'\r\n"
            "Alias='SystemEventMessages', Display Name='SystemEventMessages list', Mail "
            "Alias='SystemEventMessages_UID'\r\n"
            "\r\n"
            "Location Objects:\r\n"
            "Alias='default', Display Name='Default Location', Mail Alias='Loc_A'\r\n");
  EXPECT_EQ(app->SqlConnectionString, L"Driver={SQL Server};server=;database=VelmarDb");
}

TEST_F(Directory, OnlyOneAdministratorLine) {
  sql().AddSubscriber({L"EAdmin", L"Short Admin", L"EAdmin_B", 1, Guid(3)});
  sql().AddSubscriber({L"EAdministrator", L"Long Admin", L"EAdmin_A", 1, Guid(2)});
  AddDefaultLocation();
  const std::wstring both = GetDirectoryInventory(*app);
  EXPECT_NE(both.find(L"Alias='EAdministrator', Display Name='Long Admin'"), std::wstring::npos);
  EXPECT_EQ(both.find(L"Alias='EAdmin', "), std::wstring::npos);
}

TEST_F(Directory, EAdminAloneAndTheTypeFilter) {
  sql().AddSubscriber({L"EAdmin", L"Short Admin", L"EAdmin_B", 1, Guid(3)});
  sql().AddSubscriber({L"jdoe", L"Jane Doe", L"JDoe_A", 0, Guid(4)});
  sql().AddSubscriber({L"kiosk", L"Kiosk", L"Kiosk_A", 3, Guid(5)});
  AddDefaultLocation();
  const std::wstring text = GetDirectoryInventory(*app);
  EXPECT_NE(text.find(L"Alias='EAdmin', Display Name='Short Admin', Mail Alias='EAdmin_B'\r\n"),
            std::wstring::npos);
  EXPECT_NE(text.find(L"Alias='jdoe', Display Name='Jane Doe', Mail Alias='JDoe_A'\r\n"),
            std::wstring::npos);
  EXPECT_EQ(text.find(L"kiosk"), std::wstring::npos) << "only type 0 is listed";
}

TEST_F(Directory, ListsOfAnotherLocationAreNotListed) {
  AddDefaultLocation();
  sql().AddLocation({L"branch", L"Branch", L"Loc_B", Guid(901), L"DIR-901"});
  AddSystemList(L"allsubscribers", Guid(901));
  const std::wstring text = GetDirectoryInventory(*app);
  EXPECT_EQ(text.find(L"AllSubscribers"), std::wstring::npos);
  EXPECT_NE(text.find(L"Alias='branch', Display Name='Branch'"), std::wstring::npos);
}

TEST_F(Directory, AMissingDatabaseShows2057OnceAndGivesNothing) {
  sql().reachable = false;
  server.boxes.Expect(EnglishTable().at(2057), platform::mb::kIdOk);
  EXPECT_EQ(GetDirectoryInventory(*app), L"");
  EXPECT_EQ(Log(), "") << "nothing logged";
}

class Removal : public Directory {
 protected:
  std::string Run() {
    RemoveDirectoryData(*app);
    return Log();
  }
};

TEST_F(Removal, TheThreeSetupAccounts) {
  sql().AddSubscriber({L"ESubscriber", L"S", L"ESubscriber_A", 1, Guid(1)});
  sql().AddSubscriber({L"EAdministrator", L"A", L"EAdministrator_A", 1, Guid(2)});
  sql().AddSubscriber({L"EAdmin", L"B", L"AdminEADMIN_2", 2, Guid(3)});
  const std::string log = Run();
  EXPECT_NE(log.find("Starting removal of subscriber properties on a 4.0(3) or later system...\r\n"
                     "    Total subscriber table count= 3\r\n"
                     "    Removing subscriber object added by setup from the directory - "
                     "alias=ESubscriber_A\r\n"
                     "    Subscriber Deletion complete\r\n"
                     "    Removing subscriber object added by setup from the directory - "
                     "alias=EAdministrator_A\r\n"
                     "    Subscriber Deletion complete\r\n"
                     "    Removing subscriber object added by setup from the directory - "
                     "alias=AdminEADMIN_2\r\n"
                     "    Subscriber Deletion complete\r\n"
                     "Completed removal of subscriber properties\r\n"),
            std::string::npos)
      << log;
  const auto calls = sql().CallsTo(L"sp_DeleteSubscriber");
  ASSERT_EQ(calls.size(), 3u);
  std::vector<std::wstring> names;
  for (const auto& argument : calls[0]->arguments) names.push_back(argument.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"@SubscriberObjectID", L"@DirectorySync",
                                              L"@DirectorySyncTicket", L"@ForceRemove",
                                              L"@ForceRemoveEAdmin"}));
  EXPECT_EQ(*calls[0]->Argument(L"@DirectorySync"), platform::DbValue(1));
  EXPECT_EQ(*calls[0]->Argument(L"@ForceRemoveEAdmin"), platform::DbValue(1));
}

TEST_F(Removal, OrdinarySubscriberRules) {
  sql().AddSubscriber({L"operator", L"Op", L"Op_UID", 1, Guid(10)});
  sql().AddSubscriber({L"jdoe", L"Jane", L"ESubscriber_A", 0, Guid(11)});
  sql().AddSubscriber({L"five", L"Five", L"F_UID", 5, Guid(12)});
  sql().AddSubscriber({L"nulltype", L"N", L"N_UID", 0, Guid(13)});
  sql().AddSubscriber({L"hidden", L"H", L"H_UID", 6, Guid(14)});
  sql().Run(L"VelmarDB", L"UPDATE Subscriber SET SubscriberType = NULL WHERE Alias='nulltype'");
  const std::string log = Run();
  EXPECT_NE(log.find("    Removing subscriber proprties on directory obejct - alias=Op_UID\r\n"),
            std::string::npos);
  for (const char* alias : {"jdoe", "five", "nulltype"}) {
    EXPECT_NE(log.find(std::string("    Removing subscriber object from the directory - alias=") +
                       alias + "\r\n"),
              std::string::npos)
        << alias;
  }
  EXPECT_EQ(log.find("hidden"), std::string::npos) << "type 6: no line";
  const auto calls = sql().CallsTo(L"sp_DeleteSubscriber");
  ASSERT_EQ(calls.size(), 4u) << "type 6: no call";
  EXPECT_EQ(*calls[0]->Argument(L"@ForceRemove"), platform::DbValue(0));
  EXPECT_FALSE(calls[0]->Argument(L"@ForceRemoveEAdmin").has_value());
  EXPECT_EQ(*calls[1]->Argument(L"@ForceRemove"), platform::DbValue(1));
  EXPECT_EQ(app->splash.progress_value(), 5) << "the bar moves for the type-6 row too";
}

TEST_F(Removal, DistributionListsAndLocations) {
  AddDefaultLocation();
  sql().AddLocation({L"branch", L"Branch", L"Loc_B", Guid(901), std::nullopt});
  sql().AddLocation({L"third", L"Third", L"Loc_C", Guid(902), L"DIR-902"});
  AddSystemList(L"AllSubscribers");
  AddSystemList(L"allsubscribers2");
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  const std::string log = Run();
  EXPECT_NE(log.find("    Removing public distribution list with alias=AllSubscribers and "
                     "distinguished name=cn=AllSubscribers\r\n"
                     "    Distribution list deletion complete\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("allsubscribers2"), std::string::npos);
  EXPECT_NE(log.find("    Removing location object with alias=branch\r\n"
                     "(error) location has null DirectoryID value - cannot be removed from "
                     "directory.  Alias=branch\r\n"
                     "    Removing location object with alias=third\r\n"
                     "    Location Deletion complete\r\n"),
            std::string::npos)
      << log;
  const auto locations = sql().CallsTo(L"ktp_LocationDelete");
  ASSERT_EQ(locations.size(), 2u);
  EXPECT_EQ(*locations[1]->Argument(L"@FindByDirectoryID"), platform::DbValue(L"DIR-902"));
  std::vector<std::wstring> names;
  for (const auto& argument : locations[1]->arguments) names.push_back(argument.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"@LocationObjectID", L"@FindByDirectoryID",
                                              L"@DirectorySync", L"@DirectorySyncTicket",
                                              L"@ForceRemove"}));
  EXPECT_TRUE(log.ends_with("Completed remove of location objects\r\n"));
  EXPECT_FALSE(app->splash.loaded()) << "the progress window is unloaded at the end";
}

TEST_F(Removal, TheBarCountsSubscribersAndLocations) {
  for (int i = 0; i < 300; ++i) {
    sql().AddSubscriber(
        {L"user" + std::to_wstring(i), L"U", L"U" + std::to_wstring(i), 0, Guid(1000 + i)});
  }
  for (int i = 0; i < 5; ++i) {
    sql().AddLocation({L"loc" + std::to_wstring(i), L"L", L"L", Guid(2000 + i), L"D"});
  }
  sql().sync.delay_ms = 100;
  Run();
  EXPECT_EQ(app->splash.progress_max(), 305);
  EXPECT_EQ(app->splash.progress_value(), 300);
}

TEST_F(Removal, ASilentSyncServiceCosts40SecondsPerObjectAndLeavesItsTickets) {
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  sql().sync.answers = false;
  const auto before = server.now_ms();
  const std::string log = Run();
  EXPECT_NE(log.find(kSyncFailed), std::string::npos);
  EXPECT_GE(server.now_ms() - before, 40'000u);
  EXPECT_LT(server.now_ms() - before, 42'000u);
  EXPECT_EQ(sql().CountRows(L"VelmarDB", L"DirectorySyncTicket"), 1);
}

TEST_F(Removal, AnAnswerAtTheFirstPollDeletesTheTicket) {
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  sql().sync.delay_ms = 500;
  const auto before = server.now_ms();
  const bool done = [&] {
    RemoveDirectoryData(*app);
    return true;
  }();
  EXPECT_TRUE(done);
  EXPECT_LT(server.now_ms() - before, 2'500u) << "one 2-second sleep";
  EXPECT_EQ(sql().CountRows(L"VelmarDB", L"DirectorySyncTicket"), 0);
  EXPECT_EQ(sql().CallsTo(L"sp_DeleteDirectorySyncTicket").size(), 1u);
}

TEST_F(Removal, AFailureResultWritesTheSyncLine) {
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  sql().sync.result = 3;
  const std::string log = Run();
  EXPECT_NE(
      log.find(std::string("    Removing subscriber object from the directory - alias=jdoe\r\n") +
               kSyncFailed),
      std::string::npos);
  EXPECT_EQ(sql().CallsTo(L"sp_DeleteDirectorySyncTicket").size(), 1u) << "deleted all the same";
}

TEST_F(Removal, EmptyViews) {
  const std::string log = Run();
  EXPECT_NE(log.find("(error) subscriber view returned no subscribers.  Exiting subscriber data "
                     "removal routine...\r\nCompleted removal of subscriber properties\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("(error) no distribution lists found in database.\r\n"), std::string::npos);
  EXPECT_NE(log.find("(error) no location objects found in database.\r\n"), std::string::npos);
}

TEST_F(Removal, AFailingProcedureIsTrappedAndStillWaitedOn) {
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  sql().FailStatementsContaining(L"sp_DeleteSubscriber", -2147217900, L"Deletion refused.");
  const std::string log = Run();
  EXPECT_NE(log.find("(error):-2147217900 (Deletion refused.) in procedure RemoveDirectoryData of "
                     "Form frmMain\r\n" +
                     std::string(kSyncFailed)),
            std::string::npos)
      << log;
}

// The command object cannot be created: every use of it is the run time's error 91 under the
// trap, never a crash, and the removal goes on to its end.
class RemovalWithoutCommand : public Removal {
 protected:
  RemovalWithoutCommand() {
    server.faults.programs = {L"VelmarUninstall3xandUp.exe"};
    server.faults.fail_site = "Command.ActiveConnection";
  }
};

TEST_F(RemovalWithoutCommand, EachUseIsError91AndTheRemovalEnds) {
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  sql().sync.delay_ms = 0;
  const std::string log = Run();
  const std::string trap = " in procedure RemoveDirectoryData of Form frmMain\r\n";
  EXPECT_NE(log.find("(error):-2147467259 (General network error. Check your network "
                     "documentation.)" +
                     trap),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("(error):91 (Object variable or With block variable not set)" + trap),
            std::string::npos);
  EXPECT_NE(log.find("Completed remove of location objects\r\n"), std::string::npos);
  EXPECT_TRUE(sql().CallsTo(L"sp_DeleteSubscriber").empty());
}

class BackupJobs : public Directory {
 protected:
  std::string Run() {
    velmar::ProcessRunner runner(process->host(), app->log);
    RemoveSqlBackupJobs(*app, runner);
    return Log();
  }
};

TEST_F(BackupJobs, AllThreeInMsdb) {
  for (const wchar_t* job :
       {L"SqlWeeklyBackupJob", L"SqlNightlyBackupJob", L"CheckSqlConfiguration"}) {
    sql().AddJob(job);
  }
  EXPECT_EQ(Run(),
            "        Remove SqlWeeklyBackupJob job from SQL.\r\n"
            "        Remove SqlNightlyBackupJob job from SQL.\r\n"
            "        Remove CheckSqlConfiguration job from SQL.\r\n"
            "    Velmar nightly and weekly backup jobs removed\r\n");
  EXPECT_EQ(sql().CountRows(L"msdb", L"sysjobs"), 0);
  EXPECT_TRUE(server.Started(L"schtasks").empty());
  EXPECT_EQ(app->SqlConnectionString, L"Driver={SQL Server};server=;database=msdb");
}

TEST_F(BackupJobs, NoneInMsdbAndAMix) {
  sql().AddJob(L"SqlNightlyBackupJob");
  EXPECT_EQ(Run(),
            "        Removed SqlWeeklyBackupJob Task.\r\n"
            "        Remove SqlNightlyBackupJob job from SQL.\r\n"
            "        Removed CheckSqlConfiguration Task.\r\n"
            "    Velmar nightly and weekly backup jobs removed\r\n");
  const auto tasks = server.Started(L"schtasks");
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(tasks[0]->command_line, L"schtasks /delete /f /tn \"SqlWeeklyBackupJob\"");
  EXPECT_EQ(tasks[0]->show_window, 0);
  EXPECT_FALSE(tasks[0]->ended) << "never waited for";
}

TEST_F(BackupJobs, AnUnreachableMsdbShowsOnly2057) {
  sql().reachable = false;
  server.boxes.Expect(EnglishTable().at(2057), platform::mb::kIdOk);
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(server.Started(L"schtasks").empty());
}

}  // namespace
}  // namespace uninstaller::testing
