// Dirscrub's writer of the uninstall log: every line appended with CR LF to the log the
// uninstaller left, the window kept responsive after each line, failures swallowed.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/process_runner.h"
#include "platform/host.h"

namespace dirscrub {

inline constexpr std::wstring_view kLogPath = L"c:\\VelmarUninstall.log";

class DirscrubLog : public velmar::LogSink {
 public:
  // The log at `path`, written through `files` (a preview's report goes to the machine itself).
  DirscrubLog(platform::Host& host, platform::FileSystem& files, std::wstring_view path)
      : host_(host), files_(files), path_(path) {}
  const std::wstring& path() const { return path_; }

  void Open();   // for appending; raises as the run time does when it cannot
  void Close();  // nothing when it is not open
  // A line that cannot be written is lost; the run goes on.
  void WriteLog(std::wstring_view text) override;
  // A preview's line, also when the log is closed (the marker after the last line, the
  // counts): opened for it and closed again.
  void WriteEvenWhenClosed(std::wstring_view text);

 private:
  platform::Host& host_;
  platform::FileSystem& files_;
  std::wstring path_;
  std::unique_ptr<platform::TextFile> file_;
};

}  // namespace dirscrub
