// The process facility on Windows: starting command lines as the platform's command-line
// start does or an image by name, holding a child's handle until it is waited on, named
// events, and the program's own module, command line, arguments and folder.
#pragma once

#include "platform/processes.h"

namespace platform::win32 {

class Win32Processes final : public Processes {
 public:
  std::unique_ptr<ChildProcess> Start(std::wstring_view command_line, int show_window) override;
  std::wstring ModulePath() override;
  std::wstring CommandArgs() override;
  std::wstring CurrentDirectory() override;
  void ChangeDirectory(std::wstring_view path) override;
  std::wstring CommandLine() override;
  std::optional<std::wstring> EnvironmentVariable(std::wstring_view name) override;
  std::unique_ptr<ChildProcess> StartImage(std::wstring_view application,
                                           std::wstring_view command_line, Status& error) override;
  std::unique_ptr<NamedEvent> MakeNamedEvent(std::wstring_view name, bool signalled) override;
  std::unique_ptr<NamedMutex> MakeNamedMutex(std::wstring_view name,
                                             bool& already_existed) override;

 private:
  // The interpreter's command line for a batch file; raises 53 when the batch is not found.
  std::wstring BatchCommand(std::wstring_view command_line, std::wstring_view program);
};

// The part of a command line after the program name and the blanks that follow it.
std::wstring_view ArgumentsOf(std::wstring_view command_line);

// The program name a command line starts with, without quotes.
std::wstring_view ProgramOf(std::wstring_view command_line);

}  // namespace platform::win32
