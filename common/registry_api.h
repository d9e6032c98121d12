// RegistryAPI: the eight registry operations every registry-touching step goes through; each
// opens its key, does one thing, closes the key again and never reports a platform failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/reg_variant.h"
#include "platform/locale.h"
#include "platform/registry.h"

namespace velmar {

// The value kinds callers pass: the platform's type codes.
inline constexpr std::int32_t kRegSz = 1;
inline constexpr std::int32_t kRegBinary = 3;
inline constexpr std::int32_t kRegDword = 4;

// Number and description raised by GetRegValue for any other kind.
inline constexpr std::int32_t kUnsupportedValueTypeError = 1001;

// The result of EnumRegValues, indexed column first: column 0 holds the value names (text),
// column 1 the data (text for REG_SZ, integer for REG_DWORD, bytes for any other kind).
// A key without values gives one column with one empty cell; a key that cannot be opened
// gives no columns at all. Callers look at Cell(0, 0) to tell these apart from real rows.
struct RegValueTable {
  std::vector<std::vector<RegVariant>> columns;

  std::size_t ColumnCount() const { return columns.size(); }
  std::size_t RowCount() const { return columns.empty() ? 0 : columns[0].size(); }
  const RegVariant& Cell(std::size_t column, std::size_t row) const {
    return columns.at(column).at(row);
  }
};

class RegistryAPI {
 public:
  RegistryAPI(platform::Registry& registry, platform::Locale& locale)
      : registry_(registry), locale_(locale) {}

  bool RegKeyExists(platform::RegHandle root, std::wstring_view path);
  // Calls the platform's key deletion on root and path directly: a key with subkeys stays.
  void DeleteRegKey(platform::RegHandle root, std::wstring_view path);
  // The value, or the default when the key or value is missing or does not fit the buffer.
  // Raises RuntimeError 1001 "Unsupported value type" for a kind other than 1, 3 or 4 when
  // the key exists.
  RegVariant GetRegValue(platform::RegHandle root, std::wstring_view path, std::wstring_view name,
                         std::int32_t kind, const RegVariant& fallback);
  void SetRegValue(platform::RegHandle root, std::wstring_view path, std::wstring_view name,
                   std::int32_t kind, const RegVariant& data);
  void DeleteRegValue(platform::RegHandle root, std::wstring_view path, std::wstring_view name);
  // With an empty path the root itself (a predefined root or an open handle) is enumerated.
  // A key without subkeys gives one empty name; a key that cannot be opened gives none.
  std::vector<std::wstring> EnumRegKeys(platform::RegHandle root, std::wstring_view path);
  RegValueTable EnumRegValues(platform::RegHandle root, std::wstring_view path);
  // Deletes the key and everything below it, as far as the depth guard allows.
  void DeleteRegKeyTree(std::wstring_view path, platform::RegHandle root);

  // Keys more than this many levels below the key DeleteRegKeyTree starts at are never
  // visited, so the branch holding them stays in place.
  static constexpr int kMaxTreeDepth = 100;

 private:
  void DeleteTreeAt(std::wstring_view path, platform::RegHandle root, int depth, bool second_pass);
  std::wstring TextOfAnsi(const std::uint8_t* bytes, std::uint32_t count);

  platform::Registry& registry_;
  platform::Locale& locale_;
};

}  // namespace velmar
