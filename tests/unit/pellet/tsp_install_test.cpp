// The TSP install: the earlier package, the copies, the companion registrations, the wave
// driver's service and multimedia entries, the provider, the registry values and the event log.
#include "tests/unit/pellet/pellet_fixture.h"

namespace pellet::testing {
namespace {

namespace mb = platform::mb;
namespace reg = platform::reg;

constexpr wchar_t kDrivers32[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr wchar_t kUserDrivers[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Userinstallable.drivers";
constexpr wchar_t kGains[] = L"SOFTWARE\\Brannock Systems, Inc.\\Brannock TSP";
constexpr wchar_t kEventSource[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\BrannockVelmar_TSP";

class Install : public PelletSetupTest {
 protected:
  std::uint32_t Dword(const wchar_t* key, const wchar_t* name) {
    const auto* value = server.registry.Value(reg::kLocalMachine, key, name);
    if (value == nullptr || value->data.size() != 4) return 0xDEADBEEF;
    return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | value->data[3] << 24;
  }
  std::wstring Text(const wchar_t* key, const wchar_t* name) {
    const auto* value = server.registry.Value(reg::kLocalMachine, key, name);
    if (value == nullptr) return L"<none>";
    std::wstring text;
    for (std::size_t at = 0; at + 1 < value->data.size(); at += 2) {
      text.push_back(static_cast<wchar_t>(value->data[at] | value->data[at + 1] << 8));
    }
    return text;  // with its terminator, as stored
  }
  std::vector<std::wstring> TapiChanges() const {
    std::vector<std::wstring> out;
    for (const auto& call : server.telephony.calls) {
      if (!call.starts_with(L"lineGetProviderListW")) out.push_back(call);
    }
    return out;
  }
  void Version(std::uint32_t number, std::uint32_t build) {
    server.registry.SetDword(reg::kLocalMachine, L"SOFTWARE\\Quillon", L"Version Number", number);
    server.registry.SetDword(reg::kLocalMachine, L"SOFTWARE\\Quillon", L"Build Number", build);
  }
  // The exports called, less TAPI's own.
  std::vector<std::wstring> ExportCalls() const {
    std::vector<std::wstring> out;
    for (const auto& call : server.export_calls) {
      if (call.find(L"TAPI32.DLL!") == std::wstring::npos) out.push_back(call);
    }
    return out;
  }
  std::pair<std::uint32_t, std::uint32_t> Gains() {
    return {Dword(kGains, L"WaveDBGainPlayback"), Dword(kGains, L"WaveDBGainRecord")};
  }
};

const std::wstring kProviderFile = L"C:\\WINDOWS\\system32\\ZqPellet.tsp";

TEST_F(Install, VerboseInstallOnAFreshServer) {
  server.boxes.Expect(T(32864), mb::kIdOk);
  server.boxes.Expect(T(32862), mb::kIdOk);
  EXPECT_EQ(Run(L""), 0);
  EXPECT_EQ(Boxes(),
            (std::vector<std::wstring>{T(32802) + L"|" + T(32864), T(32863) + L"|" + T(32862)}));
  const auto msiexec = server.Started(L"MsiExec.exe");
  ASSERT_EQ(msiexec.size(), 1u);
  EXPECT_EQ(msiexec[0]->command_line, L"MsiExec.exe /qn /X{905541FE-B005-49BF-898D-17D6D9CA01E6}");
  for (const wchar_t* name : {L"ZqAudio32.dll", L"ZqSilenceMonitor.dll", L"ZqPellet.tsp",
                              L"ZqPelletRes.dll", L"DravexNTWave.dll", L"BrannockVelmar_Tsp.dll",
                              L"drivers\\ZqAudio.sys", L"drivers\\ZqAudio.nt4"}) {
    const auto* file = server.files.Find(Sys(name));
    ASSERT_NE(file, nullptr) << platform::Utf8FromWide(name);
    EXPECT_EQ(file->attributes, platform::attr::kNormal) << platform::Utf8FromWide(name);
  }
  EXPECT_EQ(ExportCalls(),
            (std::vector<std::wstring>{Sys(L"ZqSilenceMonitor.dll") + L"!DllRegisterServer",
                                       Sys(L"DravexNTWave.dll") + L"!DllRegisterServer"}));
  const auto* service = server.services.Find(L"zqaudio");
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->service_type, platform::svc::kKernelDriver);
  EXPECT_EQ(service->start_type, platform::svc::kSystemStart);
  EXPECT_EQ(service->binary_path, L"\\SystemRoot\\System32\\drivers\\zqaudio.sys");
  EXPECT_EQ(service->display_name, L"zqaudio");
  EXPECT_EQ(service->error_control, platform::svc::kErrorNormal);
  EXPECT_EQ(service->created_with_access, 0xF01FFu) << "SERVICE_ALL_ACCESS";
  EXPECT_EQ(Text(kDrivers32, L"wave1"), std::wstring(L"ZQAUDIO32.dll\0", 14));
  EXPECT_EQ(Text(kUserDrivers, L"wave1"), std::wstring(L"ZQAUDIO32.dll\0", 14));
  EXPECT_EQ(TapiChanges(), std::vector<std::wstring>{L"lineAddProviderW " + kProviderFile});
  EXPECT_EQ(
      Dword(L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", L"DisableUserTOSSetting"),
      0u);
  const std::wstring library = Sys(L"BrannockVelmar_TSP.dll");
  EXPECT_EQ(Text(kEventSource, L"EventMessageFile"), library + L'\0');
  EXPECT_EQ(Text(kEventSource, L"CategoryMessageFile"), library + L'\0');
  EXPECT_EQ(server.registry.Value(reg::kLocalMachine, kEventSource, L"EventMessageFile")->type,
            reg::kExpandSz);
  EXPECT_EQ(Dword(kEventSource, L"TypesSupported"), 7u);
  EXPECT_EQ(Dword(kEventSource, L"CategoryCount"), 3u);
  EXPECT_EQ(Gains(), std::make_pair(static_cast<std::uint32_t>(-10), 5u));  // no product key
}

TEST_F(Install, TheEarlierPackagesFilesAllBecomeOldFilesBeforeTheCopies) {
  server.files.WriteFile(Sys(L"ZqAudio32.DLL"), "earlier");
  server.files.WriteFile(Sys(L"drivers\\ZqAudio.SYS"), "earlier driver");
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(server.files.Find(Sys(L"ZqAudio32.OLD"))->content(), "earlier");
  EXPECT_EQ(server.files.Find(Sys(L"drivers\\ZqAudio.OLD"))->content(), "earlier driver");
  EXPECT_EQ(server.files.Find(Sys(L"drivers\\ZqAudio.sys"))->content(), "win2k driver");
  EXPECT_EQ(TracesStartingWith(L"PelletSetup: RenameDll(").size(), 7u);
}

TEST_F(Install, AMissingMsiExecIsTracedAndTheInstallGoesOn) {
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(Sys(L"MsiExec.exe")));
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_TRUE(Traced(L"CreateProcess(MsiExec) failed with 0x2\n"));
  EXPECT_TRUE(Exists(Sys(L"ZqPellet.tsp")));
}

TEST_F(Install, AFailedCopyEndsWithOneBeforeAnyRegistration) {
  platform::sim::FileSystemState::RemoveChild(
      *server.files.Find(L"C:\\Setup\\System32\\DravexNTWave.dll"));
  server.boxes.Expect(T(32864), mb::kIdOk);
  server.boxes.Expect(T(32857), mb::kIdOk);
  EXPECT_EQ(Run(L""), 1);
  EXPECT_TRUE(Traced(L"CopyFile to C:\\WINDOWS\\system32\\DravexNTWave.dll failed with 0x2\n"));
  EXPECT_TRUE(Exists(Sys(L"drivers\\ZqAudio.nt4")));  // the copies after it were still made
  EXPECT_TRUE(ExportCalls().empty());
  EXPECT_EQ(server.services.Find(L"zqaudio"), nullptr);
  EXPECT_EQ(TapiChanges(), std::vector<std::wstring>{});
  EXPECT_EQ(Boxes().back(), T(32858) + L"|" + T(32857));

  const std::size_t boxes = server.boxes.shown().size();
  EXPECT_EQ(Run(L"-silent"), 1);  // the same end in silent mode, without a box
  EXPECT_EQ(server.boxes.shown().size(), boxes);
}

TEST_F(Install, ACompanionThatFailsToRegisterWarnsAndTheRestGoesOn) {
  server.InstallCodeLibrary(L"C:\\Setup\\System32\\ZqSilenceMonitor.dll",
                            Registering(static_cast<std::int32_t>(0x80004005)));
  server.boxes.Expect(T(32864), mb::kIdOk);
  server.boxes.Expect(T(32859), mb::kIdOk);
  server.boxes.Expect(T(32862), mb::kIdOk);
  EXPECT_EQ(Run(L""), 0);
  const std::wstring path = Sys(L"ZqSilenceMonitor.dll");
  EXPECT_TRUE(Traced(L"DllRegisterServer in " + path +
                     L" failed with 0x80004005!  You'll need to regsvr32 this dll manually for "
                     L"the TSP to work.\n"));
  EXPECT_EQ(ExportCalls().size(), 2u);  // the second companion was still tried
  EXPECT_NE(server.services.Find(L"zqaudio"), nullptr);
}

TEST_F(Install, ACompanionWithoutTheEntryIsTracedWithTheLastError) {
  server.InstallCodeLibrary(L"C:\\Setup\\System32\\DravexNTWave.dll", {});
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_TRUE(Traced(L"Couldn't find the address of DllRegisterServer in " +
                     Sys(L"DravexNTWave.dll") +
                     L".  It failed with 0x7f.  You'll need to regsvr32 this dll manually for the "
                     L"TSP to work.\n"));
}

TEST_F(Install, OverAWorkingInstallOnlyTheProvidersOwnInstallEntryRuns) {
  server.telephony.Add(kProviderFile);
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(TapiChanges(), std::vector<std::wstring>{});
  const auto calls = ExportCalls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), kProviderFile + L"!TUISPI_providerInstall"), 2);
  EXPECT_TRUE(
      Traced(L"   ... Pellet TSP already in the control panel.  Proceeding with installation.\n"));
  EXPECT_EQ(server.telephony.providers.size(), 3u);
}

TEST_F(Install, ProviderBelowTheBoardProviderIsAddedAgainAboveIt) {
  const std::uint32_t ours = server.telephony.Add(L"ZqPellet.tsp").permanent_id;
  server.telephony.Add(L"D41MT.TSP");
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_TRUE(Traced(L"   ... Found the Dialogic TSP.\n"));
  EXPECT_EQ(TapiChanges(),
            (std::vector<std::wstring>{L"lineRemoveProvider " + std::to_wstring(ours),
                                       L"lineAddProviderW " + kProviderFile}));
}

TEST_F(Install, ProviderAboveTheBoardProviderIsOnlyRefreshed) {
  server.telephony.Add(L"d41mt.tsp");
  server.telephony.Add(L"ZqPellet.tsp");
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(TapiChanges(), std::vector<std::wstring>{});
  EXPECT_EQ(ExportCalls().back(), kProviderFile + L"!TUISPI_providerInstall");
}

TEST_F(Install, WithoutTapiTheProviderCannotBeAddedAndTheInstallStillEnds) {
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(Sys(L"TAPI32.DLL")));
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_TRUE(server.telephony.calls.empty());
  EXPECT_EQ(Dword(kEventSource, L"CategoryCount"), 3u);
}

TEST_F(Install, Drivers32TakesTheFirstSlotThatIsFreeOrOurs) {
  server.registry.SetString(reg::kLocalMachine, kDrivers32, L"wave1", L"ZQAUDIO32.dll");
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(server.registry.Value(reg::kLocalMachine, kDrivers32, L"wave2"), nullptr);
  EXPECT_EQ(Text(kUserDrivers, L"wave1"), std::wstring(L"ZQAUDIO32.dll\0", 14));

  server.registry.SetString(reg::kLocalMachine, kDrivers32, L"wave1", L"wdmaud.drv");
  server.registry.SetString(reg::kLocalMachine, kDrivers32, L"wave2", L"");
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(Text(kDrivers32, L"wave1"), std::wstring(L"wdmaud.drv\0", 11));
  EXPECT_EQ(Text(kDrivers32, L"wave2"), std::wstring(L"ZQAUDIO32.dll\0", 14));
}

TEST_F(Install, AnOverlongDriverValueIsAnotherDriversAndIsNeverOverwritten) {
  const std::wstring longer(60, L'x');  // 122 bytes with its terminator
  server.registry.SetString(reg::kLocalMachine, kDrivers32, L"wave1", longer);
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(Text(kDrivers32, L"wave1"), longer + L'\0');
  EXPECT_EQ(Text(kDrivers32, L"wave2"), std::wstring(L"ZQAUDIO32.dll\0", 14));
}

TEST_F(Install, WhenAllHundredAndOneSlotsAreTakenNoEntryIsWritten) {
  for (int n = 1; n <= 101; ++n) {
    server.registry.SetString(reg::kLocalMachine, kDrivers32, L"wave" + std::to_wstring(n),
                              L"other" + std::to_wstring(n) + L".drv");
  }
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(server.registry.Value(reg::kLocalMachine, kDrivers32, L"wave102"), nullptr);
  EXPECT_EQ(server.registry.Value(reg::kLocalMachine, kDrivers32, L"wave"), nullptr);
  EXPECT_EQ(Text(kDrivers32, L"wave1"), std::wstring(L"other1.drv\0", 11));
  EXPECT_EQ(server.registry.Value(reg::kLocalMachine, kUserDrivers, L"wave1"), nullptr);
  EXPECT_TRUE(
      Traced(L"wave1 to wave101 all hold other drivers; the wave library is not registered.\n"));
}

TEST_F(Install, GainsFollowTheProductsVersionWithThisProgramsOwnSplit) {
  struct Case {
    std::uint32_t number, build;
    std::pair<std::uint32_t, std::uint32_t> gains;
  };
  const auto low = std::make_pair(static_cast<std::uint32_t>(-10), 5u);
  const auto none = std::make_pair(0u, 0u);
  const Case cases[] = {{0x00030001, 0x00020000, low},   // 3.1 build 2.0
                        {0x00030001, 0x00020001, none},  // 3.1 build 2.1
                        {0x00030000, 0x00090000, low},   // 3.0
                        {0x00030001, 0x00010009, low},   // 3.1 build 1.9
                        {0x00040000, 0x00000000, none}};
  for (const Case& c : cases) {
    Version(c.number, c.build);
    EXPECT_EQ(Run(L"-silent"), 0);
    EXPECT_EQ(Gains(), c.gains) << std::hex << c.number << " " << c.build;
  }
}

TEST_F(Install, DetectMethodOnlyForVersionFourWhenItsKeyExists) {
  const wchar_t* parameters = L"SYSTEM\\CurrentControlSet\\Services\\ZqAudio\\Parameters";
  Version(0x00040000, 0);
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(server.registry.Find(reg::kLocalMachine, parameters), nullptr);  // never created
  server.registry.Ensure(reg::kLocalMachine, parameters);
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(Dword(parameters, L"ZQTDetectMethod"), 3u);
}

TEST_F(Install, OnNt4TheAlternateDriverIsMovedIntoPlace) {
  server.machine.os = {4, 0, 1381, 2, "Service Pack 6"};
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_TRUE(Traced(L"File move succeeded\n"));
  EXPECT_EQ(server.files.Find(Sys(L"drivers\\ZqAudio.sys"))->content(), "nt4 driver");
  EXPECT_FALSE(Exists(Sys(L"drivers\\ZqAudio.nt4")));
  EXPECT_NE(server.services.Find(L"zqaudio"), nullptr);
}

TEST_F(Install, AnExistingDriverServiceIsLeftAsItIs) {
  auto& earlier = server.services.Install(L"ZqAudio", platform::svc::kRunning,
                                          L"\\SystemRoot\\System32\\drivers\\old\\zqaudio.sys");
  earlier.display_name = L"Earlier wave driver";
  earlier.start_type = 3;
  const std::size_t services = server.services.size();
  EXPECT_EQ(Run(L"-silent"), 0);
  const auto* service = server.services.Find(L"zqaudio");
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(server.services.size(), services);
  EXPECT_EQ(service->name, L"ZqAudio") << "not deleted and made again";
  EXPECT_EQ(service->display_name, L"Earlier wave driver");
  EXPECT_EQ(service->binary_path, L"\\SystemRoot\\System32\\drivers\\old\\zqaudio.sys");
  EXPECT_EQ(service->start_type, 3u);
  EXPECT_EQ(service->state, platform::svc::kRunning);
  EXPECT_EQ(service->created_with_access, 0u);
  EXPECT_FALSE(Traced(L"Could not create the kernel mode service for the wave driver.\n"));
}

TEST_F(Install, WithoutTheKernelServiceTheTwoLinesAreTracedAndTheInstallGoesOn) {
  const std::vector<std::wstring> lines = {
      L"Could not create the kernel mode service for the wave driver.\n",
      L"Please run re-run setup.\n"};
  server.faults.programs = {L"PelletSetup.exe"};
  server.faults.fail_site = "CreateServiceW";  // refused: access denied
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(server.services.Find(L"zqaudio"), nullptr);
  EXPECT_EQ(TracesFrom(lines[0], 2), lines);
  EXPECT_EQ(Text(kDrivers32, L"wave1"), std::wstring(L"ZQAUDIO32.dll\0", 14)) << "goes on";

  server.faults.fail_site.clear();
  server.services.manager_unavailable = true;
  server.debug_trace.clear();
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_EQ(server.services.Find(L"zqaudio"), nullptr);
  EXPECT_EQ(TracesFrom(lines[0], 2), lines);
}

TEST_F(Install, OnNt4AFailedMoveCreatesNoService) {
  server.machine.os = {4, 0, 1381, 2, "Service Pack 6"};
  server.faults.programs = {L"PelletSetup.exe"};
  server.faults.fail_site = "MoveFileW";
  EXPECT_EQ(Run(L"-silent"), 0);
  const std::vector<std::wstring> expected = {
      L"Found NT4 or below, using alternate wave driver\n",
      L"File move failed ... not installing kernel mode driver\n",
      L"Could not create the kernel mode service for the wave driver.\n",
      L"Please run re-run setup.\n"};
  EXPECT_EQ(TracesFrom(expected[0], 4), expected);
  EXPECT_EQ(server.services.Find(L"zqaudio"), nullptr);
  EXPECT_TRUE(Exists(Sys(L"drivers\\ZqAudio.nt4")));
}

TEST_F(Install, VerboseCancelChangesNothing) {
  server.boxes.Expect(T(32864), mb::kIdCancel);
  EXPECT_EQ(Run(L""), 0);
  EXPECT_EQ(Boxes(), std::vector<std::wstring>{T(32802) + L"|" + T(32864)});
  EXPECT_TRUE(Traced(L"User selected to cancel Setup.  Bailing...\n"));
  EXPECT_TRUE(server.Started(L"MsiExec.exe").empty());
  EXPECT_TRUE(TracesStartingWith(L"PelletSetup: RenameDll(").empty());
  for (const wchar_t* name : {L"ZqAudio32.dll", L"ZqSilenceMonitor.dll", L"ZqPellet.tsp",
                              L"ZqPelletRes.dll", L"DravexNTWave.dll", L"BrannockVelmar_Tsp.dll",
                              L"drivers\\ZqAudio.sys", L"drivers\\ZqAudio.nt4"}) {
    EXPECT_FALSE(Exists(Sys(name))) << platform::Utf8FromWide(name);
  }
  EXPECT_TRUE(ExportCalls().empty());
  EXPECT_EQ(server.services.Find(L"zqaudio"), nullptr);
  EXPECT_TRUE(TapiChanges().empty());
  EXPECT_EQ(server.registry.Value(reg::kLocalMachine, kDrivers32, L"wave1"), nullptr);
  EXPECT_EQ(server.registry.Find(reg::kLocalMachine, kGains), nullptr);
  EXPECT_EQ(server.registry.Find(reg::kLocalMachine, kEventSource), nullptr);
  EXPECT_EQ(
      Dword(L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", L"DisableUserTOSSetting"),
      0xDEADBEEF);
}

// The install's progress as the debugger sees it, from the first line to the event source.
TEST_F(Install, TheEntryTracesInOrder) {
  EXPECT_EQ(Run(L"-silent"), 0);
  const std::vector<std::wstring> wanted = {
      L"Performing TSP installation\n",
      L"Calling DllRegisterServer in " + Sys(L"ZqSilenceMonitor.dll") + L"\n",
      L"Calling DllRegisterServer in " + Sys(L"DravexNTWave.dll") + L"\n",
      L"PelletSetup: InstallZqTsp()\r\n",
      L"Found win2k or above, using standard wave driver\n",
      L"Looking for the Pellet TSP ...\n",
      L"Calling RegMC\n",
      L"PelletSetup: RegMC()\r\n",
      L"PelletSetup: RegisterMC(MsgSourceInput " + Sys(L"BrannockVelmar_TSP.dll") + L")\r\n",
      L"PelletSetup: GetLastCategory()\r\n"};
  std::vector<std::wstring> seen;
  for (const auto& line : traces()) {
    if (std::find(wanted.begin(), wanted.end(), line) != wanted.end()) seen.push_back(line);
  }
  EXPECT_EQ(seen, wanted);
}

TEST_F(Install, ACompanionThatDoesNotLoadIsTracedAndTheNextIsStillTried) {
  server.files.WriteFile(L"C:\\Setup\\System32\\ZqSilenceMonitor.dll", "not a library");
  server.boxes.Expect(T(32864), mb::kIdOk);
  server.boxes.Expect(T(32859), mb::kIdOk);
  server.boxes.Expect(T(32862), mb::kIdOk);
  EXPECT_EQ(Run(L""), 0);
  const std::wstring path = Sys(L"ZqSilenceMonitor.dll");
  const std::vector<std::wstring> expected = {
      L"Calling DllRegisterServer in " + path + L"\n",
      L"LoadLibrary " + path +
          L" failed with 0xc1!  You'll need to regsvr32 this dll manually for the TSP to work.\n",
      L"Calling DllRegisterServer in " + Sys(L"DravexNTWave.dll") + L"\n"};
  EXPECT_EQ(TracesFrom(expected[0], 3), expected);
  EXPECT_EQ(ExportCalls(),
            std::vector<std::wstring>{Sys(L"DravexNTWave.dll") + L"!DllRegisterServer"});
  EXPECT_EQ(Boxes().at(1), T(32860) + L"|" + T(32859));
}

TEST_F(Install, AMessageLibraryWithoutLastCategoryKeepsCountZeroAndSucceeds) {
  CodeLibrary plain;
  plain.messages = {{1, L"Line events\r\n"}, {2, L"Wave events\r\n"}};
  server.InstallCodeLibrary(L"C:\\Setup\\ENU\\BrannockVelmar_TSP.dll", plain);
  server.boxes.Expect(T(32864), mb::kIdOk);
  server.boxes.Expect(T(32862), mb::kIdOk);
  EXPECT_EQ(Run(L""), 0);
  EXPECT_EQ(Dword(kEventSource, L"CategoryCount"), 0u);
  EXPECT_FALSE(Traced(L"RegMC failed on " + Sys(L"BrannockVelmar_TSP.dll") +
                      L".  Please run Regmc on this file manually or event log messages won't "
                      L"display properly\n"));
}

TEST_F(Install, AMessageLibraryThatDoesNotLoadWarnsVerboseAndEndsSilentEarly) {
  server.files.WriteFile(L"C:\\Setup\\ENU\\BrannockVelmar_TSP.dll", "not a library");
  server.boxes.Expect(T(32864), mb::kIdOk);
  server.boxes.Expect(T(32861), mb::kIdOk);
  server.boxes.Expect(T(32862), mb::kIdOk);
  EXPECT_EQ(Run(L""), 0);
  EXPECT_TRUE(Traced(L"RegMC failed on " + Sys(L"BrannockVelmar_TSP.dll") +
                     L".  Please run Regmc on this file manually or event log messages won't "
                     L"display properly\n"));
  EXPECT_EQ(Run(L"-silent"), 0);
}

}  // namespace
}  // namespace pellet::testing
