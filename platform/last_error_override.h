// What a decorator that answers a call itself leaves as the thread's last error: the error of
// the call it failed or refused, until the next call that reaches the facility behind it.
#pragma once

#include <optional>

#include "platform/win_status.h"

namespace platform {

class LastErrorOverride {
 public:
  template <typename T>
  T Failed(Status error, T result) {
    error_ = error;
    return result;
  }
  template <typename T>
  T Passed(T result) {
    error_.reset();
    return result;
  }
  Status Or(Status inner) const { return error_.value_or(inner); }

 private:
  std::optional<Status> error_;
};

}  // namespace platform
