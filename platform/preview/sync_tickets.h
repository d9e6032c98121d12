// The directory synchronisation's answers in a preview: a procedure call handed a ticket never
// reaches the server, so the ticket is answered as the server answers a synchronisation that
// succeeded, and the removal goes on as it would after one.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "platform/database.h"

namespace platform::preview {

// The parameter that hands the synchronisation its ticket, and the view that answers it.
inline constexpr wchar_t kTicketParameter[] = L"@DirectorySyncTicket";
inline constexpr wchar_t kTicketQuery[] = L"SELECT * FROM vw_DirectorySyncTicket WHERE Ticket='";

class SyncTickets {
 public:
  // A recorded call that handed `ticket` to the synchronisation.
  void Handed(const std::wstring& ticket) { handed_.insert(Upcased(ticket)); }
  // The view's one row for a ticket handed by a recorded call (Ticket, result 0); null for any
  // other query, which the machine answers.
  std::unique_ptr<Recordset> Answer(std::wstring_view query) const;

 private:
  static std::wstring Upcased(std::wstring_view text);
  std::set<std::wstring> handed_;
};

}  // namespace platform::preview
