// The scripting run time's file-system object rebuilt on the wide Win32 file functions:
// wildcard and forced deletes, moves that never overwrite, and the run time's error numbers.
#include "platform/win32/win32_files.h"

#include <windows.h>

#include "platform/error.h"
#include "platform/win32/win32_access_list.h"
#include "platform/win32/win32_file_io.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_text_file.h"
#include "platform/win32/win32_vb_error.h"

namespace platform::win32 {
namespace {

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool EndsWithSeparator(std::wstring_view path) {
  return !path.empty() && IsSeparator(path.back());
}

// Where the last component starts: everything before it, separator included, is the folder.
std::size_t LastComponentStart(std::wstring_view path) {
  const auto slash = path.find_last_of(L"\\/");
  if (slash != std::wstring_view::npos) return slash + 1;
  if (path.size() >= 2 && path[1] == L':') return 2;  // "C:name" is relative to drive C
  return 0;
}

std::wstring FolderPart(std::wstring_view path) {
  return std::wstring(path.substr(0, LastComponentStart(path)));
}

std::wstring LastComponent(std::wstring_view path) {
  return std::wstring(path.substr(LastComponentStart(path)));
}

bool HasWildcards(std::wstring_view name) {
  return name.find_first_of(L"*?") != name.npos;
}

std::wstring Join(std::wstring_view folder, std::wstring_view name) {
  std::wstring joined(folder);
  if (!joined.empty() && !EndsWithSeparator(joined) && joined.back() != L':') joined += L'\\';
  joined += name;
  return joined;
}

// "C:\Temp\Old\" names the same folder as "C:\Temp\Old"; a root keeps its separator.
std::wstring WithoutTrailingSeparators(std::wstring_view path) {
  std::wstring trimmed(path);
  while (trimmed.size() > 1 && EndsWithSeparator(trimmed) &&
         !(trimmed.size() == 3 && trimmed[1] == L':')) {
    trimmed.pop_back();
  }
  return trimmed;
}

bool IsFolder(DWORD attributes) {
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(DWORD attributes) {
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

DWORD AttributesOf(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str());
}

struct Entry {
  std::wstring name;
  DWORD attributes = 0;
};

// Every entry matching the pattern in the order the volume returns them, without "." and "..".
// Returns the error that kept the search from starting; "nothing matched" is not one.
DWORD FindEntries(const std::wstring& pattern, std::vector<Entry>& entries) {
  WIN32_FIND_DATAW data{};
  FindHandle search(::FindFirstFileW(pattern.c_str(), &data));
  if (!search) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
  }
  do {
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    entries.push_back({std::wstring(name), data.dwFileAttributes});
  } while (::FindNextFileW(search.get(), &data));
  return ERROR_SUCCESS;
}

// A read-only file or folder stays unless the caller forces its removal.
void ClearReadOnlyForRemoval(const std::wstring& path, DWORD attributes, bool force) {
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return;
  if (!force) Raise(VbError::kPermissionDenied);
  DWORD cleared = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (cleared == 0) cleared = FILE_ATTRIBUTE_NORMAL;
  if (!::SetFileAttributesW(path.c_str(), cleared)) RaiseWin32(::GetLastError());
}

void RemoveOneFile(const std::wstring& path, DWORD attributes, bool force) {
  ClearReadOnlyForRemoval(path, attributes, force);
  if (!::DeleteFileW(path.c_str())) RaiseWin32(::GetLastError());
}

void RemoveTree(const std::wstring& folder, DWORD attributes, bool force) {
  // A junction or mounted folder is removed as a link; what it points at is not ours.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    std::vector<Entry> entries;
    if (const DWORD error = FindEntries(Join(folder, L"*"), entries); error != ERROR_SUCCESS) {
      RaiseWin32(error);
    }
    for (const Entry& entry : entries) {
      const std::wstring child = Join(folder, entry.name);
      if (IsFolder(entry.attributes)) {
        RemoveTree(child, entry.attributes, force);
      } else {
        RemoveOneFile(child, entry.attributes, force);
      }
    }
  }
  ClearReadOnlyForRemoval(folder, attributes, force);
  if (!::RemoveDirectoryW(folder.c_str())) RaiseWin32(::GetLastError());
}

// What the run time reports for a source that is not there: the folder when the path breaks
// off before the last component, else the file.
[[noreturn]] void RaiseMissing(DWORD error) {
  Raise(error == ERROR_PATH_NOT_FOUND ? VbError::kPathNotFound : VbError::kFileNotFound);
}

// Attributes and SetAttributes of something missing report the file, wherever it went missing.
[[noreturn]] void RaiseForMissingOrOther(DWORD error) {
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    Raise(VbError::kFileNotFound);
  }
  RaiseWin32(error);
}

std::vector<std::wstring> ListEntries(std::wstring_view folder, bool folders) {
  const std::wstring path(folder);
  if (!IsFolder(AttributesOf(path))) Raise(VbError::kPathNotFound);
  std::vector<Entry> entries;
  if (const DWORD error = FindEntries(Join(path, L"*"), entries); error != ERROR_SUCCESS) {
    RaiseWin32(error);
  }
  std::vector<std::wstring> names;
  for (Entry& entry : entries) {
    if (IsFolder(entry.attributes) == folders) names.push_back(std::move(entry.name));
  }
  return names;
}

}  // namespace

bool Win32FileSystem::FileExists(std::wstring_view path) {
  return IsFile(AttributesOf(std::wstring(path)));
}

bool Win32FileSystem::FolderExists(std::wstring_view path) {
  return IsFolder(AttributesOf(std::wstring(path)));
}

void Win32FileSystem::RemoveFile(std::wstring_view path, bool force) {
  const std::wstring target(path);
  if (!HasWildcards(LastComponent(target))) {
    const DWORD attributes = AttributesOf(target);
    if (attributes == kNoAttributes) RaiseMissing(::GetLastError());
    if (!IsFile(attributes)) Raise(VbError::kFileNotFound);
    RemoveOneFile(target, attributes, force);
    return;
  }
  std::vector<Entry> entries;
  if (const DWORD error = FindEntries(target, entries); error != ERROR_SUCCESS) {
    RaiseWin32(error);
  }
  const std::wstring folder = FolderPart(target);
  bool removed_any = false;
  for (const Entry& entry : entries) {
    if (IsFolder(entry.attributes)) continue;
    RemoveOneFile(folder + entry.name, entry.attributes, force);
    removed_any = true;
  }
  if (!removed_any) Raise(VbError::kFileNotFound);
}

void Win32FileSystem::RemoveFolder(std::wstring_view path, bool force) {
  const std::wstring target = WithoutTrailingSeparators(path);
  if (!HasWildcards(LastComponent(target))) {
    const DWORD attributes = AttributesOf(target);
    if (!IsFolder(attributes)) Raise(VbError::kPathNotFound);
    RemoveTree(target, attributes, force);
    return;
  }
  std::vector<Entry> entries;
  if (const DWORD error = FindEntries(target, entries); error != ERROR_SUCCESS) {
    RaiseWin32(error);
  }
  const std::wstring folder = FolderPart(target);
  bool removed_any = false;
  for (const Entry& entry : entries) {
    if (!IsFolder(entry.attributes)) continue;
    RemoveTree(folder + entry.name, entry.attributes, force);
    removed_any = true;
  }
  if (!removed_any) Raise(VbError::kPathNotFound);
}

void Win32FileSystem::Move(std::wstring_view from, std::wstring_view to) {
  const std::wstring source = WithoutTrailingSeparators(from);
  if (AttributesOf(source) == kNoAttributes) RaiseMissing(::GetLastError());
  std::wstring target(to);
  if (EndsWithSeparator(target)) target += LastComponent(source);  // into that folder
  if (!::MoveFileW(source.c_str(), target.c_str())) RaiseWin32(::GetLastError());
}

void Win32FileSystem::Copy(std::wstring_view from, std::wstring_view to, bool overwrite) {
  const std::wstring source(from);
  const DWORD attributes = AttributesOf(source);
  if (attributes == kNoAttributes) RaiseMissing(::GetLastError());
  if (!IsFile(attributes)) Raise(VbError::kFileNotFound);
  std::wstring target(to);
  if (EndsWithSeparator(target)) target += LastComponent(source);  // into that folder
  if (overwrite) RefuseReadOnlyTarget(target);
  if (!::CopyFileW(source.c_str(), target.c_str(), overwrite ? FALSE : TRUE)) {
    RaiseWin32(::GetLastError());
  }
}

void Win32FileSystem::MakeFolder(std::wstring_view path) {
  if (!::CreateDirectoryW(std::wstring(path).c_str(), nullptr)) RaiseWin32(::GetLastError());
}

std::uint32_t Win32FileSystem::Attributes(std::wstring_view path) {
  const DWORD attributes = AttributesOf(std::wstring(path));
  if (attributes == kNoAttributes) RaiseForMissingOrOther(::GetLastError());
  return attributes;
}

// Opened without access and with the reparse point itself, so a junction or a redirected file
// is counted as the name it is, and a file another program holds open still answers.
std::uint32_t Win32FileSystem::LinkCount(std::wstring_view path) {
  const FileHandle file(::CreateFileW(
      std::wstring(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) RaiseForMissingOrOther(::GetLastError());
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file.get(), &information)) RaiseWin32(::GetLastError());
  return information.nNumberOfLinks;
}

void Win32FileSystem::SetAttributes(std::wstring_view path, std::uint32_t attributes) {
  if (!::SetFileAttributesW(std::wstring(path).c_str(), attributes)) {
    RaiseForMissingOrOther(::GetLastError());
  }
}

std::vector<std::wstring> Win32FileSystem::ListFiles(std::wstring_view folder) {
  return ListEntries(folder, false);
}

std::vector<std::wstring> Win32FileSystem::ListFolders(std::wstring_view folder) {
  return ListEntries(folder, true);
}

std::unique_ptr<TextFile> Win32FileSystem::OpenText(std::wstring_view path, OpenMode mode) {
  return OpenWin32TextFile(path, mode);
}

std::string Win32FileSystem::ReadBytes(std::wstring_view path) {
  FileHandle file(::CreateFileW(std::wstring(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseWin32(::GetLastError());
  std::string bytes;
  char chunk[65536];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) {
      RaiseWin32(::GetLastError());
    }
    if (read == 0) break;
    bytes.append(chunk, read);
  }
  return bytes;
}

void Win32FileSystem::WriteBytes(std::wstring_view path, std::string_view bytes) {
  const std::wstring target(path);
  RefuseReadOnlyTarget(target);
  FileHandle file(::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseWin32(::GetLastError());
  WriteAllBytes(file.get(), bytes);
}

std::unique_ptr<TextFile> Win32FileSystem::CreateText(std::wstring_view path,
                                                      const AccessList& access) {
  return CreateWin32TextFile(path, access);
}

void Win32FileSystem::CreateBytes(std::wstring_view path, std::string_view bytes,
                                  const AccessList& access) {
  const FileHandle file = CreateNewFile(std::wstring(path), access);
  WriteAllBytes(file.get(), bytes);
}

AccessList Win32FileSystem::ReadAccess(std::wstring_view path) {
  return ReadFileAccess(path);
}

}  // namespace platform::win32
