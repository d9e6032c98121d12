// The simulated registry: key tree, handle table and the ANSI calls with Windows' status codes
// and byte counts.
#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace platform::sim {
namespace {

constexpr std::uint32_t kQueryValue = 0x1;
constexpr std::uint32_t kSetValue = 0x2;
constexpr std::uint32_t kEnumerateSubKeys = 0x8;
constexpr Status kBadPathname = 161;

bool IsStringKind(std::uint32_t type) {
  return type == reg::kSz || type == reg::kExpandSz || type == reg::kMultiSz;
}

std::wstring TextOfUtf16(const std::vector<std::uint8_t>& bytes) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return text;
}

RegValueData* FindValue(RegNode& node, std::wstring_view name) {
  for (auto& value : node.values) {
    if (EqualsNoCase(value.name, name)) return &value;
  }
  return nullptr;
}

void PutValue(RegNode& node, RegValueData value) {
  if (RegValueData* existing = FindValue(node, value.name)) {
    existing->type = value.type;
    existing->data = std::move(value.data);
  } else {
    node.values.push_back(std::move(value));
  }
}

void MarkDeleted(RegNode& node) {
  node.deleted = true;
  for (auto& child : node.subkeys) MarkDeleted(*child);
}

std::size_t CountKeys(const RegNode& node) {
  std::size_t count = node.subkeys.size();
  for (const auto& child : node.subkeys) count += CountKeys(*child);
  return count;
}

}  // namespace

bool SplitKeyPath(std::wstring_view path, std::vector<std::wstring>& parts) {
  parts.clear();
  if (path.empty()) return true;
  if (path.front() == L'\\') return false;
  std::size_t start = 0;
  while (start < path.size()) {
    const std::size_t end = std::min(path.find(L'\\', start), path.size());
    if (end == start) return false;
    parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

RegNode* FindChild(const RegNode& node, std::wstring_view name) {
  for (const auto& child : node.subkeys) {
    if (EqualsNoCase(child->name, name)) return child.get();
  }
  return nullptr;
}

RegNode& AddChild(RegNode& node, std::wstring_view name) {
  if (RegNode* existing = FindChild(node, name)) return *existing;
  auto child = std::make_shared<RegNode>();
  child->name = std::wstring(name);
  child->parent = &node;
  const auto at = std::lower_bound(node.subkeys.begin(), node.subkeys.end(), name,
                                   [](const std::shared_ptr<RegNode>& a, std::wstring_view b) {
                                     return CompareNoCase(a->name, b) < 0;
                                   });
  return **node.subkeys.insert(at, std::move(child));
}

RegistryState::RegistryState()
    : local_machine_(std::make_shared<RegNode>()),
      current_user_(std::make_shared<RegNode>()),
      users_(std::make_shared<RegNode>()) {
  local_machine_->name = L"HKEY_LOCAL_MACHINE";
  current_user_->name = L"HKEY_CURRENT_USER";
  users_->name = L"HKEY_USERS";
  for (const wchar_t* key : {L"SOFTWARE", L"SYSTEM\\CurrentControlSet\\Services", L"HARDWARE"}) {
    Ensure(reg::kLocalMachine, key);
  }
  Ensure(reg::kCurrentUser, L"Software");
  Ensure(reg::kUsers, L".DEFAULT\\Software");
}

std::shared_ptr<RegNode> RegistryState::Root(RegHandle predefined) const {
  switch (predefined) {
    case reg::kLocalMachine: return local_machine_;
    case reg::kCurrentUser: return current_user_;
    case reg::kUsers: return users_;
    default: return nullptr;
  }
}

RegNode* RegistryState::Find(RegHandle root, std::wstring_view path) const {
  std::shared_ptr<RegNode> node = Root(root);
  std::vector<std::wstring> parts;
  if (!node || !SplitKeyPath(path, parts)) return nullptr;
  RegNode* current = node.get();
  for (const auto& part : parts) {
    current = FindChild(*current, part);
    if (current == nullptr) return nullptr;
  }
  return current;
}

RegNode& RegistryState::Ensure(RegHandle root, std::wstring_view path) {
  std::vector<std::wstring> parts;
  SplitKeyPath(path, parts);
  RegNode* current = Root(root).get();
  for (const auto& part : parts) current = &AddChild(*current, part);
  return *current;
}

void RegistryState::SetString(RegHandle root, std::wstring_view path, std::wstring_view name,
                              std::wstring_view text) {
  std::wstring terminated(text);
  terminated.push_back(L'\0');
  PutValue(Ensure(root, path), {std::wstring(name), reg::kSz, platform::Utf16LeBytes(terminated)});
}

void RegistryState::SetDword(RegHandle root, std::wstring_view path, std::wstring_view name,
                             std::uint32_t value) {
  std::vector<std::uint8_t> bytes(4);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  PutValue(Ensure(root, path), {std::wstring(name), reg::kDword, std::move(bytes)});
}

void RegistryState::SetBinary(RegHandle root, std::wstring_view path, std::wstring_view name,
                              std::vector<std::uint8_t> bytes) {
  PutValue(Ensure(root, path), {std::wstring(name), reg::kBinary, std::move(bytes)});
}

const RegValueData* RegistryState::Value(RegHandle root, std::wstring_view path,
                                         std::wstring_view name) const {
  RegNode* node = Find(root, path);
  return node ? FindValue(*node, name) : nullptr;
}

std::size_t RegistryState::KeyCount() const {
  return CountKeys(*local_machine_) + CountKeys(*current_user_) + CountKeys(*users_);
}

Status SimRegistry::Resolve(RegHandle key, std::uint32_t needed,
                            std::shared_ptr<RegNode>& node) const {
  if (auto root = state_.Root(key)) {
    node = std::move(root);
    return win::kSuccess;
  }
  const auto it = handles_.find(key);
  if (it == handles_.end()) return win::kInvalidHandle;
  if (it->second.node->deleted) return win::kKeyDeleted;
  if ((it->second.access & needed) != needed) return win::kAccessDenied;
  node = it->second.node;
  return win::kSuccess;
}

Status SimRegistry::AddHandle(std::shared_ptr<RegNode> node, std::uint32_t access, RegHandle& key) {
  key = next_handle_;
  next_handle_ += 4;
  handles_[key] = {std::move(node), access};
  return win::kSuccess;
}

Status SimRegistry::OpenKey(RegHandle root, std::string_view path, std::uint32_t access,
                            RegHandle& key) {
  return OpenKeyW(root, locale_.FromAnsi(path), access, key);
}

Status SimRegistry::OpenKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                             RegHandle& key) {
  key = 0;
  std::shared_ptr<RegNode> node;
  if (Status status = Resolve(root, 0, node); status != win::kSuccess) return status;
  std::vector<std::wstring> parts;
  if (!SplitKeyPath(path, parts)) return kBadPathname;
  for (const auto& part : parts) {
    RegNode* child = FindChild(*node, part);
    if (child == nullptr) return win::kFileNotFound;
    auto it = std::find_if(node->subkeys.begin(), node->subkeys.end(),
                           [child](const auto& p) { return p.get() == child; });
    node = *it;
  }
  if (node->deny_write && (access & kSetValue)) return win::kAccessDenied;
  return AddHandle(std::move(node), access, key);
}

Status SimRegistry::CreateKey(RegHandle root, std::string_view path, RegHandle& key) {
  return CreateKeyW(root, locale_.FromAnsi(path), reg::kAllAccess, key);
}

// Missing keys on the way are created; an existing key is opened with the access asked for.
Status SimRegistry::CreateKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                               RegHandle& key) {
  key = 0;
  std::shared_ptr<RegNode> node;
  if (Status status = Resolve(root, 0, node); status != win::kSuccess) return status;
  std::vector<std::wstring> parts;
  if (!SplitKeyPath(path, parts)) return kBadPathname;
  for (const auto& part : parts) {
    RegNode& child = AddChild(*node, part);
    node = *std::find_if(node->subkeys.begin(), node->subkeys.end(),
                         [&child](const auto& p) { return p.get() == &child; });
  }
  if (node->deny_write && (access & kSetValue)) return win::kAccessDenied;
  return AddHandle(std::move(node), access, key);
}

Status SimRegistry::CloseKey(RegHandle key) {
  if (state_.Root(key)) return win::kSuccess;
  return handles_.erase(key) ? win::kSuccess : win::kInvalidHandle;
}

std::string SimRegistry::AnsiData(const RegValueData& value) const {
  if (!IsStringKind(value.type)) return std::string(value.data.begin(), value.data.end());
  std::string ansi = locale_.ToAnsi(TextOfUtf16(value.data));
  if (value.data.size() % 2) ansi.push_back('\0');  // an odd byte count leaves a stray byte
  return ansi;
}

Status SimRegistry::QueryBytes(RegHandle key, std::wstring_view name, bool wide,
                               std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) const {
  std::shared_ptr<RegNode> node;
  if (Status status = Resolve(key, kQueryValue, node); status != win::kSuccess) return status;
  const RegValueData* value = FindValue(*node, name);
  if (value == nullptr) return win::kFileNotFound;
  if (type) *type = value->type;
  const std::string bytes =
      wide ? std::string(value->data.begin(), value->data.end()) : AnsiData(*value);
  const auto needed = static_cast<std::uint32_t>(bytes.size());
  if (data == nullptr) {
    if (size) *size = needed;
    return win::kSuccess;
  }
  if (size == nullptr) return win::kInvalidParameter;
  if (*size < needed) {
    *size = needed;
    return win::kMoreData;
  }
  std::memcpy(data, bytes.data(), bytes.size());
  *size = needed;
  return win::kSuccess;
}

Status SimRegistry::QueryValue(RegHandle key, std::string_view name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
  return QueryBytes(key, locale_.FromAnsi(name), false, type, data, size);
}

Status SimRegistry::QueryValueW(RegHandle key, std::wstring_view name, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) {
  return QueryBytes(key, name, true, type, data, size);
}

// The wide call stores the bytes as given: string data is already UTF-16LE.
Status SimRegistry::SetValueW(RegHandle key, std::wstring_view name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
  std::shared_ptr<RegNode> node;
  if (Status status = Resolve(key, kSetValue, node); status != win::kSuccess) return status;
  RegValueData value{std::wstring(name), type, {}};
  if (data != nullptr) value.data.assign(data, data + size);
  PutValue(*node, std::move(value));
  return win::kSuccess;
}

Status SimRegistry::SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
  std::shared_ptr<RegNode> node;
  if (Status status = Resolve(key, kSetValue, node); status != win::kSuccess) return status;
  RegValueData value{locale_.FromAnsi(name), type, {}};
  if (IsStringKind(type)) {
    value.data = platform::Utf16LeBytes(
        locale_.FromAnsi(std::string_view(reinterpret_cast<const char*>(data), data ? size : 0)));
  } else if (data != nullptr) {
    value.data.assign(data, data + size);
  }
  PutValue(*node, std::move(value));
  return win::kSuccess;
}

Status SimRegistry::DeleteValue(RegHandle key, std::string_view name) {
  std::shared_ptr<RegNode> node;
  if (Status status = Resolve(key, kSetValue, node); status != win::kSuccess) return status;
  const std::wstring wide = locale_.FromAnsi(name);
  const auto it = std::find_if(node->values.begin(), node->values.end(),
                               [&](const RegValueData& v) { return EqualsNoCase(v.name, wide); });
  if (it == node->values.end()) return win::kFileNotFound;
  node->values.erase(it);
  return win::kSuccess;
}

Status SimRegistry::DeleteKey(RegHandle root, std::string_view path) {
  std::shared_ptr<RegNode> node;
  if (Status status = Resolve(root, 0, node); status != win::kSuccess) return status;
  std::vector<std::wstring> parts;
  if (!SplitKeyPath(locale_.FromAnsi(path), parts)) return kBadPathname;
  // An empty path names the open key itself; a predefined root can never be deleted.
  if (parts.empty() && state_.Root(root)) return win::kAccessDenied;
  RegNode* target = node.get();
  for (const auto& part : parts) {
    target = FindChild(*target, part);
    if (target == nullptr) return win::kFileNotFound;
  }
  if (!target->subkeys.empty() || target->deny_write) return win::kAccessDenied;
  RegNode& parent = *target->parent;
  const auto it = std::find_if(parent.subkeys.begin(), parent.subkeys.end(),
                               [target](const auto& p) { return p.get() == target; });
  MarkDeleted(**it);
  parent.subkeys.erase(it);
  return win::kSuccess;
}

Status SimRegistry::EnumKey(RegHandle key, std::uint32_t index, char* name,
                            std::uint32_t name_size) {
  std::shared_ptr<RegNode> node;
  if (Status status = Resolve(key, kEnumerateSubKeys, node); status != win::kSuccess) {
    return status;
  }
  if (index >= node->subkeys.size()) return win::kNoMoreItems;
  const std::string ansi = locale_.ToAnsi(node->subkeys[index]->name);
  if (name == nullptr || ansi.size() + 1 > name_size) return win::kMoreData;
  std::memcpy(name, ansi.c_str(), ansi.size() + 1);
  return win::kSuccess;
}

Status SimRegistry::EnumValue(RegHandle key, std::uint32_t index, char* name,
                              std::uint32_t* name_length, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* data_size) {
  std::shared_ptr<RegNode> node;
  if (Status status = Resolve(key, kQueryValue, node); status != win::kSuccess) return status;
  if (index >= node->values.size()) return win::kNoMoreItems;
  const RegValueData& value = node->values[index];
  const std::string ansi_name = locale_.ToAnsi(value.name);
  if (name == nullptr || name_length == nullptr || ansi_name.size() + 1 > *name_length) {
    return win::kMoreData;
  }
  const std::string bytes = AnsiData(value);
  if (data != nullptr && (data_size == nullptr || *data_size < bytes.size())) {
    if (data_size) *data_size = static_cast<std::uint32_t>(bytes.size());
    return win::kMoreData;
  }
  std::memcpy(name, ansi_name.c_str(), ansi_name.size() + 1);
  *name_length = static_cast<std::uint32_t>(ansi_name.size());
  if (type) *type = value.type;
  if (data != nullptr) std::memcpy(data, bytes.data(), bytes.size());
  if (data_size) *data_size = static_cast<std::uint32_t>(bytes.size());
  return win::kSuccess;
}

}  // namespace platform::sim
