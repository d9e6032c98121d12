// The simulated server's drives: case-insensitive paths, attributes, files in use, and folder
// contents kept in the order NTFS enumerates them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/locale.h"

namespace platform::sim {

struct FileNode {
  std::wstring name;
  std::wstring short_name;  // the 8.3 alias a path may use instead of name; empty when none
  bool is_folder = false;
  std::uint32_t attributes = attr::kArchive;
  // The file's data, shared by every hard link to it. A reparse point keeps no data of its own:
  // what is written through it lands in the data of the file it redirects to.
  std::shared_ptr<std::string> data = std::make_shared<std::string>();
  std::weak_ptr<std::string> redirect;
  std::string& content() const {
    const auto target = redirect.lock();
    return target ? *target : *data;
  }
  // The file's own access list, when it was created with one; otherwise the file has what its
  // folder passes on (kPassedOnAccess).
  std::optional<AccessList> access;
  FileNode* parent = nullptr;
  std::vector<std::shared_ptr<FileNode>> children;  // sorted by upper-cased name
  int in_use = 0;        // mapped as a running program or a loaded library
  int open_handles = 0;  // open through a TextFile
  bool deny_access = false;
};

// What a folder of the simulated system drive passes on to a file created without a list of
// its own: the default of a Windows 2000 system drive, where Everyone may change files.
AccessList PassedOnAccess();

// A path taken apart: drive letter (upper case) and components, "." and ".." resolved. A
// network path "\\server\share\..." has the drive kUncDrive and the server and share as its
// first two components.
inline constexpr wchar_t kUncDrive = L'\\';
struct ParsedPath {
  wchar_t drive = 0;
  std::vector<std::wstring> parts;
  bool trailing_separator = false;
  std::wstring Text() const;  // "C:\a\b" or "\\server\share\b"
};

class FileSystemState {
 public:
  FileSystemState();

  // Resolves a path, relative to current_dir when it is not absolute; false when malformed.
  static bool Parse(std::wstring_view path, std::wstring_view current_dir, ParsedPath& out);

  FileNode* Find(const ParsedPath& path) const;
  FileNode* Find(std::wstring_view absolute_path) const;
  FileNode* Root(wchar_t drive) const;

  // Test conveniences on absolute paths; folders on the way are created.
  FileNode& WriteFile(std::wstring_view path, std::string_view bytes);
  FileNode& MakeFolders(std::wstring_view path);
  // Gives the existing entry at the path a short (8.3) alias, as NTFS makes for long names.
  void SetShortName(std::wstring_view path, std::wstring_view short_name);
  std::string ReadFile(std::wstring_view path) const;  // empty when missing
  bool Exists(std::wstring_view path) const { return Find(path) != nullptr; }
  std::size_t FileCount() const;

  // Plants a second name for an existing file's data, as CreateHardLinkW makes one.
  FileNode& PlantHardLink(std::wstring_view link, std::wstring_view existing);
  // Plants a reparse point at link that redirects reading and writing to the existing file.
  FileNode& PlantReparsePoint(std::wstring_view link, std::wstring_view existing);
  // Plants a junction at link: a folder of no entries of its own, leading to an existing folder
  // (the simulation does not follow it).
  FileNode& PlantJunction(std::wstring_view link, std::wstring_view existing_folder);

  static FileNode& AddChild(FileNode& folder, std::wstring_view name, bool is_folder);
  static FileNode& InsertChild(FileNode& folder, std::shared_ptr<FileNode> node);
  static void RemoveChild(FileNode& node);
  static std::shared_ptr<FileNode> Share(FileNode& node);  // the owning pointer of a node
  static std::wstring PathOf(const FileNode& node);        // "C:\a\b" with the names as stored

 private:
  std::map<wchar_t, std::shared_ptr<FileNode>> drives_;
};

// The file-system object and sequential files of one simulated process.
class SimFileSystem : public FileSystem {
 public:
  SimFileSystem(FileSystemState& state, std::wstring& current_dir, platform::Locale& locale)
      : state_(state), current_dir_(current_dir), locale_(locale) {}

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

 private:
  ParsedPath ParseOrRaise(std::wstring_view path) const;
  FileNode* Lookup(std::wstring_view path) const;
  FileNode& ParentOrRaise(const ParsedPath& path) const;
  std::vector<FileNode*> Matches(std::wstring_view path, bool folders, FileNode*& parent) const;
  FileNode& FileForWriting(std::wstring_view path, bool truncate);
  FileNode& NewFile(std::wstring_view path, const AccessList& access);

  FileSystemState& state_;
  std::wstring& current_dir_;
  platform::Locale& locale_;
};

// Whether a name matches a pattern as Windows' directory search matches it: letter case
// ignored, "*.*" matches every name, "zq*.*" a name without a dot, "zq?.txt" also "zq.txt".
bool WildcardMatch(std::wstring_view pattern, std::wstring_view name);

}  // namespace platform::sim
