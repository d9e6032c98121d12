// The uninstall log's writer and its problem count.
#include "uninstaller/sequence/uninstall_log.h"

#include <algorithm>

#include "common/root_file.h"
#include "platform/text.h"

namespace uninstaller {
namespace {

void CountUpTo32767(std::int16_t& counter) {
  if (counter < 32767) ++counter;
}

// Whether the line holds the marker in any letter case; the marker is given in upper case and
// opens with "(", which has no case. Compared in place: a large log costs little more than
// reading it.
bool HasMarker(std::wstring_view line, std::wstring_view upper_marker) {
  const auto same = [](wchar_t in_marker, wchar_t in_line) {
    return platform::UpcaseChar(in_line) == in_marker;
  };
  for (auto at = line.find(upper_marker.front());
       at != std::wstring_view::npos && line.size() - at >= upper_marker.size();
       at = line.find(upper_marker.front(), at + 1)) {
    if (std::equal(upper_marker.begin(), upper_marker.end(), line.begin() + at, same)) return true;
  }
  return false;
}

}  // namespace

void UninstallLog::Create() {
  LogHandle.reset();
  try {
    LogHandle = velmar::CreateRootText(files_, path_);
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
    // A log that could not be created anew may still be a name planted there: never append
    // through it.
    if (velmar::IsPlantedName(files_, path_)) return;
    LogHandle = files_.OpenText(path_, platform::OpenMode::kAppend);
  } catch (const platform::RuntimeError&) {
  }
}

void UninstallLog::CountLogProblems() {
  error_count_ = 0;
  warning_count_ = 0;
  LogHandle.reset();
  try {
    auto input = files_.OpenText(path_, platform::OpenMode::kInput);
    while (!input->AtEnd()) {
      const std::wstring line = input->ReadLine();
      if (line.size() <= 2) continue;
      if (HasMarker(line, L"(ERROR)")) CountUpTo32767(error_count_);
      if (HasMarker(line, L"(WARNING)")) CountUpTo32767(warning_count_);
    }
  } catch (const platform::RuntimeError&) {
    // An unreadable log counts what was read so far (nothing when it cannot be opened).
  }
  ReopenForAppend();
}

}  // namespace uninstaller
