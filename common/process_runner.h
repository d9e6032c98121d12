// Commands run as child processes with a window style and a time limit, the one-second pause,
// and the step pattern (step line, command, wait, result line) that the removal sequences of
// the uninstaller and Dirscrub repeat for every command.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/host.h"

namespace velmar {

// Where a program's progress lines go (the uninstall log, through each program's own writer).
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void WriteLog(std::wstring_view text) = 0;
};

// The platform's show states a step may ask for.
namespace show {
inline constexpr int kHidden = 0;
inline constexpr int kNormal = 1;
inline constexpr int kMinimized = 2;
inline constexpr int kMaximized = 3;
inline constexpr int kMinimizedNoFocus = 6;
}  // namespace show

// One command of a sequence, as the tables of the removal stages list it.
struct ProcessStep {
  std::wstring_view step_line;  // written before the command; empty: none
  std::wstring_view command;
  int window_style = show::kNormal;
  // How long to wait: platform::kInfinite for as long as it runs; nothing: started and left.
  std::optional<std::uint32_t> limit_ms;
  std::wstring_view failure_line;  // when the limit passed first; empty: none
  std::wstring_view success_line;  // when it ended within the limit; empty: none
};

class ProcessRunner {
 public:
  ProcessRunner(platform::Host& host, LogSink& log) : host_(host), log_(log) {}
  // In a run nobody watches every child starts hidden: a child given another style maps a
  // window on the server's console session.
  ProcessRunner(platform::Host& host, LogSink& log, bool hide_children)
      : host_(host), log_(log), hide_children_(hide_children) {}

  // Starts the command line unchanged; raises 53 File not found when it cannot be started.
  std::unique_ptr<platform::ChildProcess> StartProcess(std::wstring_view command_line,
                                                       int window_style);
  // True when the child ended within the limit; false when the limit passed or the wait failed.
  bool WaitForProcess(platform::ChildProcess& child, std::uint32_t limit_ms);
  // Keeps the window responsive for the whole time without spinning the processor.
  void PauseSeconds(double seconds);
  // The step pattern. A command that cannot be started raises to the caller's error trap
  // before any result line is written.
  void Run(const ProcessStep& step);

 private:
  platform::Host& host_;
  LogSink& log_;
  bool hide_children_ = false;
};

}  // namespace velmar
