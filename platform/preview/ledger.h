// What a preview has recorded so far: the changes in order, and what they did to the machine
// as later readings should see it (paths, keys and values gone, services stopped or removed).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/preview/change_kinds.h"
#include "platform/preview/recording_host.h"

namespace platform::preview {

class Ledger {
 public:
  Ledger(Mode mode, RecordingHost::Note note) : mode_(mode), note_(std::move(note)) {}

  // True when changing calls reach the machine as well.
  bool passes() const { return mode_ == Mode::kPassThrough; }
  void Record(std::wstring_view kind, std::wstring text);
  void Record(Subject subject, std::wstring_view subject_text, std::wstring text);
  const std::vector<Change>& changes() const { return changes_; }

  // Files and folders: a removed folder takes everything under it; a written file (assumed, or
  // the target of a recorded copy, move or write) is there.
  void RemovePath(std::wstring_view path);
  void AssumeWritten(std::wstring_view path);
  bool PathGone(std::wstring_view path) const;
  bool Written(std::wstring_view path) const;
  // A file created with a list of its own keeps it when written again, until it is removed.
  void AssumeCreated(std::wstring_view path, const AccessList& access);
  const AccessList* CreatedAccess(std::wstring_view path) const;
  // Registry keys by full path ("HKLM\Software\..."); a removed key takes its subkeys and values.
  void RemoveKey(std::wstring_view path);
  void RestoreKey(std::wstring_view path);
  bool KeyGone(std::wstring_view path) const;
  bool AnyKeyGone() const { return !keys_gone_.empty(); }
  void RemoveValue(std::wstring_view key, std::wstring_view name);
  void RestoreValue(std::wstring_view key, std::wstring_view name);
  bool ValueGone(std::wstring_view key, std::wstring_view name) const;
  bool AnyValueGone(std::wstring_view key) const;
  // A command's effect on a service, named by the command's rule.
  void NoteCommand(std::wstring_view command_line);
  bool ServiceStopped(std::wstring_view name) const;
  bool ServiceRemoved(std::wstring_view name) const;

  void AllowStart(std::function<bool(std::wstring_view)> allowed) { allowed_ = std::move(allowed); }
  bool StartAllowed(std::wstring_view command_line) const {
    return allowed_ && allowed_(command_line);
  }

 private:
  Mode mode_;
  RecordingHost::Note note_;
  std::vector<Change> changes_;
  std::set<std::wstring> paths_gone_, keys_gone_, values_gone_;
  std::map<std::wstring, std::optional<AccessList>> written_;
  std::set<std::wstring> services_stopped_, services_removed_;
  std::function<bool(std::wstring_view)> allowed_;
};

// The upper-cased path without a trailing "\": how the ledger compares names.
std::wstring PathKey(std::wstring_view path);

}  // namespace platform::preview
