// DeleteFileW, MoveFileW, CopyFileW and the attribute calls on the simulated drives, and the
// C run time's remove and rename built on them.
#include "platform/sim/sim_file_calls.h"

#include "platform/text.h"

namespace platform::sim {
namespace {

constexpr std::uint32_t kSettable = attr::kReadOnly | attr::kHidden | attr::kSystem |
                                    attr::kArchive | 0x100 /* temporary */ | 0x1000 /* offline */ |
                                    0x2000 /* not content indexed */;

bool Inside(const FileNode& node, const FileNode& ancestor) {
  for (const FileNode* up = &node; up != nullptr; up = up->parent) {
    if (up == &ancestor) return true;
  }
  return false;
}

}  // namespace

int ErrnoOf(Status error) {
  switch (error) {
    case win::kSuccess: return 0;
    case win::kFileNotFound:
    case win::kPathNotFound:
    case win_file::kInvalidName: return crt::kNoEntry;
    case win::kAlreadyExists:
    case win_file::kFileExists: return crt::kExists;
    default: return crt::kAccess;  // access denied, sharing violation and the like
  }
}

bool SimFileCalls::Fail(Status error) {
  last_error_ = error;
  return false;
}

FileNode* SimFileCalls::Existing(std::wstring_view path, ParsedPath& parsed) {
  if (!FileSystemState::Parse(path, current_dir_, parsed) || !state_.Root(parsed.drive)) {
    Fail(win_file::kInvalidName);
    return nullptr;
  }
  if (FileNode* node = state_.Find(parsed)) return node;
  ParsedPath folder = parsed;
  if (!folder.parts.empty()) folder.parts.pop_back();
  const FileNode* parent = state_.Find(folder);
  Fail(parent != nullptr && parent->is_folder ? win::kFileNotFound : win::kPathNotFound);
  return nullptr;
}

FileNode* SimFileCalls::TargetFolder(std::wstring_view path, ParsedPath& parsed) {
  if (!FileSystemState::Parse(path, current_dir_, parsed) || !state_.Root(parsed.drive) ||
      parsed.parts.empty()) {
    Fail(win_file::kInvalidName);
    return nullptr;
  }
  ParsedPath folder_path = parsed;
  folder_path.parts.pop_back();
  FileNode* folder = state_.Find(folder_path);
  if (folder == nullptr || !folder->is_folder) {
    Fail(win::kPathNotFound);
    return nullptr;
  }
  return folder;
}

std::wstring SimFileCalls::LongPathName(std::wstring_view path) {
  ParsedPath parsed;
  const FileNode* node = Existing(path, parsed);
  if (node == nullptr) return {};
  // Walking up from the entry, each step written as a short name gets its long name back; the
  // others stay as the caller wrote them.
  for (auto part = parsed.parts.rbegin(); part != parsed.parts.rend(); ++part) {
    if (!EqualsNoCase(*part, node->name)) *part = node->name;
    node = node->parent;
  }
  std::wstring result = parsed.Text();
  if (parsed.trailing_separator) result += L'\\';
  last_error_ = win::kSuccess;
  return result;
}

std::uint32_t SimFileCalls::GetAttributes(std::wstring_view path) {
  ParsedPath parsed;
  const FileNode* node = Existing(path, parsed);
  return node == nullptr ? kInvalidAttributes : node->attributes;
}

bool SimFileCalls::PutAttributes(std::wstring_view path, std::uint32_t attributes) {
  ParsedPath parsed;
  FileNode* node = Existing(path, parsed);
  if (node == nullptr) return false;
  if (node->deny_access) return Fail(win::kAccessDenied);
  node->attributes =
      (attributes & kSettable) | (node->attributes & (attr::kDirectory | attr::kReparsePoint));
  if (node->attributes == 0) node->attributes = attr::kNormal;
  return true;
}

bool SimFileCalls::CopyTo(std::wstring_view from, std::wstring_view to, bool fail_if_exists) {
  ParsedPath source_path;
  const FileNode* source = Existing(from, source_path);
  if (source == nullptr) return false;
  if (source->is_folder || source->deny_access) return Fail(win::kAccessDenied);
  ParsedPath target_path;
  FileNode* folder = TargetFolder(to, target_path);
  if (folder == nullptr) return false;
  if (FileNode* existing = state_.Find(target_path)) {
    if (existing == source) return Fail(win_file::kSharingViolation);
    if (fail_if_exists) return Fail(win_file::kFileExists);
    if (existing->is_folder || existing->deny_access ||
        (existing->attributes & (attr::kReadOnly | attr::kHidden))) {
      return Fail(win::kAccessDenied);
    }
    if (existing->in_use > 0 || existing->open_handles > 0) {
      return Fail(win_file::kSharingViolation);
    }
  }
  const std::string content = source->content();  // the copy keeps what the file is
  const std::uint32_t attributes = source->attributes;
  FileNode& copy = FileSystemState::AddChild(*folder, target_path.parts.back(), false);
  copy.content() = content;
  copy.attributes = (attributes & ~attr::kNormal) | attr::kArchive;
  return true;
}

bool SimFileCalls::DeleteOne(std::wstring_view path) {
  ParsedPath parsed;
  FileNode* node = Existing(path, parsed);
  if (node == nullptr) return false;
  if (node->is_folder || node->deny_access || node->in_use > 0 ||
      (node->attributes & attr::kReadOnly)) {
    return Fail(win::kAccessDenied);
  }
  if (node->open_handles > 0) return Fail(win_file::kSharingViolation);
  FileSystemState::RemoveChild(*node);
  return true;
}

// A loaded library or a running program's image can be renamed and moved: only its contents
// are mapped, not its name.
bool SimFileCalls::MoveOne(std::wstring_view from, std::wstring_view to) {
  ParsedPath source_path;
  FileNode* source = Existing(from, source_path);
  if (source == nullptr) return false;
  if (source_path.parts.empty()) return Fail(win::kAccessDenied);
  ParsedPath target_path;
  FileNode* folder = TargetFolder(to, target_path);
  if (folder == nullptr) return false;
  if (FileNode* existing = state_.Find(target_path); existing != nullptr && existing != source) {
    return Fail(win::kAlreadyExists);
  }
  if (source->deny_access || Inside(*folder, *source)) return Fail(win::kAccessDenied);
  if (source->open_handles > 0) return Fail(win_file::kSharingViolation);
  std::shared_ptr<FileNode> moving = FileSystemState::Share(*source);
  FileSystemState::RemoveChild(*source);
  moving->name = target_path.parts.back();
  FileSystemState::InsertChild(*folder, std::move(moving));
  return true;
}

int SimFileCalls::CrtRemove(std::wstring_view path) {
  return DeleteOne(path) ? 0 : ErrnoOf(last_error_);
}

int SimFileCalls::CrtRename(std::wstring_view from, std::wstring_view to) {
  return MoveOne(from, to) ? 0 : ErrnoOf(last_error_);
}

}  // namespace platform::sim
