// The conformance suite's backend natively: a fresh simulated server for every case, with the
// child programs the process cases start modelled by their effect.
#include <cwctype>
#include <string>

#include "platform/sim/process.h"
#include "platform/sim/windows_programs.h"
#include "tests/conformance/backend.h"
#include "tests/support/directory_layout.h"
#include "tests/support/sql_layout.h"

namespace conformance {
namespace {

using platform::sim::Process;
using platform::sim::Program;
using platform::sim::SplitArguments;

Program ChildProgram() {
  Program child;
  child.run_time = [](platform::sim::Server&, const std::wstring& command_line) {
    const auto args = SplitArguments(platform::ArgumentsOf(command_line));
    return args.size() == 3 && args[1] == L"sleep" ? std::stoull(args[2]) : 20ULL;
  };
  child.body = [](Process& p) -> std::uint32_t {
    const auto args = SplitArguments(p.host().processes.CommandArgs());
    if (args.size() == 3 && args[1] == L"report") {
      auto& processes = p.host().processes;
      p.host().files.WriteBytes(
          args[2], p.host().locale.ToAnsi(processes.ModulePath() + L"|" +
                                          std::to_wstring(p.startup_show_window()) + L"|" +
                                          processes.CurrentDirectory()));
    }
    return 0;
  };
  return child;
}

// The system library every process has, with one export the cases look up.
platform::sim::CodeLibrary SystemLibrary() {
  platform::sim::CodeLibrary kernel32;
  kernel32.exports["GetVersion"] = [](platform::sim::ExportCall& call) {
    return static_cast<std::int32_t>(call.process.host().system.VersionWord());
  };
  return kernel32;
}

class SimBackend : public Backend {
 public:
  SimBackend() : process_(server_, L"C:\\tests\\conformance_tests.exe") {
    server_.InstallProgram(L"C:\\WINDOWS\\system32\\cmd.exe", Program{});
    server_.InstallCodeLibrary(L"C:\\WINDOWS\\system32\\kernel32.dll", SystemLibrary());
    server_.services.Install(L"RpcSs", platform::svc::kRunning);
  }
  platform::Host& host() override { return process_.host(); }
  bool under_wine() const override { return false; }
  void InstallChildProgram(const std::wstring& path) override {
    server_.InstallProgram(path, ChildProgram());
  }
  void InstallMarkerBatch(const std::wstring& path, const std::wstring& marker) override {
    Program batch;
    batch.body = [marker](Process& p) -> std::uint32_t {
      p.host().files.WriteBytes(marker, "ran\r\n");  // relative: the current directory
      return 0;
    };
    server_.InstallProgram(path, batch);
  }
  void LayOutSql(const std::vector<std::wstring>& lines) override {
    std::wstring layout;
    for (const auto& line : lines) layout += line + L"\n";
    sql_layout::Apply(server_.sql, layout);
    statements_from_ = server_.sql.statements().size();
  }
  std::vector<std::string> SqlStatements() override {
    return sql_layout::StatementLines(server_.sql, statements_from_);
  }
  std::vector<std::string> SqlHoldings() override {
    std::vector<std::string> lines = sql_layout::StateLines(server_.sql);
    // The simulated facility's objects are the case's own, gone when it lets them go.
    lines.emplace_back("released");
    return lines;
  }
  void LayOutDirectory(const std::vector<std::wstring>& lines) override {
    std::wstring layout;
    for (const auto& line : lines) layout += line + L"\n";
    server_.doh = {};
    directory_layout::Apply(server_.doh, layout);
  }
  void MakeDirectoryServerAbsent() override { server_.doh.registered = false; }
  std::vector<std::string> DirectoryCalls() override {
    std::vector<std::string> calls = directory_layout::CallLines(server_.doh);
    const int live = server_.doh.objects_alive;
    calls.push_back(live == 0 ? "released" : "unreleased " + std::to_string(live));
    return calls;
  }
  bool MakeIisAbsent() override {
    server_.iis.installed = false;
    return true;
  }
  bool LayOutIis(const IisLayout& layout) override {
    auto& iis = server_.iis;
    iis.installed = true;
    iis.home_folder = layout.home_folder;
    iis.virtual_directories = layout.virtual_directories;
    iis.application_pools = layout.application_pools;
    iis.calls.clear();
    return true;
  }
  std::vector<std::string> IisCalls() override {
    std::vector<std::string> calls = server_.iis.calls;
    const int live = server_.iis.live_objects;
    calls.push_back(live == 0 ? "released" : "unreleased " + std::to_string(live));
    return calls;
  }
  void LayOutGateway(std::uint32_t status, std::int32_t shutdown_result) override {
    auto& com = server_.com;
    com.gateway_clsid = platform::gateway::kClassId;
    com.gateway_iid = platform::gateway::kInterfaceId;
    com.last_status = status;
    com.shutdown_result = shutdown_result;
    com.gateway_calls.clear();
  }
  std::vector<std::string> GatewayCalls() override {
    return GatewayCallsFromRecord(server_.com.gateway_calls);
  }
  std::wstring ServePage(const std::string& bytes) override {
    const std::wstring address = L"http://127.0.0.1:8642/velmar/page.htm";
    server_.web.Serve(address, bytes);
    return address;
  }
  void PlantHardLink(const std::wstring& link, const std::wstring& existing) override {
    server_.files.PlantHardLink(link, existing);
  }
  std::wstring ShortPath(const std::wstring& path) override {
    // The first six letters or digits of the name, "~1" and the first three of its extension.
    const std::size_t cut = path.find_last_of(L'\\');
    const std::wstring name = path.substr(cut + 1);
    const std::size_t dot = name.find_last_of(L'.');
    std::wstring alias;
    for (const wchar_t c : name.substr(0, dot)) {
      if (alias.size() < 6 && std::iswalnum(c)) alias += static_cast<wchar_t>(std::towupper(c));
    }
    alias += L"~1";
    if (dot != std::wstring::npos) {
      alias += L'.';
      for (const wchar_t c : name.substr(dot + 1, 3)) {
        alias += static_cast<wchar_t>(std::towupper(c));
      }
    }
    server_.files.SetShortName(path, alias);
    return path.substr(0, cut + 1) + alias;
  }
  void SetEnvironment(const std::wstring& name, const std::optional<std::wstring>& value) override {
    if (value) {
      server_.environment.Set(name, *value);
    } else {
      server_.environment.Remove(name);
    }
  }

 private:
  platform::sim::Server server_;
  Process process_;
  std::size_t statements_from_ = 0;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<SimBackend>();
}

}  // namespace conformance
