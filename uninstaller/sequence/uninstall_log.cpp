// The uninstall log's writer and its problem count.
#include "uninstaller/sequence/uninstall_log.h"

#include "platform/text.h"

namespace uninstaller {
namespace {

void CountUpTo32767(std::int16_t& counter) {
  if (counter < 32767) ++counter;
}

}  // namespace

bool ContainsMarker(std::wstring_view line, std::wstring_view marker) {
  return platform::Upcase(line).find(platform::Upcase(marker)) != std::wstring::npos;
}

void UninstallLog::Create() {
  LogHandle.reset();
  try {
    LogHandle = files_.OpenText(kLogPath, platform::OpenMode::kOutput);
  } catch (const platform::RuntimeError&) {
    // Without a log every later line is silently lost; the removal itself goes on.
  }
}

void UninstallLog::WriteLog(std::wstring_view text) {
  if (LogHandle) {
    try {
      LogHandle->WriteLine(text);
    } catch (const platform::RuntimeError&) {
      // A full disk or a broken handle costs the line, never the step that wrote it.
    }
  }
  clock_.PumpMessages();
}

void UninstallLog::ReopenForAppend() {
  LogHandle.reset();
  try {
    LogHandle = files_.OpenText(kLogPath, platform::OpenMode::kAppend);
  } catch (const platform::RuntimeError&) {
  }
}

void UninstallLog::CountLogProblems() {
  error_count_ = 0;
  warning_count_ = 0;
  LogHandle.reset();
  try {
    auto input = files_.OpenText(kLogPath, platform::OpenMode::kInput);
    while (!input->AtEnd()) {
      const std::wstring line = input->ReadLine();
      if (line.size() <= 2) continue;
      if (ContainsMarker(line, L"(error)")) CountUpTo32767(error_count_);
      if (ContainsMarker(line, L"(warning)")) CountUpTo32767(warning_count_);
    }
  } catch (const platform::RuntimeError&) {
    // An unreadable log counts what was read so far (nothing when it cannot be opened).
  }
  ReopenForAppend();
}

}  // namespace uninstaller
