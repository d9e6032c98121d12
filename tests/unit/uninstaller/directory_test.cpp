// The directory work on the simulated SQL Server: the inventory's layout line for line, the
// removal through the product's procedures with every parameter, synchronisation wait and
// trapped failure in virtual time, and the backup jobs taken off through SQL Server Agent or
// schtasks.
#include <algorithm>
#include <regex>
#include <set>
#include <tuple>

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

constexpr wchar_t kProductText[] = L"Driver={SQL Server};server=;database=VelmarDb";
constexpr char kTrapTail[] = " in procedure RemoveDirectoryData of Form frmMain\r\n";
constexpr char kNetworkError[] =
    "(error):-2147467259 (General network error. Check your network documentation.)";

std::wstring Guid(int n) {
  wchar_t text[40];
  std::swprintf(text, 40, L"{00000000-0000-0000-0000-%012d}", n);
  return text;
}

using platform::DbType;
using platform::DbValue;
using platform::sim::SqlCall;
using Argument = std::tuple<std::wstring, DbType, DbValue>;

// What the procedure received: each parameter's name, declared type and value, in order.
std::vector<Argument> ArgumentsOf(const SqlCall& call) {
  std::vector<Argument> arguments;
  for (const auto& argument : call.arguments) {
    arguments.emplace_back(argument.name, argument.type, argument.value);
  }
  return arguments;
}

// The ticket exactly as the program set it: a 38-character braced GUID text.
std::wstring TicketSent(const SqlCall& call) {
  for (const auto& argument : call.arguments) {
    if (argument.name != L"@DirectorySyncTicket") continue;
    const auto* text = std::get_if<std::wstring>(&argument.sent);
    if (text == nullptr) return L"(not a text)";
    static const std::wregex kForm(
        L"\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}");
    return std::regex_match(*text, kForm) ? *text : L"(not a ticket) " + *text;
  }
  return L"(no ticket)";
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
  // The texts of the queries and statements sent, in order.
  std::vector<std::wstring> Sent() const {
    std::vector<std::wstring> texts;
    for (const auto& statement : server.sql.statements()) texts.push_back(statement.text);
    return texts;
  }
  // The one box shown: message 2057 with the program's title and the OK button alone.
  void ExpectThe2057Box() const {
    ASSERT_EQ(server.boxes.shown().size(), 1u);
    const auto& box = server.boxes.shown()[0];
    EXPECT_EQ(box.text,
              L"Error!  VelmarDB database is missing or badly corrupted - skipping parts of "
              L"uninstall.");
    EXPECT_EQ(box.caption, L"Velmar Uninstaller");
    EXPECT_EQ(box.style, 0x0u) << "MB_OK";
  }
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
  EXPECT_EQ(app->SqlConnectionString, kProductText);
  EXPECT_EQ(sql().connection_texts(),
            (std::vector<std::wstring>{kProductText, kProductText, kProductText}))
      << "subscribers, lists and locations, each on the product database's ODBC text";
  EXPECT_EQ(Sent(), (std::vector<std::wstring>{
                        L"Select Alias, DisplayName, UID, SubscriberType from Subscriber",
                        L"SELECT distributionlist.Alias, distributionlist.UID, "
                        L"distributionlist.DisplayName FROM DistributionList INNER JOIN location "
                        L"ON location.locationobjectid=distributionlist.locationobjectid WHERE "
                        L"location.alias='default'",
                        L"Select TextName, Alias, UID from Location",
                    }));
}

// An account with an empty column is still listed, with that part of its line empty: the
// list is what the administrator removes by hand.
TEST_F(Directory, EmptyColumnsLeaveTheirPartOfTheLineEmpty) {
  sql().AddSubscriber({L"ESubscriber", L"-", L"ESubscriber_A", 1, Guid(1)});
  sql().AddSubscriber({L"EAdministrator", L"Example Administrator", L"-", 1, Guid(2)});
  sql().AddSubscriber({L"-", L"No Alias", L"NoAlias_A", 0, Guid(3)});
  sql().AddSubscriber({L"jdoe", L"-", L"-", 0, Guid(4)});
  AddDefaultLocation();
  sql().AddLocation({L"branch", L"-", L"-", Guid(901), L"DIR-901"});
  AddSystemList(L"allsubscribers");
  sql().Run(L"VelmarDB", L"UPDATE Subscriber SET DisplayName = NULL WHERE DisplayName = '-'");
  sql().Run(L"VelmarDB", L"UPDATE Subscriber SET UID = NULL WHERE UID = '-'");
  sql().Run(L"VelmarDB", L"UPDATE Subscriber SET Alias = NULL WHERE Alias = '-'");
  sql().Run(L"VelmarDB", L"UPDATE Location SET TextName = NULL, UID = NULL WHERE Alias = 'branch'");
  sql().Run(L"VelmarDB", L"UPDATE DistributionList SET UID = NULL, DisplayName = NULL");
  EXPECT_EQ(platform::Utf8FromWide(GetDirectoryInventory(*app)),
            "\r\n"
            "Subscribers:\r\n"
            "Alias='ESubscriber', Display Name='', Mail Alias='ESubscriber_A'\r\n"
            "Alias='EAdministrator', Display Name='Example Administrator', Mail Alias=''\r\n"
            "Alias='', Display Name='No Alias', Mail Alias='NoAlias_A'\r\n"
            "Alias='jdoe', Display Name='', Mail Alias=''\r\n"
            "\r\n"
            "Public Distribution Lists:\r\n"
            "Alias='AllSubscribers', Display Name='', Mail Alias=''\r\n"
            "\r\n"
            "Location Objects:\r\n"
            "Alias='default', Display Name='Default Location', Mail Alias='Loc_A'\r\n"
            "Alias='branch', Display Name='', Mail Alias=''\r\n");
  EXPECT_EQ(Log(), "") << "nothing logged";
}

// A distribution-list query that fails costs only its lines; one for the locations that fails
// costs the whole text. Neither is logged or shown.
TEST_F(Directory, AFailingListQueryEmptiesItsSectionAFailingLocationQueryEverything) {
  sql().AddSubscriber({L"jdoe", L"Jane Doe", L"JDoe_A", 0, Guid(4)});
  AddDefaultLocation();
  AddSystemList(L"allsubscribers");
  sql().FailStatementsContaining(L"FROM DistributionList INNER JOIN", -2147217865,
                                 L"Invalid object name 'DistributionList'.", 1);
  EXPECT_EQ(platform::Utf8FromWide(GetDirectoryInventory(*app)),
            "\r\n"
            "Subscribers:\r\n"
            "Alias='jdoe', Display Name='Jane Doe', Mail Alias='JDoe_A'\r\n"
            "\r\n"
            "Public Distribution Lists:\r\n"
            "\r\n"
            "Location Objects:\r\n"
            "Alias='default', Display Name='Default Location', Mail Alias='Loc_A'\r\n");

  sql().FailStatementsContaining(L"from Location", -2147217865, L"Invalid object name 'Location'.",
                                 1);
  EXPECT_EQ(GetDirectoryInventory(*app), L"") << "the sections built so far are dropped";
  EXPECT_EQ(Sent().back(), L"Select TextName, Alias, UID from Location");
  EXPECT_EQ(Log(), "");
  EXPECT_TRUE(server.boxes.shown().empty());
}

TEST_F(Directory, OnlyOneAdministratorLine) {
  sql().AddSubscriber({L"EAdmin", L"Short Admin", L"EAdmin_B", 1, Guid(3)});
  sql().AddSubscriber({L"EAdministrator", L"Long Admin", L"EAdmin_A", 1, Guid(2)});
  AddDefaultLocation();
  const std::wstring both = GetDirectoryInventory(*app);
  EXPECT_NE(both.find(L"Alias='EAdministrator', Display Name='Long Admin'"), std::wstring::npos);
  EXPECT_EQ(both.find(L"Alias='EAdmin', "), std::wstring::npos);
}

// Whether there are ordinary subscribers is read from the cursor's position, not from a count
// the provider may not know (-1 on a server-side keyset cursor).
TEST_F(Directory, EAdminAloneAndTheTypeFilterWhateverTheCursorCounts) {
  sql().AddSubscriber({L"EAdmin", L"Short Admin", L"EAdmin_B", 1, Guid(3)});
  sql().AddSubscriber({L"jdoe", L"Jane Doe", L"JDoe_A", 0, Guid(4)});
  sql().AddSubscriber({L"kiosk", L"Kiosk", L"Kiosk_A", 3, Guid(5)});
  sql().AddSubscriber({L"rroe", L"Richard Roe", L"RRoe_A", 0, Guid(6)});
  AddDefaultLocation();
  for (const bool counted : {true, false}) {
    sql().keyset_count_unknown = !counted;
    EXPECT_EQ(platform::Utf8FromWide(GetDirectoryInventory(*app)),
              "\r\n"
              "Subscribers:\r\n"
              "Alias='EAdmin', Display Name='Short Admin', Mail Alias='EAdmin_B'\r\n"
              "Alias='jdoe', Display Name='Jane Doe', Mail Alias='JDoe_A'\r\n"
              "Alias='rroe', Display Name='Richard Roe', Mail Alias='RRoe_A'\r\n"
              "\r\n"
              "Public Distribution Lists:\r\n"
              "\r\n"
              "Location Objects:\r\n"
              "Alias='default', Display Name='Default Location', Mail Alias='Loc_A'\r\n")
        << "only type 0 is listed; counted: " << counted;
  }
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
  ExpectThe2057Box();
  EXPECT_EQ(Log(), "") << "nothing logged";
  EXPECT_EQ(sql().connection_texts(), std::vector<std::wstring>{kProductText})
      << "nothing tried after the subscriber query";
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
  const auto deletions = sql().CallsTo(L"sp_DeleteDirectorySyncTicket");
  ASSERT_EQ(deletions.size(), 3u);
  std::set<std::wstring> distinct;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const std::wstring ticket = TicketSent(*calls[i]);
    distinct.insert(ticket);
    EXPECT_EQ(ArgumentsOf(*calls[i]),
              (std::vector<Argument>{{L"@SubscriberObjectID", DbType::kGuid, Guid(1 + i)},
                                     {L"@DirectorySync", DbType::kInteger, 1},
                                     {L"@DirectorySyncTicket", DbType::kGuid, ticket},
                                     {L"@ForceRemove", DbType::kInteger, 1},
                                     {L"@ForceRemoveEAdmin", DbType::kInteger, 1}}))
        << i;
    EXPECT_EQ(ArgumentsOf(*deletions[i]),
              (std::vector<Argument>{{L"@Ticket", DbType::kGuid, ticket}}))
        << "the ticket row read back is deleted by its Ticket column";
  }
  EXPECT_EQ(distinct.size(), 3u) << "one new ticket per call";
  const std::wstring poll = L"SELECT * FROM vw_DirectorySyncTicket WHERE Ticket='";
  EXPECT_TRUE(std::ranges::any_of(sql().statements(), [&](const auto& statement) {
    return statement.text == poll + TicketSent(*calls[0]) + L"'";
  })) << "polled by the ticket text as sent";
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
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(
        ArgumentsOf(*calls[i]),
        (std::vector<Argument>{{L"@SubscriberObjectID", DbType::kGuid, Guid(10 + i)},
                               {L"@DirectorySync", DbType::kInteger, 1},
                               {L"@DirectorySyncTicket", DbType::kGuid, TicketSent(*calls[i])},
                               {L"@ForceRemove", DbType::kInteger, 1}}))
        << "types 0, 5 and NULL: row " << i;
  }
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
  const auto lists = sql().CallsTo(L"ktp_DistributionListDelete");
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(ArgumentsOf(*lists[0]),
            (std::vector<Argument>{{L"@SystemDListObjectID", DbType::kGuid, Guid(514)},
                                   {L"@FindByDirectoryID", DbType::kVarChar, L"DIR-AllSubscribers"},
                                   {L"@DirectorySync", DbType::kInteger, 1},
                                   {L"@DirectorySyncTicket", DbType::kGuid, TicketSent(*lists[0])},
                                   {L"@ForceRemove", DbType::kInteger, 1}}));
  const auto locations = sql().CallsTo(L"ktp_LocationDelete");
  ASSERT_EQ(locations.size(), 2u);
  EXPECT_EQ(
      ArgumentsOf(*locations[1]),
      (std::vector<Argument>{{L"@LocationObjectID", DbType::kGuid, Guid(902)},
                             {L"@FindByDirectoryID", DbType::kVarChar, L"DIR-902"},
                             {L"@DirectorySync", DbType::kInteger, 1},
                             {L"@DirectorySyncTicket", DbType::kGuid, TicketSent(*locations[1])},
                             {L"@ForceRemove", DbType::kInteger, 1}}));
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
  views.Of("frmMain")->outer = {3000, 1500, 7740, 5100};
  std::vector<int> bar_at_each_call;
  bool shown_on_top = true;
  sql().sync.answer_for = [&](const SqlCall&) -> std::optional<std::int32_t> {
    const FakeView* splash = views.Of("frmSplashScreen");
    shown_on_top = shown_on_top && splash != nullptr && splash->visible && splash->topmost;
    bar_at_each_call.push_back(app->splash.progress_value());
    return 0;
  };
  Run();
  EXPECT_EQ(app->splash.progress_max(), 305);
  EXPECT_EQ(app->splash.progress_value(), 300);
  EXPECT_TRUE(shown_on_top) << "the progress window stays up, topmost, through the calls";
  ASSERT_EQ(bar_at_each_call.size(), 305u);
  for (int row = 0; row < 300; ++row) ASSERT_EQ(bar_at_each_call[row], row) << "one step per row";
  ASSERT_NE(views.Of("frmSplashScreen"), nullptr);
  const FakeView& splash = *views.Of("frmSplashScreen");
  EXPECT_EQ(splash.outer.left, 3200);
  EXPECT_EQ(splash.outer.top, 2000);
  EXPECT_EQ(splash.refreshes.at("ProgressBar1"), 301) << "sized once, then repainted per row";
  EXPECT_FALSE(app->splash.loaded());
}

TEST_F(Removal, MoreThan32767ObjectsSizeTheBarWithoutAnError) {
  for (int i = 0; i < 32800; ++i) {
    sql().AddSubscriber({L"h" + std::to_wstring(i), L"H", L"H", 6, Guid(100000 + i)});
  }
  AddDefaultLocation();
  AddSystemList(L"AllSubscribers");
  sql().sync.delay_ms = 0;
  const std::string log = Run();
  EXPECT_EQ(app->splash.progress_max(), 32801);
  EXPECT_EQ(app->splash.progress_value(), 32800);
  EXPECT_NE(log.find("    Total subscriber table count= 32800\r\n"), std::string::npos);
  EXPECT_EQ(log.find("(error)"), std::string::npos) << log.substr(0, 2000);
  EXPECT_TRUE(sql().CallsTo(L"sp_DeleteSubscriber").empty()) << "type 6: no call";
}

TEST_F(Removal, EverythingOpensOnTheTextTheInventorySet) {
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  AddDefaultLocation();
  app->SqlConnectionString.clear();
  GetDirectoryInventory(*app);
  Run();
  const auto& texts = sql().connection_texts();
  EXPECT_GT(texts.size(), 3u);
  EXPECT_TRUE(
      std::ranges::all_of(texts, [](const std::wstring& text) { return text == kProductText; }));
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
  const std::string log = Run();
  EXPECT_NE(log.find("    Removing subscriber object from the directory - alias=jdoe\r\n"
                     "    Subscriber Deletion complete\r\n"),
            std::string::npos)
      << log;
  EXPECT_GE(server.now_ms() - before, 2'000u) << "one 2-second sleep";
  EXPECT_LT(server.now_ms() - before, 2'500u) << "and no second one";
  EXPECT_EQ(sql().CountRows(L"VelmarDB", L"DirectorySyncTicket"), 0);
  const auto deletions = sql().CallsTo(L"sp_DeleteDirectorySyncTicket");
  ASSERT_EQ(deletions.size(), 1u);
  EXPECT_EQ(deletions[0]->Argument(L"@Ticket"),
            DbValue(TicketSent(*sql().CallsTo(L"sp_DeleteSubscriber").at(0))));
}

TEST_F(Removal, AFailedPollIsTrappedInTheModuleAndTheNextOneAnswers) {
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  sql().sync.delay_ms = 500;
  sql().FailStatementsContaining(L"vw_DirectorySyncTicket", -2147217865, L"Invalid object name.",
                                 1);
  const auto before = server.now_ms();
  const std::string log = Run();
  EXPECT_NE(log.find("    Removing subscriber object from the directory - alias=jdoe\r\n"
                     "(error):-2147217865 (Invalid object name.) in procedure "
                     "WaitForSyncToFinished of Module modPMSFunctions\r\n"
                     "    Subscriber Deletion complete\r\n"),
            std::string::npos)
      << log;
  EXPECT_GE(server.now_ms() - before, 4'000u) << "answered at the second poll";
  EXPECT_LT(server.now_ms() - before, 4'500u);
  EXPECT_EQ(sql().CountRows(L"VelmarDB", L"DirectorySyncTicket"), 0);
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

// The removal reads the setup accounts' UID as text: an empty one is its trapped failure, not
// an empty alias, and nothing is called for the row.
TEST_F(Removal, AnEmptyUidOfASetupAccountIsTrapped) {
  sql().AddSubscriber({L"EAdministrator", L"A", L"-", 1, Guid(2)});
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  sql().Run(L"VelmarDB", L"UPDATE Subscriber SET UID = NULL WHERE UID = '-'");
  const std::string log = Run();
  EXPECT_NE(log.find("    Total subscriber table count= 2\r\n"
                     "(error):94 (Invalid use of Null) in procedure RemoveDirectoryData of Form "
                     "frmMain\r\n"
                     "    Removing subscriber object from the directory - alias=jdoe\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(sql().CallsTo(L"sp_DeleteSubscriber").size(), 1u);
  EXPECT_EQ(app->splash.progress_value(), 2);
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

// A row count that cannot be read is trapped in the procedure's own words; the step reports an
// empty view and the run goes on to the end, the progress window unloaded.
class RemovalWithAFailedCount : public Removal {
 protected:
  RemovalWithAFailedCount() {
    server.faults.programs = {L"VelmarUninstall3xandUp.exe"};
    server.faults.fail_site = "Recordset.RecordCount";
  }
  // Counts read in order: subscribers and locations for the bar, then the subscriber, list and
  // location views.
  std::string RunFailingCount(std::uint64_t nth) {
    server.faults.fail_site_nth = nth;
    sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
    AddDefaultLocation();
    AddSystemList(L"AllSubscribers");
    sql().sync.delay_ms = 0;
    return Run();
  }
  static std::string Trapped() { return std::string(kNetworkError) + kTrapTail; }
  static constexpr char kSubscriber[] =
      "    Removing subscriber object from the directory - alias=jdoe\r\n"
      "    Subscriber Deletion complete\r\n";
  static constexpr char kList[] =
      "    Removing public distribution list with alias=AllSubscribers and distinguished "
      "name=cn=AllSubscribers\r\n"
      "    Distribution list deletion complete\r\n";
  static constexpr char kLocation[] =
      "    Removing location object with alias=default\r\n"
      "    Location Deletion complete\r\n";
};

TEST_F(RemovalWithAFailedCount, OfTheSubscriberView) {
  EXPECT_EQ(RunFailingCount(2),
            "Starting removal of subscriber properties on a 4.0(3) or later system...\r\n" +
                Trapped() +
                "(error) subscriber view returned no subscribers.  Exiting subscriber data "
                "removal routine...\r\n"
                "Completed removal of subscriber properties\r\n"
                "Starting removal of public distribution lists added by Velmar setup\r\n" +
                kList +
                "Completed removal of setup added public distribution lists\r\n"
                "Starting removal of location objects\r\n" +
                kLocation + "Completed remove of location objects\r\n");
  EXPECT_FALSE(app->splash.loaded());
  EXPECT_EQ(sql().CallsTo(L"ktp_LocationDelete").size(), 1u);
}

TEST_F(RemovalWithAFailedCount, OfTheListView) {
  const std::string log = RunFailingCount(3);
  EXPECT_NE(log.find(std::string("    Total subscriber table count= 1\r\n") + kSubscriber +
                     "Completed removal of subscriber properties\r\n"
                     "Starting removal of public distribution lists added by Velmar setup\r\n" +
                     Trapped() +
                     "(error) no distribution lists found in database.\r\n"
                     "Completed removal of setup added public distribution lists\r\n"
                     "Starting removal of location objects\r\n" +
                     kLocation + "Completed remove of location objects\r\n"),
            std::string::npos)
      << log;
  EXPECT_FALSE(app->splash.loaded());
}

TEST_F(RemovalWithAFailedCount, OfTheLocationView) {
  const std::string log = RunFailingCount(4);
  EXPECT_NE(log.find(std::string(kList) +
                     "Completed removal of setup added public distribution lists\r\n"
                     "Starting removal of location objects\r\n" +
                     Trapped() +
                     "(error) no location objects found in database.\r\n"
                     "Completed remove of location objects\r\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(log.ends_with("Completed remove of location objects\r\n"));
  EXPECT_FALSE(app->splash.loaded());
}

TEST_F(RemovalWithAFailedCount, ForTheBarOnlyCostsItsLine) {
  const std::string log = RunFailingCount(0);
  EXPECT_TRUE(log.starts_with(
      "Starting removal of subscriber properties on a 4.0(3) or later system...\r\n" + Trapped() +
      "    Total subscriber table count= 1\r\n" + kSubscriber))
      << log;
  EXPECT_EQ(app->splash.progress_max(), 1) << "the locations still count";
}

// A failure no trap takes (here a run gone past its call limit) still takes the progress
// window down on its way out.
TEST_F(RemovalWithAFailedCount, AnEscapingFailureStillUnloadsTheWindow) {
  server.faults.fail_site.clear();
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  server.faults.call_limit = server.faults.calls + 6;
  EXPECT_THROW(RemoveDirectoryData(*app), platform::sim::RunawayCalls);
  ASSERT_NE(views.Of("frmSplashScreen"), nullptr);
  EXPECT_TRUE(views.Of("frmSplashScreen")->topmost) << "it was up when the failure came";
  EXPECT_FALSE(app->splash.loaded());
}

// A call whose parameters cannot all be set is neither sent nor waited on: its trap line and
// the synchronisation-failure line, and the next object runs.
class RemovalWithAnUnpreparedCall : public Removal {
 protected:
  RemovalWithAnUnpreparedCall() {
    server.faults.programs = {L"VelmarUninstall3xandUp.exe"};
    server.faults.fail_site = "Parameter.Value";
  }
  static std::string Trapped() { return std::string(kNetworkError) + kTrapTail; }
};

TEST_F(RemovalWithAnUnpreparedCall, ASubscriberWithoutItsObjectIsNotCalledAndNoTicketIsPolled) {
  // Parameters set in order: the first row's four, its ticket's deletion, then the second
  // row's object.
  server.faults.fail_site_nth = 5;
  sql().AddSubscriber({L"jdoe", L"Jane", L"J", 0, Guid(11)});
  sql().AddSubscriber({L"kim", L"Kim", L"K", 0, Guid(12)});
  sql().AddSubscriber({L"lee", L"Lee", L"L", 0, Guid(13)});
  sql().sync.delay_ms = 500;
  const auto before = server.now_ms();
  EXPECT_EQ(Run(),
            "Starting removal of subscriber properties on a 4.0(3) or later system...\r\n"
            "    Total subscriber table count= 3\r\n"
            "    Removing subscriber object from the directory - alias=jdoe\r\n"
            "    Subscriber Deletion complete\r\n"
            "    Removing subscriber object from the directory - alias=kim\r\n" +
                Trapped() + kSyncFailed +
                "    Removing subscriber object from the directory - alias=lee\r\n"
                "    Subscriber Deletion complete\r\n"
                "Completed removal of subscriber properties\r\n"
                "Starting removal of public distribution lists added by Velmar setup\r\n"
                "(error) no distribution lists found in database.\r\n"
                "Completed removal of setup added public distribution lists\r\n"
                "Starting removal of location objects\r\n"
                "(error) no location objects found in database.\r\n"
                "Completed remove of location objects\r\n");
  const auto calls = sql().CallsTo(L"sp_DeleteSubscriber");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0]->Argument(L"@SubscriberObjectID"), DbValue(Guid(11)));
  EXPECT_EQ(calls[1]->Argument(L"@SubscriberObjectID"), DbValue(Guid(13)));
  EXPECT_EQ(sql().CountRows(L"VelmarDB", L"Subscriber"), 1) << "kim stays";
  EXPECT_FALSE(std::ranges::any_of(sql().statements(), [](const auto& statement) {
    return statement.text.find(L"Ticket=''") != std::wstring::npos;
  })) << "no ticket polled empty";
  EXPECT_LT(server.now_ms() - before, 5'000u) << "one 2-second wait for each object sent";
  EXPECT_EQ(app->splash.progress_value(), 3) << "the bar moves for kim too";
}

TEST_F(RemovalWithAnUnpreparedCall, ALocationWhoseLastParameterFailsKeepsItsDrawnTicket) {
  server.faults.fail_site_nth = 4;  // the first location's @ForceRemove, after its ticket
  AddDefaultLocation();
  sql().AddLocation({L"third", L"Third", L"Loc_C", Guid(902), L"DIR-902"});
  sql().sync.delay_ms = 500;
  const std::string log = Run();
  EXPECT_NE(log.find("Starting removal of location objects\r\n"
                     "    Removing location object with alias=default\r\n" +
                     Trapped() + kSyncFailed +
                     "    Removing location object with alias=third\r\n"
                     "    Location Deletion complete\r\n"
                     "Completed remove of location objects\r\n"),
            std::string::npos)
      << log;
  const auto calls = sql().CallsTo(L"ktp_LocationDelete");
  ASSERT_EQ(calls.size(), 1u) << "no call without its @ForceRemove";
  EXPECT_EQ(calls[0]->Argument(L"@LocationObjectID"), DbValue(Guid(902)));
  EXPECT_EQ(sql().CountRows(L"VelmarDB", L"Location"), 1) << "the default location stays";
  EXPECT_EQ(sql().CountRows(L"VelmarDB", L"DirectorySyncTicket"), 0);
  EXPECT_EQ(sql().CallsTo(L"sp_DeleteDirectorySyncTicket").size(), 1u);
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
  const std::wstring job_text =
      L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial "
      L"Catalog=msdb;Data Source=";
  EXPECT_EQ(sql().connection_texts(),
            (std::vector<std::wstring>{L"Driver={SQL Server};server=;database=msdb", job_text,
                                       job_text, job_text}));
  EXPECT_EQ(Sent(), (std::vector<std::wstring>{
                        L"Select * from sysjobs",
                        L"sp_delete_job @job_name = 'SqlWeeklyBackupJob'",
                        L"sp_delete_job @job_name = 'SqlNightlyBackupJob'",
                        L"sp_delete_job @job_name = 'CheckSqlConfiguration'",
                    }));
}

// The first connection opened, the weekly job's deletion connection, fails.
class BackupJobsWithAFailedOpen : public BackupJobs {
 protected:
  BackupJobsWithAFailedOpen() {
    server.faults.programs = {L"VelmarUninstall3xandUp.exe"};
    server.faults.fail_site = "Connection.Open";
  }
};

// A job whose deletion cannot be sent or is refused still gets its job line, and no task
// command is started for it.
TEST_F(BackupJobsWithAFailedOpen, AFailedDeletionStillWritesTheJobLine) {
  for (const wchar_t* job :
       {L"SqlWeeklyBackupJob", L"SqlNightlyBackupJob", L"CheckSqlConfiguration"}) {
    sql().AddJob(job);
  }
  sql().FailStatementsContaining(L"SqlNightlyBackupJob'", -2147217900,
                                 L"The specified @job_name ('SqlNightlyBackupJob') is in use.");
  EXPECT_EQ(Run(),
            "        Remove SqlWeeklyBackupJob job from SQL.\r\n"
            "        Remove SqlNightlyBackupJob job from SQL.\r\n"
            "        Remove CheckSqlConfiguration job from SQL.\r\n"
            "    Velmar nightly and weekly backup jobs removed\r\n");
  EXPECT_EQ(Sent(), (std::vector<std::wstring>{
                        L"Select * from sysjobs",
                        L"sp_delete_job @job_name = 'SqlNightlyBackupJob'",
                        L"sp_delete_job @job_name = 'CheckSqlConfiguration'",
                    }));
  EXPECT_EQ(sql().CountRows(L"msdb", L"sysjobs"), 2) << "weekly and nightly are still there";
  EXPECT_TRUE(server.Started(L"schtasks").empty());
}

TEST_F(BackupJobs, NoneInMsdb) {
  EXPECT_EQ(Run(),
            "        Removed SqlWeeklyBackupJob Task.\r\n"
            "        Removed SqlNightlyBackupJob Task.\r\n"
            "        Removed CheckSqlConfiguration Task.\r\n"
            "    Velmar nightly and weekly backup jobs removed\r\n");
  const auto tasks = server.Started(L"schtasks");
  ASSERT_EQ(tasks.size(), 3u);
  const wchar_t* names[] = {L"SqlWeeklyBackupJob", L"SqlNightlyBackupJob",
                            L"CheckSqlConfiguration"};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(tasks[i]->command_line,
              L"schtasks /delete /f /tn \"" + std::wstring(names[i]) + L"\"");
    EXPECT_EQ(tasks[i]->show_window, 0) << "hidden";
    EXPECT_FALSE(tasks[i]->ended) << "never waited for";
  }
  EXPECT_EQ(sql().connection_texts(),
            std::vector<std::wstring>{L"Driver={SQL Server};server=;database=msdb"});
  EXPECT_EQ(Sent(), std::vector<std::wstring>{L"Select * from sysjobs"});
}

TEST_F(BackupJobs, AMix) {
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
  ExpectThe2057Box();
  EXPECT_TRUE(server.Started(L"schtasks").empty());
  EXPECT_EQ(sql().connection_texts(),
            std::vector<std::wstring>{L"Driver={SQL Server};server=;database=msdb"});
}

}  // namespace
}  // namespace uninstaller::testing
