// ADO's Connection, Recordset and Command as the programs reach them by name, with the
// collections below them (Fields and Field, Parameters and Parameter), over the simulated server.
#include "tests/conformance/ado_standin/ado_objects.h"

#include <memory>

#include "platform/error.h"
#include "tests/conformance/ado_standin/automation.h"
#include "tests/conformance/ado_standin/machine.h"

namespace ado_standin {
namespace {

// ADO's values the members take and give.
constexpr std::int32_t kUseServer = 2;
constexpr std::int32_t kUseClient = 3;
constexpr std::int32_t kStateClosed = 0;
constexpr std::int32_t kStateOpen = 1;
constexpr std::int32_t kCmdStoredProc = 4;
constexpr std::int32_t kParamInput = 1;
constexpr std::int32_t kParamReturnValue = 4;
constexpr std::int32_t kInteger = 3;
constexpr std::int32_t kGuid = 72;
constexpr std::int32_t kVarChar = 200;
constexpr std::int32_t kOptional = -1;  // an optional argument left out

std::int32_t AdoType(platform::DbType type) {
  switch (type) {
    case platform::DbType::kInteger: return kInteger;
    case platform::DbType::kGuid: return kGuid;
    case platform::DbType::kVarChar: return kVarChar;
    case platform::DbType::kOther: break;
  }
  return 12;  // adVariant
}

std::int32_t OptionalNumber(const Arguments& arguments, std::size_t index) {
  return arguments.Missing(index) ? kOptional : arguments.Number(index);
}

// ---- Recordset, its Fields and each Field. Fields and fields hold their recordset and reach
// its rows through it, so a recordset closed or opened again is seen as it is now.

class Recordset;

class Field final : public AutomationObject {
 public:
  enum : DISPID { kValue = 0, kName = 1 };
  static constexpr Member kMembers[] = {{L"Value", kValue, Kind::kGet, 0, 0},
                                        {L"Name", kName, Kind::kGet, 0, 0}};
  Field(Recordset& owner, std::wstring name);
  ~Field() override;

 protected:
  Result Get(DISPID id, const Arguments&) override;

 private:
  Recordset& owner_;
  std::wstring name_;
};

class Fields final : public AutomationObject {
 public:
  enum : DISPID { kItem = 0 };
  static constexpr Member kMembers[] = {{L"Item", kItem, Kind::kMethod, 1, 1}};
  explicit Fields(Recordset& owner);
  ~Fields() override;

 protected:
  Result Get(DISPID, const Arguments& arguments) override;

 private:
  Recordset& owner_;
};

class Recordset final : public AutomationObject {
 public:
  enum : DISPID {
    kCursorLocation = 1,
    kOpen,
    kState,
    kRecordCount,
    kEof,
    kMoveFirst,
    kMoveNext,
    kFind,
    kFilter,
    kFields,
    kClose,
  };
  static constexpr Member kMembers[] = {
      {L"CursorLocation", kCursorLocation, Kind::kGetPut, 0, 0},
      {L"Open", kOpen, Kind::kMethod, 2, 5},
      {L"State", kState, Kind::kGet, 0, 0},
      {L"RecordCount", kRecordCount, Kind::kGet, 0, 0},
      {L"EOF", kEof, Kind::kGet, 0, 0},
      {L"MoveFirst", kMoveFirst, Kind::kMethod, 0, 0},
      {L"MoveNext", kMoveNext, Kind::kMethod, 0, 0},
      {L"Find", kFind, Kind::kMethod, 1, 4},
      {L"Filter", kFilter, Kind::kGetPut, 0, 0},
      {L"Fields", kFields, Kind::kGet, 0, 0},
      {L"Close", kClose, Kind::kMethod, 0, 0},
  };
  Recordset() : AutomationObject("ADODB.Recordset", kMembers) {}
  platform::Recordset& Rows() {
    if (!IsOpen()) RaiseClosed();
    return *rows_;
  }

 protected:
  Result Get(DISPID id, const Arguments& arguments) override {
    switch (id) {
      case kCursorLocation: return Result::Of(cursor_location_);
      case kOpen: Open(arguments); return {};
      case kState: return Result::Of(IsOpen() ? kStateOpen : kStateClosed);
      case kRecordCount: return Result::Of(Rows().RecordCount());
      case kEof: return Result::Bool(Rows().Eof());
      case kMoveFirst: Rows().MoveFirst(); return {};
      case kMoveNext: Rows().MoveNext(); return {};
      case kFind:
        if (!arguments.Missing(1) || !arguments.Missing(2) || !arguments.Missing(3)) {
          RaiseBadArguments();  // the programs search forward from the current row only
        }
        Rows().Find(arguments.Text(0));
        return {};
      case kFilter: Rows(); return Result::Of(filter_);
      case kFields: Rows(); return Result::Object(new Fields(*this));
      default: Rows().Close(); return {};
    }
  }
  void Put(DISPID id, const Arguments& value) override {
    if (id == kCursorLocation) {
      const std::int32_t location = value.Number(0);
      if (IsOpen()) RaiseOpen();
      if (location != kUseServer && location != kUseClient) RaiseBadArguments();
      cursor_location_ = location;
      return;
    }
    const std::wstring criterion = value.Text(0);
    Rows().Filter(criterion);
    filter_ = criterion;
  }

 private:
  bool IsOpen() const { return rows_ && rows_->IsOpen(); }
  void Open(const Arguments& arguments) {
    if (IsOpen()) RaiseOpen();
    const std::wstring source = arguments.Text(0);
    // The programs give the active connection as a text; an open connection object is not
    // among what they pass.
    const std::wstring connection = arguments.Text(1);
    const std::int32_t cursor_type = OptionalNumber(arguments, 2);
    const std::int32_t lock_type = OptionalNumber(arguments, 3);
    if (!arguments.Missing(4)) arguments.Number(4);
    Record("open\tADODB.Recordset\t" + Utf8(connection));
    rows_ = Database().OpenRecordset(source, connection, cursor_type, lock_type, cursor_location_);
  }

  std::int32_t cursor_location_ = kUseServer;
  std::wstring filter_;
  std::unique_ptr<platform::Recordset> rows_;
};

Field::Field(Recordset& owner, std::wstring name)
    : AutomationObject("ADODB.Field", kMembers), owner_(owner), name_(std::move(name)) {
  owner_.AddRef();
}

Field::~Field() {
  owner_.Release();
}

Result Field::Get(DISPID id, const Arguments&) {
  if (id == kName) return Result::Of(name_);
  return Result::Of(owner_.Rows().Field(name_));
}

Fields::Fields(Recordset& owner) : AutomationObject("ADODB.Fields", kMembers), owner_(owner) {
  owner_.AddRef();
}

Fields::~Fields() {
  owner_.Release();
}

Result Fields::Get(DISPID, const Arguments& arguments) {
  const std::wstring name = arguments.Text(0);
  // The column must exist; a current row need not, until its value is read.
  try {
    owner_.Rows().Field(name);
  } catch (const platform::RuntimeError& error) {
    if (error.number() != 3021) throw;
  }
  return Result::Object(new Field(owner_, name));
}

// ---- Connection.

class Connection final : public AutomationObject {
 public:
  enum : DISPID { kOpen = 1, kExecute, kClose, kState };
  static constexpr Member kMembers[] = {
      {L"Open", kOpen, Kind::kMethod, 0, 4},
      {L"Execute", kExecute, Kind::kMethod, 1, 3},
      {L"Close", kClose, Kind::kMethod, 0, 0},
      {L"State", kState, Kind::kGet, 0, 0},
  };
  Connection() : AutomationObject("ADODB.Connection", kMembers) {}

 protected:
  Result Get(DISPID id, const Arguments& arguments) override {
    switch (id) {
      case kOpen: {
        if (open_) RaiseOpen();
        const std::wstring text = arguments.Text(0);
        const std::wstring user = arguments.Missing(1) ? L"" : arguments.Text(1);
        const std::wstring password = arguments.Missing(2) ? L"" : arguments.Text(2);
        if (!arguments.Missing(3)) arguments.Number(3);
        Record("open\tADODB.Connection\t" + Utf8(text));
        open_ = Database().Open(text, user, password);
        return {};
      }
      case kExecute: {
        const std::wstring text = arguments.Text(0);
        if (!arguments.Missing(2)) arguments.Number(2);
        if (!open_) RaiseClosed();
        open_->Execute(text);
        // Execute hands back a recordset; a statement without rows gives a closed one.
        return Result::Object(new Recordset);
      }
      case kClose:
        if (!open_) RaiseClosed();
        open_->Close();
        open_.reset();
        return {};
      default: return Result::Of(open_ ? kStateOpen : kStateClosed);
    }
  }

 private:
  std::unique_ptr<platform::Connection> open_;
};

// ---- Command, its Parameters and each Parameter.

struct ParameterRow {
  std::wstring name;
  std::int32_t type;
  std::int32_t direction;
  platform::DbValue value;
};

class Command;

class Parameter final : public AutomationObject {
 public:
  enum : DISPID { kValue = 0, kName, kType, kDirection };
  static constexpr Member kMembers[] = {
      {L"Value", kValue, Kind::kGetPut, 0, 0},
      {L"Name", kName, Kind::kGet, 0, 0},
      {L"Type", kType, Kind::kGet, 0, 0},
      {L"Direction", kDirection, Kind::kGet, 0, 0},
  };
  Parameter(Command& owner, std::size_t index, std::wstring name);
  ~Parameter() override;

 protected:
  Result Get(DISPID id, const Arguments&) override;
  void Put(DISPID, const Arguments& value) override;

 private:
  ParameterRow& Row();  // raises 3265 when the command's list no longer holds it
  Command& owner_;
  std::size_t index_;
  std::wstring name_;
};

class Parameters final : public AutomationObject {
 public:
  enum : DISPID { kItem = 0, kRefresh, kCount };
  static constexpr Member kMembers[] = {
      {L"Item", kItem, Kind::kMethod, 1, 1},
      {L"Refresh", kRefresh, Kind::kMethod, 0, 0},
      {L"Count", kCount, Kind::kGet, 0, 0},
  };
  explicit Parameters(Command& owner);
  ~Parameters() override;

 protected:
  Result Get(DISPID id, const Arguments& arguments) override;

 private:
  Command& owner_;
};

class Command final : public AutomationObject {
 public:
  enum : DISPID { kActiveConnection = 1, kCommandType, kCommandText, kParameters, kExecute };
  static constexpr Member kMembers[] = {
      {L"ActiveConnection", kActiveConnection, Kind::kGetPut, 0, 0},
      {L"CommandType", kCommandType, Kind::kGetPut, 0, 0},
      {L"CommandText", kCommandText, Kind::kGetPut, 0, 0},
      {L"Parameters", kParameters, Kind::kGet, 0, 0},
      {L"Execute", kExecute, Kind::kMethod, 0, 3},
  };
  Command() : AutomationObject("ADODB.Command", kMembers) {}

  void Refresh() {
    if (!command_) {
      platform::Raise(3709,
                      L"The connection cannot be used to perform this operation. It is either "
                      L"closed or invalid in this context.");
    }
    if (type_ != kCmdStoredProc || text_.empty()) RaiseBadArguments();
    command_->SetProcedure(text_);
    rows_.clear();
    rows_.push_back({L"@RETURN_VALUE", kInteger, kParamReturnValue, {}});
    for (const auto& parameter : command_->Parameters()) {
      rows_.push_back({parameter.name, AdoType(parameter.type), kParamInput, {}});
    }
  }
  std::vector<ParameterRow>& rows() { return rows_; }
  platform::Command& command() { return *command_; }

 protected:
  Result Get(DISPID id, const Arguments&) override {
    switch (id) {
      case kActiveConnection: return Result::Of(connection_);
      case kCommandType: return Result::Of(type_);
      case kCommandText: return Result::Of(text_);
      case kParameters: return Result::Object(new Parameters(*this));
      default:
        if (!command_) Refresh();  // raises: no connection
        if (text_.empty()) {
          platform::Raise(3708, L"Command text was not set for the command object.");
        }
        command_->Execute();
        return Result::Object(new Recordset);
    }
  }
  void Put(DISPID id, const Arguments& value) override {
    switch (id) {
      case kActiveConnection: {
        const std::wstring text = value.Text(0);
        Record("open\tADODB.Command\t" + Utf8(text));
        command_ = Database().NewCommand(text);
        connection_ = text;
        rows_.clear();
        return;
      }
      case kCommandType: {
        const std::int32_t type = value.Number(0);
        if (type != 1 && type != 2 && type != kCmdStoredProc && type != 8) RaiseBadArguments();
        type_ = type;
        return;
      }
      default: text_ = value.Text(0); rows_.clear();
    }
  }

 private:
  std::wstring connection_;
  std::int32_t type_ = 8;  // adCmdUnknown
  std::wstring text_;
  std::unique_ptr<platform::Command> command_;
  std::vector<ParameterRow> rows_;  // after Refresh: the return value, then the declared ones
};

Parameter::Parameter(Command& owner, std::size_t index, std::wstring name)
    : AutomationObject("ADODB.Parameter", kMembers),
      owner_(owner),
      index_(index),
      name_(std::move(name)) {
  owner_.AddRef();
}

Parameter::~Parameter() {
  owner_.Release();
}

ParameterRow& Parameter::Row() {
  auto& rows = owner_.rows();
  if (index_ >= rows.size() || rows[index_].name != name_) RaiseNotInCollection();
  return rows[index_];
}

Result Parameter::Get(DISPID id, const Arguments&) {
  const ParameterRow& row = Row();
  switch (id) {
    case kName: return Result::Of(row.name);
    case kType: return Result::Of(row.type);
    case kDirection: return Result::Of(row.direction);
    default: return Result::Of(row.value);
  }
}

void Parameter::Put(DISPID, const Arguments& value) {
  ParameterRow& row = Row();
  const platform::DbValue given = value.Value(0);
  if (row.direction != kParamReturnValue) owner_.command().SetParameter(row.name, given);
  row.value = given;
}

Parameters::Parameters(Command& owner)
    : AutomationObject("ADODB.Parameters", kMembers), owner_(owner) {
  owner_.AddRef();
}

Parameters::~Parameters() {
  owner_.Release();
}

Result Parameters::Get(DISPID id, const Arguments& arguments) {
  const auto& rows = owner_.rows();
  switch (id) {
    case kRefresh: owner_.Refresh(); return {};
    case kCount: return Result::Of(static_cast<std::int32_t>(rows.size()));
    default: break;
  }
  if (arguments.IsText(0)) {
    const std::wstring name = arguments.Text(0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, rows[i].name.c_str(), -1,
                           name.c_str(), -1) == CSTR_EQUAL) {
        return Result::Object(new Parameter(owner_, i, rows[i].name));
      }
    }
    RaiseNotInCollection();
  }
  const std::int32_t index = arguments.Number(0);
  if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) RaiseNotInCollection();
  const auto at = static_cast<std::size_t>(index);
  return Result::Object(new Parameter(owner_, at, rows[at].name));
}

}  // namespace

IDispatch* NewObject(AdoClass kind) {
  switch (kind) {
    case AdoClass::kConnection: return new Connection;
    case AdoClass::kRecordset: return new Recordset;
    case AdoClass::kCommand: return new Command;
  }
  return nullptr;
}

}  // namespace ado_standin
