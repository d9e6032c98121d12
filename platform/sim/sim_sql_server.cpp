// The simulated SQL Server: in-memory SQLite databases whose texts compare without case, with
// SQL Server's own statements (USE, ALTER/DROP DATABASE, procedure calls) handled here.
#include "platform/sim/sim_sql_server.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <map>
#include <set>

#include "platform/error.h"
#include "platform/sim/server.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

// ADO's numbers for what the server reports: a missing object, any other statement error,
// and a login or network failure.
constexpr std::int32_t kInvalidObject = -2147217865;  // 0x80040E37
constexpr std::int32_t kCommandError = -2147217900;   // 0x80040E14
constexpr std::int32_t kLoginFailed = -2147467259;    // 0x80004005
// A value the server cannot convert to the type it is compared with or assigned to.
constexpr std::int32_t kCannotConvert = -2147217913;  // 0x80040E07

constexpr wchar_t kOdbcServer[] = L"[Microsoft][ODBC SQL Server Driver][SQL Server]";

// A failure the server reports; the driver's wording is added where it reaches the caller.
struct SqlError {
  std::int32_t number;
  std::wstring text;
};

[[noreturn]] void Refuse(std::int32_t number, std::wstring text) {
  throw SqlError{number, std::move(text)};
}

[[noreturn]] void RefuseInvalidObject(std::wstring_view name) {
  Refuse(kInvalidObject, L"Invalid object name '" + std::wstring(name) + L"'.");
}

[[noreturn]] void RefuseNoDatabase(std::wstring_view name) {
  Refuse(kCommandError, L"Could not locate entry in sysdatabases for database '" +
                            std::wstring(name) +
                            L"'. No entry found with that name. Make sure that the name is entered "
                            L"correctly.");
}

// ---- Texts.

std::string Utf8(std::wstring_view text) {
  return Utf8FromWide(text);
}

std::wstring Trim(std::wstring_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::iswspace(text[begin])) ++begin;
  while (end > begin && std::iswspace(text[end - 1])) --end;
  return std::wstring(text.substr(begin, end - begin));
}

bool ContainsNoCase(std::wstring_view text, std::wstring_view part) {
  return Upcase(text).find(Upcase(part)) != std::wstring::npos;
}

// SQL Server compares texts without regard to case and ignores trailing blanks.
int CompareText(std::wstring_view a, std::wstring_view b) {
  while (!a.empty() && a.back() == L' ') a.remove_suffix(1);
  while (!b.empty() && b.back() == L' ') b.remove_suffix(1);
  return CompareNoCase(a, b);
}

int CollateText(void*, int a_size, const void* a, int b_size, const void* b) {
  return CompareText(
      WideFromUtf8(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(a_size))),
      WideFromUtf8(
          std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(b_size))));
}

// uniqueidentifier columns compare by value: braces and letter case do not matter.
int CollateGuid(void*, int a_size, const void* a, int b_size, const void* b) {
  auto key = [](int size, const void* bytes) {
    const std::wstring text = WideFromUtf8(
        std::string_view(static_cast<const char*>(bytes), static_cast<std::size_t>(size)));
    return CanonicalGuid(text).value_or(Upcase(text));
  };
  return key(a_size, a).compare(key(b_size, b));
}

std::wstring Literal(const DbValue& value) {
  if (IsNull(value)) return L"NULL";
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_wstring(*number);
  if (const auto* real = std::get_if<double>(&value)) return DbText(*real);
  std::wstring quoted = L"'";
  for (const wchar_t c : std::get<std::wstring>(value)) {
    quoted += c;
    if (c == L'\'') quoted += c;
  }
  return quoted + L"'";
}

std::int32_t IntOf(const std::optional<DbValue>& value) {
  if (!value || IsNull(*value)) return 0;
  if (const auto* number = std::get_if<std::int32_t>(&*value)) return *number;
  if (const auto* real = std::get_if<double>(&*value)) return static_cast<std::int32_t>(*real);
  return 0;
}

bool Given(const std::optional<DbValue>& value) {
  return value && !IsNull(*value);
}

// ---- Statements: a small lexer that keeps each token's source, enough to recognise SQL
// Server's own statements and to rewrite its names and literals for SQLite.

enum class Tok { kWord, kString, kNumber, kVariable, kSymbol };

struct Token {
  Tok kind = Tok::kSymbol;
  std::wstring text;   // a word without its brackets, a string's value, a symbol
  std::wstring space;  // what came before it (blanks, comments)
  bool bracketed = false;
};

bool WordChar(wchar_t c) {
  return std::iswalnum(c) || c == L'_' || c == L'#' || c == L'$';
}

std::vector<Token> Lex(std::wstring_view sql) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  const std::size_t n = sql.size();
  for (;;) {
    Token token;
    const std::size_t space_start = i;
    for (;;) {
      if (i < n && std::iswspace(sql[i])) {
        ++i;
      } else if (i + 1 < n && sql[i] == L'-' && sql[i + 1] == L'-') {
        while (i < n && sql[i] != L'\n') ++i;
      } else if (i + 1 < n && sql[i] == L'/' && sql[i + 1] == L'*') {
        const std::size_t end = sql.find(L"*/", i + 2);
        i = end == std::wstring_view::npos ? n : end + 2;
      } else {
        break;
      }
    }
    token.space = std::wstring(sql.substr(space_start, i - space_start));
    if (i >= n) break;
    const wchar_t c = sql[i];
    if (c == L'\'' || ((c == L'N' || c == L'n') && i + 1 < n && sql[i + 1] == L'\'')) {
      token.kind = Tok::kString;
      i += c == L'\'' ? 1 : 2;
      for (;;) {
        if (i >= n) {
          Refuse(kCommandError,
                 L"Unclosed quotation mark before the character string '" + token.text + L"'.");
        }
        if (sql[i] == L'\'') {
          if (i + 1 < n && sql[i + 1] == L'\'') {
            token.text += L'\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        token.text += sql[i++];
      }
    } else if (c == L'[' || c == L'"') {
      const wchar_t close = c == L'[' ? L']' : L'"';
      token.kind = Tok::kWord;
      token.bracketed = true;
      ++i;
      while (i < n && !(sql[i] == close && !(i + 1 < n && sql[i + 1] == close))) {
        if (sql[i] == close) ++i;  // a doubled closing character stands for itself
        token.text += sql[i++];
      }
      ++i;
    } else if (c == L'@') {
      token.kind = Tok::kVariable;
      token.text += sql[i++];
      while (i < n && (WordChar(sql[i]) || sql[i] == L'@')) token.text += sql[i++];
    } else if (std::iswdigit(c) || (c == L'.' && i + 1 < n && std::iswdigit(sql[i + 1]))) {
      token.kind = Tok::kNumber;
      while (i < n && (std::iswdigit(sql[i]) || sql[i] == L'.')) token.text += sql[i++];
    } else if (WordChar(c)) {
      token.kind = Tok::kWord;
      while (i < n && WordChar(sql[i])) token.text += sql[i++];
    } else {
      token.kind = Tok::kSymbol;
      const std::wstring_view two = sql.substr(i, 2);
      if (two == L"<>" || two == L"<=" || two == L">=" || two == L"!=" || two == L"||") {
        token.text = std::wstring(two);
        i += 2;
      } else {
        token.text = std::wstring(1, c);
        ++i;
      }
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

bool IsWord(const std::vector<Token>& tokens, std::size_t i, std::wstring_view word) {
  return i < tokens.size() && tokens[i].kind == Tok::kWord && !tokens[i].bracketed &&
         EqualsNoCase(tokens[i].text, word);
}

bool IsSymbol(const std::vector<Token>& tokens, std::size_t i, std::wstring_view symbol) {
  return i < tokens.size() && tokens[i].kind == Tok::kSymbol && tokens[i].text == symbol;
}

bool IsComparison(const std::vector<Token>& tokens, std::size_t i) {
  for (const wchar_t* op : {L"=", L"<>", L"!=", L"<", L">", L"<=", L">="}) {
    if (IsSymbol(tokens, i, op)) return true;
  }
  return false;
}

[[noreturn]] void RefuseSyntax(const std::vector<Token>& tokens, std::size_t i) {
  const std::wstring near = i < tokens.size() ? tokens[i].text : tokens.back().text;
  Refuse(kCommandError, L"Line 1: Incorrect syntax near '" + near + L"'.");
}

// A dotted name at tokens[i] (parts may be empty, as in msdb..sysjobs); i moves past it.
std::vector<std::wstring> DottedName(const std::vector<Token>& tokens, std::size_t& i) {
  std::vector<std::wstring> parts;
  if (i >= tokens.size() || tokens[i].kind != Tok::kWord) RefuseSyntax(tokens, i);
  parts.push_back(tokens[i++].text);
  while (IsSymbol(tokens, i, L".") && tokens[i].space.empty()) {
    ++i;
    if (i < tokens.size() && tokens[i].kind == Tok::kWord && tokens[i].space.empty()) {
      parts.push_back(tokens[i++].text);
    } else {
      parts.emplace_back();
    }
  }
  return parts;
}

std::wstring JoinName(const std::vector<std::wstring>& parts) {
  std::wstring joined;
  for (std::size_t i = 0; i < parts.size(); ++i) joined += (i ? L"." : L"") + parts[i];
  return joined;
}

DbValue NumberValue(std::wstring_view text, bool negative) {
  const double value = std::wcstod(std::wstring(text).c_str(), nullptr) * (negative ? -1 : 1);
  if (text.find(L'.') == std::wstring_view::npos && std::abs(value) <= 2147483647.0) {
    return static_cast<std::int32_t>(value);
  }
  return value;
}

// ---- SQLite.

struct PreparedStatement {
  sqlite3_stmt* handle = nullptr;
  ~PreparedStatement() { sqlite3_finalize(handle); }
};

[[noreturn]] void RefuseFromSqlite(sqlite3* db) {
  const std::wstring message = WideFromUtf8(sqlite3_errmsg(db));
  auto after = [&](std::wstring_view prefix) {
    return message.substr(message.find(prefix) + prefix.size());
  };
  if (message.starts_with(L"no such table: ")) {
    std::wstring name = after(L"no such table: ");
    if (name.starts_with(L"main.")) name = name.substr(5);
    RefuseInvalidObject(name);
  }
  if (message.starts_with(L"no such column: ")) {
    std::wstring name = after(L"no such column: ");
    if (const auto dot = name.rfind(L'.'); dot != std::wstring::npos) name = name.substr(dot + 1);
    Refuse(kCommandError, L"Invalid column name '" + name + L"'.");
  }
  if (message.find(L"near \"") != std::wstring::npos) {
    std::wstring near = after(L"near \"");
    near = near.substr(0, near.find(L'"'));
    Refuse(kCommandError, L"Line 1: Incorrect syntax near '" + near + L"'.");
  }
  Refuse(kCommandError, message);
}

DbType TypeOfDeclaration(const char* declared) {
  if (declared == nullptr) return DbType::kOther;
  const std::wstring type = Upcase(WideFromUtf8(declared));
  if (type == L"UNIQUEIDENTIFIER") return DbType::kGuid;
  if (type == L"INT") return DbType::kInteger;
  if (type.starts_with(L"VARCHAR")) return DbType::kVarChar;
  return DbType::kOther;
}

void Bind(sqlite3_stmt* statement, int index, const DbValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) {
    sqlite3_bind_int(statement, index, *number);
  } else if (const auto* real = std::get_if<double>(&value)) {
    sqlite3_bind_double(statement, index, *real);
  } else if (const auto* text = std::get_if<std::wstring>(&value)) {
    sqlite3_bind_text(statement, index, Utf8(*text).c_str(), -1, SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_null(statement, index);
  }
}

DbValue ColumnValue(sqlite3_stmt* statement, int column, DbType type) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL: return std::monostate{};
    case SQLITE_INTEGER: {
      const sqlite3_int64 number = sqlite3_column_int64(statement, column);
      if (number >= INT32_MIN && number <= INT32_MAX) return static_cast<std::int32_t>(number);
      return static_cast<double>(number);
    }
    case SQLITE_FLOAT: return sqlite3_column_double(statement, column);
    default: {
      const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      std::wstring text = WideFromUtf8(bytes == nullptr ? "" : bytes);
      if (type == DbType::kGuid) return CanonicalGuid(text).value_or(text);
      return text;
    }
  }
}

// Runs one or more SQLite statements; the rows of the first that returns any.
SqlRows Exec(sqlite3* db, const std::string& sql, const std::vector<DbValue>& parameters = {}) {
  SqlRows result;
  const char* rest = sql.c_str();
  while (*rest != '\0') {
    PreparedStatement statement;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, rest, -1, &statement.handle, &tail) != SQLITE_OK) {
      RefuseFromSqlite(db);
    }
    rest = tail;
    if (statement.handle == nullptr) continue;  // blanks or a lone semicolon
    for (std::size_t p = 0; p < parameters.size(); ++p) {
      Bind(statement.handle, static_cast<int>(p + 1), parameters[p]);
    }
    const int columns = sqlite3_column_count(statement.handle);
    const bool keep = columns > 0 && !result.has_rows;
    if (keep) {
      result.has_rows = true;
      for (int c = 0; c < columns; ++c) {
        result.columns.push_back({WideFromUtf8(sqlite3_column_name(statement.handle, c)),
                                  TypeOfDeclaration(sqlite3_column_decltype(statement.handle, c))});
      }
    }
    for (;;) {
      const int step = sqlite3_step(statement.handle);
      if (step == SQLITE_DONE) break;
      if (step != SQLITE_ROW) RefuseFromSqlite(db);
      if (!keep) continue;
      std::vector<DbValue> row;
      for (int c = 0; c < columns; ++c) {
        row.push_back(ColumnValue(statement.handle, c, result.columns[c].type));
      }
      result.rows.push_back(std::move(row));
    }
  }
  return result;
}

// ---- The databases.

constexpr char kMasterSchema[] = R"(
CREATE TABLE sysdatabases (name varchar(128) COLLATE CI, dbid int);
CREATE TABLE sysdevices (name varchar(128) COLLATE CI, phyname varchar(260) COLLATE CI,
                         cntrltype int);
)";

constexpr char kMsdbSchema[] = R"(
CREATE TABLE sysjobs (job_id uniqueidentifier COLLATE GUID,
                      originating_server varchar(30) COLLATE CI, name varchar(128) COLLATE CI,
                      enabled int, description varchar(512) COLLATE CI);
)";

constexpr char kProductSchema[] = R"(
CREATE TABLE Subscriber (Alias varchar(64) COLLATE CI, DisplayName varchar(64) COLLATE CI,
                         UID varchar(64) COLLATE CI, SubscriberType int,
                         SubscriberObjectID uniqueidentifier COLLATE GUID);
CREATE INDEX SubscriberByObject ON Subscriber (SubscriberObjectID);
CREATE TABLE DistributionList (Alias varchar(64) COLLATE CI, UID varchar(64) COLLATE CI,
                               DisplayName varchar(64) COLLATE CI,
                               AddressID varchar(256) COLLATE CI,
                               SystemDListObjectID uniqueidentifier COLLATE GUID,
                               DirectoryID varchar(256) COLLATE CI NULL,
                               LocationObjectID uniqueidentifier COLLATE GUID);
CREATE TABLE Location (Alias varchar(64) COLLATE CI, TextName varchar(64) COLLATE CI,
                       UID varchar(64) COLLATE CI, LocationObjectID uniqueidentifier COLLATE GUID,
                       DirectoryID varchar(256) COLLATE CI NULL);
CREATE TABLE DirectorySyncTicket (Ticket uniqueidentifier COLLATE GUID, result int NULL);
CREATE VIEW vw_Subscriber AS
  SELECT Alias, UID, SubscriberType, SubscriberObjectID FROM Subscriber;
CREATE VIEW vw_Location AS SELECT Alias, LocationObjectID, DirectoryID FROM Location;
CREATE VIEW vw_DistributionList AS
  SELECT Alias, AddressID, SystemDListObjectID, DirectoryID, LocationObjectID
  FROM DistributionList;
CREATE VIEW vw_DirectorySyncTicket AS SELECT Ticket, result FROM DirectorySyncTicket;
)";

constexpr wchar_t kProductDatabase[] = L"VelmarDB";

}  // namespace

std::optional<std::wstring> CanonicalGuid(std::wstring_view text) {
  std::wstring_view inner = text;
  if (inner.size() == 38 && inner.front() == L'{' && inner.back() == L'}') {
    inner = inner.substr(1, 36);
  }
  if (inner.size() != 36) return std::nullopt;
  std::wstring canonical = L"{";
  for (std::size_t i = 0; i < inner.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? inner[i] != L'-' : !std::iswxdigit(inner[i])) return std::nullopt;
    canonical += static_cast<wchar_t>(std::towupper(inner[i]));
  }
  return canonical + L"}";
}

std::optional<DbValue> SqlCall::Argument(std::wstring_view name) const {
  for (const auto& argument : arguments) {
    if (EqualsNoCase(argument.name, name)) return argument.value;
  }
  return std::nullopt;
}

struct SqlServer::Impl {
  struct Database;
  using Body = void (Impl::*)(Database&, const SqlCall&);

  struct Procedure {
    std::wstring name;
    std::vector<DbParameterInfo> parameters;
    Body body;
  };

  struct Database {
    std::wstring name;
    sqlite3* handle = nullptr;
    bool single_user = false;
    std::vector<Procedure> procedures;
    ~Database() { sqlite3_close(handle); }
  };

  Impl(Server& machine, SqlServer& owner) : server(machine), controls(owner) {
    Create(L"master", kMasterSchema);
    Create(L"msdb", kMsdbSchema);
    Database& product = Create(kProductDatabase, kProductSchema);
    Create(L"ReportDB", "");
    const DbParameterInfo sync{L"@DirectorySync", DbType::kInteger};
    const DbParameterInfo ticket{L"@DirectorySyncTicket", DbType::kGuid};
    const DbParameterInfo force{L"@ForceRemove", DbType::kInteger};
    const DbParameterInfo by_directory{L"@FindByDirectoryID", DbType::kVarChar};
    product.procedures = {
        {L"sp_DeleteSubscriber",
         {{L"@SubscriberObjectID", DbType::kGuid},
          sync,
          ticket,
          force,
          {L"@ForceRemoveEAdmin", DbType::kInteger}},
         &Impl::DeleteSubscriber},
        {L"ktp_DistributionListDelete",
         {{L"@SystemDListObjectID", DbType::kGuid}, by_directory, sync, ticket, force},
         &Impl::DeleteDistributionList},
        {L"ktp_LocationDelete",
         {{L"@LocationObjectID", DbType::kGuid}, by_directory, sync, ticket, force},
         &Impl::DeleteLocation},
        {L"sp_DeleteDirectorySyncTicket", {{L"@Ticket", DbType::kGuid}}, &Impl::DeleteTicket},
    };
    Find(L"master")->procedures = {
        {L"sp_dropdevice",
         {{L"@logicalname", DbType::kVarChar}, {L"@delfile", DbType::kVarChar}},
         &Impl::DropDevice},
    };
    Find(L"msdb")->procedures = {
        {L"sp_delete_job",
         {{L"@job_id", DbType::kGuid},
          {L"@job_name", DbType::kVarChar},
          {L"@originating_server", DbType::kVarChar},
          {L"@delete_history", DbType::kInteger},
          {L"@delete_unused_schedule", DbType::kInteger}},
         &Impl::DeleteJob},
    };
  }

  Database& Create(std::wstring_view name, const char* schema) {
    auto database = std::make_unique<Database>();
    database->name = std::wstring(name);
    sqlite3_open(":memory:", &database->handle);
    sqlite3_create_collation(database->handle, "CI", SQLITE_UTF8, nullptr, &CollateText);
    sqlite3_create_collation(database->handle, "GUID", SQLITE_UTF8, nullptr, &CollateGuid);
    Exec(database->handle, schema);
    Database& made = *database;
    databases[Upcase(name)] = std::move(database);
    if (Database* master = Find(L"master")) {
      Exec(master->handle, "INSERT INTO sysdatabases (name, dbid) VALUES (?, ?)",
           {made.name, next_dbid++});
    }
    return made;
  }

  Database* Find(std::wstring_view name) {
    const auto it = databases.find(Upcase(name));
    return it == databases.end() ? nullptr : it->second.get();
  }

  Database& Existing(std::wstring_view name) {
    Database* database = Find(name);
    if (database == nullptr) RefuseNoDatabase(name);
    return *database;
  }

  // The driver's wording around what the server says.
  [[noreturn]] static void Raise(const SqlSession& session, const SqlError& error) {
    platform::Raise(error.number, (session.odbc ? kOdbcServer : L"") + error.text);
  }

  void CheckLink(const SqlSession& session) const {
    if (controls.reachable) return;
    platform::Raise(kLoginFailed,
                    session.odbc ? L"[Microsoft][ODBC SQL Server Driver][DBNETLIB]General network "
                                   L"error. Check your network documentation."
                                 : L"[DBNETLIB][ConnectionWrite (send()).]General network error. "
                                   L"Check your network documentation.");
  }

  const SqlStatement& Arrive(const SqlSession& session, SqlKind kind, std::wstring text) {
    statements.push_back({kind, session.database, std::move(text), server.now_ms()});
    server.AdvanceBy(controls.cost_ms);
    const SqlStatement& statement = statements.back();
    for (auto& failure : failures) {
      if (failure.times == 0 || !failure.matches(statement)) continue;
      if (failure.times > 0) --failure.times;
      platform::Raise(failure.number, failure.description);
    }
    return statement;
  }

  // ---- Names: SQL Server's db.dbo.name and dbo.name for SQLite's plain names.

  std::vector<std::wstring> Local(const std::vector<std::wstring>& parts, const Database& current) {
    std::vector<std::wstring> local = parts;
    if (local.size() >= 3 && (local[1].empty() || EqualsNoCase(local[1], L"dbo")) &&
        Find(local[0]) != nullptr) {
      if (!EqualsNoCase(local[0], current.name)) RefuseInvalidObject(JoinName(parts));
      local.erase(local.begin(), local.begin() + 2);
    } else if (local.size() >= 2 && EqualsNoCase(local[0], L"dbo")) {
      local.erase(local.begin());
    }
    return local;
  }

  std::string ForSqlite(const std::vector<Token>& tokens, const Database& current) {
    std::wstring out;
    std::optional<std::wstring> limit;
    std::size_t end = tokens.size();
    while (end > 0 && IsSymbol(tokens, end - 1, L";")) --end;
    for (std::size_t i = 0; i < end;) {
      const Token& token = tokens[i];
      out += token.space;
      if (token.kind == Tok::kString) {
        out += Literal(token.text);
        ++i;
      } else if (token.kind == Tok::kWord && !token.bracketed && EqualsNoCase(token.text, L"TOP") &&
                 i > 0 &&
                 (IsWord(tokens, i - 1, L"SELECT") || IsWord(tokens, i - 1, L"DISTINCT")) &&
                 i + 1 < end && tokens[i + 1].kind == Tok::kNumber) {
        limit = tokens[i + 1].text;
        i += 2;
      } else if (token.kind == Tok::kWord) {
        const std::size_t start = i;
        const auto parts = Local(DottedName(tokens, i), current);
        if (parts.size() == 1 && !token.bracketed && EqualsNoCase(parts[0], L"ISNULL") &&
            IsSymbol(tokens, i, L"(")) {
          out += L"IFNULL";
          continue;
        }
        for (std::size_t p = 0; p < parts.size(); ++p) {
          if (p) out += L'.';
          const bool bracket = tokens[start].bracketed || parts[p].empty() ||
                               !std::all_of(parts[p].begin(), parts[p].end(), WordChar);
          out += bracket ? L"[" + parts[p] + L"]" : parts[p];
        }
      } else {
        out += token.text;
        ++i;
      }
    }
    if (limit) out += L" LIMIT " + *limit;
    return Utf8(out);
  }

  // ---- What SQLite lets through and SQL Server does not.

  // The upper-cased names of the database's uniqueidentifier columns.
  static std::set<std::wstring> GuidColumns(const Database& database) {
    std::set<std::wstring> names;
    const SqlRows tables =
        Exec(database.handle, "SELECT name FROM sqlite_master WHERE type='table'");
    for (const auto& table : tables.rows) {
      const SqlRows columns =
          Exec(database.handle, "PRAGMA table_info(" + Utf8(Literal(table[0])) + ")");
      for (const auto& column : columns.rows) {
        if (EqualsNoCase(DbText(column[2]), L"uniqueidentifier"))
          names.insert(Upcase(DbText(column[1])));
      }
    }
    return names;
  }

  // SQL Server converts a text compared with a uniqueidentifier column to a GUID before it
  // reads a row, so a text that is no GUID ('' included) fails the statement whatever the
  // table holds; SQLite would merely find nothing. A column is known by its name here.
  static void CheckGuidComparisons(const std::vector<Token>& tokens, const Database& database) {
    std::optional<std::set<std::wstring>> guid_columns;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      if (tokens[i].kind != Tok::kString) continue;
      std::wstring column;
      if (i >= 2 && IsComparison(tokens, i - 1) && tokens[i - 2].kind == Tok::kWord) {
        column = tokens[i - 2].text;  // the last part of a dotted name
      } else if (IsComparison(tokens, i + 1) && i + 2 < tokens.size() &&
                 tokens[i + 2].kind == Tok::kWord) {
        std::size_t at = i + 2;
        column = DottedName(tokens, at).back();
      } else {
        continue;
      }
      if (!guid_columns) guid_columns = GuidColumns(database);
      if (guid_columns->contains(Upcase(column)) && !CanonicalGuid(Trim(tokens[i].text))) {
        Refuse(kCannotConvert,
               L"Conversion failed when converting from a character string to uniqueidentifier.");
      }
    }
  }

  // ---- Statements SQLite does not know.

  void Use(SqlSession& session, const std::vector<Token>& tokens) {
    std::size_t i = 1;
    const auto name = DottedName(tokens, i);
    session.database = Existing(name.back()).name;
  }

  void AlterDatabase(const std::vector<Token>& tokens) {
    std::size_t i = 2;
    Database& database = Existing(DottedName(tokens, i).back());
    for (; i < tokens.size(); ++i) {
      if (IsWord(tokens, i, L"SINGLE_USER")) database.single_user = true;
      if (IsWord(tokens, i, L"MULTI_USER") || IsWord(tokens, i, L"RESTRICTED_USER")) {
        database.single_user = false;
      }
    }
  }

  void DropDatabase(const SqlSession& session, const std::vector<Token>& tokens) {
    std::size_t i = 2;
    for (;;) {
      const std::wstring name = DottedName(tokens, i).back();
      Database* database = Find(name);
      if (database == nullptr) {
        Refuse(kCommandError, L"Cannot drop the database '" + name +
                                  L"', because it does not exist in the system catalog.");
      }
      if (EqualsNoCase(name, L"master") || EqualsNoCase(name, L"msdb")) {
        Refuse(kCommandError, L"Cannot drop the database '" + database->name +
                                  L"' because it is a system database.");
      }
      if (EqualsNoCase(name, session.database)) {
        Refuse(kCommandError, L"Cannot drop the database '" + database->name +
                                  L"' because it is currently in use.");
      }
      Exec(Existing(L"master").handle, "DELETE FROM sysdatabases WHERE name = ?", {database->name});
      databases.erase(Upcase(name));
      if (!IsSymbol(tokens, i, L",")) break;
      ++i;
    }
    if (i < tokens.size() && !IsSymbol(tokens, i, L";")) RefuseSyntax(tokens, i);
  }

  // ---- Procedures.

  struct Found {
    Database* database = nullptr;
    const Procedure* procedure = nullptr;
  };

  // A procedure by its name as called: qualified by its database, or in the connection's
  // database; the system procedures (sp_...) also in master.
  Found Resolve(const SqlSession& session, std::vector<std::wstring> parts) {
    Database* database = nullptr;
    if (parts.size() >= 3) {
      database = Find(parts[0]);
      if (database == nullptr) RefuseNoDatabase(parts[0]);
    } else {
      database = &Existing(session.database);
    }
    const std::wstring& name = parts.back();
    auto lookup = [&](Database& in) -> Found {
      for (const auto& procedure : in.procedures) {
        if (EqualsNoCase(procedure.name, name)) return {&in, &procedure};
      }
      return {};
    };
    Found found = lookup(*database);
    if (found.procedure == nullptr && parts.size() < 3 && Upcase(name).starts_with(L"SP_")) {
      found = lookup(Existing(L"master"));
    }
    return found;
  }

  void Run(Found found, SqlCall call) {
    call.database = found.database->name;
    call.procedure = found.procedure->name;
    call.at_ms = server.now_ms();
    calls.push_back(call);
    (this->*found.procedure->body)(*found.database, calls.back());
  }

  // "[EXEC] name [@param =] value, ...", the form Connection.Execute takes a call in.
  void CallFromText(const SqlSession& session, const std::vector<Token>& tokens,
                    std::size_t start) {
    std::size_t i = start;
    const auto name = DottedName(tokens, i);
    const Found found = Resolve(session, name);
    if (found.procedure == nullptr) {
      Refuse(kCommandError, L"Could not find stored procedure '" + JoinName(name) + L"'.");
    }
    const auto& declared = found.procedure->parameters;
    SqlCall call;
    std::size_t position = 0;
    while (i < tokens.size() && !IsSymbol(tokens, i, L";")) {
      const DbParameterInfo* parameter = nullptr;
      if (tokens[i].kind == Tok::kVariable && IsSymbol(tokens, i + 1, L"=")) {
        for (const auto& candidate : declared) {
          if (EqualsNoCase(candidate.name, tokens[i].text)) parameter = &candidate;
        }
        if (parameter == nullptr) {
          Refuse(kCommandError, tokens[i].text + L" is not a parameter for procedure " +
                                    found.procedure->name + L".");
        }
        i += 2;
      } else {
        if (position >= declared.size()) {
          Refuse(kCommandError, L"Procedure or function " + found.procedure->name +
                                    L" has too many arguments specified.");
        }
        parameter = &declared[position];
      }
      ++position;
      DbValue value;
      const bool negative = IsSymbol(tokens, i, L"-");
      if (negative) ++i;
      if (i >= tokens.size()) RefuseSyntax(tokens, i);
      const Token& token = tokens[i++];
      if (token.kind == Tok::kNumber) {
        value = NumberValue(token.text, negative);
      } else if (token.kind == Tok::kString || (token.kind == Tok::kWord && !negative)) {
        if (!(token.kind == Tok::kWord && !token.bracketed && EqualsNoCase(token.text, L"NULL"))) {
          value = token.text;  // a bare word passes as a text
        }
      } else {
        RefuseSyntax(tokens, i - 1);
      }
      const auto converted = AsParameterValue(parameter->type, value);
      if (!converted) {
        Refuse(kCommandError, parameter->type == DbType::kGuid
                                  ? L"Syntax error converting from a character string to "
                                    L"uniqueidentifier."
                                  : L"Syntax error converting the varchar value '" + DbText(value) +
                                        L"' to a column of data type int.");
      }
      call.arguments.push_back({parameter->name, parameter->type, *converted, value});
      if (IsSymbol(tokens, i, L",")) {
        ++i;
      } else if (i < tokens.size() && !IsSymbol(tokens, i, L";")) {
        RefuseSyntax(tokens, i);
      }
    }
    Run(found, std::move(call));
  }

  // A delete procedure asked to synchronise the directory leaves a ticket for the service,
  // which answers it later on the server's clock.
  void LeaveTicket(Database& database, const SqlCall& call) {
    const auto ticket = call.Argument(L"@DirectorySyncTicket");
    if (IntOf(call.Argument(L"@DirectorySync")) != 1 || !Given(ticket)) return;
    Exec(database.handle, "INSERT INTO DirectorySyncTicket (Ticket, result) VALUES (?, NULL)",
         {*ticket});
    const DirectorySyncService& sync = controls.sync;
    const std::optional<std::int32_t> answer =
        sync.answer_for ? sync.answer_for(call)
                        : (sync.answers ? std::optional<std::int32_t>(sync.result) : std::nullopt);
    if (!answer) return;
    server.At(server.now_ms() + sync.delay_ms, [this, name = database.name, value = *ticket,
                                                result = *answer] {
      if (Database* product = Find(name)) {
        Exec(product->handle, "UPDATE DirectorySyncTicket SET result = ? WHERE Ticket = ?",
             {result, value});
      }
    });
  }

  void DeleteSubscriber(Database& database, const SqlCall& call) {
    Exec(database.handle, "DELETE FROM Subscriber WHERE SubscriberObjectID = ?",
         {call.Argument(L"@SubscriberObjectID").value_or(DbValue{})});
    LeaveTicket(database, call);
  }

  // Found by its object, or by its directory identity when no object is given.
  void DeleteByObjectOrDirectory(Database& database, const SqlCall& call, const char* table,
                                 const char* object_column, std::wstring_view object_parameter) {
    const auto object = call.Argument(object_parameter);
    const auto directory = call.Argument(L"@FindByDirectoryID");
    const std::string by_object =
        std::string("DELETE FROM ") + table + " WHERE " + object_column + " = ?";
    if (Given(object)) {
      Exec(database.handle, by_object, {*object});
    } else if (Given(directory)) {
      Exec(database.handle, std::string("DELETE FROM ") + table + " WHERE DirectoryID = ?",
           {*directory});
    }
    LeaveTicket(database, call);
  }

  void DeleteDistributionList(Database& database, const SqlCall& call) {
    DeleteByObjectOrDirectory(database, call, "DistributionList", "SystemDListObjectID",
                              L"@SystemDListObjectID");
  }

  void DeleteLocation(Database& database, const SqlCall& call) {
    DeleteByObjectOrDirectory(database, call, "Location", "LocationObjectID", L"@LocationObjectID");
  }

  void DeleteTicket(Database& database, const SqlCall& call) {
    Exec(database.handle, "DELETE FROM DirectorySyncTicket WHERE Ticket = ?",
         {call.Argument(L"@Ticket").value_or(DbValue{})});
  }

  void DropDevice(Database& master, const SqlCall& call) {
    const DbValue name = call.Argument(L"@logicalname").value_or(DbValue{});
    const std::wstring text = IsNull(name) ? L"" : DbText(name);
    const SqlRows device =
        Exec(master.handle, "SELECT phyname FROM sysdevices WHERE name = ?", {name});
    if (device.rows.empty()) {
      Refuse(kCommandError, L"Device '" + text +
                                L"' does not exist. Use sp_helpdevice to show available devices.");
    }
    Exec(master.handle, "DELETE FROM sysdevices WHERE name = ?", {name});
    // 'delfile' takes the device's file off the disk as well (the server's own, not in use).
    const std::wstring file = IsNull(device.rows[0][0]) ? L"" : DbText(device.rows[0][0]);
    if (Given(call.Argument(L"@delfile")) && !file.empty()) {
      if (FileNode* node = server.files.Find(file); node && !node->is_folder && !node->in_use) {
        FileSystemState::RemoveChild(*node);
      }
    }
  }

  void DeleteJob(Database& msdb, const SqlCall& call) {
    const auto id = call.Argument(L"@job_id");
    const auto name = call.Argument(L"@job_name");
    if (!Given(id) && !Given(name)) {
      Refuse(kCommandError, L"Supply either @job_id or @job_name to identify the job.");
    }
    const char* where = Given(id) ? " WHERE job_id = ?" : " WHERE name = ?";
    const DbValue key = Given(id) ? *id : *name;
    if (Exec(msdb.handle, std::string("SELECT name FROM sysjobs") + where, {key}).rows.empty()) {
      Refuse(kCommandError,
             Given(id) ? L"The specified @job_id ('" + DbText(key) + L"') does not exist."
                       : L"The specified @job_name ('" + DbText(key) + L"') does not exist.");
    }
    Exec(msdb.handle, std::string("DELETE FROM sysjobs") + where, {key});
  }

  // ---- One statement of any kind.

  SqlRows Statement(SqlSession& session, SqlKind kind, std::wstring_view text) {
    CheckLink(session);
    if (Trim(text).empty()) {
      platform::Raise(-2147217908, L"Command text was not set for the command object.");
    }
    Arrive(session, kind, std::wstring(text));
    try {
      Database& current = Existing(session.database);
      const std::vector<Token> tokens = Lex(text);
      if (IsWord(tokens, 0, L"USE")) {
        Use(session, tokens);
      } else if (IsWord(tokens, 0, L"ALTER") && IsWord(tokens, 1, L"DATABASE")) {
        AlterDatabase(tokens);
      } else if (IsWord(tokens, 0, L"DROP") && IsWord(tokens, 1, L"DATABASE")) {
        DropDatabase(session, tokens);
      } else if (IsWord(tokens, 0, L"EXEC") || IsWord(tokens, 0, L"EXECUTE")) {
        CallFromText(session, tokens, 1);
      } else if (tokens[0].kind == Tok::kWord &&
                 !(IsWord(tokens, 0, L"SELECT") || IsWord(tokens, 0, L"INSERT") ||
                   IsWord(tokens, 0, L"UPDATE") || IsWord(tokens, 0, L"DELETE") ||
                   IsWord(tokens, 0, L"CREATE") || IsWord(tokens, 0, L"DROP") ||
                   IsWord(tokens, 0, L"WITH"))) {
        CallFromText(session, tokens, 0);  // a batch may start with a call without EXEC
      } else {
        CheckGuidComparisons(tokens, current);
        return Exec(current.handle, ForSqlite(tokens, current));
      }
      return {};
    } catch (const SqlError& error) {
      Raise(session, error);
    }
  }

  void CallCommand(SqlSession& session, std::wstring_view procedure,
                   std::vector<SqlArgument> arguments) {
    CheckLink(session);
    std::wstring text = L"EXEC " + std::wstring(procedure);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      text += (i ? L", " : L" ") + arguments[i].name + L" = " + Literal(arguments[i].value);
    }
    Arrive(session, SqlKind::kProcedure, std::move(text));
    try {
      std::size_t i = 0;
      const auto tokens = Lex(procedure);
      const Found found = Resolve(session, DottedName(tokens, i));
      if (found.procedure == nullptr) {
        Refuse(kCommandError,
               L"Could not find stored procedure '" + std::wstring(procedure) + L"'.");
      }
      SqlCall call;
      call.arguments = std::move(arguments);
      Run(found, std::move(call));
    } catch (const SqlError& error) {
      Raise(session, error);
    }
  }

  Server& server;
  const SqlServer& controls;  // the test's settings: reachability, cost, the sync service
  std::map<std::wstring, std::unique_ptr<Database>> databases;  // by upper-cased name
  std::int32_t next_dbid = 1;
  std::int32_t jobs_made = 0;
  std::vector<SqlFailure> failures;
  std::vector<SqlStatement> statements;
  std::vector<SqlCall> calls;
  std::vector<std::wstring> connection_texts;
};

std::optional<DbValue> AsParameterValue(DbType type, const DbValue& value) {
  if (IsNull(value)) return value;
  try {
    switch (type) {
      case DbType::kGuid: {
        const auto* text = std::get_if<std::wstring>(&value);
        if (text == nullptr) return std::nullopt;
        const auto guid = CanonicalGuid(Trim(*text));
        if (!guid) return std::nullopt;
        return DbValue(*guid);
      }
      case DbType::kInteger: return DbValue(DbInt(value));
      case DbType::kVarChar: return DbValue(DbText(value));
      case DbType::kOther: return value;
    }
  } catch (const RuntimeError&) {
  }
  return std::nullopt;
}

// ---- The public face.

SqlServer::SqlServer(Server& server) : impl_(std::make_unique<Impl>(server, *this)) {}
SqlServer::~SqlServer() = default;

void SqlServer::Fail(SqlFailure failure) {
  impl_->failures.push_back(std::move(failure));
}

void SqlServer::FailStatementsContaining(std::wstring_view part, std::int32_t number,
                                         std::wstring description, int times) {
  Fail({[part = std::wstring(part)](const SqlStatement& statement) {
          return ContainsNoCase(statement.text, part);
        },
        number, std::move(description), times});
}

const std::vector<SqlStatement>& SqlServer::statements() const {
  return impl_->statements;
}
const std::vector<SqlCall>& SqlServer::calls() const {
  return impl_->calls;
}
const std::vector<std::wstring>& SqlServer::connection_texts() const {
  return impl_->connection_texts;
}

std::vector<const SqlCall*> SqlServer::CallsTo(std::wstring_view procedure) const {
  std::vector<const SqlCall*> found;
  for (const auto& call : impl_->calls) {
    if (EqualsNoCase(call.procedure, procedure)) found.push_back(&call);
  }
  return found;
}

namespace {

DbValue GuidValue(std::wstring_view text) {
  return CanonicalGuid(text).value_or(std::wstring(text));
}

DbValue Optional(const std::optional<std::wstring>& text) {
  return text ? DbValue(*text) : DbValue{};
}

}  // namespace

void SqlServer::AddSubscriber(const SubscriberRow& row) {
  Exec(impl_->Existing(kProductDatabase).handle,
       "INSERT INTO Subscriber (Alias, DisplayName, UID, SubscriberType, SubscriberObjectID) "
       "VALUES (?, ?, ?, ?, ?)",
       {row.alias, row.display_name, row.uid, row.type, GuidValue(row.object_id)});
}

void SqlServer::AddDistributionList(const DistributionListRow& row) {
  Exec(impl_->Existing(kProductDatabase).handle,
       "INSERT INTO DistributionList (Alias, UID, DisplayName, AddressID, SystemDListObjectID, "
       "DirectoryID, LocationObjectID) VALUES (?, ?, ?, ?, ?, ?, ?)",
       {row.alias, row.uid, row.display_name, row.address_id, GuidValue(row.object_id),
        Optional(row.directory_id), GuidValue(row.location_object_id)});
}

void SqlServer::AddLocation(const LocationRow& row) {
  Exec(impl_->Existing(kProductDatabase).handle,
       "INSERT INTO Location (Alias, TextName, UID, LocationObjectID, DirectoryID) "
       "VALUES (?, ?, ?, ?, ?)",
       {row.alias, row.text_name, row.uid, GuidValue(row.object_id), Optional(row.directory_id)});
}

void SqlServer::AddJob(std::wstring_view name) {
  wchar_t id[40];
  std::swprintf(id, 40, L"{00000000-0000-4000-A000-%012X}", ++impl_->jobs_made);
  Exec(impl_->Existing(L"msdb").handle,
       "INSERT INTO sysjobs (job_id, originating_server, name, enabled, description) "
       "VALUES (?, '(local)', ?, 1, '')",
       {std::wstring(id), std::wstring(name)});
}

void SqlServer::AddBackupDevice(std::wstring_view name, std::wstring_view physical_name) {
  Exec(impl_->Existing(L"master").handle,
       "INSERT INTO sysdevices (name, phyname, cntrltype) VALUES (?, ?, 2)",
       {std::wstring(name), std::wstring(physical_name)});
}

void SqlServer::CreateDatabase(std::wstring_view name) {
  if (!HasDatabase(name)) impl_->Create(name, "");
}

bool SqlServer::HasDatabase(std::wstring_view name) const {
  return impl_->Find(name) != nullptr;
}

bool SqlServer::IsSingleUser(std::wstring_view name) const {
  const auto* database = impl_->Find(name);
  return database != nullptr && database->single_user;
}

void SqlServer::Run(std::wstring_view database, std::wstring_view sql) {
  Select(database, sql);
}

SqlRows SqlServer::Select(std::wstring_view database, std::wstring_view sql) {
  SqlSession session{std::wstring(database), false};
  try {
    auto& target = impl_->Existing(database);
    return Exec(target.handle, impl_->ForSqlite(Lex(sql), target));
  } catch (const SqlError& error) {
    Impl::Raise(session, error);
  }
}

std::int32_t SqlServer::CountRows(std::wstring_view database, std::wstring_view table) {
  const SqlRows rows = Select(database, L"SELECT COUNT(*) FROM " + std::wstring(table));
  return std::get<std::int32_t>(rows.rows.at(0).at(0));
}

namespace {

using ConnectionPairs = std::map<std::wstring, std::wstring>;

// "key=value;..." with braces around values that hold semicolons (taken off), keys in lower case
// and both trimmed; nothing when the text is not such a list, as no provider reads it then.
std::optional<ConnectionPairs> ConnectionFields(std::wstring_view text) {
  ConnectionPairs fields;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t equals = text.find(L'=', i);
    if (equals == std::wstring_view::npos) return std::nullopt;
    std::wstring key = Trim(text.substr(i, equals - i));
    if (key.empty() || key.find(L';') != std::wstring::npos) return std::nullopt;
    for (auto& c : key) c = static_cast<wchar_t>(std::towlower(c));
    i = equals + 1;
    while (i < text.size() && text[i] == L' ') ++i;
    std::size_t semicolon = text.find(L';', i);
    std::wstring value;
    if (i < text.size() && text[i] == L'{') {
      const std::size_t close = text.find(L'}', i);
      if (close == std::wstring_view::npos) return std::nullopt;
      value = std::wstring(text.substr(i + 1, close - i - 1));
      semicolon = text.find(L';', close);
      // Nothing but blanks may follow the closing brace.
      if (!Trim(text.substr(close + 1, semicolon == std::wstring_view::npos
                                           ? semicolon
                                           : semicolon - close - 1))
               .empty()) {
        return std::nullopt;
      }
    } else {
      value =
          Trim(text.substr(i, semicolon == std::wstring_view::npos ? semicolon : semicolon - i));
    }
    fields[key] = value;
    i = semicolon == std::wstring_view::npos ? text.size() : semicolon + 1;
  }
  return fields;
}

// The machine has two ways to SQL Server: the SQLOLEDB provider, which logs in with the
// program's Windows account only when told to (else as the empty SQL login), and ADO's ODBC
// provider, taken when no provider is named, which wants the "SQL Server" driver. A text that
// neither takes is refused before any server is asked.
void CheckProvider(const std::optional<ConnectionPairs>& fields) {
  const auto value = [&](const wchar_t* key) -> std::optional<std::wstring> {
    if (!fields) return std::nullopt;
    const auto it = fields->find(key);
    if (it == fields->end()) return std::nullopt;
    return Upcase(it->second);
  };
  if (const auto provider = value(L"provider")) {
    if (*provider != L"SQLOLEDB" && *provider != L"SQLOLEDB.1") {
      platform::Raise(3706, L"Provider cannot be found. It may not be properly installed.");
    }
    if (value(L"integrated security") != L"SSPI") {
      platform::Raise(-2147217843, L"Login failed for user ''.");
    }
    return;
  }
  if (value(L"driver") != L"SQL SERVER") {
    platform::Raise(kLoginFailed,  // E_FAIL, as the ODBC driver manager reports through ADO
                    L"[Microsoft][ODBC Driver Manager] Data source name not found and no default "
                    L"driver specified");
  }
}

}  // namespace

SqlSession SqlServer::Connect(std::wstring_view connection_text) {
  impl_->connection_texts.emplace_back(connection_text);
  const auto pairs = ConnectionFields(connection_text);
  CheckProvider(pairs);
  const ConnectionPairs& fields = *pairs;  // a text that is no list was refused above
  SqlSession session;
  const auto provider = fields.find(L"provider");
  session.odbc = provider == fields.end() || !Upcase(provider->second).starts_with(L"SQLOLEDB");
  if (!reachable) {
    platform::Raise(kLoginFailed, session.odbc
                                      ? L"[Microsoft][ODBC SQL Server Driver][DBNETLIB]SQL "
                                        L"Server does not exist or access denied."
                                      : L"[DBNETLIB][ConnectionOpen (Connect()).]SQL "
                                        L"Server does not exist or access denied.");
  }
  std::wstring database = L"master";
  for (const wchar_t* key : {L"database", L"initial catalog"}) {
    if (const auto it = fields.find(key); it != fields.end() && !it->second.empty()) {
      database = it->second;
    }
  }
  const auto* found = impl_->Find(database);
  if (found == nullptr) {
    platform::Raise(kLoginFailed, (session.odbc ? kOdbcServer : L"") +
                                      std::wstring(L"Cannot open database requested in login '") +
                                      database + L"'. Login fails.");
  }
  session.database = found->name;
  return session;
}

SqlRows SqlServer::Query(SqlSession& session, SqlKind kind, std::wstring_view text) {
  return impl_->Statement(session, kind, text);
}

std::vector<DbParameterInfo> SqlServer::ProcedureParameters(const SqlSession& session,
                                                            std::wstring_view procedure) {
  impl_->CheckLink(session);
  try {
    std::size_t i = 0;
    const auto tokens = Lex(procedure);
    if (tokens.empty()) return {};
    const auto found = impl_->Resolve(session, DottedName(tokens, i));
    if (found.procedure == nullptr) return {};  // an unknown procedure declares nothing
    return found.procedure->parameters;
  } catch (const SqlError& error) {
    Impl::Raise(session, error);
  }
}

void SqlServer::Call(SqlSession& session, std::wstring_view procedure,
                     std::vector<SqlArgument> arguments) {
  impl_->CallCommand(session, procedure, std::move(arguments));
}

}  // namespace platform::sim
