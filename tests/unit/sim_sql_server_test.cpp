// The simulated SQL Server as the directory code relies on it: queries, views, case, cursors,
// procedures and the sync service's timed answers, failures, and the database and msdb work.
#include <gtest/gtest.h>

#include "platform/sim/process.h"

namespace {

using platform::DbInt;
using platform::DbText;
using platform::DbType;
using platform::DbValue;
using platform::RuntimeError;
using platform::sim::Process;
using platform::sim::Server;
using platform::sim::SqlFailure;
using platform::sim::SqlKind;
using platform::sim::SqlStatement;
namespace ado = platform::ado;

constexpr wchar_t kProduct[] = L"Driver={SQL Server};server=;database=VelmarDb";
constexpr wchar_t kMsdbOleDb[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial "
    L"Catalog=msdb;Data Source=";
constexpr wchar_t kMasterOdbc[] = L"Driver={SQL Server};server=";

constexpr wchar_t kSmithId[] = L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}";
constexpr wchar_t kJonesId[] = L"{0A1B2C3D-0000-1111-2222-333344445555}";
constexpr wchar_t kDefaultLocation[] = L"{11111111-2222-3333-4444-555555555555}";

struct Failure {
  std::int32_t number = 0;
  std::wstring text;
};

Failure FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& error) {
    return {error.number(), error.description()};
  }
  return {};
}

class SimSql : public ::testing::Test {
 protected:
  SimSql() {
    server.sql.AddSubscriber(
        {L"jsmith", L"John Smith", L"jsmith", 1, L"6f9619ff-8b86-d011-b42d-00c04fc964ff"});
    server.sql.AddSubscriber({L"ESubscriber", L"Example Subscriber", L"ESubscriber", 0, kJonesId});
    server.sql.AddSubscriber({L"EAdmin", L"Example Administrator", L"EAdmin", 0,
                              L"{22222222-0000-0000-0000-000000000001}"});
    server.sql.AddLocation(
        {L"default", L"Default Location", L"loc1", kDefaultLocation, L"cn=loc1"});
    server.sql.AddLocation(
        {L"remote", L"Remote", L"loc2", L"{33333333-0000-0000-0000-000000000001}", std::nullopt});
    server.sql.AddDistributionList({L"allsubscribers", L"dl1", L"All Subscribers", L"cn=all",
                                    L"{44444444-0000-0000-0000-000000000001}", L"cn=dl1",
                                    L"{11111111-2222-3333-4444-555555555555}"});
    server.sql.AddDistributionList({L"UnaddressedMessages", L"dl2", L"Unaddressed", L"cn=un",
                                    L"{44444444-0000-0000-0000-000000000002}", std::nullopt,
                                    L"11111111-2222-3333-4444-555555555555"});
  }

  std::unique_ptr<platform::Recordset> Open(std::wstring_view query, int cursor = ado::kOpenStatic,
                                            int location = ado::kUseClient,
                                            std::wstring_view connection = kProduct) {
    return db.OpenRecordset(query, connection, cursor, ado::kLockReadOnly, location);
  }

  std::vector<std::wstring> Column(platform::Recordset& rows, std::wstring_view name) {
    std::vector<std::wstring> values;
    for (; !rows.Eof(); rows.MoveNext()) values.push_back(DbText(rows.Field(name)));
    return values;
  }

  Server server;
  Process app{server, L"C:\\Tools\\Uninstall\\VelmarUninstall3xandUp.exe"};
  platform::Database& db = app.host().database;
};

TEST_F(SimSql, TablesAndViewsAnswerWithSqlServersNamesAndTypes) {
  auto rows = Open(L"Select Alias, DisplayName, UID, SubscriberType from Subscriber");
  ASSERT_TRUE(rows->IsOpen());
  EXPECT_EQ(rows->RecordCount(), 3);
  EXPECT_EQ(rows->Field(L"displayname"), DbValue(L"John Smith")) << "field names in any case";
  EXPECT_EQ(rows->Field(L"SubscriberType"), DbValue(1));

  rows = Open(L"SELECT Alias, UID, SubscriberType, SubscriberObjectID FROM dbo.vw_Subscriber");
  EXPECT_EQ(rows->Field(L"SubscriberObjectID"), DbValue(kSmithId))
      << "a uniqueidentifier reads as braced upper-case text";

  // The distribution-list query the removal sends: a join through two views by GUID columns
  // stored in different notations; the columns keep their plain names.
  rows = Open(
      L"SELECT vw_DistributionList.Alias, vw_DistributionList.AddressID, "
      L"vw_DistributionList.SystemDListObjectID, vw_DistributionList.DirectoryID from "
      L"vw_DistributionList inner join vw_Location ON "
      L"vw_DistributionList.LocationObjectID=vw_Location.LocationObjectID");
  EXPECT_EQ(Column(*rows, L"Alias"),
            (std::vector<std::wstring>{L"allsubscribers", L"UnaddressedMessages"}));

  rows = Open(L"SELECT TOP 1 Alias FROM VelmarDB.dbo.vw_Location ORDER BY Alias DESC");
  EXPECT_EQ(Column(*rows, L"Alias"), std::vector<std::wstring>{L"remote"});
  rows = Open(L"SELECT name FROM master..sysdatabases", ado::kOpenStatic, ado::kUseClient,
              kMasterOdbc);
  EXPECT_EQ(Column(*rows, L"name"),
            (std::vector<std::wstring>{L"master", L"msdb", L"VelmarDB", L"ReportDB"}));
}

TEST_F(SimSql, TextsCompareWithoutCaseAndGuidsByValue) {
  auto rows = Open(L"SELECT Alias FROM Subscriber WHERE Alias = N'JSMITH  '");
  EXPECT_EQ(Column(*rows, L"Alias"), std::vector<std::wstring>{L"jsmith"})
      << "case and trailing blanks do not matter";
  rows = Open(
      L"SELECT Alias FROM Subscriber WHERE SubscriberObjectID = '6F9619FF-8B86-D011-"
      L"B42D-00C04FC964FF'");
  EXPECT_EQ(Column(*rows, L"Alias"), std::vector<std::wstring>{L"jsmith"});
  rows = Open(L"SELECT Alias FROM Subscriber WHERE Alias LIKE 'e%' ORDER BY Alias");
  EXPECT_EQ(Column(*rows, L"Alias"), (std::vector<std::wstring>{L"EAdmin", L"ESubscriber"}));
  rows = Open(
      L"SELECT distributionlist.Alias FROM DistributionList INNER JOIN location ON "
      L"location.locationobjectid=distributionlist.locationobjectid WHERE "
      L"location.alias='DEFAULT'");
  EXPECT_EQ(rows->RecordCount(), 2);
}

TEST_F(SimSql, CursorsCountFindFilterAndStopAsAdoDoes) {
  const auto forward =
      Open(L"select Alias from vw_Subscriber", ado::kOpenForwardOnly, ado::kUseServer);
  EXPECT_EQ(forward->RecordCount(), -1) << "a forward-only server cursor does not know its count";
  EXPECT_EQ(
      Open(L"select Alias from vw_Subscriber", ado::kOpenKeyset, ado::kUseServer)->RecordCount(),
      3);
  server.sql.keyset_count_unknown = true;
  const auto keyset = Open(L"select Alias from vw_Subscriber", ado::kOpenKeyset, ado::kUseServer);
  EXPECT_EQ(keyset->RecordCount(), -1) << "a provider that does not count a server keyset";
  keyset->Filter(L"Alias='jsmith'");
  EXPECT_EQ(keyset->RecordCount(), -1);
  EXPECT_EQ(keyset->Field(L"Alias"), DbValue(L"jsmith")) << "the rows are there all the same";
  EXPECT_EQ(
      Open(L"select Alias from vw_Subscriber", ado::kOpenKeyset, ado::kUseClient)->RecordCount(), 3)
      << "a client cursor always knows its count";
  EXPECT_EQ(
      Open(L"select Alias from vw_Subscriber", ado::kOpenStatic, ado::kUseServer)->RecordCount(),
      3);
  server.sql.keyset_count_unknown = false;

  auto rows = Open(L"Select Alias, DisplayName, UID, SubscriberType from Subscriber");
  rows->Find(L"Alias='esubscriber'");
  EXPECT_EQ(rows->Field(L"DisplayName"), DbValue(L"Example Subscriber"));
  rows->Find(L"Alias='jsmith'");
  EXPECT_TRUE(rows->Eof()) << "Find searches forward from the current row only";
  EXPECT_EQ(FailureOf([&] { rows->Find(L"Alias='jsmith'"); }).number, 3021);
  EXPECT_EQ(FailureOf([&] { rows->Field(L"Alias"); }).number, 3021);
  EXPECT_EQ(FailureOf([&] { rows->MoveNext(); }).number, 3021);
  rows->MoveFirst();
  rows->Find(L"SubscriberType = 1");
  EXPECT_EQ(rows->Field(L"Alias"), DbValue(L"jsmith")) << "numbers compare numerically";
  EXPECT_EQ(FailureOf([&] { rows->Find(L"Nope='x'"); }).number, 3001);
  EXPECT_EQ(FailureOf([&] { rows->Field(L"Nope"); }).text,
            L"Item cannot be found in the collection corresponding to the requested name or "
            L"ordinal.");

  rows->Filter(L"SubscriberType=0");
  EXPECT_EQ(rows->RecordCount(), 2);
  EXPECT_EQ(Column(*rows, L"Alias"), (std::vector<std::wstring>{L"ESubscriber", L"EAdmin"}))
      << "the filter moves to its first row";
  rows->Filter(L"SubscriberType=7");
  EXPECT_TRUE(rows->Eof());
  EXPECT_EQ(FailureOf([&] { rows->MoveFirst(); }).number, 3021) << "no rows to move to";
  rows->Filter(L"");
  EXPECT_EQ(rows->RecordCount(), 3);

  rows->Close();
  EXPECT_FALSE(rows->IsOpen());
  EXPECT_EQ(FailureOf([&] { rows->Eof(); }).number, 3704);
  EXPECT_FALSE(Open(L"DELETE FROM Subscriber WHERE Alias = 'nobody'")->IsOpen())
      << "a statement without rows leaves the recordset closed";
}

TEST_F(SimSql, NullsReadAsNullAndTheRunTimeRefusesThemAsText) {
  auto rows = Open(L"SELECT LocationObjectID, DirectoryID, Alias from vw_Location");
  EXPECT_EQ(rows->Field(L"DirectoryID"), DbValue(L"cn=loc1"));
  rows->MoveNext();
  EXPECT_TRUE(platform::IsNull(rows->Field(L"DirectoryID")));
  EXPECT_EQ(FailureOf([&] { DbText(rows->Field(L"DirectoryID")); }).number, 94);
  rows->MoveFirst();
  rows->Find(L"DirectoryID = NULL");
  EXPECT_EQ(rows->Field(L"Alias"), DbValue(L"remote"));
}

// A text compared with a uniqueidentifier column is converted first: one that is no GUID
// fails the statement even where no row would have matched.
TEST_F(SimSql, ATextComparedWithAGuidColumnMustBeAGuid) {
  const Failure empty =
      FailureOf([&] { Open(L"SELECT * FROM vw_DirectorySyncTicket WHERE Ticket=''"); });
  EXPECT_EQ(empty.number, -2147217913);
  EXPECT_EQ(empty.text,
            L"[Microsoft][ODBC SQL Server Driver][SQL Server]Conversion failed when converting "
            L"from a character string to uniqueidentifier.");
  EXPECT_EQ(server.sql.statements().back().text,
            L"SELECT * FROM vw_DirectorySyncTicket WHERE Ticket=''")
      << "it reached the server";
  EXPECT_EQ(FailureOf([&] {
              Open(
                  L"select Alias from Subscriber where N'6F9619FF' = Subscriber.SubscriberObjectID",
                  ado::kOpenStatic, ado::kUseClient, kProduct);
            }).number,
            -2147217913)
      << "on either side, the column named with its table";
  EXPECT_EQ(FailureOf([&] {
              Open(L"select name from sysjobs where job_id <> 'x'", ado::kOpenStatic,
                   ado::kUseClient, kMsdbOleDb);
            }).text,
            L"Conversion failed when converting from a character string to uniqueidentifier.");

  auto rows = Open(
      L"SELECT Alias FROM vw_Subscriber WHERE SubscriberObjectID = '" + std::wstring(kSmithId) +
      L"' OR SubscriberObjectID='0a1b2c3d-0000-1111-2222-333344445555' ORDER BY Alias");
  EXPECT_EQ(Column(*rows, L"Alias"), (std::vector<std::wstring>{L"ESubscriber", L"jsmith"}))
      << "braced or not, in any case";
  rows =
      Open(L"SELECT * FROM vw_DirectorySyncTicket WHERE Ticket='" + std::wstring(kSmithId) + L"'");
  EXPECT_TRUE(rows->Eof());
  rows = Open(L"SELECT Alias FROM Subscriber WHERE UID = '' OR Alias = 'EAdmin'");
  EXPECT_EQ(Column(*rows, L"Alias"), std::vector<std::wstring>{L"EAdmin"})
      << "text columns take any text";
}

TEST_F(SimSql, MissingObjectsAndBadSqlFailInTheDriversWords) {
  const Failure view = FailureOf([&] { Open(L"select * from vw_Missing"); });
  EXPECT_EQ(view.number, -2147217865);
  EXPECT_EQ(view.text,
            L"[Microsoft][ODBC SQL Server Driver][SQL Server]Invalid object name 'vw_Missing'.");
  const Failure ole = FailureOf(
      [&] { Open(L"select * from Subscriber", ado::kOpenStatic, ado::kUseClient, kMsdbOleDb); });
  EXPECT_EQ(ole.text, L"Invalid object name 'Subscriber'.") << "OLE DB adds no driver prefix";
  const Failure column = FailureOf([&] { Open(L"select Nickname from Subscriber"); });
  EXPECT_EQ(column.number, -2147217900);
  EXPECT_EQ(column.text,
            L"[Microsoft][ODBC SQL Server Driver][SQL Server]Invalid column name 'Nickname'.");
  EXPECT_EQ(FailureOf([&] { Open(L"select from where"); }).number, -2147217900);
}

TEST_F(SimSql, DeleteProceduresRemoveTheirRowAndLeaveATicketTheServiceAnswers) {
  server.sql.sync.delay_ms = 4000;
  const auto command = db.NewCommand(kProduct);
  command->SetProcedure(L"sp_deletesubscriber");
  ASSERT_EQ(command->Parameters().size(), 5u);
  EXPECT_EQ(command->Parameters()[0].name, L"@SubscriberObjectID");
  EXPECT_EQ(command->Parameters()[0].type, DbType::kGuid);
  EXPECT_EQ(command->Parameters()[4].name, L"@ForceRemoveEAdmin");
  EXPECT_EQ(command->Parameters()[4].type, DbType::kInteger);

  const std::wstring ticket = app.host().com.NewGuidText();
  EXPECT_EQ(ticket, L"{00000000-0000-4000-8000-000000000001}");
  command->SetParameter(L"@SubscriberObjectID", kSmithId);
  command->SetParameter(L"@DirectorySync", 1);
  command->SetParameter(L"@DirectorySyncTicket", ticket);
  command->SetParameter(L"@ForceRemove", std::wstring(L"0"));
  const std::uint64_t sent = server.now_ms();
  command->Execute();

  EXPECT_EQ(server.sql.CountRows(L"VelmarDB", L"Subscriber"), 2);
  const auto calls = server.sql.CallsTo(L"sp_DeleteSubscriber");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]->procedure, L"sp_DeleteSubscriber");
  ASSERT_EQ(calls[0]->arguments.size(), 4u) << "only the parameters set, in the order set";
  EXPECT_EQ(calls[0]->arguments[1].name, L"@DirectorySync");
  EXPECT_EQ(calls[0]->arguments[3].value, DbValue(0)) << "converted to the declared int";
  EXPECT_EQ(calls[0]->arguments[3].sent, DbValue(std::wstring(L"0"))) << "as the program set it";
  EXPECT_EQ(calls[0]->Argument(L"@directorysyncticket"), DbValue(ticket));
  EXPECT_EQ(server.sql.statements().back().text,
            L"EXEC sp_deletesubscriber @SubscriberObjectID = '" + std::wstring(kSmithId) +
                L"', @DirectorySync = 1, @DirectorySyncTicket = '" + ticket +
                L"', @ForceRemove = 0");

  const std::wstring poll = L"SELECT * FROM vw_DirectorySyncTicket WHERE Ticket='" + ticket + L"'";
  auto row = Open(poll, ado::kOpenKeyset, ado::kUseServer);
  ASSERT_FALSE(row->Eof());
  EXPECT_TRUE(platform::IsNull(row->Field(L"result"))) << "not answered yet";
  server.AdvanceTo(sent + 4000);
  row = Open(poll, ado::kOpenKeyset, ado::kUseServer);
  EXPECT_EQ(row->Field(L"result"), DbValue(0));

  command->SetProcedure(L"sp_DeleteDirectorySyncTicket");
  command->SetParameter(L"@Ticket", row->Field(L"Ticket"));
  command->Execute();
  EXPECT_EQ(server.sql.CountRows(L"VelmarDB", L"DirectorySyncTicket"), 0);
}

TEST_F(SimSql, ListAndLocationProceduresFindTheirRowByObjectOrDirectoryIdentity) {
  const auto command = db.NewCommand(kProduct);
  command->SetProcedure(L"ktp_DistributionListDelete");
  EXPECT_EQ(command->Parameters()[1].type, DbType::kVarChar);
  command->SetParameter(L"@SystemDListObjectID", L"{44444444-0000-0000-0000-000000000001}");
  command->SetParameter(L"@FindByDirectoryID", L"cn=dl1");
  command->SetParameter(L"@DirectorySync", 0);
  command->SetParameter(L"@DirectorySyncTicket", app.host().com.NewGuidText());
  command->SetParameter(L"@ForceRemove", 1);
  command->Execute();
  EXPECT_EQ(server.sql.CountRows(L"VelmarDB", L"DistributionList"), 1);
  EXPECT_EQ(server.sql.CountRows(L"VelmarDB", L"DirectorySyncTicket"), 0)
      << "no ticket without @DirectorySync = 1";

  command->SetProcedure(L"ktp_LocationDelete");
  command->SetParameter(L"@FindByDirectoryID", L"CN=LOC1");
  command->Execute();
  EXPECT_EQ(Column(*Open(L"select Alias from Location"), L"Alias"),
            std::vector<std::wstring>{L"remote"});
}

TEST_F(SimSql, CommandsRefuseUnknownParametersValuesOfTheWrongTypeAndUnknownProcedures) {
  const auto command = db.NewCommand(kProduct);
  command->SetProcedure(L"sp_DeleteSubscriber");
  EXPECT_EQ(FailureOf([&] { command->SetParameter(L"@Nope", 1); }).number, 3265);
  EXPECT_EQ(FailureOf([&] { command->SetParameter(L"@SubscriberObjectID", L"jsmith"); }).number,
            3421);
  EXPECT_EQ(FailureOf([&] { command->SetParameter(L"@DirectorySync", L"yes"); }).number, 3421);

  command->SetProcedure(L"sp_NoSuchProcedure");
  EXPECT_TRUE(command->Parameters().empty());
  const Failure missing = FailureOf([&] { command->Execute(); });
  EXPECT_EQ(missing.number, -2147217900);
  EXPECT_EQ(missing.text,
            L"[Microsoft][ODBC SQL Server Driver][SQL Server]Could not find stored "
            L"procedure 'sp_NoSuchProcedure'.");
  EXPECT_TRUE(server.sql.calls().empty());
}

TEST_F(SimSql, ProcedureTextsTakePositionalAndNamedArgumentsAndRefuseStrangers) {
  const auto connection = db.Open(kProduct, L"", L"");
  connection->Execute(L"ktp_LocationDelete NULL, 'CN=LOC1', 0");
  EXPECT_EQ(server.sql.CountRows(L"VelmarDB", L"Location"), 1);
  const auto& call = server.sql.calls().back();
  ASSERT_EQ(call.arguments.size(), 3u);
  EXPECT_EQ(call.arguments[1].name, L"@FindByDirectoryID") << "positions name the parameters";
  EXPECT_TRUE(platform::IsNull(call.arguments[0].value));

  EXPECT_EQ(FailureOf([&] { connection->Execute(L"sp_DeleteDirectorySyncTicket @Nope = 1"); }).text,
            L"[Microsoft][ODBC SQL Server Driver][SQL Server]@Nope is not a parameter for "
            L"procedure sp_DeleteDirectorySyncTicket.");
  EXPECT_EQ(
      FailureOf([&] { connection->Execute(L"EXEC sp_DeleteDirectorySyncTicket 'x', 'y'"); }).number,
      -2147217900);
  EXPECT_EQ(FailureOf([&] { connection->Execute(L"sp_DeleteSubscriber 'not a guid'"); }).text,
            L"[Microsoft][ODBC SQL Server Driver][SQL Server]Syntax error converting from a "
            L"character string to uniqueidentifier.");
  EXPECT_EQ(server.sql.calls().size(), 1u) << "refused calls reach no procedure";
}

TEST_F(SimSql, ConnectionTextsPickTheirDatabaseAndACommandStartsAfreshPerProcedure) {
  EXPECT_EQ(Open(L"select name from sysdevices", ado::kOpenStatic, ado::kUseClient,
                 L"Driver={SQL Server};server=")
                ->RecordCount(),
            0)
      << "no database named: master";
  EXPECT_EQ(
      Open(L"select Alias from vw_Location", ado::kOpenStatic, ado::kUseClient,
           L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=velmardb;Data Source=")
          ->RecordCount(),
      2);

  const auto command = db.NewCommand(kProduct);
  command->SetProcedure(L"sp_DeleteSubscriber");
  command->SetParameter(L"@SubscriberObjectID", kJonesId);
  command->SetParameter(L"@DirectorySync", 1);
  command->SetParameter(L"@SubscriberObjectID", kSmithId);
  command->Execute();
  command->SetProcedure(L"sp_DeleteDirectorySyncTicket");
  command->Execute();
  const auto& calls = server.sql.calls();
  ASSERT_EQ(calls.size(), 2u);
  ASSERT_EQ(calls[0].arguments.size(), 2u);
  EXPECT_EQ(calls[0].arguments[0].value, DbValue(kSmithId))
      << "set again: the last value, in its first place";
  EXPECT_EQ(calls[0].arguments[0].sent, DbValue(kSmithId));
  EXPECT_TRUE(calls[1].arguments.empty()) << "nothing carried over from the last procedure";
  EXPECT_EQ(Column(*Open(L"select Alias from Subscriber"), L"Alias"),
            (std::vector<std::wstring>{L"ESubscriber", L"EAdmin"}));
  EXPECT_EQ(
      server.sql.connection_texts(),
      (std::vector<std::wstring>{
          L"Driver={SQL Server};server=",
          L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=velmardb;Data Source=",
          kProduct, kProduct}))
      << "each open, as given and in order";
}

TEST_F(SimSql, TheSyncServiceAnswersLateWithAFailureOrNever) {
  auto delete_with_ticket = [&](const std::wstring& object) {
    const auto command = db.NewCommand(kProduct);
    command->SetProcedure(L"sp_DeleteSubscriber");
    command->SetParameter(L"@SubscriberObjectID", object);
    command->SetParameter(L"@DirectorySync", 1);
    const std::wstring ticket = app.host().com.NewGuidText();
    command->SetParameter(L"@DirectorySyncTicket", ticket);
    command->Execute();
    return ticket;
  };
  auto result_of = [&](const std::wstring& ticket) {
    const auto rows = server.sql.Select(
        L"VelmarDB", L"SELECT result FROM DirectorySyncTicket WHERE Ticket = '" + ticket + L"'");
    return rows.rows.empty() ? DbValue(L"(no ticket)") : rows.rows[0][0];
  };

  server.sql.sync.result = 5;
  server.sql.sync.delay_ms = 10'000;
  const std::wstring failed = delete_with_ticket(kSmithId);
  server.AdvanceBy(9'990);
  EXPECT_TRUE(platform::IsNull(result_of(failed)));
  server.AdvanceBy(10);
  EXPECT_EQ(result_of(failed), DbValue(5));

  server.sql.sync.answers = false;
  const std::wstring unanswered = delete_with_ticket(kJonesId);
  server.AdvanceBy(3'600'000);
  EXPECT_TRUE(platform::IsNull(result_of(unanswered)));

  // Per call: the administrator's deletion is never answered, the others at once.
  server.sql.sync.delay_ms = 0;
  server.sql.sync.answer_for =
      [](const platform::sim::SqlCall& call) -> std::optional<std::int32_t> {
    if (call.Argument(L"@SubscriberObjectID") ==
        DbValue(L"{22222222-0000-0000-0000-000000000001}")) {
      return std::nullopt;
    }
    return 0;
  };
  const std::wstring admin = delete_with_ticket(L"{22222222-0000-0000-0000-000000000001}");
  const std::wstring other = delete_with_ticket(L"{99999999-0000-0000-0000-000000000001}");
  server.AdvanceBy(1);
  EXPECT_TRUE(platform::IsNull(result_of(admin)));
  EXPECT_EQ(result_of(other), DbValue(0));
}

TEST_F(SimSql, AServerOutOfReachFailsEveryOpenAndTheConnectionsAlreadyOpen) {
  const auto connection = db.Open(kMsdbOleDb, L"", L"");
  server.sql.reachable = false;
  const Failure open = FailureOf([&] { Open(L"select Alias from vw_Subscriber"); });
  EXPECT_EQ(open.number, -2147467259);
  EXPECT_EQ(open.text,
            L"[Microsoft][ODBC SQL Server Driver][DBNETLIB]SQL Server does not exist or access "
            L"denied.");
  EXPECT_EQ(FailureOf([&] { db.NewCommand(kProduct); }).number, -2147467259);
  EXPECT_EQ(FailureOf([&] { db.Open(kMsdbOleDb, L"", L""); }).text,
            L"[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied.");
  EXPECT_EQ(FailureOf([&] { connection->Execute(L"sp_delete_job @job_name = 'x'"); }).text,
            L"[DBNETLIB][ConnectionWrite (send()).]General network error. Check your network "
            L"documentation.");
  EXPECT_TRUE(server.sql.statements().empty()) << "nothing reached the server";
  EXPECT_EQ(server.now_ms(), 0u);
  EXPECT_EQ(server.sql.connection_texts(),
            (std::vector<std::wstring>{kMsdbOleDb, kProduct, kProduct, kMsdbOleDb}))
      << "the refused opens are recorded too";
}

TEST_F(SimSql, AChosenStatementFailsWithoutEffectAsOftenAsAsked) {
  server.sql.FailStatementsContaining(L"vw_location", -2147217871, L"Timeout expired", 1);
  const Failure first = FailureOf([&] { Open(L"select Alias from vw_Location"); });
  EXPECT_EQ(first.number, -2147217871);
  EXPECT_EQ(first.text, L"Timeout expired") << "the text exactly as chosen";
  EXPECT_EQ(Open(L"select Alias from vw_Location")->RecordCount(), 2) << "once only";

  server.sql.Fail({[](const SqlStatement& statement) {
                     return statement.kind == SqlKind::kProcedure &&
                            statement.text.find(kJonesId) != std::wstring::npos;
                   },
                   -2147217900, L"[Microsoft][ODBC SQL Server Driver][SQL Server]Deadlock"});
  const auto command = db.NewCommand(kProduct);
  command->SetProcedure(L"sp_DeleteSubscriber");
  command->SetParameter(L"@SubscriberObjectID", kJonesId);
  EXPECT_EQ(FailureOf([&] { command->Execute(); }).number, -2147217900);
  EXPECT_EQ(server.sql.CountRows(L"VelmarDB", L"Subscriber"), 3);
  EXPECT_TRUE(server.sql.calls().empty()) << "a refused statement reaches no procedure";
  ASSERT_EQ(server.sql.statements().size(), 3u) << "but it was sent";
  EXPECT_EQ(server.sql.statements()[2].kind, SqlKind::kProcedure);
}

TEST_F(SimSql, DatabasesAreDroppedFromMasterAfterSingleUserAndStayGone) {
  auto connection = db.Open(kProduct, L"sa", L"");
  EXPECT_EQ(FailureOf([&] { connection->Execute(L"DROP DATABASE VelmarDB"); }).text,
            L"[Microsoft][ODBC SQL Server Driver][SQL Server]Cannot drop the database 'VelmarDB' "
            L"because it is currently in use.");
  connection->Execute(L"use Master");
  connection->Execute(L"ALTER DATABASE VelmarDB SET SINGLE_USER WITH ROLLBACK IMMEDIATE");
  EXPECT_TRUE(server.sql.IsSingleUser(L"velmardb"));
  connection->Execute(L"DROP DATABASE VelmarDB");
  connection->Execute(L"ALTER DATABASE ReportDB SET SINGLE_USER WITH ROLLBACK IMMEDIATE");
  connection->Execute(L"DROP DATABASE ReportDB");
  EXPECT_FALSE(server.sql.HasDatabase(L"VelmarDB"));
  EXPECT_FALSE(server.sql.HasDatabase(L"ReportDB"));
  EXPECT_EQ(server.sql.CountRows(L"master", L"sysdatabases"), 2);

  const Failure gone = FailureOf([&] { Open(L"select Alias from vw_Subscriber"); });
  EXPECT_EQ(gone.number, -2147467259);
  EXPECT_EQ(gone.text,
            L"[Microsoft][ODBC SQL Server Driver][SQL Server]Cannot open database "
            L"requested in login 'VelmarDb'. Login fails.");
  EXPECT_EQ(FailureOf([&] { connection->Execute(L"DROP DATABASE VelmarDB"); }).number, -2147217900);
  EXPECT_EQ(FailureOf([&] { connection->Execute(L"use VelmarDB"); }).number, -2147217900);
  EXPECT_EQ(FailureOf([&] { connection->Execute(L"DROP DATABASE msdb"); }).number, -2147217900);
  connection->Close();
  EXPECT_EQ(FailureOf([&] { connection->Execute(L"use master"); }).number, 3704);

  std::vector<std::wstring> databases;
  for (const auto& statement : server.sql.statements()) databases.push_back(statement.database);
  EXPECT_EQ(databases[0], L"VelmarDB")
      << "the database the statement ran in, as named on the server";
  EXPECT_EQ(databases[2], L"master");
}

TEST_F(SimSql, MsdbJobsAndMasterBackupDevicesGoByName) {
  server.sql.AddJob(L"SqlNightlyBackupJob");
  server.sql.AddJob(L"SqlWeeklyBackupJob");
  server.sql.AddBackupDevice(L"VelmarDB_Backup", L"C:\\Backups\\VelmarDB.bak");

  auto jobs = Open(L"Select * from sysjobs", ado::kOpenKeyset, ado::kUseServer,
                   L"Driver={SQL Server};server=;database=msdb");
  jobs->Find(L"name='sqlweeklybackupjob'");
  ASSERT_FALSE(jobs->Eof());
  EXPECT_EQ(jobs->Field(L"name"), DbValue(L"SqlWeeklyBackupJob"));

  auto msdb = db.Open(kMsdbOleDb, L"", L"");
  msdb->Execute(L"sp_delete_job @job_name = 'SqlWeeklyBackupJob'");
  EXPECT_EQ(server.sql.CountRows(L"msdb", L"sysjobs"), 1);
  EXPECT_EQ(server.sql.calls().back().Argument(L"@job_name"), DbValue(L"SqlWeeklyBackupJob"));
  EXPECT_EQ(FailureOf([&] { msdb->Execute(L"EXEC sp_delete_job @job_name = N'Absent'"); }).text,
            L"The specified @job_name ('Absent') does not exist.");

  auto master = db.Open(kMasterOdbc, L"", L"");
  EXPECT_EQ(
      FailureOf([&] { master->Execute(L"sp_delete_job @job_name = 'SqlNightlyBackupJob'"); }).text,
      L"[Microsoft][ODBC SQL Server Driver][SQL Server]Could not find stored procedure "
      L"'sp_delete_job'.")
      << "the job procedures live in msdb";
  master->Execute(L"msdb.dbo.sp_delete_job @job_name = 'SqlNightlyBackupJob'");
  EXPECT_EQ(server.sql.CountRows(L"msdb", L"sysjobs"), 0);

  const auto product = db.Open(kProduct, L"", L"");
  product->Execute(L"sp_dropdevice 'VelmarDB_Backup'");  // a system procedure, found in master
  EXPECT_EQ(server.sql.CountRows(L"master", L"sysdevices"), 0);
  EXPECT_EQ(FailureOf([&] { product->Execute(L"sp_dropdevice 'VelmarDB_Backup'"); }).number,
            -2147217900);
  server.files.WriteFile(L"C:\\Backups\\ReportDB.bak", "backup");
  server.sql.AddBackupDevice(L"ReportDB_Backup", L"C:\\Backups\\ReportDB.bak");
  product->Execute(L"sp_dropdevice 'ReportDB_Backup', 'delfile'");
  EXPECT_FALSE(server.files.Exists(L"C:\\Backups\\ReportDB.bak")) << "delfile removes the file";
}

TEST_F(SimSql, StatementsTakeVirtualTimeAndTimedEventsKeepTheirOrder) {
  Open(L"select Alias from vw_Subscriber");
  db.Open(kProduct, L"", L"")->Execute(L"DELETE FROM Subscriber WHERE Alias = 'jsmith'");
  EXPECT_EQ(server.now_ms(), 10u);
  EXPECT_EQ(server.sql.statements()[1].at_ms, 5u);
  EXPECT_EQ(server.sql.statements()[1].kind, SqlKind::kExecute);

  std::vector<std::string> order;
  server.InstallProgram(L"C:\\WINDOWS\\system32\\net.exe", platform::sim::RunsFor(30));
  app.host().processes.Start(L"net stop x", 0);
  server.At(40, [&] { order.push_back("at 40"); });
  server.At(20, [&] {
    order.push_back("at 20");
    server.At(25, [&] { order.push_back("at 25, set at 20"); });
  });
  server.At(20, [&] { order.push_back("at 20, second"); });
  server.AdvanceBy(100);
  EXPECT_EQ(order,
            (std::vector<std::string>{"at 20", "at 20, second", "at 25, set at 20", "at 40"}));
  EXPECT_TRUE(server.processes().back().ended);
}

TEST(DbConversions, FollowTheRunTimesCStrAndCLng) {
  EXPECT_EQ(DbText(DbValue(42)), L"42");
  EXPECT_EQ(DbText(DbValue(2.5)), L"2.5");
  EXPECT_EQ(DbInt(DbValue(L" 17 ")), 17);
  EXPECT_EQ(DbInt(DbValue(L"2.5")), 2) << "halves round to even";
  EXPECT_EQ(DbInt(DbValue(3.5)), 4);
  EXPECT_EQ(DbInt(DbValue(L"&H10")), 16);
  EXPECT_EQ(FailureOf([] { DbInt(DbValue(L"abc")); }).number, 13);
  EXPECT_EQ(FailureOf([] { DbInt(DbValue(L"")); }).text, L"Type mismatch");
  EXPECT_EQ(FailureOf([] { DbInt(DbValue(L"3000000000")); }).number, 6);
  EXPECT_EQ(FailureOf([] { DbInt(DbValue{}); }).text, L"Invalid use of Null");
}

}  // namespace
