// Reads the tests' lay-out lines into the simulated SQL Server and writes what it received and
// holds as record lines (see sql_layout.h for both forms).
#include "tests/support/sql_layout.h"

#include <algorithm>
#include <stdexcept>

#include "platform/text.h"
#include "tests/support/layout_lines.h"

namespace sql_layout {
namespace {

using platform::sim::SqlKind;

std::optional<std::wstring> Nullable(const std::wstring& field) {
  if (field == L"NULL") return std::nullopt;
  return field;
}

std::int32_t Number(const std::wstring& field) {
  std::size_t used = 0;
  const long value = std::stol(field, &used);
  if (used != field.size()) throw std::invalid_argument("not a number");
  return static_cast<std::int32_t>(value);
}

std::wstring Quoted(std::wstring_view text) {
  std::wstring quoted = L"'";
  for (const wchar_t c : text) quoted += c == L'\'' ? std::wstring(L"''") : std::wstring(1, c);
  return quoted + L"'";
}

void ApplyLine(platform::sim::SqlServer& sql, const std::vector<std::wstring>& f) {
  const std::wstring& kind = f[0];
  const auto need = [&](std::size_t count) {
    if (f.size() != count) throw std::invalid_argument("wrong number of fields");
  };
  if (kind == L"reachable") {
    need(2);
    sql.reachable = f[1] != L"0";
  } else if (kind == L"sync") {
    need(3);
    sql.sync.delay_ms = static_cast<std::uint64_t>(Number(f[1]));
    sql.sync.answers = f[2] != L"never";
    if (sql.sync.answers) sql.sync.result = Number(f[2]);
  } else if (kind == L"subscriber") {
    need(6);
    const bool no_type = f[4] == L"NULL";
    sql.AddSubscriber({f[1], f[2], f[3], no_type ? 0 : Number(f[4]), f[5]});
    if (no_type) {
      sql.Run(L"VelmarDB",
              L"UPDATE Subscriber SET SubscriberType = NULL WHERE Alias = " + Quoted(f[1]));
    }
  } else if (kind == L"location") {
    need(6);
    sql.AddLocation({f[1], f[2], f[3], f[4], Nullable(f[5])});
  } else if (kind == L"list") {
    need(8);
    sql.AddDistributionList({f[1], f[2], f[3], f[4], f[5], Nullable(f[6]), f[7]});
  } else if (kind == L"job") {
    need(2);
    sql.AddJob(f[1]);
  } else if (kind == L"device") {
    need(3);
    sql.AddBackupDevice(f[1], f[2]);
  } else if (kind == L"database") {
    need(2);
    sql.CreateDatabase(f[1]);
  } else if (kind == L"sql") {
    need(3);
    sql.Run(f[1], f[2]);
  } else if (kind == L"fail") {
    need(4);
    sql.FailStatementsContaining(f[1], Number(f[2]), f[3]);
  } else {
    throw std::invalid_argument("unknown kind");
  }
}

const char* KindName(SqlKind kind) {
  switch (kind) {
    case SqlKind::kQuery: return "query";
    case SqlKind::kExecute: return "execute";
    case SqlKind::kProcedure: return "procedure";
  }
  return "?";
}

std::vector<std::string> Names(platform::sim::SqlServer& sql, const char* kind,
                               std::wstring_view database, std::wstring_view query) {
  std::vector<std::string> lines;
  for (const auto& row : sql.Select(database, query).rows) {
    lines.push_back(std::string(kind) + "\t" + platform::Utf8FromWide(platform::DbText(row[0])));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

void Apply(platform::sim::SqlServer& sql, std::wstring_view layout) {
  layout_lines::ForEach(layout, "SQL",
                        [&](const layout_lines::Fields& fields) { ApplyLine(sql, fields); });
}

std::vector<std::string> StatementLines(const platform::sim::SqlServer& sql, std::size_t from) {
  std::vector<std::string> lines;
  const auto& statements = sql.statements();
  for (std::size_t i = from; i < statements.size(); ++i) {
    lines.push_back(std::string(KindName(statements[i].kind)) + "\t" +
                    platform::Utf8FromWide(statements[i].database) + "\t" +
                    platform::Utf8FromWide(statements[i].text));
  }
  return lines;
}

std::vector<std::string> StateLines(platform::sim::SqlServer& sql) {
  std::vector<std::string> lines =
      Names(sql, "database", L"master",
            L"SELECT name FROM sysdatabases WHERE name <> 'master' AND name <> 'msdb'");
  for (auto more : {Names(sql, "device", L"master", L"SELECT name FROM sysdevices"),
                    Names(sql, "job", L"msdb", L"SELECT name FROM sysjobs")}) {
    lines.insert(lines.end(), more.begin(), more.end());
  }
  return lines;
}

}  // namespace sql_layout
