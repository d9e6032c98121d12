// A simulated server where the uninstaller has started its log, with the product's gateway and
// directory server, and a runner that starts Dirscrub on it as the uninstaller would.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dirscrub/app.h"
#include "dirscrub/strings_en.h"
#include "platform/sim/process.h"
#include "platform/sim/server.h"
#include "platform/sim/windows_programs.h"
#include "tests/unit/uninstaller/fake_views.h"

namespace dirscrub::testing {

using platform::sim::DirectoryIdFor;
using platform::sim::DohLocation;
using platform::sim::DohSubscriber;
using platform::sim::Process;
using platform::sim::Server;

inline constexpr wchar_t kProgram[] = L"C:\\Tools\\DirscrubVelmar30.exe";
inline constexpr wchar_t kLog[] = L"C:\\VelmarUninstall.log";
inline constexpr wchar_t kMarker[] = L"C:\\VelmarUninstallTemp.xxx";
// This server's location, as the directory's identifiers read once converted.
inline constexpr wchar_t kHere[] = L"--Location-Here-0001";
inline constexpr wchar_t kElsewhere[] = L"--Location-Else-0002";

inline platform::sim::StringTable DirscrubStrings() {
  platform::sim::StringTable table;
  for (const auto& [id, text] : BuiltInStrings()) table[id] = text;
  return table;
}

class DirscrubTest : public ::testing::Test {
 protected:
  DirscrubTest() {
    platform::sim::InstallWindowsPrograms(server);
    server.files.WriteFile(kLog, "VelmarRemoval version = 4. 0. 34\r\n");
    Version(0x00030001, 0x00020000);  // 3.1(2.0): the directory is cleaned here
    server.com.gateway_clsid = platform::gateway::kClassId;
    server.com.gateway_iid = platform::gateway::kInterfaceId;
    server.com.last_status = 64;
    server.doh.registered = true;
    server.doh.system_id = 4711;
    server.doh.local_location = DirectoryIdFor(kHere);
    server.doh.locations = {{DirectoryIdFor(kElsewhere), L"OtherServer", {}},
                            {DirectoryIdFor(kHere), L"ThisServer", {}}};
    server.doh.locations_count = 3;  // one more than this server's view holds: another server
  }
  ~DirscrubTest() override {
    for (const std::string& problem : server.Problems()) ADD_FAILURE() << problem;
  }

  void Version(std::uint32_t number, std::uint32_t build) {
    server.registry.SetDword(platform::reg::kLocalMachine, L"Software\\Quillon", L"Version Number",
                             number);
    server.registry.SetDword(platform::reg::kLocalMachine, L"Software\\Quillon", L"Build Number",
                             build);
  }
  void Subscriber(std::wstring_view location, std::int32_t kind, std::wstring alias) {
    DohSubscriber subscriber;
    subscriber.location = DirectoryIdFor(location);
    subscriber.kind = kind;
    subscriber.object_id = L"OID-" + alias;
    subscriber.alias = std::move(alias);
    server.doh.subscribers.push_back(std::move(subscriber));
  }

  // Runs Dirscrub to its end; its exit code.
  std::uint32_t Run() {
    Process process(server, kProgram, args, DirscrubStrings(), {1, 1, 0, 90});
    DirscrubApp app(process.host(), views);
    try {
      app.Run();
    } catch (const platform::ProgramEnd& end) {
      progress = {app.main.progress_min(), app.main.progress_max(), app.main.progress_value()};
      frame_caption = app.main.Caption("Frame1");
      if (const auto* view = views.Of("frmMain")) pixel_places = view->pixel_places;
      return end.exit_code;
    }
    ADD_FAILURE() << "Dirscrub did not end itself";
    return 0xFFFFFFFF;
  }

  std::string Log() const { return server.files.ReadFile(kLog); }
  // What Dirscrub added to the log, without the dated line's date.
  std::string Added() const {
    std::string added = Log().substr(std::string("VelmarRemoval version = 4. 0. 34\r\n").size());
    const std::string dated = "Starting directory cleaning at:";
    if (const auto at = added.find(dated); at != std::string::npos) {
      const auto end = added.find("\r\n", at);
      added.replace(at + dated.size(), end - at - dated.size(), "<date>");
    }
    return added;
  }
  bool MarkerIs(const std::string& content) {
    const auto* marker = server.files.Find(kMarker);
    return marker != nullptr && marker->content() == content;
  }

  std::wstring args;  // the command line's arguments
  Server server;
  uninstaller::testing::FakeViews views;
  std::array<int, 3> progress{};
  std::wstring frame_caption;
  std::vector<velmar::ui::Rect> pixel_places;  // where the window was put, in order
};

// The lines every completed run writes between the gateway's lines and the cleaning.
inline std::string StartLines() {
  return "Dirscrub app version=1.1.90\r\n"
         "\r\n"
         "Starting directory cleaning at:<date>\r\n\r\n"
         "Computer name=VMSRV01\r\n";
}

}  // namespace dirscrub::testing
