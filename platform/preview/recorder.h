// The common ground of the preview's decorators: the ledger, the two ways a changing call is
// made and recorded, the thread's last error as a failed precondition leaves it, and handles
// the decorators make up for things that exist only in the record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/last_error_override.h"
#include "platform/preview/ledger.h"
#include "platform/win_status.h"

namespace platform::preview {

// Made-up handles and process ids start here, far from what either backend hands out.
inline constexpr std::uint32_t kOwnHandleBase = 0x7E000000;

class Recorder {
 protected:
  explicit Recorder(Ledger& ledger) : ledger_(ledger) {}

  static std::wstring_view Kind(Subject subject, std::wstring_view text) {
    return RuleFor(subject, text).kind;
  }
  // A call answering a status: made when the machine is reached, recorded when it succeeded.
  template <typename Apply>
  Status ChangeStatus(std::wstring_view kind, std::wstring text, Apply apply) {
    const Status status = ledger_.passes() ? apply() : win::kSuccess;
    if (status == win::kSuccess) ledger_.Record(kind, std::move(text));
    return status;
  }
  // A call answering true, 0 (an HRESULT or a LONG) on success.
  template <typename Apply>
  bool ChangeBool(std::wstring_view kind, std::wstring text, Apply apply) {
    const bool done = ledger_.passes() ? apply() : true;
    if (done) ledger_.Record(kind, std::move(text));
    return done;
  }
  template <typename Apply>
  std::int32_t ChangeCode(std::wstring_view kind, std::wstring text, Apply apply) {
    const std::int32_t code = ledger_.passes() ? apply() : 0;
    if (code >= 0) ledger_.Record(kind, std::move(text));
    return code;
  }
  // A call that raises when it fails: made first, recorded once it did not raise.
  template <typename Apply>
  void ChangeOrRaise(std::wstring_view kind, std::wstring text, Apply apply) {
    if (ledger_.passes()) apply();
    ledger_.Record(kind, std::move(text));
  }

  Ledger& ledger_;
};

// The last error a refused precondition leaves, until the next call that reaches the machine.
using LastErrorOverride = platform::LastErrorOverride;

}  // namespace platform::preview
