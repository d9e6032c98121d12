// The simulated machine's process context, named events, system facts, service creation and
// COM gateway, as the setup programs meet them.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/sim/process.h"

namespace {

using platform::sim::Process;
using platform::sim::Server;
namespace svc = platform::svc;

constexpr wchar_t kGatewayClass[] = L"{60EB7702-6A7A-11D1-8029-00C04FAD610B}";
constexpr wchar_t kGatewayInterface[] = L"{1461F2E1-6A76-11D1-8029-00C04FAD610B}";

class SimMachine : public ::testing::Test {
 protected:
  Server server;
  Process app{server, L"C:\\Kit\\PelletSetup.exe", L"-uninstall -silent"};
  platform::Host& host = app.host();
};

TEST_F(SimMachine, TheCommandLineAndImageStarts) {
  EXPECT_EQ(host.processes.CommandLine(), L"\"C:\\Kit\\PelletSetup.exe\" -uninstall -silent");
  app.set_command_line(L"C:\\Kit-2\\PelletSetup.exe /SILENT");
  EXPECT_EQ(host.processes.CommandLine(), L"C:\\Kit-2\\PelletSetup.exe /SILENT");
  EXPECT_EQ(host.processes.CommandArgs(), L"/SILENT");

  server.InstallProgram(L"C:\\WINDOWS\\system32\\MsiExec.exe", platform::sim::RunsFor(3000));
  platform::Status error = -1;
  auto child = host.processes.StartImage(L"C:\\WINDOWS\\system32\\MsiExec.exe",
                                         L"MsiExec.exe /qn /X{905541FE}", error);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(server.processes().back().command_line, L"MsiExec.exe /qn /X{905541FE}");
  EXPECT_EQ(child->Wait(platform::kInfinite), platform::WaitResult::kEnded);
  EXPECT_EQ(server.now_ms(), 3000u);
  EXPECT_EQ(host.processes.StartImage(L"MsiExec.exe", L"MsiExec.exe", error), nullptr)
      << "never searched for";
  EXPECT_EQ(error, platform::win::kFileNotFound);
  platform::sim::Program damaged;
  damaged.fails_to_start = true;
  server.InstallProgram(L"C:\\Kit\\damaged.exe", damaged);
  EXPECT_EQ(host.processes.StartImage(L"C:\\Kit\\damaged.exe", L"", error), nullptr);
  EXPECT_EQ(error, 193);
}

TEST_F(SimMachine, NamedEventsKeepTheirFirstStateAndGoWithTheirLastHandle) {
  auto first = host.processes.MakeNamedEvent(L"Global\\PelletSetupInSilentModeFlag", true);
  Process other(server, L"C:\\Tools\\probe.exe");
  auto second =
      other.host().processes.MakeNamedEvent(L"GLOBAL\\pelletsetupinsilentmodeflag", false);
  const auto* event = server.Event(L"Global\\PelletSetupInSilentModeFlag");
  ASSERT_NE(event, nullptr);
  EXPECT_TRUE(event->signalled) << "opening an existing event keeps its state";
  EXPECT_TRUE(event->manual_reset);
  EXPECT_EQ(event->open_count, 2);
  first.reset();
  EXPECT_EQ(server.Event(L"Global\\PelletSetupInSilentModeFlag")->open_count, 1);
  second.reset();
  EXPECT_EQ(server.Event(L"Global\\PelletSetupInSilentModeFlag"), nullptr);
  server.named_events_fail = true;
  EXPECT_EQ(host.processes.MakeNamedEvent(L"x", false), nullptr);
}

TEST_F(SimMachine, VersionWordAndTokenGroups) {
  EXPECT_EQ(host.system.VersionWord(), 0x0ECE0205u) << "5.2 build 3790";
  server.machine.os = {4, 10, 2222, 1, ""};
  EXPECT_EQ(host.system.VersionWord(), 0x88AE0A04u) << "outside the NT family";
  EXPECT_EQ(host.system.SystemFolder(), L"C:\\WINDOWS\\system32");
  std::vector<std::wstring> sids;
  ASSERT_TRUE(host.system.TokenGroupSids(sids));
  EXPECT_NE(std::find(sids.begin(), sids.end(), L"S-1-5-32-544"), sids.end());
  server.machine.token_query_fails = true;
  EXPECT_FALSE(host.system.TokenGroupSids(sids));
}

TEST_F(SimMachine, CreatingTheWaveDriverService) {
  auto& scm = host.services;
  platform::ScopedScHandle manager(scm, scm.OpenManager(svc::kManagerAllAccess));
  platform::ServiceConfig config{L"zqaudio",
                                 L"zqaudio",
                                 0xF01FF,
                                 svc::kKernelDriver,
                                 svc::kSystemStart,
                                 svc::kErrorNormal,
                                 L"\\SystemRoot\\System32\\drivers\\zqaudio.sys"};
  platform::ScopedScHandle service(scm, scm.CreateServiceEntry(manager.get(), config));
  ASSERT_NE(service.get(), 0u);
  const platform::sim::ServiceEntry* entry = server.services.Find(L"ZqAudio");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->service_type, svc::kKernelDriver);
  EXPECT_EQ(entry->start_type, svc::kSystemStart);
  EXPECT_EQ(entry->error_control, svc::kErrorNormal);
  EXPECT_EQ(entry->binary_path, L"\\SystemRoot\\System32\\drivers\\zqaudio.sys");
  EXPECT_EQ(entry->state, svc::kStopped);
  EXPECT_EQ(scm.CreateServiceEntry(manager.get(), config), 0u);
  EXPECT_EQ(scm.LastError(), svc::kServiceExists);
  config.name = L"other";
  EXPECT_EQ(scm.CreateServiceEntry(manager.get(), config), 0u) << "its display name is taken";
  EXPECT_EQ(scm.LastError(), 1078);
}

TEST_F(SimMachine, TheGatewayServer) {
  auto& com = host.com;
  std::unique_ptr<platform::GatewayObject> gateway;
  EXPECT_EQ(com.CreateGateway(kGatewayClass, kGatewayInterface, gateway),
            static_cast<std::int32_t>(0x800401F0))
      << "COM is not initialised yet";
  ASSERT_EQ(com.InitializeMultithreaded(), 0);
  server.com.gateway_clsid = kGatewayClass;
  server.com.gateway_iid = kGatewayInterface;
  EXPECT_EQ(com.CreateGateway(kGatewayClass, L"{00020400-0000-0000-C000-000000000046}", gateway),
            static_cast<std::int32_t>(0x80004002));
  server.com.last_status = 64;
  ASSERT_EQ(
      com.CreateGateway(L"{60eb7702-6a7a-11d1-8029-00c04fad610b}", kGatewayInterface, gateway), 0);
  std::uint32_t status = 0;
  EXPECT_EQ(gateway->LastStatus(status), 0);
  EXPECT_EQ(status, 64u);
  gateway.reset();
  EXPECT_EQ(server.com.gateways_created, 1);
  EXPECT_EQ(server.com.gateways_released, 1);
  com.Uninitialize();
  server.com.initialize_result = static_cast<std::int32_t>(0x80010106);  // RPC_E_CHANGED_MODE
  EXPECT_EQ(com.InitializeMultithreaded(), static_cast<std::int32_t>(0x80010106));
  EXPECT_EQ(server.com.initialize_calls, 2);
  EXPECT_EQ(server.com.uninitialize_calls, 1);
}

}  // namespace
