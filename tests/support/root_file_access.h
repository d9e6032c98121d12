// The access list a file the programs write at the root of the system drive must carry, spelled
// out as Windows reports it, and where the simulated server keeps a file's list.
#pragma once

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/sim/sim_files.h"

namespace platform {

// "protected" or "inherits", then one "allow|deny <SID> 0x<mask> [inherited]" per entry, so that
// a failed comparison shows the lists.
inline void PrintTo(const AccessList& list, std::ostream* out) {
  *out << (list.inherits ? "inherits" : "protected");
  for (const AccessRule& rule : list.rules) {
    char mask[16];
    std::snprintf(mask, sizeof mask, "0x%08x", static_cast<unsigned>(rule.rights));
    *out << "; " << (rule.allow ? "allow " : "deny ")
         << std::string(rule.account.begin(), rule.account.end()) << ' ' << mask
         << (rule.inherited ? " inherited" : "");
  }
}

}  // namespace platform

namespace velmar::testing {

// Administrators and SYSTEM in full, Users to read and run; nothing the root passes on.
inline platform::AccessList ExpectedRootFileAccess() {
  return {{{L"S-1-5-32-544", 0x1F01FF, true, false},
           {L"S-1-5-18", 0x1F01FF, true, false},
           {L"S-1-5-32-545", 0x1200A9, true, false}},
          false};
}

// The list the file at the path was created with; nullopt for a file that takes what its folder
// passes on, or no file at all.
inline std::optional<platform::AccessList> OwnAccessOf(const platform::sim::FileSystemState& files,
                                                       std::wstring_view path) {
  const platform::sim::FileNode* node = files.Find(path);
  return node ? node->access : std::nullopt;
}

}  // namespace velmar::testing
