// The file removal helpers.
#include "uninstaller/sequence/file_helpers.h"

#include <vector>

#include "platform/text.h"

namespace uninstaller {
namespace {

std::wstring Join(std::wstring_view folder, std::wstring_view name) {
  std::wstring path(folder);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + std::wstring(name);
}

}  // namespace

bool FileExists(platform::FileSystem& files, std::wstring_view path) {
  try {
    if (!files.FileExists(path)) return false;
    const std::uint32_t attributes = files.Attributes(path);
    return (attributes &
            (platform::attr::kHidden | platform::attr::kSystem | platform::attr::kDirectory)) == 0;
  } catch (const platform::RuntimeError&) {
    return false;
  }
}

std::wstring UnregisterCommand(std::wstring_view library) {
  const std::wstring path(library);
  return L"regsvr32 /u /s " + (path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"");
}

bool HasDllExtension(std::wstring_view name) {
  const auto dot = name.find_last_of(L'.');
  return dot != std::wstring_view::npos && platform::EqualsNoCase(name.substr(dot + 1), L"dll");
}

void FileHelpers::RemoveOrRenameFile(std::wstring_view path) {
  if (!files_.FileExists(path)) return;
  try {
    files_.RemoveFile(path, true);
    log_.WriteLog(L"    removed file: " + std::wstring(path));
    return;
  } catch (const platform::RuntimeError&) {
  }
  const std::wstring aside = std::wstring(path) + L".old";
  try {
    if (files_.FileExists(aside)) files_.RemoveFile(aside, true);
    files_.Move(path, aside);
    log_.WriteLog(L"    renamed file: " + std::wstring(path) + L" to: " + aside);
  } catch (const platform::RuntimeError&) {
    log_.WriteLog(L"(error) could not remove or rename file: " + std::wstring(path));
  }
}

void FileHelpers::UnregisterFolderDlls(std::wstring_view folder) {
  std::vector<std::wstring> subfolders;
  std::vector<std::wstring> names;
  try {
    subfolders = files_.ListFolders(folder);
    names = files_.ListFiles(folder);
  } catch (const platform::RuntimeError&) {
    return;
  }
  for (const auto& sub : subfolders) UnregisterFolderDlls(Join(folder, sub));
  for (const auto& name : names) {
    if (!HasDllExtension(name)) continue;
    SkipFailure([&] {
      runner_.StartProcess(UnregisterCommand(Join(folder, name)), velmar::show::kHidden);
    });
  }
}

void FileHelpers::UnregisterFolderDllsAndWait(std::wstring_view folder, ErrorTrap& trap) {
  std::vector<std::wstring> names;
  trap([&] { names = files_.ListFiles(folder); });
  for (const auto& name : names) {
    if (!HasDllExtension(name)) continue;
    const std::wstring path = Join(folder, name);
    log_.WriteLog(L"        " + path);
    trap([&] {
      auto child = runner_.StartProcess(UnregisterCommand(path), velmar::show::kMinimizedNoFocus);
      runner_.WaitForProcess(*child, platform::kInfinite);
    });
  }
}

void FileHelpers::RemoveInstallTree(std::wstring_view root) {
  std::vector<std::wstring> names;
  SkipFailure([&] { names = files_.ListFiles(root); });
  for (const auto& name : names) SkipFailure([&] { files_.RemoveFile(Join(root, name), false); });
  std::vector<std::wstring> subfolders;
  SkipFailure([&] { subfolders = files_.ListFolders(root); });
  for (const auto& sub : subfolders) {
    const std::wstring path = Join(root, sub);
    log_.WriteLog(L"    Removing " + path);
    std::vector<std::wstring> inner;
    SkipFailure([&] { inner = files_.ListFiles(path); });
    for (const auto& name : inner) SkipFailure([&] { files_.RemoveFile(Join(path, name), true); });
    SkipFailure([&] { DeleteFolderTree(path); });
  }
  SkipFailure([&] { DeleteFolderTree(root); });
}

void FileHelpers::DeleteMatchingFiles(std::wstring_view pattern) {
  files_.RemoveFile(pattern, true);
}

void FileHelpers::DeleteFolderTree(std::wstring_view path) {
  files_.RemoveFolder(path, true);
}

}  // namespace uninstaller
