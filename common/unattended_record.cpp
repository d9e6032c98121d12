// The "(unattended)" lines: held, written to the log, or reported to the event log.
#include "common/unattended_record.h"

namespace velmar {

void UnattendedRecord::Note(const std::wstring& line) {
  if (log_opened_) {
    log_.WriteLog(line);
  } else {
    held_.push_back(line);
  }
}

void UnattendedRecord::LogOpened() {
  log_opened_ = true;
  for (const std::wstring& line : held_) log_.WriteLog(line);
  held_.clear();
}

void UnattendedRecord::ReportHeld() {
  for (const std::wstring& line : held_) events_.Report(source_, platform::evt::kError, line);
  held_.clear();
}

}  // namespace velmar
