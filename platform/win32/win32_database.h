// The database facility on Windows: ADO's Connection, Recordset and Command created by ProgID
// and driven by name through IDispatch, with COM entered for as long as the facility lives.
#pragma once

#include "platform/database.h"
#include "platform/win32/win32_dispatch.h"

namespace platform::win32 {

class Win32Database final : public Database {
 public:
  std::unique_ptr<Connection> Open(std::wstring_view connection_text, std::wstring_view user,
                                   std::wstring_view password) override;
  std::unique_ptr<Recordset> OpenRecordset(std::wstring_view query,
                                           std::wstring_view connection_text, int cursor_type,
                                           int lock_type, int cursor_location) override;
  std::unique_ptr<Command> NewCommand(std::wstring_view connection_text) override;

 private:
  ComApartment apartment_;
};

}  // namespace platform::win32
