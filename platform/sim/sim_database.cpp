// ADO's objects over the simulated SQL Server: recordsets that move, find and filter as ADO's
// do, and commands that convert each value to its parameter's declared type when set.
#include "platform/sim/sim_database.h"

#include <cwctype>
#include <optional>

#include "platform/error.h"
#include "platform/sim/server.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

[[noreturn]] void RaiseClosed() {
  Raise(3704, L"Operation is not allowed when the object is closed.");
}

[[noreturn]] void RaiseNoCurrentRecord() {
  Raise(3021,
        L"Either BOF or EOF is True, or the current record has been deleted. Requested operation "
        L"requires a current record.");
}

[[noreturn]] void RaiseNotInCollection() {
  Raise(3265,
        L"Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

[[noreturn]] void RaiseBadArguments() {
  Raise(3001,
        L"Arguments are of the wrong type, are out of acceptable range, or are in conflict with "
        L"one another.");
}

std::wstring TrimBlanks(std::wstring_view text) {
  while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
  while (!text.empty() && std::iswspace(text.back())) text.remove_suffix(1);
  return std::wstring(text);
}

std::optional<double> NumberOf(const DbValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
  if (const auto* real = std::get_if<double>(&value)) return *real;
  if (const auto* text = std::get_if<std::wstring>(&value)) {
    const std::wstring trimmed = TrimBlanks(*text);
    if (trimmed.empty()) return std::nullopt;
    wchar_t* end = nullptr;
    const double parsed = std::wcstod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size()) return std::nullopt;
    return parsed;
  }
  return std::nullopt;
}

// '*' and '%' stand for any run of characters, as in ADO's LIKE criteria.
bool Like(std::wstring_view text, std::wstring_view pattern) {
  if (pattern.empty()) return text.empty();
  if (pattern[0] == L'*' || pattern[0] == L'%') {
    for (std::size_t skip = 0; skip <= text.size(); ++skip) {
      if (Like(text.substr(skip), pattern.substr(1))) return true;
    }
    return false;
  }
  return !text.empty() && UpcaseChar(text[0]) == UpcaseChar(pattern[0]) &&
         Like(text.substr(1), pattern.substr(1));
}

// One "Column op value" criterion of Find and Filter.
struct Criterion {
  std::size_t column = 0;
  std::wstring op;
  DbValue value;  // a text when quoted, a number, or NULL

  bool Matches(const DbValue& field) const {
    if (IsNull(value)) return (op == L"=") == IsNull(field);
    if (IsNull(field)) return false;
    int order = 0;
    if (const auto* text = std::get_if<std::wstring>(&value)) {
      const std::wstring field_text = DbText(field);
      if (op == L"LIKE") return Like(field_text, *text);
      order = CompareNoCase(field_text, *text);
    } else {
      const auto number = NumberOf(field);
      if (!number) return false;
      const double wanted = std::get<double>(value);
      order = *number < wanted ? -1 : *number > wanted ? 1 : 0;
    }
    if (op == L"=") return order == 0;
    if (op == L"<>") return order != 0;
    if (op == L"<") return order < 0;
    if (op == L">") return order > 0;
    if (op == L"<=") return order <= 0;
    return order >= 0;  // ">="
  }
};

class SimRecordset : public Recordset {
 public:
  SimRecordset(SqlRows rows, bool count_known)
      : rows_(std::move(rows)), open_(rows_.has_rows), count_known_(count_known) {
    for (std::size_t i = 0; i < rows_.rows.size(); ++i) visible_.push_back(i);
  }

  bool IsOpen() override { return open_; }
  std::int32_t RecordCount() override {
    CheckOpen();
    return count_known_ ? static_cast<std::int32_t>(visible_.size()) : -1;
  }
  bool Eof() override {
    CheckOpen();
    return position_ >= visible_.size();
  }
  void MoveFirst() override {
    CheckOpen();
    if (visible_.empty()) RaiseNoCurrentRecord();
    position_ = 0;
  }
  void MoveNext() override {
    if (Eof()) RaiseNoCurrentRecord();
    ++position_;
  }
  void Find(std::wstring_view criterion) override {
    const Criterion parsed = Parse(criterion);
    if (Eof()) RaiseNoCurrentRecord();
    while (position_ < visible_.size() &&
           !parsed.Matches(rows_.rows[visible_[position_]][parsed.column])) {
      ++position_;
    }
  }
  void Filter(std::wstring_view criterion) override {
    CheckOpen();
    // A criterion that cannot be read is refused before anything changes: the filter in
    // place, and the current row, stay as they were.
    std::optional<Criterion> parsed;
    if (!TrimBlanks(criterion).empty()) parsed = Parse(criterion);
    visible_.clear();
    for (std::size_t i = 0; i < rows_.rows.size(); ++i) {
      if (!parsed || parsed->Matches(rows_.rows[i][parsed->column])) visible_.push_back(i);
    }
    position_ = 0;
  }
  DbValue Field(std::wstring_view name) override {
    CheckOpen();
    const std::size_t column = ColumnIndex(name);
    if (column == kNone) RaiseNotInCollection();
    if (Eof()) RaiseNoCurrentRecord();
    return rows_.rows[visible_[position_]][column];
  }
  void Close() override {
    CheckOpen();
    open_ = false;
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  void CheckOpen() const {
    if (!open_) RaiseClosed();
  }

  std::size_t ColumnIndex(std::wstring_view name) const {
    for (std::size_t c = 0; c < rows_.columns.size(); ++c) {
      if (EqualsNoCase(rows_.columns[c].name, name)) return c;
    }
    return kNone;
  }

  Criterion Parse(std::wstring_view text) const {
    CheckOpen();
    const std::wstring criterion = TrimBlanks(text);
    std::size_t i = 0;
    std::wstring column;
    if (!criterion.empty() && criterion[0] == L'[') {
      const std::size_t close = criterion.find(L']');
      if (close == std::wstring::npos) RaiseBadArguments();
      column = criterion.substr(1, close - 1);
      i = close + 1;
    } else {
      while (i < criterion.size() && (std::iswalnum(criterion[i]) || criterion[i] == L'_')) {
        column += criterion[i++];
      }
    }
    Criterion parsed;
    parsed.column = ColumnIndex(column);
    if (parsed.column == kNone) RaiseBadArguments();
    while (i < criterion.size() && criterion[i] == L' ') ++i;
    for (const wchar_t* op : {L"<>", L"<=", L">=", L"=", L"<", L">"}) {
      if (criterion.compare(i, std::wcslen(op), op) == 0) {
        parsed.op = op;
        break;
      }
    }
    if (parsed.op.empty() && Upcase(criterion.substr(i, 5)) == L"LIKE ") parsed.op = L"LIKE";
    if (parsed.op.empty()) RaiseBadArguments();
    const std::wstring value =
        TrimBlanks(std::wstring_view(criterion).substr(i + parsed.op.size()));
    if (value.size() >= 2 && value.front() == L'\'' && value.back() == L'\'') {
      std::wstring unquoted;
      for (std::size_t k = 1; k + 1 < value.size(); ++k) {
        unquoted += value[k];
        if (value[k] == L'\'' && value[k + 1] == L'\'') ++k;
      }
      parsed.value = unquoted;
    } else if (EqualsNoCase(value, L"NULL") && (parsed.op == L"=" || parsed.op == L"<>")) {
      parsed.value = std::monostate{};
    } else if (const auto number = NumberOf(value); number && parsed.op != L"LIKE") {
      parsed.value = *number;
    } else {
      RaiseBadArguments();
    }
    return parsed;
  }

  SqlRows rows_;
  bool open_;
  bool count_known_;
  std::vector<std::size_t> visible_;  // the rows the filter lets through, in order
  std::size_t position_ = 0;          // in visible_; its size is EOF
};

class SimConnection : public Connection {
 public:
  SimConnection(Server& server, SqlSession session)
      : server_(server), session_(std::move(session)) {}
  void Execute(std::wstring_view command_text) override {
    if (!open_) RaiseClosed();
    server_.sql.Query(session_, SqlKind::kExecute, command_text);
  }
  void Close() override {
    if (!open_) RaiseClosed();
    open_ = false;
  }

 private:
  Server& server_;
  SqlSession session_;
  bool open_ = true;
};

class SimCommand : public Command {
 public:
  SimCommand(Server& server, SqlSession session) : server_(server), session_(std::move(session)) {}
  void SetProcedure(std::wstring_view name) override {
    parameters_ = server_.sql.ProcedureParameters(session_, name);
    procedure_ = std::wstring(name);
    values_.clear();
  }
  const std::vector<DbParameterInfo>& Parameters() override { return parameters_; }
  void SetParameter(std::wstring_view name, const DbValue& value) override {
    const DbParameterInfo* parameter = nullptr;
    for (const auto& candidate : parameters_) {
      if (EqualsNoCase(candidate.name, name)) parameter = &candidate;
    }
    if (parameter == nullptr) RaiseNotInCollection();
    const auto converted = AsParameterValue(parameter->type, value);
    if (!converted) {
      Raise(3421, L"Application uses a value of the wrong type for the current operation.");
    }
    for (auto& set : values_) {
      if (set.name == parameter->name) {
        set.value = *converted;  // set again: the last value goes, in its first place
        set.sent = value;
        return;
      }
    }
    values_.push_back({parameter->name, parameter->type, *converted, value});
  }
  void Execute() override {
    if (procedure_.empty()) {
      Raise(-2147217908, L"Command text was not set for the command object.");
    }
    server_.sql.Call(session_, procedure_, values_);
  }

 private:
  Server& server_;
  SqlSession session_;
  std::wstring procedure_;
  std::vector<DbParameterInfo> parameters_;
  std::vector<SqlArgument> values_;
};

}  // namespace

std::unique_ptr<Connection> SimDatabase::Open(std::wstring_view connection_text, std::wstring_view,
                                              std::wstring_view) {
  return std::make_unique<SimConnection>(server_, server_.sql.Connect(connection_text));
}

std::unique_ptr<Recordset> SimDatabase::OpenRecordset(std::wstring_view query,
                                                      std::wstring_view connection_text,
                                                      int cursor_type, int, int cursor_location) {
  SqlSession session = server_.sql.Connect(connection_text);
  SqlRows rows = server_.sql.Query(session, SqlKind::kQuery, query);
  // A forward-only or dynamic cursor on the server does not know its count: ADO says -1. So
  // may a keyset cursor there, by the provider's choice.
  const bool count_known = cursor_location == ado::kUseClient || cursor_type == ado::kOpenStatic ||
                           (cursor_type == ado::kOpenKeyset && !server_.sql.keyset_count_unknown);
  return std::make_unique<SimRecordset>(std::move(rows), count_known);
}

std::unique_ptr<Command> SimDatabase::NewCommand(std::wstring_view connection_text) {
  return std::make_unique<SimCommand>(server_, server_.sql.Connect(connection_text));
}

}  // namespace platform::sim
