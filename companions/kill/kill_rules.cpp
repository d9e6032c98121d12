// kill.exe's rules: pattern parsing and matching, the protected processes, the choice.
#include "companions/kill/kill_rules.h"

#include <array>
#include <set>

#include "platform/text.h"

namespace companions {
namespace {

// Names of the processes Windows cannot lose: the kernel's own entries, the session and logon
// managers, the service control manager, the security authority and the service hosts.
constexpr std::array<std::wstring_view, 13> kCriticalNames = {
    L"[System Process]", L"System",     L"Secure System", L"Registry",     L"Memory Compression",
    L"smss.exe",         L"csrss.exe",  L"wininit.exe",   L"winlogon.exe", L"services.exe",
    L"lsass.exe",        L"lsaiso.exe", L"svchost.exe"};

// Characters Windows forbids in file names, and control characters. "*" is handled apart.
bool IsForbiddenInName(wchar_t c) {
  return c < 0x20 || std::wstring_view(L"\\/:?\"<>|").find(c) != std::wstring_view::npos;
}

}  // namespace

std::optional<ImagePattern> ImagePattern::Parse(std::wstring_view text) {
  if (text.empty()) return std::nullopt;
  const bool prefix = text.back() == L'*';
  if (prefix) text.remove_suffix(1);
  for (wchar_t c : text) {
    if (c == L'*' || IsForbiddenInName(c)) return std::nullopt;
  }
  return ImagePattern(std::wstring(text), prefix);
}

bool ImagePattern::Matches(std::wstring_view image_name) const {
  if (!prefix_) return platform::EqualsNoCase(image_name, text_);
  return image_name.size() >= text_.size() &&
         platform::EqualsNoCase(image_name.substr(0, text_.size()), text_);
}

bool IsSystemCritical(std::uint32_t pid, std::wstring_view image_name) {
  if (pid == 0 || pid == 4) return true;
  for (std::wstring_view name : kCriticalNames) {
    if (platform::EqualsNoCase(image_name, name)) return true;
  }
  return false;
}

std::vector<ProcessEntry> ProcessesToEnd(const ImagePattern& pattern,
                                         const std::vector<ProcessEntry>& snapshot,
                                         std::uint32_t self_pid) {
  // A parent may be gone and its id taken by an unrelated process; sparing that one too errs on
  // the safe side. The set also stops the walk should ids ever form a loop.
  std::set<std::uint32_t> lineage;
  for (std::uint32_t pid = self_pid; lineage.insert(pid).second;) {
    const ProcessEntry* found = nullptr;
    for (const auto& entry : snapshot) {
      if (entry.pid == pid) found = &entry;
    }
    if (found == nullptr) break;
    pid = found->parent_pid;
  }
  std::vector<ProcessEntry> chosen;
  for (const auto& entry : snapshot) {
    if (lineage.count(entry.pid) != 0 || IsSystemCritical(entry.pid, entry.image_name)) continue;
    if (pattern.Matches(entry.image_name)) chosen.push_back(entry);
  }
  return chosen;
}

}  // namespace companions
