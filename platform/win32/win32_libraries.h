// The library facility on Windows: code libraries loaded and freed, their exports called with
// the exact calling convention each is declared with, and their string and message tables.
#pragma once

#include "platform/libraries.h"

namespace platform::win32 {

class Win32Libraries final : public Libraries {
 public:
  ModuleHandle Load(std::wstring_view path) override;
  bool Free(ModuleHandle module) override;
  ProcAddress Find(ModuleHandle module, std::string_view name) override;
  Status LastError() override;

  std::int32_t CallRegisterServer(ProcAddress proc) override;
  std::int32_t CallProviderInstall(ProcAddress proc, std::uint32_t permanent_id) override;
  std::int32_t CallGetProviderList(ProcAddress proc, std::uint32_t api_version,
                                   std::uint8_t* list) override;
  std::int32_t CallRemoveProvider(ProcAddress proc, std::uint32_t permanent_id) override;
  std::int32_t CallAddProvider(ProcAddress proc, std::wstring_view file,
                               std::uint32_t& permanent_id) override;

  std::optional<std::wstring> LoadText(ModuleHandle module, std::uint32_t id,
                                       std::uint32_t room) override;
  std::optional<std::wstring> FormatModuleMessage(ModuleHandle module, std::uint32_t id,
                                                  std::uint32_t language) override;

 private:
  // Kept from the moment Load or Find returned: anything in between (a trace, an allocation)
  // may overwrite the thread's own value.
  Status last_error_ = 0;
};

}  // namespace platform::win32
