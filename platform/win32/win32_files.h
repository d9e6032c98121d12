// The file facility on Windows: the scripting run time's file-system object and sequential
// text files, rebuilt on the wide Win32 file functions with the run time's error numbers.
#pragma once

#include "platform/files.h"

namespace platform::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  bool FileExists(std::wstring_view path) override;
  bool FolderExists(std::wstring_view path) override;
  void RemoveFile(std::wstring_view path, bool force) override;
  void RemoveFolder(std::wstring_view path, bool force) override;
  void Move(std::wstring_view from, std::wstring_view to) override;
  void Copy(std::wstring_view from, std::wstring_view to, bool overwrite) override;
  void MakeFolder(std::wstring_view path) override;
  std::uint32_t Attributes(std::wstring_view path) override;
  void SetAttributes(std::wstring_view path, std::uint32_t attributes) override;
  std::uint32_t LinkCount(std::wstring_view path) override;
  std::vector<std::wstring> ListFiles(std::wstring_view folder) override;
  std::vector<std::wstring> ListFolders(std::wstring_view folder) override;
  std::unique_ptr<TextFile> OpenText(std::wstring_view path, OpenMode mode) override;
  std::string ReadBytes(std::wstring_view path) override;
  void WriteBytes(std::wstring_view path, std::string_view bytes) override;
  std::unique_ptr<TextFile> CreateText(std::wstring_view path, const AccessList& access) override;
  void CreateBytes(std::wstring_view path, std::string_view bytes,
                   const AccessList& access) override;
  AccessList ReadAccess(std::wstring_view path) override;
};

}  // namespace platform::win32
