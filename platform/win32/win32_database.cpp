// ADO through late binding: each object is made by its ProgID and every property and method
// reached by name, the connection texts passed on exactly as the programs give them.
#include "platform/win32/win32_database.h"

#include <string>

namespace platform::win32 {
namespace {

constexpr std::int32_t kAdStateOpen = 1;
constexpr std::int32_t kAdCmdStoredProc = 4;
constexpr std::int32_t kAdParamReturnValue = 4;

std::wstring Text(std::wstring_view text) {
  return std::wstring(text);
}

DbType TypeOfAdo(std::int32_t type) {
  switch (type) {
    case 3: return DbType::kInteger;    // adInteger
    case 72: return DbType::kGuid;      // adGUID
    case 129:                           // adChar
    case 130:                           // adWChar
    case 200:                           // adVarChar
    case 202: return DbType::kVarChar;  // adVarWChar
    default: return DbType::kOther;
  }
}

class Win32Connection final : public Connection {
 public:
  explicit Win32Connection(DispatchObject connection) : connection_(std::move(connection)) {}
  void Execute(std::wstring_view command_text) override {
    connection_.Call(L"Execute", {Text(command_text)});
  }
  void Close() override { connection_.Call(L"Close"); }

 private:
  DispatchObject connection_;
};

class Win32Recordset final : public Recordset {
 public:
  explicit Win32Recordset(DispatchObject recordset) : recordset_(std::move(recordset)) {}
  bool IsOpen() override { return (DbInt(recordset_.Get(L"State")) & kAdStateOpen) != 0; }
  std::int32_t RecordCount() override { return DbInt(recordset_.Get(L"RecordCount")); }
  bool Eof() override { return DbInt(recordset_.Get(L"EOF")) != 0; }
  void MoveFirst() override { recordset_.Call(L"MoveFirst"); }
  void MoveNext() override { recordset_.Call(L"MoveNext"); }
  void Find(std::wstring_view criterion) override { recordset_.Call(L"Find", {Text(criterion)}); }
  void Filter(std::wstring_view criterion) override { recordset_.Put(L"Filter", Text(criterion)); }
  DbValue Field(std::wstring_view name) override {
    return recordset_.Object(L"Fields").Object(L"Item", {Text(name)}).Get(L"Value");
  }
  void Close() override { recordset_.Call(L"Close"); }

 private:
  DispatchObject recordset_;
};

class Win32Command final : public Command {
 public:
  explicit Win32Command(DispatchObject command) : command_(std::move(command)) {}
  void SetProcedure(std::wstring_view name) override {
    parameters_.clear();
    command_.Put(L"CommandType", kAdCmdStoredProc);
    command_.Put(L"CommandText", Text(name));
    const DispatchObject parameters = command_.Object(L"Parameters");
    parameters.Call(L"Refresh");
    const std::int32_t count = DbInt(parameters.Get(L"Count"));
    for (std::int32_t i = 0; i < count; ++i) {
      const DispatchObject parameter = parameters.Object(L"Item", {i});
      // The return value is the server's answer, not a parameter the programs set.
      if (DbInt(parameter.Get(L"Direction")) == kAdParamReturnValue) continue;
      parameters_.push_back(
          {DbText(parameter.Get(L"Name")), TypeOfAdo(DbInt(parameter.Get(L"Type")))});
    }
  }
  const std::vector<DbParameterInfo>& Parameters() override { return parameters_; }
  void SetParameter(std::wstring_view name, const DbValue& value) override {
    command_.Object(L"Parameters").Object(L"Item", {Text(name)}).Put(L"Value", value);
  }
  void Execute() override { command_.Call(L"Execute"); }

 private:
  DispatchObject command_;
  std::vector<DbParameterInfo> parameters_;
};

}  // namespace

std::unique_ptr<Connection> Win32Database::Open(std::wstring_view connection_text,
                                                std::wstring_view user,
                                                std::wstring_view password) {
  apartment_.Enter();
  DispatchObject connection = DispatchObject::Create(L"ADODB.Connection");
  connection.Call(L"Open", {Text(connection_text), Text(user), Text(password)});
  return std::make_unique<Win32Connection>(std::move(connection));
}

std::unique_ptr<Recordset> Win32Database::OpenRecordset(std::wstring_view query,
                                                        std::wstring_view connection_text,
                                                        int cursor_type, int lock_type,
                                                        int cursor_location) {
  apartment_.Enter();
  DispatchObject recordset = DispatchObject::Create(L"ADODB.Recordset");
  recordset.Put(L"CursorLocation", cursor_location);  // must be set before the open
  recordset.Call(L"Open", {Text(query), Text(connection_text), cursor_type, lock_type});
  return std::make_unique<Win32Recordset>(std::move(recordset));
}

std::unique_ptr<Command> Win32Database::NewCommand(std::wstring_view connection_text) {
  apartment_.Enter();
  DispatchObject command = DispatchObject::Create(L"ADODB.Command");
  // A text as the active connection opens a connection of the command's own.
  command.Put(L"ActiveConnection", Text(connection_text));
  return std::make_unique<Win32Command>(std::move(command));
}

}  // namespace platform::win32
