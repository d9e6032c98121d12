// The machine a TSP setup runs on: TAPI with two providers of Windows' own, the product's
// gateway, the registry keys the setup writes under, and the vendor's kit as it comes on the
// medium.
#pragma once

#include <string>

#include "platform/sim/server.h"

namespace pellet::testing {

using platform::sim::CodeLibrary;
using platform::sim::ExportCall;
using platform::sim::Server;

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

// TAPI, the language value, the keys the wave driver's set-up writes under, the gateway
// (answering "running") and MsiExec.
inline void PrepareTelephonyMachine(Server& server) {
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
}

inline void LayOutLanguage(Server& server, const std::wstring& folder,
                           const std::wstring& language) {
  server.InstallCodeLibrary(folder + L"\\" + language + L"\\ZqPelletRes.dll", ResourceLibrary());
  server.InstallCodeLibrary(folder + L"\\" + language + L"\\BrannockVelmar_TSP.dll",
                            MessageLibrary());
}

// The vendor's files as they come on the install medium.
inline void LayOutKit(Server& server, const std::wstring& folder, const std::wstring& language) {
  server.InstallCodeLibrary(folder + L"\\System32\\ZqAudio32.dll", {});
  server.InstallCodeLibrary(folder + L"\\System32\\ZqSilenceMonitor.dll", Registering());
  server.InstallCodeLibrary(folder + L"\\System32\\DravexNTWave.dll", Registering());
  server.InstallCodeLibrary(folder + L"\\System32\\ZqPellet.tsp", Provider());
  server.files.WriteFile(folder + L"\\System32\\drivers\\ZqAudio.sys", "win2k driver");
  server.files.WriteFile(folder + L"\\System32\\drivers\\ZqAudio.nt4", "nt4 driver");
  LayOutLanguage(server, folder, language);
}

}  // namespace pellet::testing
