// COM objects facility: the few system COM objects the programs create, at the level they use
// them.
#pragma once

#include <string>

namespace platform {

class ComObjects {
 public:
  virtual ~ComObjects() = default;
  // A new GUID in registry notation: braces, 8-4-4-4-12 hexadecimal digits (38 characters).
  virtual std::wstring NewGuidText() = 0;
};

}  // namespace platform
