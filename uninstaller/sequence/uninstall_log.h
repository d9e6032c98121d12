// The uninstall log, c:\VelmarUninstall.log: the one file every step reports to, its line
// writer, the problem count read back at the end, and the hand-over to Dirscrub.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/process_runner.h"
#include "platform/host.h"

namespace uninstaller {

inline constexpr wchar_t kLogPath[] = L"c:\\VelmarUninstall.log";

class UninstallLog : public velmar::LogSink {
 public:
  UninstallLog(platform::FileSystem& files, platform::Clock& clock,
               std::wstring_view path = kLogPath)
      : files_(files), clock_(clock), path_(path) {}

  // Truncates or creates the log; when that fails the run goes on without a log.
  void Create();
  // Appends the text and CR LF, then lets the window repaint; every failure is ignored.
  void WriteLog(std::wstring_view text) override;
  // Gives up the handle, so that another program can append (Dirscrub's hand-over).
  void Close() { LogHandle.reset(); }
  void ReopenForAppend();
  // Counts "(error)" and "(warning)" lines of the whole file, then reopens it for appending.
  void CountLogProblems();

  bool is_open() const { return LogHandle != nullptr; }
  std::int16_t ErrorCount() const { return error_count_; }
  std::int16_t WarningCount() const { return warning_count_; }

 private:
  platform::FileSystem& files_;
  platform::Clock& clock_;
  std::wstring path_;
  std::unique_ptr<platform::TextFile> LogHandle;
  std::int16_t error_count_ = 0;
  std::int16_t warning_count_ = 0;
};

}  // namespace uninstaller
