// The product's footprint: which folder paths read out of the registry the removal may apply a
// deletion to. A damaged or hostile registry must never turn a removal into the deletion of a
// drive, of the system's own folders or of the uninstaller itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace uninstaller {

// "X:\" followed by at least one more character (a drive-relative "X:foo", a rooted "\foo" and a
// network path are not absolute local paths).
bool IsAbsoluteLocalPath(std::wstring_view path);
// "X:", "X:\" or "X:\\\": the whole drive.
bool IsDriveRoot(std::wstring_view path);
// Upper case, without trailing "\": how two folder paths are compared.
std::wstring FolderKey(std::wstring_view path);
bool SameFolder(std::wstring_view a, std::wstring_view b);

// Folders no removal may delete, nor any folder that holds one of them.
class ProtectedFolders {
 public:
  // The Windows folder (from the platform, not the registry), its system folders, Program Files
  // and the profiles folder (the usual places and whatever the registry adds), the folders the
  // environment names (the same list the clean-up batch refuses) and the running program's own
  // folder.
  static ProtectedFolders OfMachine(platform::Host& host);
  explicit ProtectedFolders(std::vector<std::wstring> folders);

  // True when deleting the folder would take a protected folder with it.
  bool Covers(std::wstring_view path) const;
  // True when the path is one of the protected folders itself.
  bool Holds(std::wstring_view path) const;
  const std::vector<std::wstring>& folders() const { return keys_; }

 private:
  std::vector<std::wstring> keys_;
};

// The longest path the platform's ANSI file functions take (MAX_PATH less the terminator); a
// longer value cannot name a real folder and is refused rather than guessed at.
inline constexpr std::size_t kMaxPathLength = 259;

// A folder tree the removal may delete: an absolute local path of 4 to kMaxPathLength
// characters, not a drive root, free of wildcards, short names and "." or ".." steps, and not
// covering a protected folder.
bool IsDeletableTree(std::wstring_view path, const ProtectedFolders& protected_folders);
// A folder the removal may apply its name patterns in: absolute, not a drive root, not overlong,
// free of wildcards and "." or ".." steps.
bool IsPatternFolder(std::wstring_view path);

}  // namespace uninstaller
