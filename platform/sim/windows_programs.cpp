// The simulated server's own programs and the process killer.
#include "platform/sim/windows_programs.h"

#include <algorithm>
#include <optional>

#include "companions/kill/kill_rules.h"
#include "platform/sim/process.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

constexpr wchar_t kSystem[] = L"C:\\WINDOWS\\system32\\";
constexpr std::uint64_t kQuickFailureMs = 300;

std::vector<std::wstring> ArgsOf(Process& process) {
  return SplitArguments(process.host().processes.CommandArgs());
}

bool Is(const std::vector<std::wstring>& args, std::size_t i, std::wstring_view word) {
  return i < args.size() && EqualsNoCase(args[i], word);
}

// The service a "verb NAME" command names: everything after the verb, quotes removed.
std::wstring ServiceNamed(const std::wstring& command_line, std::size_t skip) {
  const auto args = SplitArguments(ArgumentsOf(command_line));
  std::wstring name;
  for (std::size_t i = skip; i < args.size(); ++i) name += (name.empty() ? L"" : L" ") + args[i];
  return name;
}

// net stop / net start: about two seconds for a service that changes state, a quick failure
// with an error of its own for one that is not installed or already there.
Program NetProgram() {
  Program net;
  net.run_time = [](Server& server, const std::wstring& command_line) -> std::uint64_t {
    const ServiceEntry* service = server.services.Find(ServiceNamed(command_line, 1));
    return service ? 2000 : kQuickFailureMs;
  };
  net.body = [](Process& p) -> std::uint32_t {
    const auto args = ArgsOf(p);
    ServiceEntry* service =
        p.server().services.Find(ServiceNamed(L"net " + p.host().processes.CommandArgs(), 1));
    if (service == nullptr) return 2;
    if (Is(args, 0, L"stop")) {
      if (service->state == svc::kStopped) return 2;
      service->state = svc::kStopped;
      return 0;
    }
    if (Is(args, 0, L"start")) {
      if (service->state == svc::kRunning) return 2;
      service->state = svc::kRunning;
      return 0;
    }
    return 1;
  };
  return net;
}

// sc delete NAME / sc stop NAME, and the resource kit's INSTSRV NAME REMOVE.
Program ServiceTool(bool resource_kit) {
  Program tool;
  tool.body = [resource_kit](Process& p) -> std::uint32_t {
    const auto args = ArgsOf(p);
    auto& services = p.server().services;
    if (resource_kit) {
      if (!Is(args, 1, L"remove")) return 1;
      return services.Remove(args[0]) ? 0 : 1060;
    }
    if (Is(args, 0, L"delete") && args.size() > 1) return services.Remove(args[1]) ? 0 : 1060;
    if (Is(args, 0, L"stop") && args.size() > 1) {
      ServiceEntry* service = services.Find(args[1]);
      if (service == nullptr) return 1060;
      service->state = svc::kStopped;
      return 0;
    }
    return 1;
  };
  return tool;
}

// regsvr32 /u /s PATH: the library must exist to be unloaded and unregistered; a path with a
// blank, unquoted, arrives as two arguments and names no library.
Program Regsvr32Program() {
  Program regsvr32;
  regsvr32.run_ms = 200;
  regsvr32.body = [](Process& p) -> std::uint32_t {
    std::vector<std::wstring> paths;
    for (const auto& arg : ArgsOf(p)) {
      if (arg.empty() || arg[0] != L'/') paths.push_back(arg);
    }
    if (paths.size() != 1 || !p.host().files.FileExists(paths[0])) return 3;
    p.server().unregistered_libraries.push_back(paths[0]);
    return 0;
  };
  return regsvr32;
}

// schtasks /delete /tn NAME /f
Program SchtasksProgram() {
  Program schtasks;
  schtasks.body = [](Process& p) -> std::uint32_t {
    const auto args = ArgsOf(p);
    auto& tasks = p.server().scheduled_tasks;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
      if (!EqualsNoCase(args[i], L"/tn")) continue;
      const auto it = std::find_if(tasks.begin(), tasks.end(), [&](const std::wstring& task) {
        return EqualsNoCase(task, args[i + 1]);
      });
      if (it == tasks.end()) return 1;
      tasks.erase(it);
      return 0;
    }
    return 1;
  };
  return schtasks;
}

std::wstring ImageName(const std::wstring& path) {
  const auto slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::vector<std::wstring> SplitArguments(std::wstring_view arguments) {
  std::vector<std::wstring> args;
  std::wstring current;
  bool quoted = false;
  bool any = false;
  for (wchar_t c : arguments) {
    if (c == L'"') {
      quoted = !quoted;
      any = true;
    } else if ((c == L' ' || c == L'\t') && !quoted) {
      if (any) args.push_back(current);
      current.clear();
      any = false;
    } else {
      current.push_back(c);
      any = true;
    }
  }
  if (any) args.push_back(current);
  return args;
}

void InstallWindowsPrograms(Server& server) {
  server.InstallProgram(std::wstring(kSystem) + L"net.exe", NetProgram());
  server.InstallProgram(std::wstring(kSystem) + L"sc.exe", ServiceTool(false));
  server.InstallProgram(std::wstring(kSystem) + L"INSTSRV.EXE", ServiceTool(true));
  server.InstallProgram(std::wstring(kSystem) + L"regsvr32.exe", Regsvr32Program());
  server.InstallProgram(std::wstring(kSystem) + L"schtasks.exe", SchtasksProgram());
  server.InstallProgram(std::wstring(kSystem) + L"notepad.exe", Hangs());
  server.InstallProgram(std::wstring(kSystem) + L"cmd.exe", Program{});
}

// The same rules as the shipped kill.exe over a snapshot of the running processes. The kill's
// own record has ended by the time its body runs, so it is not in the snapshot; no running
// process is ever its starter here (the programs under test are not records, and a simulated
// program's body runs only as its record ends), so every entry gets parent 0.
Program KillProgram() {
  Program kill;
  kill.run_ms = 500;
  kill.body = [](Process& p) -> std::uint32_t {
    constexpr std::uint32_t kExitUsage = 1;
    constexpr std::uint32_t kEndedExitCode = 1;
    const auto args = ArgsOf(p);
    const auto pattern = args.size() == 1 ? companions::ImagePattern::Parse(args[0])
                                          : std::optional<companions::ImagePattern>();
    if (!pattern) return kExitUsage;
    std::vector<companions::ProcessEntry> snapshot;
    for (const auto& record : p.server().processes()) {
      if (!record.ended) snapshot.push_back({record.id, 0, ImageName(record.image_path)});
    }
    constexpr std::uint32_t kNotRunning = 0xFFFFFFFF;
    for (const auto& entry : companions::ProcessesToEnd(*pattern, snapshot, kNotRunning)) {
      if (ProcessRecord* record = p.server().FindProcess(entry.pid)) {
        p.server().Terminate(*record, kEndedExitCode);
      }
    }
    return 0;
  };
  return kill;
}

}  // namespace platform::sim
