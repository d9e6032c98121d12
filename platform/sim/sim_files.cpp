// The simulated drives: path resolution, the file-system object's operations with the run
// time's error numbers, and sequential text files.
#include "platform/sim/sim_files.h"

#include <algorithm>

#include "platform/error.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}
bool HasWildcard(std::wstring_view name) {
  return name.find_first_of(L"*?") != name.npos;
}

bool Blocked(const FileNode& node) {
  return node.in_use > 0 || node.open_handles > 0 || node.deny_access;
}

void CheckRemovable(const FileNode& node, bool force) {
  if (Blocked(node)) Raise(VbError::kPermissionDenied);
  if (!force && (node.attributes & attr::kReadOnly)) Raise(VbError::kPermissionDenied);
}

// Deletes a folder's contents in listing order, then the folder; the first entry that cannot
// go stops it there, and what went before stays deleted, as on a real volume.
// A junction or mounted folder goes as a link: what it leads to keeps its entries.
void RemoveTree(FileNode& node, bool force) {
  while ((node.attributes & attr::kReparsePoint) == 0 && !node.children.empty()) {
    FileNode& child = *node.children.front();
    if (child.is_folder) {
      RemoveTree(child, force);
    } else {
      CheckRemovable(child, force);
      FileSystemState::RemoveChild(child);
    }
  }
  CheckRemovable(node, force);
  FileSystemState::RemoveChild(node);
}

class SimTextFile : public TextFile {
 public:
  SimTextFile(std::shared_ptr<FileNode> node, OpenMode mode, platform::Locale& locale)
      : node_(std::move(node)), mode_(mode), locale_(locale) {
    ++node_->open_handles;
  }
  ~SimTextFile() override { --node_->open_handles; }

  void WriteLine(std::wstring_view text) override {
    if (mode_ == OpenMode::kInput) Raise(54, L"Bad file mode");
    node_->content() += locale_.ToAnsi(text);
    node_->content() += "\r\n";
  }
  bool AtEnd() override { return position_ >= node_->content().size(); }
  std::wstring ReadLine() override {
    if (mode_ != OpenMode::kInput) Raise(54, L"Bad file mode");
    const std::string& c = node_->content();
    if (position_ >= c.size()) Raise(62, L"Input past end of file");
    const std::size_t end = std::min(c.find_first_of("\r\n", position_), c.size());
    std::string line = c.substr(position_, end - position_);
    position_ = end;
    if (position_ < c.size() && c[position_] == '\r') ++position_;
    if (position_ < c.size() && c[position_] == '\n') ++position_;
    return locale_.FromAnsi(line);
  }

 private:
  std::shared_ptr<FileNode> node_;
  OpenMode mode_;
  platform::Locale& locale_;
  std::size_t position_ = 0;
};

// The directory search rewrites a pattern into its DOS matching characters (none of them can
// occur in a file name): "?" becomes one that also matches nothing before a dot or at the end,
// a "." before a wildcard one that also matches the end of the name, and a "*" before a "."
// one that stops short of the name's last dot.
constexpr wchar_t kDosStar = L'<';
constexpr wchar_t kDosQuestion = L'>';
constexpr wchar_t kDosDot = L'"';

std::wstring DosPattern(std::wstring_view pattern) {
  std::wstring dos(pattern);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
    if (pattern[i] == L'?') {
      dos[i] = kDosQuestion;
    } else if (pattern[i] == L'.' && (next == L'?' || next == L'*')) {
      dos[i] = kDosDot;
    } else if (pattern[i] == L'*' && next == L'.') {
      dos[i] = kDosStar;
    }
  }
  return dos;
}

// Whether the rest of the name from `at` matches the rest of the pattern.
bool DosMatch(std::wstring_view pattern, std::wstring_view name, std::size_t at,
              std::size_t last_dot) {
  if (pattern.empty()) return at == name.size();
  const std::wstring_view rest = pattern.substr(1);
  switch (pattern[0]) {
    case L'*':
      for (std::size_t next = at; next <= name.size(); ++next) {
        if (DosMatch(rest, name, next, last_dot)) return true;
      }
      return false;
    case kDosStar:
      for (std::size_t next = at;; ++next) {
        if (DosMatch(rest, name, next, last_dot)) return true;
        if (next == name.size() || next == last_dot) return false;
      }
    case kDosQuestion:
      if (at < name.size() && name[at] != L'.') return DosMatch(rest, name, at + 1, last_dot);
      return DosMatch(
          pattern.substr(std::min(pattern.find_first_not_of(kDosQuestion), pattern.size())), name,
          at, last_dot);
    case kDosDot:
      if (at == name.size()) return DosMatch(rest, name, at, last_dot);
      return name[at] == L'.' && DosMatch(rest, name, at + 1, last_dot);
    default:
      return at < name.size() && UpcaseChar(pattern[0]) == UpcaseChar(name[at]) &&
             DosMatch(rest, name, at + 1, last_dot);
  }
}

}  // namespace

bool WildcardMatch(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*.*" || pattern == L"*") return true;
  return DosMatch(DosPattern(pattern), name, 0, name.find_last_of(L'.'));
}

std::wstring ParsedPath::Text() const {
  if (drive == kUncDrive) {
    std::wstring text = L"\\";
    for (const auto& part : parts) text += L'\\' + part;
    return text;
  }
  std::wstring text{drive, L':'};
  if (parts.empty()) text += L'\\';
  for (const auto& part : parts) text += L'\\' + part;
  return text;
}

FileSystemState::FileSystemState() {
  auto c = std::make_shared<FileNode>();
  c->name = L"C:";
  c->is_folder = true;
  c->attributes = attr::kDirectory;
  drives_[L'C'] = c;
  MakeFolders(L"C:\\WINDOWS\\system32");
  MakeFolders(L"C:\\Program Files");
}

bool FileSystemState::Parse(std::wstring_view path, std::wstring_view current_dir,
                            ParsedPath& out) {
  out = {};
  std::wstring full;
  bool unc = false;
  if (path.size() >= 2 && path[1] == L':') {
    if (path.size() >= 3 && !IsSeparator(path[2])) return false;  // "C:x" relative to a drive
    full = path;
  } else if (!path.empty() && IsSeparator(path[0])) {
    unc = path.size() > 1 && IsSeparator(path[1]);
    full = unc ? std::wstring(path) : std::wstring(current_dir.substr(0, 2)) + std::wstring(path);
  } else {
    full = std::wstring(current_dir) + L"\\" + std::wstring(path);
  }
  if (unc) {
    out.drive = kUncDrive;
  } else {
    if (full.size() < 2 || !std::iswalpha(full[0]) || full[1] != L':') return false;
    out.drive = UpcaseChar(full[0]);
  }
  out.trailing_separator = full.size() > 3 && IsSeparator(full.back());
  // A network path's server and share are its root: ".." never climbs above them.
  const std::size_t floor = unc ? 2 : 0;
  std::size_t start = 2;
  while (start < full.size()) {
    while (start < full.size() && IsSeparator(full[start])) ++start;
    std::size_t end = start;
    while (end < full.size() && !IsSeparator(full[end])) ++end;
    std::wstring part = full.substr(start, end - start);
    // Windows drops trailing dots and blanks of a component.
    while (!part.empty() && part != L"." && part != L".." &&
           (part.back() == L'.' || part.back() == L' ')) {
      part.pop_back();
    }
    if (part == L"..") {
      if (out.parts.size() > floor) out.parts.pop_back();
    } else if (!part.empty() && part != L".") {
      out.parts.push_back(part);
    }
    start = end;
  }
  return !unc || out.parts.size() >= 2;  // "\\server" alone names no folder
}

FileNode* FileSystemState::Root(wchar_t drive) const {
  const auto it = drives_.find(UpcaseChar(drive));
  return it == drives_.end() ? nullptr : it->second.get();
}

FileNode* FileSystemState::Find(const ParsedPath& path) const {
  FileNode* node = Root(path.drive);
  for (const auto& part : path.parts) {
    if (node == nullptr || !node->is_folder) return nullptr;
    FileNode* next = nullptr;
    for (const auto& child : node->children) {
      if (EqualsNoCase(child->name, part) ||
          (!child->short_name.empty() && EqualsNoCase(child->short_name, part))) {
        next = child.get();
        break;
      }
    }
    node = next;
  }
  return node;
}

FileNode* FileSystemState::Find(std::wstring_view absolute_path) const {
  ParsedPath parsed;
  if (!Parse(absolute_path, L"C:\\", parsed)) return nullptr;
  return Find(parsed);
}

FileNode& FileSystemState::AddChild(FileNode& folder, std::wstring_view name, bool is_folder) {
  for (const auto& child : folder.children) {
    if (EqualsNoCase(child->name, name)) return *child;
  }
  auto node = std::make_shared<FileNode>();
  node->name = std::wstring(name);
  node->is_folder = is_folder;
  node->attributes = is_folder ? attr::kDirectory : attr::kArchive;
  return InsertChild(folder, std::move(node));
}

FileNode& FileSystemState::InsertChild(FileNode& folder, std::shared_ptr<FileNode> node) {
  node->parent = &folder;
  const auto at = std::lower_bound(folder.children.begin(), folder.children.end(), node->name,
                                   [](const std::shared_ptr<FileNode>& a, std::wstring_view b) {
                                     return CompareNoCase(a->name, b) < 0;
                                   });
  return **folder.children.insert(at, std::move(node));
}

std::shared_ptr<FileNode> FileSystemState::Share(FileNode& node) {
  for (auto& child : node.parent->children) {
    if (child.get() == &node) return child;
  }
  return nullptr;
}

std::wstring FileSystemState::PathOf(const FileNode& node) {
  if (node.parent == nullptr) return node.name + L"\\";
  std::wstring path = node.name;
  for (const FileNode* up = node.parent; up != nullptr; up = up->parent) {
    path = up->name + L"\\" + path;
  }
  return path;
}

void FileSystemState::RemoveChild(FileNode& node) {
  auto& siblings = node.parent->children;
  siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                              [&node](const auto& p) { return p.get() == &node; }));
}

FileNode& FileSystemState::MakeFolders(std::wstring_view path) {
  ParsedPath parsed;
  Parse(path, L"C:\\", parsed);
  auto& root = drives_[parsed.drive];
  if (!root) {
    root = std::make_shared<FileNode>();
    root->name =
        parsed.drive == kUncDrive ? std::wstring(1, kUncDrive) : std::wstring{parsed.drive, L':'};
    root->is_folder = true;
    root->attributes = attr::kDirectory;
  }
  FileNode* node = root.get();
  for (const auto& part : parsed.parts) node = &AddChild(*node, part, true);
  return *node;
}

void FileSystemState::SetShortName(std::wstring_view path, std::wstring_view short_name) {
  if (FileNode* node = Find(path)) node->short_name = std::wstring(short_name);
}

FileNode& FileSystemState::WriteFile(std::wstring_view path, std::string_view bytes) {
  ParsedPath parsed;
  Parse(path, L"C:\\", parsed);
  const std::wstring name = parsed.parts.back();
  parsed.parts.pop_back();
  FileNode& file = AddChild(MakeFolders(parsed.Text()), name, false);
  file.content() = std::string(bytes);
  return file;
}

FileNode& FileSystemState::PlantHardLink(std::wstring_view link, std::wstring_view existing) {
  FileNode& name = WriteFile(link, "");
  const FileNode& file = *Find(existing);
  name.data = file.data;
  name.access = file.access;  // the list belongs to the file, not to one of its names
  return name;
}

FileNode& FileSystemState::PlantReparsePoint(std::wstring_view link, std::wstring_view existing) {
  FileNode& name = WriteFile(link, "");
  name.redirect = Find(existing)->data;
  name.attributes |= attr::kReparsePoint;
  return name;
}

FileNode& FileSystemState::PlantJunction(std::wstring_view link,
                                         std::wstring_view existing_folder) {
  if (Find(existing_folder) == nullptr) MakeFolders(existing_folder);
  FileNode& name = MakeFolders(link);
  name.attributes = attr::kDirectory | attr::kReparsePoint;
  return name;
}

std::string FileSystemState::ReadFile(std::wstring_view path) const {
  FileNode* node = Find(path);
  return node && !node->is_folder ? node->content() : std::string();
}

std::size_t FileSystemState::FileCount() const {
  std::size_t count = 0;
  std::vector<const FileNode*> pending;
  for (const auto& [letter, root] : drives_) pending.push_back(root.get());
  while (!pending.empty()) {
    const FileNode* node = pending.back();
    pending.pop_back();
    for (const auto& child : node->children) {
      if (child->is_folder) {
        pending.push_back(child.get());
      } else {
        ++count;
      }
    }
  }
  return count;
}

ParsedPath SimFileSystem::ParseOrRaise(std::wstring_view path) const {
  ParsedPath parsed;
  if (!FileSystemState::Parse(path, current_dir_, parsed) || !state_.Root(parsed.drive)) {
    Raise(VbError::kPathNotFound);
  }
  return parsed;
}

FileNode* SimFileSystem::Lookup(std::wstring_view path) const {
  ParsedPath parsed;
  if (!FileSystemState::Parse(path, current_dir_, parsed)) return nullptr;
  return state_.Find(parsed);
}

FileNode& SimFileSystem::ParentOrRaise(const ParsedPath& path) const {
  if (path.parts.empty()) Raise(VbError::kPathNotFound);
  ParsedPath parent = path;
  parent.parts.pop_back();
  FileNode* folder = state_.Find(parent);
  if (folder == nullptr || !folder->is_folder) Raise(VbError::kPathNotFound);
  return *folder;
}

std::vector<FileNode*> SimFileSystem::Matches(std::wstring_view path, bool folders,
                                              FileNode*& parent) const {
  const ParsedPath parsed = ParseOrRaise(path);
  parent = &ParentOrRaise(parsed);
  const std::wstring& pattern = parsed.parts.back();
  std::vector<FileNode*> found;
  for (const auto& child : parent->children) {
    if (child->is_folder != folders) continue;
    // A plain name finds an entry by its long or its short name, as the directory search does.
    if (HasWildcard(pattern)
            ? WildcardMatch(pattern, child->name)
            : EqualsNoCase(pattern, child->name) ||
                  (!child->short_name.empty() && EqualsNoCase(pattern, child->short_name))) {
      found.push_back(child.get());
    }
  }
  return found;
}

bool SimFileSystem::FileExists(std::wstring_view path) {
  const FileNode* node = Lookup(path);
  return node && !node->is_folder;
}

bool SimFileSystem::FolderExists(std::wstring_view path) {
  const FileNode* node = Lookup(path);
  return node && node->is_folder;
}

void SimFileSystem::RemoveFile(std::wstring_view path, bool force) {
  FileNode* parent = nullptr;
  const auto found = Matches(path, false, parent);
  if (found.empty()) Raise(VbError::kFileNotFound);
  for (FileNode* node : found) {
    CheckRemovable(*node, force);
    FileSystemState::RemoveChild(*node);
  }
}

void SimFileSystem::RemoveFolder(std::wstring_view path, bool force) {
  FileNode* parent = nullptr;
  const auto found = Matches(path, true, parent);
  if (found.empty()) Raise(VbError::kPathNotFound);
  for (FileNode* node : found) RemoveTree(*node, force);
}

void SimFileSystem::Move(std::wstring_view from, std::wstring_view to) {
  const ParsedPath source_path = ParseOrRaise(from);
  FileNode* source = state_.Find(source_path);
  if (source == nullptr || source_path.parts.empty()) Raise(VbError::kFileNotFound);
  ParsedPath target_path = ParseOrRaise(to);
  if (target_path.trailing_separator) target_path.parts.push_back(source->name);
  FileNode& folder = ParentOrRaise(target_path);
  if (state_.Find(target_path)) Raise(VbError::kFileAlreadyExists);
  if (source->open_handles > 0 || source->deny_access) Raise(VbError::kPermissionDenied);
  for (const FileNode* up = &folder; up; up = up->parent) {
    if (up == source) Raise(VbError::kPermissionDenied);  // into its own subtree
  }
  // The node itself moves, so a running program keeps its hold on the renamed image.
  std::shared_ptr<FileNode> moving = FileSystemState::Share(*source);
  FileSystemState::RemoveChild(*source);
  moving->name = target_path.parts.back();
  FileSystemState::InsertChild(folder, std::move(moving));
}

void SimFileSystem::Copy(std::wstring_view from, std::wstring_view to, bool overwrite) {
  FileNode* source = Lookup(from);
  if (source == nullptr || source->is_folder) Raise(VbError::kFileNotFound);
  ParsedPath target_path = ParseOrRaise(to);
  if (target_path.trailing_separator) target_path.parts.push_back(source->name);
  FileNode& folder = ParentOrRaise(target_path);
  if (FileNode* existing = state_.Find(target_path)) {
    if (!overwrite) Raise(VbError::kFileAlreadyExists);
    if (existing->is_folder || Blocked(*existing) || (existing->attributes & attr::kReadOnly)) {
      Raise(VbError::kPermissionDenied);
    }
  }
  FileNode& copy = FileSystemState::AddChild(folder, target_path.parts.back(), false);
  copy.content() = source->content();
  copy.attributes = source->attributes | attr::kArchive;
}

void SimFileSystem::MakeFolder(std::wstring_view path) {
  const ParsedPath parsed = ParseOrRaise(path);
  FileNode& parent = ParentOrRaise(parsed);
  if (state_.Find(parsed)) Raise(VbError::kFileAlreadyExists);
  FileSystemState::AddChild(parent, parsed.parts.back(), true);
}

std::uint32_t SimFileSystem::Attributes(std::wstring_view path) {
  const FileNode* node = Lookup(path);
  if (node == nullptr) Raise(VbError::kFileNotFound);
  return node->attributes;
}

void SimFileSystem::SetAttributes(std::wstring_view path, std::uint32_t attributes) {
  FileNode* node = Lookup(path);
  if (node == nullptr) Raise(VbError::kFileNotFound);
  const std::uint32_t settable = attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive;
  node->attributes =
      (attributes & settable) | (node->attributes & (attr::kDirectory | attr::kReparsePoint));
  if (node->attributes == 0) node->attributes = attr::kNormal;
}

std::uint32_t SimFileSystem::LinkCount(std::wstring_view path) {
  const FileNode* node = Lookup(path);
  if (node == nullptr) Raise(VbError::kFileNotFound);
  return static_cast<std::uint32_t>(node->data.use_count());
}

std::vector<std::wstring> SimFileSystem::ListFiles(std::wstring_view folder) {
  const FileNode* node = Lookup(folder);
  if (node == nullptr || !node->is_folder) Raise(VbError::kPathNotFound);
  std::vector<std::wstring> names;
  for (const auto& child : node->children) {
    if (!child->is_folder) names.push_back(child->name);
  }
  return names;
}

std::vector<std::wstring> SimFileSystem::ListFolders(std::wstring_view folder) {
  const FileNode* node = Lookup(folder);
  if (node == nullptr || !node->is_folder) Raise(VbError::kPathNotFound);
  std::vector<std::wstring> names;
  for (const auto& child : node->children) {
    if (child->is_folder) names.push_back(child->name);
  }
  return names;
}

FileNode& SimFileSystem::FileForWriting(std::wstring_view path, bool truncate) {
  const ParsedPath parsed = ParseOrRaise(path);
  FileNode& folder = ParentOrRaise(parsed);
  if (FileNode* existing = state_.Find(parsed)) {
    if (existing->is_folder || Blocked(*existing) || (existing->attributes & attr::kReadOnly)) {
      Raise(VbError::kPermissionDenied);
    }
    if (truncate) existing->content().clear();
    return *existing;
  }
  return FileSystemState::AddChild(folder, parsed.parts.back(), false);
}

// A new name only: CREATE_NEW never opens what is already there.
FileNode& SimFileSystem::NewFile(std::wstring_view path, const AccessList& access) {
  if (access.inherits) Raise(VbError::kInvalidProcedureCall);
  const ParsedPath parsed = ParseOrRaise(path);
  FileNode& folder = ParentOrRaise(parsed);
  if (state_.Find(parsed) != nullptr) Raise(VbError::kFileAlreadyExists);
  FileNode& node = FileSystemState::AddChild(folder, parsed.parts.back(), false);
  node.access = access;
  for (AccessRule& rule : node.access->rules) rule.inherited = false;
  return node;
}

std::unique_ptr<TextFile> SimFileSystem::OpenText(std::wstring_view path, OpenMode mode) {
  FileNode* node = nullptr;
  if (mode == OpenMode::kInput) {
    node = Lookup(path);
    if (node == nullptr || node->is_folder) Raise(VbError::kFileNotFound);
    if (node->deny_access) Raise(VbError::kPermissionDenied);
  } else {
    node = &FileForWriting(path, mode == OpenMode::kOutput);
  }
  return std::make_unique<SimTextFile>(FileSystemState::Share(*node), mode, locale_);
}

std::string SimFileSystem::ReadBytes(std::wstring_view path) {
  const FileNode* node = Lookup(path);
  if (node == nullptr || node->is_folder) Raise(VbError::kFileNotFound);
  if (node->deny_access) Raise(VbError::kPermissionDenied);
  return node->content();
}

void SimFileSystem::WriteBytes(std::wstring_view path, std::string_view bytes) {
  FileForWriting(path, true).content() = std::string(bytes);
}

std::unique_ptr<TextFile> SimFileSystem::CreateText(std::wstring_view path,
                                                    const AccessList& access) {
  return std::make_unique<SimTextFile>(FileSystemState::Share(NewFile(path, access)),
                                       OpenMode::kOutput, locale_);
}

void SimFileSystem::CreateBytes(std::wstring_view path, std::string_view bytes,
                                const AccessList& access) {
  NewFile(path, access).content() = std::string(bytes);
}

AccessList SimFileSystem::ReadAccess(std::wstring_view path) {
  const FileNode* node = Lookup(path);
  if (node == nullptr) Raise(VbError::kFileNotFound);
  return node->access ? *node->access : PassedOnAccess();
}

AccessList PassedOnAccess() {
  constexpr auto kInherited = [](const wchar_t* account, std::uint32_t allowed) {
    return AccessRule{account, allowed, true, true};
  };
  return {{kInherited(L"S-1-5-32-544", rights::kFullControl),
           kInherited(L"S-1-5-18", rights::kFullControl), kInherited(L"S-1-1-0", rights::kChange)},
          true};
}

}  // namespace platform::sim
