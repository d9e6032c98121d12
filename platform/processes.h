// Process facility: starting a command line with a window style, waiting on a process by id,
// and the program's own context (module path, command line, current directory).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win_status.h"

namespace platform {

enum class WaitResult { kEnded, kTimedOut, kFailed };

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

// A started child. Its process handle is held from the start until this object goes, so a
// child that ends before anyone waits still counts as ended; an unwaited child is simply let go.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  virtual std::uint32_t id() const = 0;
  // Waits up to the limit (kInfinite: as long as it runs).
  virtual WaitResult Wait(std::uint32_t limit_ms) = 0;
};

// A named kernel event held open for as long as this object lives (CloseHandle on going).
class NamedEvent {
 public:
  virtual ~NamedEvent() = default;
};

// A named mutex held open for as long as this object lives (CloseHandle on going); the object
// goes with its last handle.
class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
};

class Processes {
 public:
  virtual ~Processes() = default;

  // Starts the command line exactly as written; the program is searched for the way the
  // platform's command-line start does it (the program's own folder, the current directory,
  // the system folders, the path), batch files too; those run through the command
  // interpreter, which is handed a batch found outside the current directory by its full path.
  // Raises 53 File not found when nothing can be started.
  virtual std::unique_ptr<ChildProcess> Start(std::wstring_view command_line, int show_window) = 0;

  virtual std::wstring ModulePath() = 0;   // full path of the running program
  virtual std::wstring CommandArgs() = 0;  // the arguments after the program name
  virtual std::wstring CurrentDirectory() = 0;
  virtual void ChangeDirectory(std::wstring_view path) = 0;  // raises 76 when missing

  virtual std::wstring CommandLine() = 0;  // GetCommandLineW: the whole line as started
  // GetEnvironmentVariableW: nothing when the variable is not set.
  virtual std::optional<std::wstring> EnvironmentVariable(std::wstring_view name) = 0;
  // CreateProcessW with an application name and a command line, no handle inheritance, default
  // creation flags; nothing and the last error in `error` when it cannot start.
  virtual std::unique_ptr<ChildProcess> StartImage(std::wstring_view application,
                                                   std::wstring_view command_line,
                                                   Status& error) = 0;
  // CreateEventW: a manual-reset event with the given initial state; nothing on failure.
  virtual std::unique_ptr<NamedEvent> MakeNamedEvent(std::wstring_view name, bool signalled) = 0;
  // CreateMutexW, not owned: `already_existed` tells whether another handle held the name
  // (ERROR_ALREADY_EXISTS); nothing on failure.
  virtual std::unique_ptr<NamedMutex> MakeNamedMutex(std::wstring_view name,
                                                     bool& already_existed) = 0;
};

// The arguments of a command line: what follows its first token (quoted or not) and the
// blanks after it.
std::wstring ArgumentsOf(std::wstring_view command_line);

// The folder of the running program, without a trailing "\" (the run time's App.Path).
std::wstring ProgramFolder(Processes& processes);

}  // namespace platform
