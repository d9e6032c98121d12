// The database facility of one simulated process: ADO's connections, recordsets and commands
// over the machine's simulated SQL Server, with ADO's own cursor rules and error numbers.
#pragma once

#include "platform/database.h"

namespace platform::sim {

class Server;

class SimDatabase : public Database {
 public:
  explicit SimDatabase(Server& server) : server_(server) {}
  std::unique_ptr<Connection> Open(std::wstring_view connection_text, std::wstring_view user,
                                   std::wstring_view password) override;
  std::unique_ptr<Recordset> OpenRecordset(std::wstring_view query,
                                           std::wstring_view connection_text, int cursor_type,
                                           int lock_type, int cursor_location) override;
  std::unique_ptr<Command> NewCommand(std::wstring_view connection_text) override;

 private:
  Server& server_;
};

}  // namespace platform::sim
