// What both backends agree on for the programs' use of SQL Server: the OLE DB connection that
// drops the databases and devices, the stored-procedure commands with their declared
// parameters, the directory sync tickets, the recordsets' rules, msdb's jobs, and the
// connection texts no provider takes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/com_objects.h"
#include "platform/database.h"
#include "platform/error.h"
#include "platform/text.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

using platform::DbInt;
using platform::DbParameterInfo;
using platform::DbText;
using platform::DbType;
using platform::IsNull;
namespace ado = platform::ado;

constexpr wchar_t kOleDb[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
    L"Data Source=(local)";
constexpr wchar_t kMsdbOleDb[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
    L"Initial Catalog=msdb;Data Source=(local)";
constexpr wchar_t kProduct[] = L"Driver={SQL Server};server=;database=VelmarDb";
constexpr wchar_t kMsdb[] = L"Driver={SQL Server};server=;database=msdb";

constexpr wchar_t kOdbcServer[] = L"[Microsoft][ODBC SQL Server Driver][SQL Server]";
constexpr std::int32_t kCommandError = -2147217900;  // 0x80040E14
constexpr wchar_t kClosed[] = L"Operation is not allowed when the object is closed.";

struct Refusal {
  std::int32_t number = 0;
  std::wstring text;
};

// The error the call raised; a call that succeeds fails the case.
template <typename Call>
Refusal RefusalOf(Call&& call) {
  try {
    call();
  } catch (const platform::RuntimeError& error) {
    return {error.number(), error.description()};
  }
  ADD_FAILURE() << "the call succeeded";
  return {};
}

std::string Line(const char* kind, const char* database, const std::wstring& text) {
  return std::string(kind) + "\t" + database + "\t" + platform::Utf8FromWide(text);
}

class AdoConformance : public Conformance {
 protected:
  std::unique_ptr<platform::Recordset> Open(const std::wstring& query,
                                            const wchar_t* connection = kProduct,
                                            int cursor = ado::kOpenKeyset,
                                            int location = ado::kUseServer) {
    return host().database.OpenRecordset(query, connection, cursor, ado::kLockReadOnly, location);
  }
};

TEST_F(AdoConformance, AnOleDbConnectionDropsTheDatabasesAndDevicesAndClosesOnce) {
  backend().LayOutSql({
      L"database\tScratchDb",
      L"device\tVelmarDbDump\tC:\\Backup\\VelmarDbDump.bak",
      L"device\tReportDbDump\tC:\\Backup\\ReportDbDump.bak",
      L"device\tKeptDump\tC:\\Backup\\KeptDump.bak",
  });
  const std::vector<std::wstring> statements = {
      L"use VelmarDb",
      L"DROP DATABASE VelmarDB",  // refused: the connection is in it
      L"use Master",
      L"ALTER DATABASE VelmarDb SET SINGLE_USER WITH ROLLBACK IMMEDIATE",
      L"DROP DATABASE VelmarDB",
      L"ALTER DATABASE ReportDB SET SINGLE_USER WITH ROLLBACK IMMEDIATE",
      L"DROP DATABASE ReportDB",
      L"DROP DATABASE ReportDB",  // refused: gone
      L"sp_dropdevice 'VelmarDbDump', 'delfile'",
      L"sp_dropdevice @logicalname = 'ReportDbDump'",
  };
  auto connection = host().database.Open(kOleDb, L"", L"");
  std::vector<Refusal> refusals;
  for (const auto& statement : statements) {
    try {
      connection->Execute(statement);
    } catch (const platform::RuntimeError& error) {
      refusals.push_back({error.number(), error.description()});
    }
  }
  ASSERT_EQ(refusals.size(), 2u);
  // The OLE DB provider passes the server's text on without the ODBC driver's prefix.
  EXPECT_EQ(refusals[0].number, kCommandError);
  EXPECT_EQ(refusals[0].text,
            L"Cannot drop the database 'VelmarDB' because it is currently in use.");
  EXPECT_EQ(refusals[1].number, kCommandError);
  EXPECT_EQ(refusals[1].text,
            L"Cannot drop the database 'ReportDB', because it does not exist in the system "
            L"catalog.");
  connection->Close();
  const Refusal closed_twice = RefusalOf([&] { connection->Close(); });
  EXPECT_EQ(closed_twice.number, 3704);
  EXPECT_EQ(closed_twice.text, kClosed);
  EXPECT_EQ(RefusalOf([&] { connection->Execute(L"DROP DATABASE ScratchDb"); }).number, 3704);
  connection.reset();

  // Every statement reached the server, in the database the connection was in when it came.
  const auto received = backend().SqlStatements();
  ASSERT_EQ(received.size(), statements.size());
  EXPECT_EQ(received[0], Line("execute", "master", statements[0]));
  EXPECT_EQ(received[1], Line("execute", "VelmarDB", statements[1]));
  EXPECT_EQ(received[2], Line("execute", "VelmarDB", statements[2]));
  for (std::size_t i = 3; i < statements.size(); ++i) {
    EXPECT_EQ(received[i], Line("execute", "master", statements[i])) << "statement " << i;
  }
  EXPECT_EQ(backend().SqlHoldings(),
            (std::vector<std::string>{"database\tScratchDb", "device\tKeptDump", "released"}));
}

TEST_F(AdoConformance, AProcedureCommandListsItsDeclaredParametersAndRunsWithTheValuesSet) {
  backend().LayOutSql({
      L"subscriber\tESubscriber\tExample Subscriber\tESubscriber_A\t1\t"
      L"{11111111-0000-0000-0000-000000000001}",
      L"subscriber\tjdoe\tJane Doe\tjdoe_A\t1\t{aaaaaaaa-0000-0000-0000-00000000000b}",
  });
  auto command = host().database.NewCommand(kProduct);
  command->SetProcedure(L"sp_DeleteSubscriber");
  const std::vector<DbParameterInfo>& declared = command->Parameters();
  std::vector<std::pair<std::wstring, DbType>> listed;
  for (const auto& parameter : declared) listed.emplace_back(parameter.name, parameter.type);
  EXPECT_EQ(listed, (std::vector<std::pair<std::wstring, DbType>>{
                        {L"@SubscriberObjectID", DbType::kGuid},
                        {L"@DirectorySync", DbType::kInteger},
                        {L"@DirectorySyncTicket", DbType::kGuid},
                        {L"@ForceRemove", DbType::kInteger},
                        {L"@ForceRemoveEAdmin", DbType::kInteger},
                    }))
      << "the declared parameters, without the return value";

  command->SetParameter(L"@SubscriberObjectID",
                        std::wstring(L"{aaaaaaaa-0000-0000-0000-00000000000b}"));
  command->SetParameter(L"@ForceRemove", 1);
  const Refusal undeclared = RefusalOf([&] { command->SetParameter(L"@Force", 1); });
  EXPECT_EQ(undeclared.number, 3265);
  EXPECT_EQ(undeclared.text,
            L"Item cannot be found in the collection corresponding to the requested name or "
            L"ordinal.");
  const Refusal not_a_number =
      RefusalOf([&] { command->SetParameter(L"@ForceRemove", std::wstring(L"yes")); });
  EXPECT_EQ(not_a_number.number, 3421);
  EXPECT_EQ(not_a_number.text,
            L"Application uses a value of the wrong type for the current operation.");
  EXPECT_EQ(RefusalOf([&] {
              command->SetParameter(L"@SubscriberObjectID", std::wstring(L"jdoe"));
            }).number,
            3421);
  command->Execute();

  // A procedure the server does not have declares nothing and fails only when it runs.
  command->SetProcedure(L"sp_NoSuchProcedure");
  EXPECT_TRUE(command->Parameters().empty());
  const Refusal missing = RefusalOf([&] { command->Execute(); });
  EXPECT_EQ(missing.number, kCommandError);
  EXPECT_EQ(missing.text,
            std::wstring(kOdbcServer) + L"Could not find stored procedure 'sp_NoSuchProcedure'.");
  command.reset();

  auto rows = Open(L"Select Alias from Subscriber", kProduct, ado::kOpenStatic, ado::kUseClient);
  EXPECT_EQ(rows->RecordCount(), 1);
  EXPECT_EQ(DbText(rows->Field(L"Alias")), L"ESubscriber");
  rows.reset();

  // The refused values never reached the server; the GUID went as the server reads it.
  EXPECT_EQ(backend().SqlStatements(),
            (std::vector<std::string>{
                "procedure\tVelmarDB\tEXEC sp_DeleteSubscriber @SubscriberObjectID = "
                "'{AAAAAAAA-0000-0000-0000-00000000000B}', @ForceRemove = 1",
                "procedure\tVelmarDB\tEXEC sp_NoSuchProcedure",
                "query\tVelmarDB\tSelect Alias from Subscriber",
            }));
}

TEST_F(AdoConformance, ADeleteWithATicketIsAnsweredByTheSyncLaterAndTheTicketRemoved) {
  constexpr std::uint32_t kDelayMs = 1500;
  backend().LayOutSql({
      L"sync\t" + std::to_wstring(kDelayMs) + L"\t7",  // the result the sync answers with
      L"location\tBranch\tBranch Office\tBranch_A\t{22222222-0000-0000-0000-000000000002}\t"
      L"CN=Branch",
  });
  const std::wstring ticket = host().com.NewGuidText();
  const std::wstring ticket_query =
      L"SELECT * FROM vw_DirectorySyncTicket WHERE Ticket='" + ticket + L"'";
  auto command = host().database.NewCommand(kProduct);
  command->SetProcedure(L"ktp_LocationDelete");
  command->SetParameter(L"@LocationObjectID",
                        std::wstring(L"{22222222-0000-0000-0000-000000000002}"));
  command->SetParameter(L"@FindByDirectoryID", std::wstring(L"CN=Branch"));
  command->SetParameter(L"@DirectorySync", 1);
  command->SetParameter(L"@DirectorySyncTicket", ticket);
  command->SetParameter(L"@ForceRemove", 1);
  const std::uint32_t sent = host().clock.TickCount();
  command->Execute();

  {
    auto row = Open(ticket_query);
    ASSERT_FALSE(row->Eof()) << "the delete left its ticket";
    EXPECT_TRUE(IsNull(row->Field(L"result"))) << "not answered at once";
  }
  std::optional<std::int32_t> answer;
  std::uint32_t answered = 0;
  std::wstring ticket_read;
  while (!answer && host().clock.TickCount() - sent < 20 * kDelayMs) {
    host().clock.Sleep(100);
    auto row = Open(ticket_query);
    ASSERT_FALSE(row->Eof()) << "the ticket stays until it is removed";
    if (!IsNull(row->Field(L"result"))) {
      answer = DbInt(row->Field(L"result"));
      answered = host().clock.TickCount();
      ticket_read = DbText(row->Field(L"Ticket"));
    }
  }
  ASSERT_TRUE(answer.has_value()) << "no answer within " << 20 * kDelayMs << " ms";
  EXPECT_EQ(*answer, 7);
  EXPECT_GE(answered - sent, kDelayMs - 200) << "answered before its delay";
  EXPECT_EQ(ticket_read, platform::Upcase(ticket)) << "read back as the server hands GUIDs out";

  command->SetProcedure(L"sp_DeleteDirectorySyncTicket");
  command->SetParameter(L"@Ticket", ticket_read);
  command->Execute();
  command.reset();
  EXPECT_TRUE(Open(ticket_query)->Eof()) << "the ticket is removed";
  EXPECT_TRUE(Open(L"select Alias from vw_Location")->Eof()) << "the location is deleted";

  const auto received = backend().SqlStatements();
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received[0],
            Line("procedure", "VelmarDB",
                 L"EXEC ktp_LocationDelete @LocationObjectID = "
                 L"'{22222222-0000-0000-0000-000000000002}', @FindByDirectoryID = 'CN=Branch', "
                 L"@DirectorySync = 1, @DirectorySyncTicket = '" +
                     platform::Upcase(ticket) + L"', @ForceRemove = 1"));
  EXPECT_EQ(received[received.size() - 3],
            Line("procedure", "VelmarDB",
                 L"EXEC sp_DeleteDirectorySyncTicket @Ticket = '" + ticket_read + L"'"));
}

TEST_F(AdoConformance, RecordsetsCountFindFilterAndRefuseWhatHasNoRowOrIsClosed) {
  backend().LayOutSql({
      L"location\tHQ\tHeadquarters\tHQ_A\t{22222222-0000-0000-0000-000000000001}\tCN=HQ",
      L"location\tBranch\tBranch Office\tBranch_A\t{22222222-0000-0000-0000-000000000002}\tNULL",
  });
  auto rows = Open(L"SELECT LocationObjectID, DirectoryID, Alias from vw_Location");
  ASSERT_TRUE(rows->IsOpen());
  EXPECT_EQ(rows->RecordCount(), 2) << "a keyset cursor on the server knows its count";
  rows->MoveFirst();
  rows->Find(L"Alias = 'branch'");
  ASSERT_FALSE(rows->Eof());
  EXPECT_TRUE(IsNull(rows->Field(L"DirectoryID")));
  EXPECT_EQ(DbText(rows->Field(L"LocationObjectID")), L"{22222222-0000-0000-0000-000000000002}");
  const Refusal unknown = RefusalOf([&] { rows->Field(L"TextName"); });
  EXPECT_EQ(unknown.number, 3265) << "a column the query did not select";
  rows->MoveNext();
  EXPECT_TRUE(rows->Eof());
  const Refusal past_end = RefusalOf([&] { rows->MoveNext(); });
  EXPECT_EQ(past_end.number, 3021);
  EXPECT_EQ(past_end.text,
            L"Either BOF or EOF is True, or the current record has been deleted. Requested "
            L"operation requires a current record.");
  EXPECT_EQ(RefusalOf([&] { rows->Field(L"Alias"); }).number, 3021);
  EXPECT_EQ(RefusalOf([&] { rows->Find(L"Alias = 'HQ'"); }).number, 3021);
  rows->MoveFirst();
  rows->Find(L"Alias = 'Elsewhere'");
  EXPECT_TRUE(rows->Eof()) << "no match: at the end";

  rows->Filter(L"Alias = 'HQ'");
  EXPECT_EQ(rows->RecordCount(), 1);
  EXPECT_EQ(DbText(rows->Field(L"DirectoryID")), L"CN=HQ");
  EXPECT_EQ(RefusalOf([&] { rows->Filter(L"TextName = 'HQ'"); }).number, 3001);
  EXPECT_EQ(rows->RecordCount(), 1) << "a refused filter leaves the one in place";
  EXPECT_EQ(DbText(rows->Field(L"Alias")), L"HQ");
  rows->Filter(L"");
  EXPECT_EQ(rows->RecordCount(), 2) << "an empty filter lets every row through again";

  rows->Close();
  EXPECT_FALSE(rows->IsOpen());
  for (const Refusal& closed :
       {RefusalOf([&] { rows->Eof(); }), RefusalOf([&] { rows->RecordCount(); }),
        RefusalOf([&] { rows->Close(); })}) {
    EXPECT_EQ(closed.number, 3704);
    EXPECT_EQ(closed.text, kClosed);
  }
  rows.reset();

  // A forward-only cursor on the server does not know its count; an empty one has no first row.
  auto forward = Open(L"select Alias from vw_Location", kProduct, ado::kOpenForwardOnly);
  EXPECT_EQ(forward->RecordCount(), -1);
  EXPECT_EQ(DbText(forward->Field(L"Alias")), L"HQ");
  auto none = Open(L"select Alias from vw_Location where Alias = 'Elsewhere'");
  EXPECT_TRUE(none->Eof());
  EXPECT_EQ(none->RecordCount(), 0);
  EXPECT_EQ(RefusalOf([&] { none->MoveFirst(); }).number, 3021);
  // A statement without rows leaves the recordset closed.
  auto changed = Open(L"UPDATE Location SET TextName = 'Main' WHERE Alias = 'HQ'");
  EXPECT_FALSE(changed->IsOpen());
  EXPECT_EQ(RefusalOf([&] { changed->RecordCount(); }).number, 3704);
  forward.reset();
  none.reset();
  changed.reset();
  auto renamed = Open(L"select TextName from Location where Alias = 'HQ'");
  EXPECT_EQ(DbText(renamed->Field(L"TextName")), L"Main");
}

TEST_F(AdoConformance, MsdbJobsAreFoundInSysjobsAndDeletedByName) {
  backend().LayOutSql(
      {L"job\tSqlNightlyBackupJob", L"job\tSqlWeeklyBackupJob", L"job\tCheckSqlConfiguration"});
  auto jobs = Open(L"Select * from sysjobs", kMsdb);
  EXPECT_EQ(jobs->RecordCount(), 3);
  jobs->MoveFirst();
  jobs->Find(L"name='SqlWeeklyBackupJob'");
  ASSERT_FALSE(jobs->Eof());
  EXPECT_EQ(DbInt(jobs->Field(L"enabled")), 1);
  jobs.reset();

  auto connection = host().database.Open(kMsdbOleDb, L"", L"");
  connection->Execute(L"sp_delete_job @job_name = 'SqlWeeklyBackupJob'");
  const Refusal again =
      RefusalOf([&] { connection->Execute(L"sp_delete_job @job_name = 'SqlWeeklyBackupJob'"); });
  EXPECT_EQ(again.number, kCommandError);
  EXPECT_EQ(again.text, L"The specified @job_name ('SqlWeeklyBackupJob') does not exist.");
  connection->Close();
  connection.reset();

  auto command = host().database.NewCommand(kMsdb);
  command->SetProcedure(L"sp_delete_job");
  ASSERT_EQ(command->Parameters().size(), 5u);
  command->SetParameter(L"@job_name", std::wstring(L"SqlNightlyBackupJob"));
  command->Execute();
  command.reset();

  EXPECT_EQ(backend().SqlStatements(),
            (std::vector<std::string>{
                "query\tmsdb\tSelect * from sysjobs",
                "execute\tmsdb\tsp_delete_job @job_name = 'SqlWeeklyBackupJob'",
                "execute\tmsdb\tsp_delete_job @job_name = 'SqlWeeklyBackupJob'",
                "procedure\tmsdb\tEXEC sp_delete_job @job_name = 'SqlNightlyBackupJob'",
            }));
  EXPECT_EQ(backend().SqlHoldings(),
            (std::vector<std::string>{"database\tReportDB", "database\tVelmarDB",
                                      "job\tCheckSqlConfiguration", "released"}));
}

TEST_F(AdoConformance, ConnectionTextsNoProviderTakesAreRefusedBeforeAnyStatement) {
  backend().LayOutSql({});
  struct Case {
    const wchar_t* text;
    std::int32_t number;
    std::wstring description;
  };
  const Case cases[] = {
      {L"Provider=SQLNCLI;Integrated Security=SSPI;Data Source=(local)", 3706,
       L"Provider cannot be found. It may not be properly installed."},
      {L"Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=(local)", -2147217843,
       L"Login failed for user ''."},
      {L"server=;database=VelmarDb", -2147467259,
       L"[Microsoft][ODBC Driver Manager] Data source name not found and no default driver "
       L"specified"},
      {L"Driver={SQL Server}server=;database=VelmarDb", -2147467259,
       L"[Microsoft][ODBC Driver Manager] Data source name not found and no default driver "
       L"specified"},
      {L"Driver={SQL Server};server=;database=NoSuchDb", -2147467259,
       std::wstring(L"[Microsoft][ODBC SQL Server Driver][SQL Server]Cannot open database "
                    L"requested in login 'NoSuchDb'. Login fails.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::Utf8FromWide(c.text));
    for (const Refusal& refusal : {
             RefusalOf([&] { host().database.Open(c.text, L"", L""); }),
             RefusalOf([&] { Open(L"select Alias from vw_Location", c.text); }),
             RefusalOf([&] { host().database.NewCommand(c.text); }),
         }) {
      EXPECT_EQ(refusal.number, c.number);
      EXPECT_EQ(refusal.text, c.description);
    }
  }
  EXPECT_TRUE(backend().SqlStatements().empty());
  EXPECT_EQ(backend().SqlHoldings(),
            (std::vector<std::string>{"database\tReportDB", "database\tVelmarDB", "released"}));
}

}  // namespace
}  // namespace conformance
