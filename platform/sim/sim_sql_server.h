// The simulated machine's SQL Server: product database, ReportDB, master and msdb on SQLite,
// the product's procedures, its directory sync on the virtual clock, and the tests' controls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/database.h"

namespace platform::sim {

class Server;

enum class SqlKind {
  kQuery,      // a recordset opened on the text
  kExecute,    // Connection.Execute of the text
  kProcedure,  // a stored-procedure command's Execute
};

// One statement as the server received it. Procedure commands read as
// "EXEC name @Param = value, ..." with the values in the order they were set.
struct SqlStatement {
  SqlKind kind = SqlKind::kQuery;
  std::wstring database;  // the connection's database when it arrived
  std::wstring text;
  std::uint64_t at_ms = 0;
};

struct SqlArgument {
  std::wstring name;  // as declared, with its @
  DbType type = DbType::kOther;
  DbValue value;  // GUIDs as braced upper-case text
  DbValue sent;   // the value exactly as the program set it, before any conversion
};

// One stored-procedure call, from a command or from an EXEC text.
struct SqlCall {
  std::wstring database;               // where the procedure ran
  std::wstring procedure;              // as declared
  std::vector<SqlArgument> arguments;  // the ones given, in the order they were set
  std::uint64_t at_ms = 0;
  // The value given for the parameter (any case), or nothing when it was not given.
  std::optional<DbValue> Argument(std::wstring_view name) const;
};

// Makes matching statements fail with the number and text (and no effect).
struct SqlFailure {
  std::function<bool(const SqlStatement&)> matches;
  std::int32_t number = -2147217900;
  std::wstring description;
  int times = -1;  // how many matching statements fail; -1: every one
};

// The product's directory-synchronisation service: it answers each ticket a delete procedure
// leaves with a result code after a delay, or never.
struct DirectorySyncService {
  bool answers = true;
  std::uint64_t delay_ms = 3000;
  std::int32_t result = 0;
  // When set, decides per call instead: the result, or nothing for no answer ever.
  std::function<std::optional<std::int32_t>(const SqlCall&)> answer_for;
};

// Rows of the product database; GUIDs in any case, with or without braces.
struct SubscriberRow {
  std::wstring alias;
  std::wstring display_name;
  std::wstring uid;
  std::int32_t type = 0;
  std::wstring object_id;
};

struct DistributionListRow {
  std::wstring alias;
  std::wstring uid;
  std::wstring display_name;
  std::wstring address_id;
  std::wstring object_id;  // SystemDListObjectID
  std::optional<std::wstring> directory_id;
  std::wstring location_object_id;
};

struct LocationRow {
  std::wstring alias;
  std::wstring text_name;
  std::wstring uid;
  std::wstring object_id;  // LocationObjectID
  std::optional<std::wstring> directory_id;
};

// A connection's side on the server: the database it uses and the wording of its driver
// (the ODBC driver prefixes the server's texts, the OLE DB provider does not).
struct SqlSession {
  std::wstring database;
  bool odbc = true;
};

struct SqlColumn {
  std::wstring name;
  DbType type = DbType::kOther;
};

// What a statement returned: a row set, or nothing (has_rows false).
struct SqlRows {
  bool has_rows = false;
  std::vector<SqlColumn> columns;
  std::vector<std::vector<DbValue>> rows;
};

class SqlServer {
 public:
  explicit SqlServer(Server& server);
  ~SqlServer();
  SqlServer(const SqlServer&) = delete;
  SqlServer& operator=(const SqlServer&) = delete;

  // ---- Test controls.
  bool reachable = true;      // false: every open fails, open connections fail on their next use
  std::uint64_t cost_ms = 5;  // virtual time each statement and procedure call takes
  // true: a server-side keyset cursor answers RecordCount with -1, as some providers do.
  bool keyset_count_unknown = false;
  DirectorySyncService sync;
  void Fail(SqlFailure failure);
  // Fails every statement whose text contains the part (any case).
  void FailStatementsContaining(std::wstring_view part, std::int32_t number,
                                std::wstring description, int times = -1);
  const std::vector<SqlStatement>& statements() const;
  const std::vector<SqlCall>& calls() const;
  std::vector<const SqlCall*> CallsTo(std::wstring_view procedure) const;  // any case
  // Every connection text that reached the server to open a connection, recordset or command,
  // in order, each exactly as given, whether or not the open succeeded.
  const std::vector<std::wstring>& connection_texts() const;

  // ---- Laying out the machine and looking at it afterwards (unrecorded, no virtual time).
  void AddSubscriber(const SubscriberRow& row);
  void AddDistributionList(const DistributionListRow& row);
  void AddLocation(const LocationRow& row);
  void AddJob(std::wstring_view name);  // msdb's sysjobs
  void AddBackupDevice(std::wstring_view name, std::wstring_view physical_name = L"");
  void CreateDatabase(std::wstring_view name);  // empty
  bool HasDatabase(std::wstring_view name) const;
  bool IsSingleUser(std::wstring_view name) const;
  // Runs SQL (SQL Server's forms the server accepts) straight on a database.
  void Run(std::wstring_view database, std::wstring_view sql);
  SqlRows Select(std::wstring_view database, std::wstring_view sql);
  std::int32_t CountRows(std::wstring_view database, std::wstring_view table);

  // ---- What a process's database facility uses. Each raises RuntimeError as the server
  // and driver would.
  SqlSession Connect(std::wstring_view connection_text);
  SqlRows Query(SqlSession& session, SqlKind kind, std::wstring_view text);
  std::vector<DbParameterInfo> ProcedureParameters(const SqlSession& session,
                                                   std::wstring_view procedure);
  void Call(SqlSession& session, std::wstring_view procedure, std::vector<SqlArgument> arguments);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A value as a parameter of the type receives it (a GUID from its text, an int from a number
// or a text the run time reads as one), or nothing when it cannot be converted.
std::optional<DbValue> AsParameterValue(DbType type, const DbValue& value);

// GUID text in the form the server hands out, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", or
// nothing when the text is not a GUID (braces optional, any case).
std::optional<std::wstring> CanonicalGuid(std::wstring_view text);

}  // namespace platform::sim
