// The simulated Windows server: one machine's registry, drives, services, programs, language
// libraries and virtual clock, shared by every program that runs on it in a test.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sim/code_library.h"
#include "platform/sim/fault_plan.h"
#include "platform/sim/sim_com_objects.h"
#include "platform/sim/sim_directory_objects.h"
#include "platform/sim/sim_environment.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_iis.h"
#include "platform/sim/sim_internet.h"
#include "platform/sim/sim_message_boxes.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_sql_server.h"
#include "platform/sim/sim_telephony.h"
#include "platform/system_info.h"

namespace platform::sim {

class Process;
class Server;

// What a program does when it runs: its effect on the machine (run with the child's own
// context when the process ends), how long it runs in virtual time, or that it never ends.
struct Program {
  std::function<std::uint32_t(Process&)> body;  // returns the exit code; may be empty
  std::uint64_t run_ms = 100;
  bool hangs = false;
  bool fails_to_start = false;  // a damaged image: the start itself fails
  // When set, the run time for a command line, decided as the process starts (a program that
  // fails at once ends sooner than one that does its work).
  std::function<std::uint64_t(Server&, const std::wstring& command_line)> run_time;
  // The program's own string table and file version, as its body's process sees them.
  StringTable own_strings;
  std::array<std::uint16_t, 4> file_version{};
};

// A program that does nothing but run for the given virtual time, or never ends.
inline Program RunsFor(std::uint64_t ms) {
  Program program;
  program.run_ms = ms;
  return program;
}
inline Program Hangs() {
  Program program;
  program.hangs = true;
  return program;
}

struct ProcessRecord {
  std::uint32_t id = 0;
  std::wstring image_path;
  std::wstring command_line;
  std::wstring current_dir;
  int show_window = 0;
  std::uint64_t started_ms = 0;
  std::optional<std::uint64_t> ends_ms;  // nothing: it hangs
  bool ended = false;
  std::uint32_t exit_code = 0;
  std::shared_ptr<FileNode> image;  // held in use while the process runs
};

struct MachineInfo {
  OsVersion os{5, 2, 3790, 2, "Service Pack 2"};
  std::optional<WorkstationRecord> workstation =
      WorkstationRecord{500, L"VMSRV01", L"CORP", 5, 2, L"C:\\WINDOWS", 2};
  std::optional<WorkstationUserRecord> user =
      WorkstationUserRecord{L"Administrator", L"VMSRV01", L"", L"\\\\VMSRV01"};
  std::vector<std::wstring> search_path{L"C:\\WINDOWS\\system32", L"C:\\WINDOWS"};
  std::wstring windows_folder = L"C:\\WINDOWS";
  // The process token's groups, as an administrator's token lists them.
  std::vector<std::wstring> token_groups{L"S-1-5-21-1004336348-1177238915-682003330-513",
                                         L"S-1-1-0",
                                         L"S-1-5-32-544",
                                         L"S-1-5-32-545",
                                         L"S-1-5-4",
                                         L"S-1-5-11",
                                         L"S-1-5-5-0-61243",
                                         L"S-1-2-0"};
  bool token_query_fails = false;  // opening the token or reading its groups fails
  // The library search of a system with safe search on (the default since XP SP2 and Server
  // 2003): the current directory after the system and Windows folders; off, right after the
  // program's folder.
  bool safe_dll_search_mode = true;
};

// A named kernel event as the object manager keeps it: it lives while a handle is open.
struct NamedEventState {
  std::wstring name;
  bool manual_reset = true;
  bool signalled = false;
  int open_count = 0;
};

// One entry of the Application event log.
struct EventLogEntry {
  std::wstring source;
  std::uint16_t type = 0;
  std::wstring text;
};

struct LocaleSettings {
  std::uint16_t user_lang_id = 0x0409;
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> info;  // (lcid, lctype)
  std::map<std::uint32_t, std::string> language_names;                  // VerLanguageName
};

class Server {
 public:
  Server();

  RegistryState registry;
  FileSystemState files;
  ServiceTable services;
  BoxScript boxes;
  std::vector<std::wstring> debug_trace;
  MachineInfo machine;
  LocaleSettings locale;
  IisMetabase iis;
  std::vector<std::wstring> scheduled_tasks;
  std::vector<std::wstring> unregistered_libraries;  // what regsvr32 /u took off, in order
  SqlServer sql{*this};
  std::uint64_t guids_made = 0;  // the COM objects' GUIDs are numbered, so tests can predict them
  ComState com;
  DohDirectory doh;          // the product's mail directory, through its directory server
  TelephonyState telephony;  // filled by lineAddProviderW and the tests; see InstallTelephony
  // Every export called through the library facility, as "<library's full path>!<export>".
  std::vector<std::wstring> export_calls;
  // Full paths of the libraries a process still held when it ended (each once).
  std::vector<std::wstring> libraries_left_loaded;
  bool named_events_fail = false;        // CreateEvent fails for every name
  std::vector<EventLogEntry> event_log;  // the Application event log, oldest first
  // The variables every process sees unless its own block (Process::environment) sets them.
  EnvironmentBlock environment;
  SimWeb web;        // the pages the network serves, WinINet's handles and the shell's opens
  FaultPlan faults;  // which programs' calls are numbered, and which one fails

  // Virtual time, in milliseconds since the start of the test's day.
  std::uint64_t now_ms() const { return now_ms_; }
  LocalTime LocalNow() const;
  void SetStartTime(const LocalTime& start);  // the wall-clock time at now_ms() == 0
  // Moves time on; processes whose end falls inside the step end, and timed events run, in
  // order of their time (events first at a tie, each kind in the order it was set).
  void AdvanceTo(std::uint64_t ms);
  void AdvanceBy(std::uint64_t ms) { AdvanceTo(now_ms_ + ms); }
  std::uint32_t pump_cost_ms = 1;  // virtual time one pass of the message loop takes
  // Runs the action when the clock reaches the time (at once on the next advance when the time
  // has passed): what other machines' services do while the programs wait.
  void At(std::uint64_t ms, std::function<void()> action);

  // Programs and language libraries are files on the drives with a behaviour or a table.
  void InstallProgram(std::wstring_view path, Program program);
  void InstallLanguageLibrary(std::wstring_view path, StringTable table);
  const Program* ProgramAt(std::wstring_view path) const;
  const StringTable* LibraryAt(std::wstring_view path) const;
  // A code library is a file whose content names it, so copies and renames keep what it is.
  void InstallCodeLibrary(std::wstring_view path, CodeLibrary library);
  std::shared_ptr<const CodeLibrary> CodeLibraryOf(const FileNode& file) const;
  const CodeLibrary* CodeLibraryAt(std::wstring_view path) const;
  // TAPI32.DLL in the system folder, over `telephony`: lineGetProviderListW,
  // lineRemoveProvider and lineAddProviderW.
  void InstallTelephony();

  // Named events by name, compared without regard to case: created or opened (keeping the
  // state of an existing one; nullptr when creation fails), and closed once per open.
  NamedEventState* OpenNamedEvent(std::wstring_view name, bool signalled);
  void CloseNamedEvent(std::wstring_view name);
  const NamedEventState* Event(std::wstring_view name) const;
  // Named mutexes live, as events do, while a handle is open; the count is per name.
  void OpenNamedMutex(std::wstring_view name, bool& already_existed);
  void CloseNamedMutex(std::wstring_view name);
  bool MutexExists(std::wstring_view name) const;

  std::uint32_t StartProcess(std::wstring image_path, std::wstring command_line,
                             std::wstring current_dir, int show_window);
  ProcessRecord* FindProcess(std::uint32_t id);
  // Ends a running process at once (as a process killer does); its effect never lands.
  void Terminate(ProcessRecord& record, std::uint32_t exit_code);
  const std::deque<ProcessRecord>& processes() const { return processes_; }
  // Every process started whose command line begins with the text, case-insensitively.
  std::vector<const ProcessRecord*> Started(std::wstring_view command_prefix) const;

  // Everything that went wrong on the simulated side that a test should fail on.
  std::vector<std::string> Problems() const;

 private:
  void EndProcess(ProcessRecord& record);

  std::uint64_t now_ms_ = 0;
  std::int64_t start_days_ = 0;                    // days since 1970-01-01 at now_ms() == 0
  std::uint64_t start_ms_of_day_ = 0;              // time of day at now_ms() == 0
  std::map<std::wstring, Program> programs_;       // keyed by the upper-cased full path
  std::map<std::wstring, StringTable> libraries_;  // keyed by the upper-cased full path
  std::map<std::string, std::shared_ptr<const CodeLibrary>> code_libraries_;  // by file content
  std::map<std::wstring, NamedEventState> named_events_;  // keyed by the upper-cased name
  std::map<std::wstring, int> named_mutexes_;             // open handles by upper-cased name
  std::deque<ProcessRecord> processes_;  // stable addresses while bodies start children
  std::uint32_t next_process_id_ = 1000;
  std::multimap<std::uint64_t, std::function<void()>> events_;  // equal times keep their order
};

// A waited process that can never end: the simulation stops the test instead of hanging.
struct Deadlock {
  std::wstring command_line;
};

}  // namespace platform::sim
