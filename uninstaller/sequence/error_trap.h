// The sequence's two error modes: reporting, where a failing action writes one "(error)
// Description:" line and the next action runs, and silent, where it is skipped without a line.
#pragma once

#include <string>

#include "platform/error.h"
#include "uninstaller/sequence/uninstall_log.h"

namespace uninstaller {

enum class ErrorMode { kReporting, kSilent };

// Runs an action; a run-time failure goes to on_failure instead of ending the caller's step.
template <typename Action, typename OnFailure>
void RunGuarded(Action&& action, OnFailure&& on_failure) {
  try {
    action();
  } catch (const platform::RuntimeError& error) {
    on_failure(error);
  }
}

// Runs an action whose failure is skipped without a trace, as the silent stretches want.
template <typename Action>
void SkipFailure(Action&& action) {
  RunGuarded(action, [](const platform::RuntimeError&) {});
}

// The trap line: "(error) Description:" + description + " number:" + the number with a
// leading blank for its sign.
std::wstring TrapLine(const platform::RuntimeError& error);

class ErrorTrap {
 public:
  explicit ErrorTrap(UninstallLog& log, ErrorMode mode = ErrorMode::kReporting)
      : log_(log), mode_(mode) {}

  ErrorMode mode() const { return mode_; }
  void set_mode(ErrorMode mode) { mode_ = mode; }

  // Runs one action; a run-time failure is reported or swallowed by the current mode and the
  // sequence goes on with what follows.
  template <typename Action>
  void operator()(Action&& action) {
    RunGuarded(action, [this](const platform::RuntimeError& error) { Report(error); });
  }
  void Report(const platform::RuntimeError& error);

 private:
  UninstallLog& log_;
  ErrorMode mode_;
};

// The trap of a procedure that reports every failure in its own words and carries on:
// "(error):" + number + " (" + description + ") in procedure " + name + " of " + owner, where
// owner is "Form <window>" or "Module <module>".
class ProcedureTrap {
 public:
  ProcedureTrap(UninstallLog& log, std::wstring procedure, std::wstring owner)
      : log_(log), procedure_(std::move(procedure)), owner_(std::move(owner)) {}

  template <typename Action>
  void operator()(Action&& action) {
    RunGuarded(action, [this](const platform::RuntimeError& error) { Report(error); });
  }
  void Report(const platform::RuntimeError& error);

 private:
  UninstallLog& log_;
  std::wstring procedure_;
  std::wstring owner_;
};

}  // namespace uninstaller
