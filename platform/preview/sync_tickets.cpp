// A ticket handed by a recorded procedure call, answered as a synchronisation that succeeded.
#include "platform/preview/sync_tickets.h"

#include "platform/error.h"
#include "platform/text.h"

namespace platform::preview {
namespace {

// The view's row for one ticket: result 0, what the server writes once the directory took the
// change.
class AnsweredTicket final : public Recordset {
 public:
  explicit AnsweredTicket(std::wstring ticket) : ticket_(std::move(ticket)) {}
  bool IsOpen() override { return open_; }
  std::int32_t RecordCount() override { return 1; }
  bool Eof() override { return at_end_; }
  void MoveFirst() override { at_end_ = false; }
  void MoveNext() override { at_end_ = true; }
  void Find(std::wstring_view criterion) override { at_end_ = at_end_ || !Meets(criterion); }
  void Filter(std::wstring_view criterion) override { at_end_ = !Meets(criterion); }
  DbValue Field(std::wstring_view name) override {
    if (at_end_) {
      Raise(3021,
            L"Either BOF or EOF is True, or the current record has been deleted. Requested "
            L"operation requires a current record.");
    }
    if (Upcase(name) == L"TICKET") return ticket_;
    if (Upcase(name) == L"RESULT") return std::int32_t{0};
    Raise(3265,
          L"Item cannot be found in the collection corresponding to the requested name or "
          L"ordinal.");
  }
  void Close() override { open_ = false; }

 private:
  bool Meets(std::wstring_view criterion) const {
    return Upcase(criterion) == Upcase(L"Ticket='" + ticket_ + L"'");
  }
  std::wstring ticket_;
  bool open_ = true;
  bool at_end_ = false;
};

}  // namespace

std::wstring SyncTickets::Upcased(std::wstring_view text) {
  return Upcase(text);
}

std::unique_ptr<Recordset> SyncTickets::Answer(std::wstring_view query) const {
  const std::wstring upper = Upcase(query);
  const std::wstring head = Upcase(kTicketQuery);
  if (!upper.starts_with(head) || !upper.ends_with(L"'")) return nullptr;
  const std::wstring_view ticket = query.substr(head.size(), query.size() - head.size() - 1);
  if (!handed_.contains(Upcase(ticket))) return nullptr;
  return std::make_unique<AnsweredTicket>(std::wstring(ticket));
}

}  // namespace platform::preview
