// Database facility, shaped like the ActiveX Data Objects the programs use: connections that
// execute command texts, recordsets opened from a query and a connection text, and commands
// that call stored procedures by their server-declared parameters. Failures raise the error
// model's exception with the provider's number (an HRESULT) and text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// A field or parameter value: NULL, an integer, a number or a text (GUIDs travel as their
// braced text).
using DbValue = std::variant<std::monostate, std::int32_t, double, std::wstring>;

inline bool IsNull(const DbValue& value) {
  return std::holds_alternative<std::monostate>(value);
}

// The run time's conversions of a field value; NULL raises 94 "Invalid use of Null".
std::wstring DbText(const DbValue& value);
std::int32_t DbInt(const DbValue& value);

namespace ado {
inline constexpr int kOpenForwardOnly = 0;  // CursorTypeEnum
inline constexpr int kOpenKeyset = 1;
inline constexpr int kOpenStatic = 3;
inline constexpr int kLockReadOnly = 1;  // LockTypeEnum
inline constexpr int kUseServer = 2;     // CursorLocationEnum
inline constexpr int kUseClient = 3;
}  // namespace ado

enum class DbType { kInteger, kVarChar, kGuid, kOther };

struct DbParameterInfo {
  std::wstring name;  // with its @
  DbType type = DbType::kOther;
};

class Recordset {
 public:
  virtual ~Recordset() = default;
  virtual bool IsOpen() = 0;               // State is adStateOpen
  virtual std::int32_t RecordCount() = 0;  // of the rows the filter lets through
  virtual bool Eof() = 0;
  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;
  // Searches forward from the current row for the first row meeting "Column='text'" or
  // "Column=number"; at the end without a match the recordset stands at EOF.
  virtual void Find(std::wstring_view criterion) = 0;
  // Restricts the rows to those meeting the criterion and moves to the first of them.
  virtual void Filter(std::wstring_view criterion) = 0;
  virtual DbValue Field(std::wstring_view name) = 0;  // the current row's value
  virtual void Close() = 0;
};

class Connection {
 public:
  virtual ~Connection() = default;
  virtual void Execute(std::wstring_view command_text) = 0;
  virtual void Close() = 0;
};

// A stored-procedure command on a connection text; the command object is reused, each call
// naming the procedure (which reads its declared parameters from the server) and then setting
// the values of the parameters it needs.
class Command {
 public:
  virtual ~Command() = default;
  virtual void SetProcedure(std::wstring_view name) = 0;
  virtual const std::vector<DbParameterInfo>& Parameters() = 0;
  virtual void SetParameter(std::wstring_view name, const DbValue& value) = 0;
  virtual void Execute() = 0;
};

class Database {
 public:
  virtual ~Database() = default;
  virtual std::unique_ptr<Connection> Open(std::wstring_view connection_text,
                                           std::wstring_view user, std::wstring_view password) = 0;
  virtual std::unique_ptr<Recordset> OpenRecordset(std::wstring_view query,
                                                   std::wstring_view connection_text,
                                                   int cursor_type, int lock_type,
                                                   int cursor_location) = 0;
  virtual std::unique_ptr<Command> NewCommand(std::wstring_view connection_text) = 0;
};

}  // namespace platform
