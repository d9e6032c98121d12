// The process facility on Windows: starting command lines as the platform's command-line
// start does, holding a child's handle until it is waited on, and the program's own module,
// arguments and folder.
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
};

// The part of a command line after the program name and the blanks that follow it.
std::wstring_view ArgumentsOf(std::wstring_view command_line);

// The program name a command line starts with, without quotes.
std::wstring_view ProgramOf(std::wstring_view command_line);

}  // namespace platform::win32
