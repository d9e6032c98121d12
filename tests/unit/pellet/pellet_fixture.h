// A simulated server with a TAPI configuration, the product's gateway and the vendor's TSP kit
// beside PelletSetup.exe, and a runner that starts the TSP setup on it and keeps its traces.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PelletSetup/setup_app.h"
#include "platform/sim/process.h"
#include "platform/sim/server.h"
#include "platform/text.h"

namespace pellet::testing {

using platform::sim::CodeLibrary;
using platform::sim::ExportCall;
using platform::sim::Process;
using platform::sim::Server;

inline constexpr wchar_t kSetupFolder[] = L"C:\\Setup";
inline constexpr wchar_t kProgram[] = L"C:\\Setup\\PelletSetup.exe";
inline constexpr wchar_t kSystem[] = L"C:\\WINDOWS\\system32";
inline constexpr wchar_t kLanguageKey[] = L"SOFTWARE\\Quillon\\SystemParameters\\1.0";
inline constexpr wchar_t kModeEvent[] = L"Global\\PelletSetupInSilentModeFlag";
inline constexpr wchar_t kGatewayClass[] = L"{60EB7702-6A7A-11D1-8029-00C04FAD610B}";
inline constexpr wchar_t kGatewayInterface[] = L"{1461F2E1-6A76-11D1-8029-00C04FAD610B}";

// The resource library's texts: "[id]" for every identifier the program uses.
inline std::wstring T(std::uint32_t id) {
  return L"[" + std::to_wstring(id) + L"]";
}

inline CodeLibrary ResourceLibrary() {
  CodeLibrary library;
  for (std::uint32_t id : {32802u, 32857u, 32858u, 32859u, 32860u, 32861u, 32862u, 32863u, 32864u,
                           32865u, 32866u, 32867u, 32868u, 32871u, 32872u}) {
    library.strings[id] = T(id);
  }
  return library;
}

inline CodeLibrary MessageLibrary() {
  CodeLibrary library;
  library.messages = {{1, L"Line events\r\n"}, {2, L"Wave events\r\n"}, {3, L"Last Category\r\n"}};
  return library;
}

inline CodeLibrary Registering(std::int32_t result = 0) {
  CodeLibrary library;
  library.exports["DllRegisterServer"] = [result](ExportCall&) { return result; };
  return library;
}

inline CodeLibrary Provider() {
  CodeLibrary library;
  library.exports["TUISPI_providerInstall"] = [](ExportCall&) { return 0; };
  return library;
}

class PelletSetupTest : public ::testing::Test {
 protected:
  PelletSetupTest() {
    server.InstallTelephony();
    server.telephony.Add(L"unimdm.tsp");
    server.telephony.Add(L"kmddsp.tsp");
    server.registry.SetString(platform::reg::kLocalMachine, kLanguageKey, L"GUI Language Default",
                              L"ENU");
    server.registry.Ensure(platform::reg::kLocalMachine,
                           L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters");
    server.registry.Ensure(platform::reg::kLocalMachine,
                           L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32");
    server.registry.Ensure(
        platform::reg::kLocalMachine,
        L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Userinstallable.drivers");
    server.com.gateway_clsid = kGatewayClass;
    server.com.gateway_iid = kGatewayInterface;
    server.com.last_status = 64;
    server.InstallProgram(std::wstring(kSystem) + L"\\MsiExec.exe", platform::sim::RunsFor(2000));
    server.files.MakeFolders(std::wstring(kSystem) + L"\\drivers");
    LayOutKit(kSetupFolder, L"ENU");
  }
  ~PelletSetupTest() override {
    for (const std::string& problem : server.Problems()) ADD_FAILURE() << problem;
  }

  // The vendor's files as they come on the install medium.
  void LayOutKit(const std::wstring& folder, const std::wstring& language) {
    server.InstallCodeLibrary(folder + L"\\System32\\ZqAudio32.dll", {});
    server.InstallCodeLibrary(folder + L"\\System32\\ZqSilenceMonitor.dll", Registering());
    server.InstallCodeLibrary(folder + L"\\System32\\DravexNTWave.dll", Registering());
    server.InstallCodeLibrary(folder + L"\\System32\\ZqPellet.tsp", Provider());
    server.files.WriteFile(folder + L"\\System32\\drivers\\ZqAudio.sys", "win2k driver");
    server.files.WriteFile(folder + L"\\System32\\drivers\\ZqAudio.nt4", "nt4 driver");
    LayOutLanguage(folder, language);
  }
  void LayOutLanguage(const std::wstring& folder, const std::wstring& language) {
    server.InstallCodeLibrary(folder + L"\\" + language + L"\\ZqPelletRes.dll", ResourceLibrary());
    server.InstallCodeLibrary(folder + L"\\" + language + L"\\BrannockVelmar_TSP.dll",
                              MessageLibrary());
  }

  // Starts the program as `"<program>" <args>` from the folder given; returns its exit code.
  int Run(const std::wstring& args, const std::wstring& from = kSetupFolder,
          const std::wstring& program = kProgram) {
    Process process(server, program, args);
    process.set_command_line(L"\"" + program + L"\"" + (args.empty() ? L"" : L" " + args));
    process.host().processes.ChangeDirectory(from);
    const int code = PelletSetup(process.host());
    folder_after = process.current_dir();
    return code;
  }

  const std::vector<std::wstring>& traces() const { return server.debug_trace; }
  bool Traced(const std::wstring& line) const {
    return std::find(traces().begin(), traces().end(), line) != traces().end();
  }
  // The traces from the first one equal to `from`, `count` of them.
  std::vector<std::wstring> TracesFrom(const std::wstring& from, std::size_t count) const {
    auto at = std::find(traces().begin(), traces().end(), from);
    std::vector<std::wstring> out;
    for (; at != traces().end() && out.size() < count; ++at) out.push_back(*at);
    return out;
  }
  std::vector<std::wstring> TracesStartingWith(std::wstring_view prefix) const {
    std::vector<std::wstring> out;
    for (const auto& line : traces()) {
      if (line.starts_with(prefix)) out.push_back(line);
    }
    return out;
  }
  bool Exists(const std::wstring& path) { return server.files.Find(path) != nullptr; }
  std::wstring Sys(const std::wstring& name) const { return std::wstring(kSystem) + L"\\" + name; }
  // Every box the program showed, as "caption|text".
  std::vector<std::wstring> Boxes() const {
    std::vector<std::wstring> out;
    for (const auto& box : server.boxes.shown()) out.push_back(box.caption + L"|" + box.text);
    return out;
  }

  Server server;
  std::wstring folder_after;
};

}  // namespace pellet::testing
