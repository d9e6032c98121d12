// The process runner and the step pattern.
#include "common/process_runner.h"

namespace velmar {

std::unique_ptr<platform::ChildProcess> ProcessRunner::StartProcess(std::wstring_view command_line,
                                                                    int window_style) {
  return host_.processes.Start(command_line, hide_children_ ? show::kHidden : window_style);
}

bool ProcessRunner::WaitForProcess(platform::ChildProcess& child, std::uint32_t limit_ms) {
  return child.Wait(limit_ms) == platform::WaitResult::kEnded;
}

void ProcessRunner::PauseSeconds(double seconds) {
  auto& clock = host_.clock;
  const std::uint32_t total = static_cast<std::uint32_t>(seconds * 1000.0);
  const std::uint32_t start = clock.TickCount();
  // Pending messages are handled before the first wait, so input that arrived earlier is not
  // left waiting a whole second. Tick arithmetic wraps cleanly, so the pause ends on time across
  // midnight or a tick wrap.
  for (;;) {
    clock.PumpMessages();
    const std::uint32_t elapsed = clock.TickCount() - start;
    if (elapsed >= total) return;
    clock.WaitForMessages(total - elapsed);
  }
}

void ProcessRunner::Run(const ProcessStep& step) {
  if (!step.step_line.empty()) log_.WriteLog(step.step_line);
  auto child = StartProcess(step.command, step.window_style);
  if (!step.limit_ms) return;  // left running; its handle is let go now
  const bool ended = WaitForProcess(*child, *step.limit_ms);
  const std::wstring_view line = ended ? step.success_line : step.failure_line;
  if (!line.empty()) log_.WriteLog(line);
}

}  // namespace velmar
