// File facility: the scripting run time's file-system object (exists, forced delete, move that
// never overwrites, copy, folder listing) and the run time's sequential text files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kHidden = 0x2;
inline constexpr std::uint32_t kSystem = 0x4;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kNormal = 0x80;
// A junction, mount point or other redirection: the name leads elsewhere.
inline constexpr std::uint32_t kReparsePoint = 0x400;
}  // namespace attr

// Rights of an access-list entry, as a file's access mask holds them.
namespace rights {
inline constexpr std::uint32_t kFullControl = 0x1F01FF;     // FILE_ALL_ACCESS
inline constexpr std::uint32_t kReadAndExecute = 0x1200A9;  // generic read and execute
inline constexpr std::uint32_t kChange = 0x1301BF;          // read, write, execute and delete
}  // namespace rights

// One entry of a file's access list: an account by its security identifier in text form
// ("S-1-5-32-544"), and the rights the entry allows it (or refuses it, for a deny entry).
struct AccessRule {
  std::wstring account;
  std::uint32_t rights = 0;
  bool allow = true;
  bool inherited = false;  // passed on by the folder rather than set on the file itself
  friend bool operator==(const AccessRule&, const AccessRule&) = default;
};

// A file's access list: its entries in order, and whether it takes what its folder passes on
// (false: the list is protected, entirely the file's own).
struct AccessList {
  std::vector<AccessRule> rules;
  bool inherits = false;
  friend bool operator==(const AccessList&, const AccessList&) = default;
};

// Text written and read through a TextFile is in the ANSI code page; lines end in CR LF.
class TextFile {
 public:
  virtual ~TextFile() = default;
  virtual void WriteLine(std::wstring_view text) = 0;  // the run time's Print #: text, CR LF
  virtual bool AtEnd() = 0;                            // EOF()
  virtual std::wstring ReadLine() = 0;                 // Line Input #: up to CR, LF or CR LF
};

enum class OpenMode { kOutput, kAppend, kInput };

// Every operation raises a RuntimeError with the run time's number when it fails:
// 53 File not found, 76 Path not found, 70 Permission denied, 58 File already exists.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool FileExists(std::wstring_view path) = 0;
  virtual bool FolderExists(std::wstring_view path) = 0;
  // The last component may hold * and ?; force also removes read-only files.
  virtual void RemoveFile(std::wstring_view path, bool force) = 0;
  virtual void RemoveFolder(std::wstring_view path, bool force) = 0;
  virtual void Move(std::wstring_view from, std::wstring_view to) = 0;
  virtual void Copy(std::wstring_view from, std::wstring_view to, bool overwrite) = 0;
  virtual void MakeFolder(std::wstring_view path) = 0;
  virtual std::uint32_t Attributes(std::wstring_view path) = 0;
  virtual void SetAttributes(std::wstring_view path, std::uint32_t attributes) = 0;
  // How many names (hard links) the file's data has; the name itself is looked at, not what a
  // reparse point redirects to. Raises 53 when the file is missing.
  virtual std::uint32_t LinkCount(std::wstring_view path) = 0;
  // Names (not paths) of the files or subfolders of a folder, in the order the volume returns.
  virtual std::vector<std::wstring> ListFiles(std::wstring_view folder) = 0;
  virtual std::vector<std::wstring> ListFolders(std::wstring_view folder) = 0;

  virtual std::unique_ptr<TextFile> OpenText(std::wstring_view path, OpenMode mode) = 0;
  // Whole files as bytes, for markers and copies that are written in one piece.
  virtual std::string ReadBytes(std::wstring_view path) = 0;
  virtual void WriteBytes(std::wstring_view path, std::string_view bytes) = 0;

  // A new file with an access list of its own, set by the create call itself so that what the
  // folder passes on never applies, not even for a moment. The name must be free: an existing
  // file or folder there raises 58 and is left as it is. CreateText opens the file as
  // OpenText's kOutput does; CreateBytes writes it in one piece.
  virtual std::unique_ptr<TextFile> CreateText(std::wstring_view path,
                                               const AccessList& access) = 0;
  virtual void CreateBytes(std::wstring_view path, std::string_view bytes,
                           const AccessList& access) = 0;
  // The access list a file has, as the system reports it. Raises 53 when the file is missing.
  virtual AccessList ReadAccess(std::wstring_view path) = 0;
};

}  // namespace platform
