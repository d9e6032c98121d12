// Where the "(unattended)" lines of a run nobody watches go: into the program's log once its
// opening lines are written, held until then, and to the Application event log when the run
// ends before its log exists (the old log is left as it was).
#pragma once

#include <string>
#include <vector>

#include "common/process_runner.h"
#include "platform/event_log.h"

namespace velmar {

class UnattendedRecord {
 public:
  UnattendedRecord(LogSink& log, platform::EventLog& events, std::wstring source)
      : log_(log), events_(events), source_(std::move(source)) {}

  void Note(const std::wstring& line);
  // The log's opening lines are written: the held lines follow them, later ones go straight in.
  void LogOpened();
  // The run ends before its log: each held line becomes one error entry of the event log.
  void ReportHeld();
  bool log_opened() const { return log_opened_; }

 private:
  LogSink& log_;
  platform::EventLog& events_;
  std::wstring source_;
  std::vector<std::wstring> held_;
  bool log_opened_ = false;
};

}  // namespace velmar
