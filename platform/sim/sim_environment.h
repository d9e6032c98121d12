// Environment variables as a process sees them: names compared without regard to case, the
// way Windows keeps them.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace platform::sim {

class EnvironmentBlock {
 public:
  void Set(std::wstring_view name, std::wstring value) {
    by_name_[Upcase(name)] = std::move(value);
  }
  std::wstring& operator[](std::wstring_view name) { return by_name_[Upcase(name)]; }
  void Remove(std::wstring_view name) { by_name_.erase(Upcase(name)); }
  std::optional<std::wstring> Get(std::wstring_view name) const {
    const auto it = by_name_.find(Upcase(name));
    if (it == by_name_.end()) return std::nullopt;
    return it->second;
  }

 private:
  std::map<std::wstring, std::wstring> by_name_;  // by the upper-cased name
};

}  // namespace platform::sim
