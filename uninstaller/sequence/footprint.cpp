// The refusal list that keeps the removal inside the product's footprint.
#include "uninstaller/sequence/footprint.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <variant>

#include "common/registry_api.h"
#include "platform/file_calls.h"
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

// What ships beside the uninstaller besides the running program itself.
constexpr std::wstring_view kToolkitFiles[] = {
    L"VelmarUninstall3xandUp.exe",
    L"VelmarUninstall3xandUp.htm",
    L"VelmarUninstall3xandUp_ENU.dll",
    L"VelmarUninstall3xandUp_DEU.dll",
    L"VelmarUninstall3xandUp_FRA.dll",
    L"DirscrubVelmar30.exe",
    L"PelletSetup.exe",
    L"mypause.exe",
    L"kill.exe",
    L"tomcatuninstall.bat",
    L"VelmarClean.bat",
    L"README.txt",
    L"SHA256SUMS",
};

// Whether a name pattern could match the name, judged at least as widely as the platform's
// directory search: letter case ignored, "*" any run, "?" one character or none, and a ".*" at
// the end also matching a name without a dot.
bool MayMatch(std::wstring_view pattern, std::wstring_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern == L".*" && name.find(L'.') == std::wstring_view::npos) return true;
  const wchar_t head = pattern[0];
  const std::wstring_view rest = pattern.substr(1);
  if (head == L'*') {
    for (std::size_t skip = 0; skip <= name.size(); ++skip) {
      if (MayMatch(rest, name.substr(skip))) return true;
    }
    return false;
  }
  if (head == L'?') {
    return MayMatch(rest, name) || (!name.empty() && MayMatch(rest, name.substr(1)));
  }
  return !name.empty() &&
         platform::Upcase(std::wstring_view(&head, 1)) == platform::Upcase(name.substr(0, 1)) &&
         MayMatch(rest, name.substr(1));
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

std::wstring NormalisedPath(std::wstring_view path) {
  std::wstring out;
  std::size_t at = 0;
  // The drive ("X:") or the separators a path starts with are kept as they are.
  if (path.size() >= 2 && path[1] == L':') at = 2;
  while (at < path.size() && path[at] == L'\\') ++at;
  out.assign(path.substr(0, at));
  while (at < path.size()) {
    const std::size_t cut = std::min(path.find(L'\\', at), path.size());
    std::wstring step(path.substr(at, cut - at));
    const bool last = cut == path.size();
    if (step != L"." && step != L"..") {
      if (last) {
        while (!step.empty() && (step.back() == L'.' || step.back() == L' ')) step.pop_back();
      } else if (!step.empty() && step.back() == L'.') {
        step.pop_back();
      }
    }
    out += step;
    if (!last) out += L'\\';
    at = cut + 1;
  }
  return out;
}

ProtectedFolders::ProtectedFolders(std::vector<std::wstring> folders, LongNameLookup long_names,
                                   std::wstring own_program)
    : long_names_(std::move(long_names)) {
  for (const auto& folder : folders) {
    // A short name in a protected folder's path is looked up so that the folder is compared
    // by its long name; one that cannot be is kept as written.
    std::wstring judged = LongForm(folder);
    if (judged.empty()) judged = folder;
    // A protected drive root would refuse the whole drive, a malformed entry nothing sensible.
    if (!IsAbsoluteLocalPath(judged) || !HasPlainSteps(judged)) continue;
    keys_.push_back(FolderKey(judged));
  }
  const std::size_t cut = own_program.find_last_of(L'\\');
  if (cut != std::wstring::npos) {
    std::wstring folder = LongForm(own_program.substr(0, cut));
    if (folder.empty()) folder = own_program.substr(0, cut);
    if (IsAbsoluteLocalPath(folder) && HasPlainSteps(folder)) {
      own_key_ = FolderKey(folder);
    }
    own_names_.push_back(own_program.substr(cut + 1));
    for (const std::wstring_view name : kToolkitFiles) own_names_.emplace_back(name);
  }
}

std::wstring ProtectedFolders::LongForm(std::wstring_view path) const {
  std::wstring judged = NormalisedPath(path);
  if (judged.find(L'~') == std::wstring::npos) return judged;
  // "PROGRA~1" may be another name of a protected folder: only its long name can be judged.
  if (!long_names_) return {};
  std::wstring long_path;
  try {
    long_path = long_names_(judged);
  } catch (const platform::RuntimeError&) {
    return {};
  }
  return long_path.empty() ? std::wstring() : NormalisedPath(long_path);
}

bool ProtectedFolders::SparesToolkit(std::wstring_view folder, std::wstring_view pattern) const {
  if (own_key_.empty() || FolderKey(NormalisedPath(folder)) != own_key_) return true;
  while (!pattern.empty() && pattern.front() == L'\\') pattern.remove_prefix(1);
  for (const auto& name : own_names_) {
    if (MayMatch(pattern, name)) return false;
  }
  return true;
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
    own = host.processes.ModulePath();
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
  platform::FileCalls& calls = host.file_calls;
  return ProtectedFolders(
      std::move(folders), [&calls](std::wstring_view path) { return calls.LongPathName(path); },
      own);
}

bool ProtectedFolders::Covers(std::wstring_view path) const {
  const std::wstring key = FolderKey(path);
  const auto covers = [&key](const std::wstring& folder) {
    return folder == key ||
           (folder.size() > key.size() && folder.compare(0, key.size(), key) == 0 &&
            folder[key.size()] == L'\\');
  };
  if (!own_key_.empty() && covers(own_key_)) return true;
  return std::any_of(keys_.begin(), keys_.end(), covers);
}

bool ProtectedFolders::Holds(std::wstring_view path) const {
  const std::wstring key = FolderKey(path);
  for (const auto& folder : keys_) {
    if (folder == key) return true;
  }
  return false;
}

bool IsDeletableTree(std::wstring_view path, const ProtectedFolders& protected_folders) {
  if (path.size() > kMaxPathLength) return false;
  const std::wstring judged = protected_folders.LongForm(path);
  if (judged.size() < 4 || judged.size() > kMaxPathLength || !IsAbsoluteLocalPath(judged) ||
      !HasPlainSteps(judged))
    return false;
  return !protected_folders.Covers(judged);
}

bool IsPatternFolder(std::wstring_view path) {
  return path.size() <= kMaxPathLength && IsAbsoluteLocalPath(path) && HasPlainSteps(path);
}

}  // namespace uninstaller
