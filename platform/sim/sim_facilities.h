// The small facilities of one simulated process: clock, debug trace, system information,
// locale, resources and processes, each a view of the shared server.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/sim/server.h"

namespace platform::sim {

class SimClock : public Clock {
 public:
  explicit SimClock(Server& server) : server_(server) {}
  LocalTime Now() override { return server_.LocalNow(); }
  float SecondsSinceMidnight() override;
  std::uint32_t TickCount() override { return static_cast<std::uint32_t>(server_.now_ms()); }
  void Sleep(std::uint32_t ms) override { server_.AdvanceBy(ms); }
  void PumpMessages() override { server_.AdvanceBy(server_.pump_cost_ms); }
  // Nothing sends the simulated windows messages: the wait always lasts its full time.
  void WaitForMessages(std::uint32_t ms) override { server_.AdvanceBy(ms); }

 private:
  Server& server_;
};

class SimDebugTrace : public DebugTrace {
 public:
  explicit SimDebugTrace(Server& server) : server_(server) {}
  void Trace(std::wstring_view text) override { server_.debug_trace.emplace_back(text); }

 private:
  Server& server_;
};

// The Application event log: every entry kept on the server, for tests to read.
class SimEventLog : public EventLog {
 public:
  explicit SimEventLog(Server& server) : server_(server) {}
  bool Report(std::wstring_view source, std::uint16_t type, std::wstring_view text) override {
    server_.event_log.push_back({std::wstring(source), type, std::wstring(text)});
    return true;
  }

 private:
  Server& server_;
};

class SimSystemInfo : public SystemInfo {
 public:
  explicit SimSystemInfo(Server& server) : server_(server) {}
  bool Version(OsVersion& version) override;
  Status WorkstationInfo(WorkstationRecord& record) override;
  Status WorkstationUserInfo(WorkstationUserRecord& record) override;
  std::wstring WindowsFolder() override;
  std::wstring SystemFolder() override;
  std::uint32_t VersionWord() override;
  bool TokenGroupSids(std::vector<std::wstring>& sids) override;

 private:
  Server& server_;
};

class SimLocale : public Locale {
 public:
  explicit SimLocale(Server& server) : server_(server) {}
  std::uint16_t UserDefaultLangId() override { return server_.locale.user_lang_id; }
  std::string LocaleInfo(std::uint32_t lcid, std::uint32_t lctype) override;
  std::string LanguageName(std::uint32_t lang_id) override;
  std::wstring FormatGeneralDate(const LocalTime& time) override;  // US: 12/6/2006 3:38:28 PM
  std::string ToAnsi(std::wstring_view text) override;
  std::wstring FromAnsi(std::string_view bytes) override;
  bool EqualIgnoringCaseAndWidth(std::wstring_view a, std::wstring_view b) override;

 private:
  Server& server_;
};

class SimResources : public Resources {
 public:
  SimResources(Server& server, const StringTable& own, std::array<std::uint16_t, 4> version,
               const std::wstring& current_dir)
      : server_(server), own_(own), version_(version), current_dir_(current_dir) {}
  ~SimResources() override;
  ModuleHandle LoadDataFile(std::wstring_view path) override;
  void ReleaseModule(ModuleHandle module) override;
  std::optional<std::wstring> LoadText(ModuleHandle module, std::uint32_t id) override;
  std::array<std::uint16_t, 4> FileVersion() override { return version_; }

  std::size_t LoadedCount() const { return loaded_.size(); }

 private:
  struct Loaded {
    const StringTable* table;
    std::wstring path;
  };
  Server& server_;
  const StringTable& own_;
  std::array<std::uint16_t, 4> version_;
  const std::wstring& current_dir_;
  std::map<ModuleHandle, Loaded> loaded_;
  ModuleHandle next_ = 0x10000000;
};

class SimProcesses : public Processes {
 public:
  SimProcesses(Server& server, std::wstring module_path, std::wstring args,
               std::wstring& current_dir, const EnvironmentBlock& own_environment)
      : server_(server),
        module_path_(std::move(module_path)),
        args_(std::move(args)),
        current_dir_(current_dir),
        own_environment_(own_environment) {}
  std::unique_ptr<ChildProcess> Start(std::wstring_view command_line, int show_window) override;
  std::wstring ModulePath() override { return module_path_; }
  std::wstring CommandArgs() override { return args_; }
  std::wstring CurrentDirectory() override { return current_dir_; }
  void ChangeDirectory(std::wstring_view path) override;
  // The quoted module path, then a blank and the arguments when there are any, unless the
  // starter's own line was given.
  std::wstring CommandLine() override;
  // The process's own block first, then the server's.
  std::optional<std::wstring> EnvironmentVariable(std::wstring_view name) override;
  std::unique_ptr<ChildProcess> StartImage(std::wstring_view application,
                                           std::wstring_view command_line, Status& error) override;
  std::unique_ptr<NamedEvent> MakeNamedEvent(std::wstring_view name, bool signalled) override;
  std::unique_ptr<NamedMutex> MakeNamedMutex(std::wstring_view name,
                                             bool& already_existed) override;

  // The whole line as the starter wrote it; the arguments follow from it.
  void set_command_line(std::wstring line);

 private:
  std::wstring FindImage(std::wstring_view command_line) const;

  Server& server_;
  std::wstring module_path_;
  std::wstring args_;
  std::optional<std::wstring> command_line_;
  std::wstring& current_dir_;
  const EnvironmentBlock& own_environment_;
};

}  // namespace platform::sim
