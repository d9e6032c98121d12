// The registry facility on Windows: the ANSI and wide registry functions called as they are,
// with status codes, buffers and byte counts passed through unchanged.
#pragma once

#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry final : public Registry {
 public:
  Status OpenKey(RegHandle root, std::string_view path, std::uint32_t access,
                 RegHandle& key) override;
  Status CreateKey(RegHandle root, std::string_view path, RegHandle& key) override;
  Status CloseKey(RegHandle key) override;
  Status QueryValue(RegHandle key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
  Status SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override;
  Status DeleteValue(RegHandle key, std::string_view name) override;
  Status DeleteKey(RegHandle root, std::string_view path) override;
  Status EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t name_size) override;
  Status EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* name_length,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* data_size) override;

  Status OpenKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                  RegHandle& key) override;
  Status CreateKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                    RegHandle& key) override;
  Status QueryValueW(RegHandle key, std::wstring_view name, std::uint32_t* type, std::uint8_t* data,
                     std::uint32_t* size) override;
  Status SetValueW(RegHandle key, std::wstring_view name, std::uint32_t type,
                   const std::uint8_t* data, std::uint32_t size) override;
};

}  // namespace platform::win32
