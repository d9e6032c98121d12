// The product's footprint: which folder paths read out of the registry the removal may apply a
// deletion to. A damaged or hostile registry must never turn a removal into the deletion of a
// drive, of the system's own folders or of the uninstaller itself.
#pragma once

#include <cstddef>
#include <functional>
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

// The full path of an existing file or folder with its short (8.3) names replaced by long
// names; empty when the path cannot be found.
using LongNameLookup = std::function<std::wstring(std::wstring_view)>;

// Folders no removal may delete, nor any folder that holds one of them.
class ProtectedFolders {
 public:
  // The Windows folder (from the platform, not the registry), its system folders, Program Files
  // and the profiles folder (the usual places and whatever the registry adds), the folders the
  // environment names (the same list the clean-up batch refuses) and the running program's own
  // folder, whose toolkit files are listed too.
  static ProtectedFolders OfMachine(platform::Host& host);
  // Short names are looked up with long_names; without it a path holding one cannot be judged.
  explicit ProtectedFolders(std::vector<std::wstring> folders, LongNameLookup long_names = {},
                            std::wstring own_program = {});

  // True when deleting the folder would take a protected folder with it.
  bool Covers(std::wstring_view path) const;
  // True when the path is one of the protected folders itself. The program's own folder is
  // not counted: name patterns may run there (see SparesToolkit).
  bool Holds(std::wstring_view path) const;
  // False when a name pattern applied in the folder could match one of the toolkit's own
  // files: the running program, its language libraries and the companions shipped beside it.
  bool SparesToolkit(std::wstring_view folder, std::wstring_view pattern) const;
  // The path as Windows reads it with every short name resolved; empty when its long name
  // cannot be found.
  std::wstring LongForm(std::wstring_view path) const;
  const std::vector<std::wstring>& folders() const { return keys_; }

 private:
  std::vector<std::wstring> keys_;
  LongNameLookup long_names_;
  std::wstring own_key_;                 // the program's folder, as FolderKey has it
  std::vector<std::wstring> own_names_;  // the toolkit's file names in it
};

// Windows' reading of a path's steps: a step loses one trailing dot ("Brannock Systems, Inc.\"
// names the folder "Brannock Systems, Inc") and the last step every trailing dot and blank.
std::wstring NormalisedPath(std::wstring_view path);

// The longest path the platform's ANSI file functions take (MAX_PATH less the terminator); a
// longer value cannot name a real folder and is refused rather than guessed at.
inline constexpr std::size_t kMaxPathLength = 259;

// A folder tree the removal may delete, judged in its long, normalised form: an absolute local
// path of 4 to kMaxPathLength characters whose long name can be found when it holds a "~", not
// a drive root, free of wildcards and "." or ".." steps, and not covering a protected folder.
bool IsDeletableTree(std::wstring_view path, const ProtectedFolders& protected_folders);
// A folder the removal may apply its name patterns in: absolute, not a drive root, not overlong,
// free of wildcards and "." or ".." steps.
bool IsPatternFolder(std::wstring_view path);

}  // namespace uninstaller
