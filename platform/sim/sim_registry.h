// The simulated server's registry: one 32-bit view with HKLM, HKCU and HKU, names compared
// without regard to case, subkeys kept in the order Windows enumerates them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/locale.h"
#include "platform/registry.h"

namespace platform::sim {

struct RegValueData {
  std::wstring name;
  std::uint32_t type = reg::kNone;
  std::vector<std::uint8_t> data;  // string kinds are kept as UTF-16LE, as Windows stores them
};

struct RegNode {
  std::wstring name;
  RegNode* parent = nullptr;
  bool deleted = false;
  bool deny_write = false;  // opening for write and deleting fail with access denied
  std::vector<std::shared_ptr<RegNode>> subkeys;  // sorted by upper-cased name
  std::vector<RegValueData> values;               // in the order they were first set
};

// The machine's registry contents; shared by every simulated process.
class RegistryState {
 public:
  RegistryState();
  std::shared_ptr<RegNode> Root(RegHandle predefined) const;  // nullptr for other handles

  // Test conveniences working on wide names and texts (paths like "Software\\Quillon").
  RegNode* Find(RegHandle root, std::wstring_view path) const;
  RegNode& Ensure(RegHandle root, std::wstring_view path);
  void SetString(RegHandle root, std::wstring_view path, std::wstring_view name,
                 std::wstring_view text);  // stored with its terminator, as installers do
  void SetDword(RegHandle root, std::wstring_view path, std::wstring_view name,
                std::uint32_t value);
  void SetBinary(RegHandle root, std::wstring_view path, std::wstring_view name,
                 std::vector<std::uint8_t> bytes);
  const RegValueData* Value(RegHandle root, std::wstring_view path, std::wstring_view name) const;
  std::size_t KeyCount() const;  // every key below the three roots

 private:
  std::shared_ptr<RegNode> local_machine_, current_user_, users_;
};

// Splits a key path at "\"; a trailing "\" is allowed, an empty component is not.
bool SplitKeyPath(std::wstring_view path, std::vector<std::wstring>& parts);
RegNode* FindChild(const RegNode& node, std::wstring_view name);
RegNode& AddChild(RegNode& node, std::wstring_view name);

// The ANSI and wide registry calls of one simulated process, with its own handle table.
class SimRegistry : public Registry {
 public:
  SimRegistry(RegistryState& state, platform::Locale& locale) : state_(state), locale_(locale) {}

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

  std::size_t OpenHandleCount() const { return handles_.size(); }

 private:
  struct OpenKeyEntry {
    std::shared_ptr<RegNode> node;
    std::uint32_t access;
  };
  Status Resolve(RegHandle key, std::uint32_t needed, std::shared_ptr<RegNode>& node) const;
  std::string AnsiData(const RegValueData& value) const;
  // RegQueryValueEx's buffer rules over the bytes the caller's variant of the call returns.
  Status QueryBytes(RegHandle key, std::wstring_view name, bool wide, std::uint32_t* type,
                    std::uint8_t* data, std::uint32_t* size) const;
  Status AddHandle(std::shared_ptr<RegNode> node, std::uint32_t access, RegHandle& key);

  RegistryState& state_;
  platform::Locale& locale_;
  std::map<RegHandle, OpenKeyEntry> handles_;
  RegHandle next_handle_ = 0x100;
};

}  // namespace platform::sim
