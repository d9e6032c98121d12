// A Host that stands in front of the machine for a preview: readings reach the machine, changes
// are written down as report lines (and, in kPassThrough, made as well).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/host.h"

namespace platform::preview {

enum class Mode { kPreview, kPassThrough };

struct Change {
  std::wstring kind;  // what the change counts as ("files deleted")
  std::wstring text;  // its report line
};

class Ledger;
struct Facilities;

class RecordingHost {
 public:
  using Note = std::function<void(const Change&)>;  // called at once for every change, in order

  RecordingHost(Host& machine, Mode mode, Note note);
  ~RecordingHost();
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;

  Host& host();
  const std::vector<Change>& changes() const;
  // Command lines a preview still starts for real.
  void AllowStart(std::function<bool(std::wstring_view command_line)> allowed);
  // A file that a child started for real writes; later readings find it.
  void AssumeWritten(std::wstring_view path);
  // Per kind, kinds in the order they were first seen.
  std::vector<std::pair<std::wstring, std::size_t>> Counts() const;
  // The report's closing lines: a headline, "  <kind>: <count>" per kind, then the sum.
  std::vector<std::wstring> CountLines(std::wstring_view headline) const;

 private:
  std::unique_ptr<Ledger> ledger_;
  std::unique_ptr<Facilities> facilities_;
  std::unique_ptr<Host> host_;
};

}  // namespace platform::preview
