// The refusal list that keeps the removal inside the product's footprint.
#include "uninstaller/sequence/footprint.h"

#include <optional>
#include <utility>
#include <variant>

#include "common/registry_api.h"
#include "platform/text.h"

namespace uninstaller {
namespace {

bool IsDriveLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Every step below the drive is a real name: Windows drops trailing dots and blanks, so
// "C:\WINDOWS." and "C:\ " would name other folders than they seem to, and "." or ".." climb;
// wildcards, a second ":" or "/" would make the path mean several or other folders.
bool HasPlainSteps(std::wstring_view path) {
  if (path.find_first_of(L"*?\"<>|/", 0) != std::wstring_view::npos) return false;
  if (path.find(L':', 2) != std::wstring_view::npos) return false;
  std::wstring_view rest = path.substr(3);
  while (!rest.empty() && rest.back() == L'\\') rest.remove_suffix(1);
  while (!rest.empty()) {
    const auto cut = rest.find(L'\\');
    const std::wstring_view step = rest.substr(0, cut);
    if (step.empty() || step.back() == L'.' || step.back() == L' ') return false;
    rest = cut == std::wstring_view::npos ? std::wstring_view() : rest.substr(cut + 1);
  }
  return true;
}

std::wstring ReadMachineText(platform::Host& host, std::wstring_view key, std::wstring_view name) {
  try {
    velmar::RegistryAPI registry(host.registry, host.locale);
    const auto value = registry.GetRegValue(platform::reg::kLocalMachine, key, name,
                                            platform::reg::kSz, std::wstring());
    const auto* text = std::get_if<std::wstring>(&value);
    return text ? *text : std::wstring();
  } catch (const platform::RuntimeError&) {
    return {};
  }
}

// Windows keeps some of these folders as REG_EXPAND_SZ ("%SystemDrive%\Documents and
// Settings"): the two variables such values use are put in, in any letter case.
std::wstring ExpandSystemVariables(std::wstring text, const std::wstring& windows) {
  const std::pair<std::wstring_view, std::wstring> variables[] = {
      {L"%SYSTEMDRIVE%", windows.substr(0, 2)}, {L"%SYSTEMROOT%", windows}};
  for (const auto& [name, folder] : variables) {
    for (auto at = platform::Upcase(text).find(name); at != std::wstring::npos;
         at = platform::Upcase(text).find(name, at + folder.size())) {
      text.replace(at, name.size(), folder);
    }
  }
  return text;
}

constexpr const wchar_t* kEnvironmentFolders[] = {
    L"SystemRoot",        L"windir",       L"ProgramFiles",
    L"ProgramFiles(x86)", L"ProgramW6432", L"USERPROFILE",
    L"ALLUSERSPROFILE",   L"ProgramData",  L"PUBLIC",
};

}  // namespace

bool IsAbsoluteLocalPath(std::wstring_view path) {
  return path.size() > 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\' &&
         path.find_first_not_of(L'\\', 3) != std::wstring_view::npos;
}

bool IsDriveRoot(std::wstring_view path) {
  return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':' &&
         path.find_first_not_of(L'\\', 2) == std::wstring_view::npos;
}

std::wstring FolderKey(std::wstring_view path) {
  while (path.size() > 1 && path.back() == L'\\') path.remove_suffix(1);
  return platform::Upcase(path);
}

bool SameFolder(std::wstring_view a, std::wstring_view b) {
  return FolderKey(a) == FolderKey(b);
}

ProtectedFolders::ProtectedFolders(std::vector<std::wstring> folders) {
  for (const auto& folder : folders) {
    // A protected drive root would refuse the whole drive, a malformed entry nothing sensible.
    if (!IsAbsoluteLocalPath(folder) || !HasPlainSteps(folder)) continue;
    keys_.push_back(FolderKey(folder));
  }
}

ProtectedFolders ProtectedFolders::OfMachine(platform::Host& host) {
  std::wstring windows;
  try {
    windows = host.system.WindowsFolder();
  } catch (const platform::RuntimeError&) {
  }
  if (!IsAbsoluteLocalPath(windows)) windows = L"C:\\WINDOWS";
  const std::wstring drive = windows.substr(0, 2);
  std::wstring own;
  try {
    own = platform::ProgramFolder(host.processes);
  } catch (const platform::RuntimeError&) {
  }
  std::vector<std::wstring> folders{
      windows,
      windows + L"\\system32",
      windows + L"\\SysWOW64",
      drive + L"\\Program Files",
      drive + L"\\Documents and Settings",
      drive + L"\\Users",
      ExpandSystemVariables(ReadMachineText(host, L"Software\\Microsoft\\Windows\\CurrentVersion",
                                            L"ProgramFilesDir"),
                            windows),
      ExpandSystemVariables(
          ReadMachineText(host, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                          L"ProfilesDirectory"),
          windows),
      own,
  };
  // The same folders as the clean-up batch refuses at the next logon, as the environment names
  // them: a root the batch would refuse is never registered for it, nor deleted now.
  for (const wchar_t* name : kEnvironmentFolders) {
    std::optional<std::wstring> value;
    try {
      value = host.processes.EnvironmentVariable(name);
    } catch (const platform::RuntimeError&) {
    }
    if (value) folders.push_back(*value);
  }
  return ProtectedFolders(std::move(folders));
}

bool ProtectedFolders::Covers(std::wstring_view path) const {
  const std::wstring key = FolderKey(path);
  for (const auto& folder : keys_) {
    if (folder == key) return true;
    if (folder.size() > key.size() && folder.compare(0, key.size(), key) == 0 &&
        folder[key.size()] == L'\\') {
      return true;
    }
  }
  return false;
}

bool ProtectedFolders::Holds(std::wstring_view path) const {
  const std::wstring key = FolderKey(path);
  for (const auto& folder : keys_) {
    if (folder == key) return true;
  }
  return false;
}

bool IsDeletableTree(std::wstring_view path, const ProtectedFolders& protected_folders) {
  if (path.size() < 4 || path.size() > kMaxPathLength || !IsAbsoluteLocalPath(path) ||
      !HasPlainSteps(path))
    return false;
  // A short name ("PROGRA~1") may be another name of a protected folder.
  if (path.find(L'~') != std::wstring_view::npos) return false;
  return !protected_folders.Covers(path);
}

bool IsPatternFolder(std::wstring_view path) {
  return path.size() <= kMaxPathLength && IsAbsoluteLocalPath(path) && HasPlainSteps(path);
}

}  // namespace uninstaller
