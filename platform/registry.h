// Registry facility: the ANSI registry functions the programs call, with Win32 status codes,
// caller-sized buffers and byte counts kept exactly, so size limits hold on both backends.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win_status.h"

namespace platform {

// A key handle as a 32-bit program sees it: a predefined root or a handle from OpenKey.
using RegHandle = std::uint32_t;

namespace reg {
inline constexpr RegHandle kCurrentUser = 0x80000001;
inline constexpr RegHandle kLocalMachine = 0x80000002;
inline constexpr RegHandle kUsers = 0x80000003;

inline constexpr std::uint32_t kRead = 0x20019;   // KEY_READ
inline constexpr std::uint32_t kWrite = 0x20006;  // KEY_WRITE
inline constexpr std::uint32_t kAllAccess = 0xF003F;

inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
}  // namespace reg

// Names and texts are ANSI (the system code page); data of string kinds is ANSI as well, as the
// A functions return it. A null data pointer asks for the size only.
class Registry {
 public:
  virtual ~Registry() = default;

  virtual Status OpenKey(RegHandle root, std::string_view path, std::uint32_t access,
                         RegHandle& key) = 0;  // RegOpenKeyExA
  virtual Status CreateKey(RegHandle root, std::string_view path,
                           RegHandle& key) = 0;  // RegCreateKeyExA
  virtual Status CloseKey(RegHandle key) = 0;    // RegCloseKey
  virtual Status QueryValue(RegHandle key, std::string_view name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) = 0;  // RegQueryValueExA
  virtual Status SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;  // RegSetValueExA
  virtual Status DeleteValue(RegHandle key, std::string_view name) = 0;       // RegDeleteValueA
  virtual Status DeleteKey(RegHandle root, std::string_view path) = 0;        // RegDeleteKeyA
  // RegEnumKeyA: name_size is the buffer's size in bytes, terminator included.
  virtual Status EnumKey(RegHandle key, std::uint32_t index, char* name,
                         std::uint32_t name_size) = 0;
  // RegEnumValueA: name_length is the buffer's size in, the name's length without its
  // terminator out; data_size the buffer's size in, the data's size out.
  virtual Status EnumValue(RegHandle key, std::uint32_t index, char* name,
                           std::uint32_t* name_length, std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* data_size) = 0;

  // The wide calls (RegOpenKeyExW, RegCreateKeyExW with an access mask, RegQueryValueExW,
  // RegSetValueExW): names are UTF-16 and string data is UTF-16LE, sizes in bytes.
  virtual Status OpenKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                          RegHandle& key) = 0;
  virtual Status CreateKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                            RegHandle& key) = 0;
  virtual Status QueryValueW(RegHandle key, std::wstring_view name, std::uint32_t* type,
                             std::uint8_t* data, std::uint32_t* size) = 0;
  virtual Status SetValueW(RegHandle key, std::wstring_view name, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size) = 0;
};

// Owns one open key for the length of one operation.
class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : registry_(other.registry_), key_(other.key_) { other.key_ = 0; }
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) {
      Close();
      registry_ = other.registry_;
      key_ = other.key_;
      other.key_ = 0;
    }
    return *this;
  }
  ~RegKey() { Close(); }

  Status Open(Registry& registry, RegHandle root, std::string_view path, std::uint32_t access) {
    Close();
    registry_ = &registry;
    return registry.OpenKey(root, path, access, key_);
  }
  Status Create(Registry& registry, RegHandle root, std::string_view path) {
    Close();
    registry_ = &registry;
    return registry.CreateKey(root, path, key_);
  }
  Status OpenW(Registry& registry, RegHandle root, std::wstring_view path, std::uint32_t access) {
    Close();
    registry_ = &registry;
    return registry.OpenKeyW(root, path, access, key_);
  }
  Status CreateW(Registry& registry, RegHandle root, std::wstring_view path, std::uint32_t access) {
    Close();
    registry_ = &registry;
    return registry.CreateKeyW(root, path, access, key_);
  }
  void Close() {
    if (key_ != 0 && registry_ != nullptr) registry_->CloseKey(key_);
    key_ = 0;
  }
  bool valid() const { return key_ != 0; }
  RegHandle get() const { return key_; }

 private:
  Registry* registry_ = nullptr;
  RegHandle key_ = 0;
};

}  // namespace platform
