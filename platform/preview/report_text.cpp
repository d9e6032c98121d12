// The report's wording for each change and the values it shows.
#include "platform/preview/report_text.h"

#include <exception>

#include "platform/registry.h"
#include "platform/text.h"

namespace platform::preview {
namespace {

constexpr std::uint32_t kAliasTag = 0x3A000008;  // the directory's alias property, as text

std::wstring Utf16Text(const std::uint8_t* data, std::uint32_t size) {
  std::wstring text;
  for (std::uint32_t i = 0; i + 1 < size; i += 2) {
    const auto c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

}  // namespace

std::wstring Line(std::wstring_view action, std::wstring_view subject) {
  return L"  would " + std::wstring(action) + L": " + std::wstring(subject);
}

std::wstring ValueText(std::uint32_t type, const std::uint8_t* data, std::uint32_t size,
                       bool wide) {
  if (data == nullptr) return L"";
  if (type == reg::kSz || type == reg::kExpandSz) {
    if (wide) return Utf16Text(data, size);
    const std::string ansi(reinterpret_cast<const char*>(data), size);
    return WideFromCp1252(ansi.substr(0, ansi.find('\0')));
  }
  if (type == reg::kDword && size >= 4) {
    return std::to_wstring(data[0] | (data[1] << 8) | (data[2] << 16) |
                           (static_cast<std::uint32_t>(data[3]) << 24));
  }
  return L"(" + std::to_wstring(size) + L" bytes)";
}

std::wstring ShownValue(const DbValue& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_wstring(*number);
  if (const auto* real = std::get_if<double>(&value)) return std::to_wstring(*real);
  if (const auto* text = std::get_if<std::wstring>(&value)) return L"'" + *text + L"'";
  return L"NULL";
}

std::wstring ProcedureCall(std::wstring_view name,
                           const std::vector<std::pair<std::wstring, std::wstring>>& set) {
  std::wstring text(name);
  for (std::size_t i = 0; i < set.size(); ++i) {
    text += i == 0 ? L" " : L", ";
    if (!set[i].first.starts_with(L'@')) text += L'@';
    text += set[i].first + L"=" + set[i].second;
  }
  return text;
}

std::wstring DirectoryName(doh::PropertyObject& object, int position) {
  try {
    const doh::PropertyValue alias = object.GetProperty(kAliasTag);
    if (const auto* text = std::get_if<std::wstring>(&alias); text && !text->empty()) return *text;
  } catch (const std::exception&) {
    // no alias to be read: the position names it
  }
  return L"#" + std::to_wstring(position);
}

}  // namespace platform::preview
