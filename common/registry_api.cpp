// RegistryAPI: ANSI registry calls with the buffer sizes, index bound and empty-result shapes
// the callers rely on, and the depth-guarded tree deletion.
#include "common/registry_api.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/error.h"

namespace velmar {
namespace {

namespace reg = platform::reg;
namespace win = platform::win;

constexpr std::uint32_t kTextBufferBytes = 1024;  // 1023 characters and the terminator
constexpr std::uint32_t kBinaryBufferBytes = 4096;
constexpr std::uint32_t kNameBufferBytes = 260;
constexpr std::uint32_t kMaxEnumIndices = 1'000'000;

std::int32_t Int32Of(const std::uint8_t* bytes) {
  std::int32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// Text of any value, the way the run time turns a variant into a string.
std::wstring TextOfVariant(const RegVariant& data) {
  if (const auto* text = std::get_if<std::wstring>(&data)) return *text;
  if (const auto* number = std::get_if<std::int32_t>(&data)) return std::to_wstring(*number);
  if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&data)) {
    // A byte array read as a string holds two bytes per character.
    std::wstring text;
    for (std::size_t i = 0; i < bytes->size(); i += 2) {
      const unsigned high = i + 1 < bytes->size() ? (*bytes)[i + 1] : 0;
      text.push_back(static_cast<wchar_t>((*bytes)[i] | (high << 8)));
    }
    return text;
  }
  return {};
}

// Bytes of a value meant as REG_BINARY; false when the value has no byte form, so nothing is
// stored rather than a conversion failure reaching the caller.
bool BytesOfVariant(const RegVariant& data, std::vector<std::uint8_t>& bytes) {
  if (const auto* array = std::get_if<std::vector<std::uint8_t>>(&data)) {
    bytes = *array;
    return true;
  }
  if (const auto* text = std::get_if<std::wstring>(&data)) {
    bytes.clear();
    for (wchar_t c : *text) {
      bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>((static_cast<std::uint32_t>(c) >> 8) & 0xFF));
    }
    return true;
  }
  return false;
}

// A 32-bit integer of a value meant as REG_DWORD: the empty value is 0, a text must hold a
// decimal number in range; anything else stores nothing.
bool IntOfVariant(const RegVariant& data, std::int32_t& number) {
  if (const auto* value = std::get_if<std::int32_t>(&data)) {
    number = *value;
    return true;
  }
  if (std::holds_alternative<std::monostate>(data)) {
    number = 0;
    return true;
  }
  const auto* text = std::get_if<std::wstring>(&data);
  if (text == nullptr) return false;
  const auto first = text->find_first_not_of(L' ');
  const auto last = text->find_last_not_of(L' ');
  if (first == std::wstring::npos) return false;
  std::wstring_view digits(text->data() + first, last - first + 1);
  bool negative = false;
  if (digits.front() == L'-' || digits.front() == L'+') {
    negative = digits.front() == L'-';
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.size() > 10) return false;
  std::int64_t value = 0;
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + (c - L'0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return false;
  number = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace

// The platform returns a REG_SZ with its terminator when it was stored with one, and without
// it when it was not. Cutting at the first zero byte (or keeping every returned byte when there
// is none) reads both kinds whole; dropping the last byte blindly ate the final character of
// any value stored without a terminator.
std::wstring RegistryAPI::TextOfAnsi(const std::uint8_t* bytes, std::uint32_t count) {
  const auto* end = std::find(bytes, bytes + count, std::uint8_t{0});
  return locale_.FromAnsi(std::string_view(reinterpret_cast<const char*>(bytes),
                                           static_cast<std::size_t>(end - bytes)));
}

bool RegistryAPI::RegKeyExists(platform::RegHandle root, std::wstring_view path) {
  platform::RegKey key;
  return key.Open(registry_, root, locale_.ToAnsi(path), reg::kRead) == win::kSuccess;
}

void RegistryAPI::DeleteRegKey(platform::RegHandle root, std::wstring_view path) {
  registry_.DeleteKey(root, locale_.ToAnsi(path));
}

RegVariant RegistryAPI::GetRegValue(platform::RegHandle root, std::wstring_view path,
                                    std::wstring_view name, std::int32_t kind,
                                    const RegVariant& fallback) {
  RegVariant result = fallback;
  platform::RegKey key;
  if (key.Open(registry_, root, locale_.ToAnsi(path), reg::kRead) != win::kSuccess) {
    return result;
  }
  const std::string ansi_name = locale_.ToAnsi(name);
  std::uint32_t type = 0;
  switch (kind) {
    case kRegSz: {
      std::array<std::uint8_t, kTextBufferBytes> buffer{};
      std::uint32_t count = kTextBufferBytes;
      if (registry_.QueryValue(key.get(), ansi_name, &type, buffer.data(), &count) ==
          win::kSuccess) {
        result = TextOfAnsi(buffer.data(), std::min(count, kTextBufferBytes));
      }
      break;
    }
    case kRegBinary: {
      std::vector<std::uint8_t> buffer(kBinaryBufferBytes);
      std::uint32_t count = kBinaryBufferBytes;
      if (registry_.QueryValue(key.get(), ansi_name, &type, buffer.data(), &count) ==
          win::kSuccess) {
        buffer.resize(std::min(count, kBinaryBufferBytes));
        result = std::move(buffer);
      }
      break;
    }
    case kRegDword: {
      std::array<std::uint8_t, 4> buffer{};
      std::uint32_t count = 4;
      if (registry_.QueryValue(key.get(), ansi_name, &type, buffer.data(), &count) ==
          win::kSuccess) {
        result = Int32Of(buffer.data());
      }
      break;
    }
    default: platform::Raise(kUnsupportedValueTypeError, L"Unsupported value type");
  }
  return result;
}

void RegistryAPI::SetRegValue(platform::RegHandle root, std::wstring_view path,
                              std::wstring_view name, std::int32_t kind, const RegVariant& data) {
  platform::RegKey key;
  if (key.Open(registry_, root, locale_.ToAnsi(path), reg::kWrite) != win::kSuccess) return;
  const std::string ansi_name = locale_.ToAnsi(name);
  switch (kind) {
    case kRegSz: {
      // Stored with its terminating zero, as every other writer of REG_SZ does, so that readers
      // which drop the last byte still see the whole text.
      const std::string text = locale_.ToAnsi(TextOfVariant(data));
      registry_.SetValue(key.get(), ansi_name, reg::kSz,
                         reinterpret_cast<const std::uint8_t*>(text.c_str()),
                         static_cast<std::uint32_t>(text.size() + 1));
      break;
    }
    case kRegBinary: {
      std::vector<std::uint8_t> bytes;
      if (BytesOfVariant(data, bytes)) {
        registry_.SetValue(key.get(), ansi_name, reg::kBinary, bytes.data(),
                           static_cast<std::uint32_t>(bytes.size()));
      }
      break;
    }
    case kRegDword: {
      std::int32_t number = 0;
      if (IntOfVariant(data, number)) {
        std::array<std::uint8_t, 4> bytes{};
        std::memcpy(bytes.data(), &number, sizeof number);
        registry_.SetValue(key.get(), ansi_name, reg::kDword, bytes.data(), 4);
      }
      break;
    }
    default: break;  // other kinds are never written
  }
}

void RegistryAPI::DeleteRegValue(platform::RegHandle root, std::wstring_view path,
                                 std::wstring_view name) {
  platform::RegKey key;
  if (key.Open(registry_, root, locale_.ToAnsi(path), reg::kWrite) != win::kSuccess) return;
  registry_.DeleteValue(key.get(), locale_.ToAnsi(name));
}

std::vector<std::wstring> RegistryAPI::EnumRegKeys(platform::RegHandle root,
                                                   std::wstring_view path) {
  platform::RegKey opened;
  platform::RegHandle handle = root;
  if (!path.empty()) {
    if (opened.Open(registry_, root, locale_.ToAnsi(path), reg::kRead) != win::kSuccess) {
      return {};
    }
    handle = opened.get();
  }
  std::vector<std::wstring> names;
  std::array<char, kNameBufferBytes> buffer;
  for (std::uint32_t index = 0; index < kMaxEnumIndices; ++index) {
    buffer.fill(' ');
    if (registry_.EnumKey(handle, index, buffer.data(), kNameBufferBytes) != win::kSuccess) break;
    names.push_back(
        TextOfAnsi(reinterpret_cast<const std::uint8_t*>(buffer.data()), kNameBufferBytes));
  }
  opened.Close();
  // Callers test the first entry for emptiness, so "no subkeys" is one empty name.
  if (names.empty()) return {std::wstring()};
  return names;
}

RegValueTable RegistryAPI::EnumRegValues(platform::RegHandle root, std::wstring_view path) {
  platform::RegKey opened;
  platform::RegHandle handle = root;
  if (!path.empty()) {
    if (opened.Open(registry_, root, locale_.ToAnsi(path), reg::kRead) != win::kSuccess) {
      return {};
    }
    handle = opened.get();
  }
  RegValueTable table;
  table.columns.resize(2);
  // One pair of buffers for the whole enumeration: each call is told their full sizes again.
  std::array<char, kNameBufferBytes> name;
  std::vector<std::uint8_t> data(kBinaryBufferBytes);
  for (std::uint32_t index = 0; index < kMaxEnumIndices; ++index) {
    name.fill(0);
    std::fill(data.begin(), data.end(), 0);
    std::uint32_t name_length = kNameBufferBytes;
    std::uint32_t data_count = kBinaryBufferBytes;
    std::uint32_t type = 0;
    if (registry_.EnumValue(handle, index, name.data(), &name_length, &type, data.data(),
                            &data_count) != win::kSuccess) {
      break;
    }
    name_length = std::min(name_length, kNameBufferBytes);
    data_count = std::min(data_count, kBinaryBufferBytes);
    table.columns[0].push_back(locale_.FromAnsi(std::string_view(name.data(), name_length)));
    RegVariant value;
    switch (type) {
      case reg::kSz: value = TextOfAnsi(data.data(), data_count); break;
      case reg::kDword: value = Int32Of(data.data()); break;
      default: value = std::vector<std::uint8_t>(data.begin(), data.begin() + data_count); break;
    }
    table.columns[1].push_back(std::move(value));
  }
  opened.Close();
  if (table.columns[0].empty()) table.columns.assign(1, std::vector<RegVariant>(1));
  return table;
}

void RegistryAPI::DeleteRegKeyTree(std::wstring_view path, platform::RegHandle root) {
  DeleteTreeAt(path, root, 0, false);
}

// depth counts the levels below the key the deletion started at; keys deeper than
// kMaxTreeDepth are never visited, which bounds the recursion on a runaway or looping tree.
// Each key is processed twice at most: once to clear its subkeys and once more to delete it;
// if a subkey survived the first pass the key is left where it is.
void RegistryAPI::DeleteTreeAt(std::wstring_view path, platform::RegHandle root, int depth,
                               bool second_pass) {
  if (depth > kMaxTreeDepth) return;
  const std::vector<std::wstring> subkeys = EnumRegKeys(root, path);
  if (subkeys.empty()) return;  // the key cannot be opened: left alone
  if (!subkeys[0].empty()) {
    if (second_pass) return;
    const std::wstring prefix = std::wstring(path) + L"\\";
    for (const auto& subkey : subkeys) DeleteTreeAt(prefix + subkey, root, depth + 1, false);
    DeleteTreeAt(path, root, depth, true);
    return;
  }
  const RegValueTable values = EnumRegValues(root, path);
  if (values.ColumnCount() == 0 || IsBlank(values.Cell(0, 0))) {
    DeleteRegKey(root, path);
    return;
  }
  for (const auto& name : values.columns[0]) {
    if (const auto* text = std::get_if<std::wstring>(&name)) DeleteRegValue(root, path, *text);
  }
  DeleteRegKey(root, path);
}

}  // namespace velmar
