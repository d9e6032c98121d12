// The registry facility on Windows: thin calls of the registry functions. Handles cross
// the seam as 32-bit numbers, which is exactly what an HKEY is in a 32-bit program.
#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <string>

namespace platform::win32 {
namespace {

static_assert(sizeof(HKEY) == sizeof(RegHandle), "an HKEY must fit a RegHandle (32-bit build)");

HKEY ToHkey(RegHandle handle) {
  return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(handle));
}

RegHandle FromHkey(HKEY key) {
  return static_cast<RegHandle>(reinterpret_cast<std::uintptr_t>(key));
}

// The A functions want terminated strings; views from callers need not be.
std::string Terminated(std::string_view text) {
  return std::string(text);
}

std::wstring Terminated(std::wstring_view text) {
  return std::wstring(text);
}

// DWORD is unsigned long here while the seam uses uint32_t: carry optional in/out counts
// through a DWORD and back, keeping "no pointer" as no pointer.
class DwordInOut {
 public:
  explicit DwordInOut(std::uint32_t* outer) : outer_(outer), value_(outer ? *outer : 0) {}
  DwordInOut(const DwordInOut&) = delete;
  DwordInOut& operator=(const DwordInOut&) = delete;
  ~DwordInOut() {
    if (outer_ != nullptr) *outer_ = static_cast<std::uint32_t>(value_);
  }
  DWORD* get() { return outer_ != nullptr ? &value_ : nullptr; }

 private:
  std::uint32_t* outer_;
  DWORD value_;
};

}  // namespace

Status Win32Registry::OpenKey(RegHandle root, std::string_view path, std::uint32_t access,
                              RegHandle& key) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExA(ToHkey(root), Terminated(path).c_str(), 0, access, &opened);
  key = status == ERROR_SUCCESS ? FromHkey(opened) : 0;
  return status;
}

Status Win32Registry::CreateKey(RegHandle root, std::string_view path, RegHandle& key) {
  HKEY created = nullptr;
  const LONG status =
      ::RegCreateKeyExA(ToHkey(root), Terminated(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &created, nullptr);
  key = status == ERROR_SUCCESS ? FromHkey(created) : 0;
  return status;
}

Status Win32Registry::CloseKey(RegHandle key) {
  return ::RegCloseKey(ToHkey(key));
}

Status Win32Registry::QueryValue(RegHandle key, std::string_view name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) {
  DwordInOut type_io(type);
  DwordInOut size_io(size);
  return ::RegQueryValueExA(ToHkey(key), Terminated(name).c_str(), nullptr, type_io.get(), data,
                            size_io.get());
}

Status Win32Registry::SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
  return ::RegSetValueExA(ToHkey(key), Terminated(name).c_str(), 0, type, data, size);
}

Status Win32Registry::DeleteValue(RegHandle key, std::string_view name) {
  return ::RegDeleteValueA(ToHkey(key), Terminated(name).c_str());
}

Status Win32Registry::DeleteKey(RegHandle root, std::string_view path) {
  return ::RegDeleteKeyA(ToHkey(root), Terminated(path).c_str());
}

Status Win32Registry::EnumKey(RegHandle key, std::uint32_t index, char* name,
                              std::uint32_t name_size) {
  return ::RegEnumKeyA(ToHkey(key), index, name, name_size);
}

Status Win32Registry::EnumValue(RegHandle key, std::uint32_t index, char* name,
                                std::uint32_t* name_length, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* data_size) {
  DwordInOut name_io(name_length);
  DwordInOut type_io(type);
  DwordInOut data_io(data_size);
  return ::RegEnumValueA(ToHkey(key), index, name, name_io.get(), nullptr, type_io.get(), data,
                         data_io.get());
}

Status Win32Registry::OpenKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                               RegHandle& key) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExW(ToHkey(root), Terminated(path).c_str(), 0, access, &opened);
  key = status == ERROR_SUCCESS ? FromHkey(opened) : 0;
  return status;
}

Status Win32Registry::CreateKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                                 RegHandle& key) {
  HKEY created = nullptr;
  const LONG status =
      ::RegCreateKeyExW(ToHkey(root), Terminated(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        access, nullptr, &created, nullptr);
  key = status == ERROR_SUCCESS ? FromHkey(created) : 0;
  return status;
}

Status Win32Registry::QueryValueW(RegHandle key, std::wstring_view name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  DwordInOut type_io(type);
  DwordInOut size_io(size);
  return ::RegQueryValueExW(ToHkey(key), Terminated(name).c_str(), nullptr, type_io.get(), data,
                            size_io.get());
}

Status Win32Registry::SetValueW(RegHandle key, std::wstring_view name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  return ::RegSetValueExW(ToHkey(key), Terminated(name).c_str(), 0, type, data, size);
}

}  // namespace platform::win32
