// The resource facility on Windows: string tables of the program and of language libraries
// mapped as data files.
#pragma once

#include "platform/resources.h"

namespace platform::win32 {

class Win32Resources final : public Resources {
 public:
  ModuleHandle LoadDataFile(std::wstring_view path) override;
  void ReleaseModule(ModuleHandle module) override;
  std::array<std::uint16_t, 4> FileVersion() override;
  std::optional<std::wstring> LoadText(ModuleHandle module, std::uint32_t id) override;
};

}  // namespace platform::win32
