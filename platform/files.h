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
};

}  // namespace platform
