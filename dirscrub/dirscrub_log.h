// Dirscrub's writer of the uninstall log: every line appended with CR LF to the log the
// uninstaller left, the window kept responsive after each line, failures swallowed.
#pragma once

#include <memory>
#include <string_view>

#include "common/process_runner.h"
#include "platform/host.h"

namespace dirscrub {

inline constexpr std::wstring_view kLogPath = L"c:\\VelmarUninstall.log";

class DirscrubLog : public velmar::LogSink {
 public:
  explicit DirscrubLog(platform::Host& host) : host_(host) {}

  void Open();   // for appending; raises as the run time does when it cannot
  void Close();  // nothing when it is not open
  // A line that cannot be written is lost; the run goes on.
  void WriteLog(std::wstring_view text) override;

 private:
  platform::Host& host_;
  std::unique_ptr<platform::TextFile> file_;
};

}  // namespace dirscrub
