// One program running on the simulated server: its own context (module path, arguments,
// current directory, built-in string table) and the Host it is handed.
#pragma once

#include <string>

#include "platform/host.h"
#include "platform/sim/fault_injection.h"
#include "platform/sim/server.h"
#include "platform/sim/sim_com_objects.h"
#include "platform/sim/sim_database.h"
#include "platform/sim/sim_directory_objects.h"
#include "platform/sim/sim_facilities.h"
#include "platform/sim/sim_file_calls.h"
#include "platform/sim/sim_libraries.h"

namespace platform::sim {

class Process {
 public:
  // The program file must exist at module_path (it is created if the test has not placed it);
  // it is held in use while the process lives.
  Process(Server& server, std::wstring module_path, std::wstring args = L"",
          StringTable own_strings = {}, std::array<std::uint16_t, 4> file_version = {});
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The program's facilities; numbered and failing as the server's fault plan says when the
  // plan covers this program.
  Host& host() { return faulty_ ? faulty_->host() : host_; }
  Server& server() { return server_; }
  const std::wstring& current_dir() const { return current_dir_; }
  std::size_t OpenRegistryHandles() const { return registry_.OpenHandleCount(); }
  std::size_t OpenServiceHandles() const { return services_.OpenHandleCount(); }
  std::size_t LoadedModules() const { return resources_.LoadedCount(); }
  std::size_t LoadedLibraries() const { return libraries_.LoadedCount(); }
  int LibraryReferences(ModuleHandle module) const { return libraries_.References(module); }
  // The whole command line as its starter wrote it (GetCommandLineW), e.g. a path with a "-";
  // CommandArgs() follows from it.
  void set_command_line(std::wstring line) { processes_.set_command_line(std::move(line)); }
  Status last_error() const { return last_error_; }
  // The current directory a child inherits from its starter; raises 76 when it is gone. Part of
  // the start, not a call of the program's, so no fault plan numbers it.
  void InheritCurrentDirectory(std::wstring_view path) { processes_.ChangeDirectory(path); }
  // The show state its starter asked for (STARTUPINFO's wShowWindow).
  int startup_show_window() const { return startup_show_window_; }
  void set_startup_show_window(int show) { startup_show_window_ = show; }
  // Variables only this process sees, over the server's environment.
  EnvironmentBlock environment;

 private:
  Server& server_;
  std::wstring module_path_;
  std::shared_ptr<FileNode> image_;  // held in use while the process lives
  StringTable own_strings_;
  std::wstring current_dir_;
  int startup_show_window_ = 1;
  Status last_error_ = win::kSuccess;  // the thread's last error of the Win32-style calls
  SimLocale locale_;
  SimRegistry registry_;
  SimFileSystem files_;
  SimProcesses processes_;
  SimServices services_;
  SimClock clock_;
  SimMessageBoxes boxes_;
  SimDebugTrace trace_;
  SimSystemInfo system_;
  SimResources resources_;
  SimDatabase database_;
  SimComObjects com_;
  SimIisAdmin iis_;
  SimLibraries libraries_;
  SimFileCalls file_calls_;
  SimDirectoryObjects directory_;
  SimInternet internet_;
  SimEventLog events_;
  Host host_;
  std::unique_ptr<FaultyHost> faulty_;
};

}  // namespace platform::sim
