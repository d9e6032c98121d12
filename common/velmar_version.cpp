// VelmarVersion: the hex-digit grouping of "Version Number" and "Build Number" that the
// product's installer writes.
#include "common/velmar_version.h"

#include <cstdio>

#include "common/registry_api.h"

namespace velmar {
namespace {

// The installer's key, trailing backslash included, exactly as it has always been opened.
constexpr wchar_t kProductKey[] = L"Software\\Quillon\\";

std::int32_t DwordOrZero(RegistryAPI& api, const wchar_t* name) {
  const RegVariant value =
      api.GetRegValue(platform::reg::kLocalMachine, kProductKey, name, kRegDword, RegVariant{});
  const auto* number = std::get_if<std::int32_t>(&value);
  return number ? *number : 0;
}

// The leading decimal digits of a group of hex digits: the installer writes the decimal parts
// as hex digits, so "0012" means 12 and a group that starts with a letter means 0.
std::int16_t LeadingDecimal(const std::string& group) {
  int value = 0;
  for (char c : group) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return static_cast<std::int16_t>(value);
}

}  // namespace

VelmarVersionInfo GetVelmarVersion(platform::Registry& registry, platform::Locale& locale) {
  RegistryAPI api(registry, locale);
  const auto version = static_cast<std::uint32_t>(DwordOrZero(api, L"Version Number"));
  const auto build = static_cast<std::uint32_t>(DwordOrZero(api, L"Build Number"));

  char v[9];
  char b[9];
  std::snprintf(v, sizeof v, "%08X", static_cast<unsigned>(version));
  std::snprintf(b, sizeof b, "%08X", static_cast<unsigned>(build));
  const std::string version_digits(v);
  const std::string build_digits(b);

  VelmarVersionInfo info;
  info.Major = LeadingDecimal(version_digits.substr(0, 4));
  info.Minor = LeadingDecimal(version_digits.substr(4, 4));
  info.Build = LeadingDecimal(build_digits.substr(0, 4));
  // The revision is a true hex number and, read into 16 bits, 8000 to FFFF are negative.
  info.Revision = static_cast<std::int16_t>(build & 0xFFFF);
  info.Text = std::to_wstring(info.Major) + L"." + std::to_wstring(info.Minor) + L"(" +
              std::to_wstring(info.Build) + L"." + std::to_wstring(info.Revision) + L")";
  return info;
}

}  // namespace velmar
