// The TSP setup's start-up: command-line modes, the mode event, the TSP language and its
// fall-backs, the resource library, the preflight checks and the working folder.
#include "PelletSetup/startup.h"
#include "tests/unit/pellet/pellet_fixture.h"

namespace pellet::testing {
namespace {

namespace mb = platform::mb;

class Startup : public PelletSetupTest {};

TEST_F(Startup, CommandLineWordsAfterAnyDashOrSlashInAnyCaseAndWidth) {
  struct Case {
    std::wstring args;
    bool verbose, uninstall;
  };
  const Case cases[] = {
      {L"-uninstall /SILENT", false, true},
      {L"-Silent", false, false},
      {L"/uninstaller -silently", false, true},
      {L"/\xFF33\xFF29\xFF2C\xFF25\xFF2E\xFF34", false, false},
      {L"-silen", true, false},
      {L"silent uninstall", true, false},
      {L"", true, false},
      {L"x-uninstall", true, true},
  };
  for (const Case& c : cases) {
    const std::wstring line = L"\"C:\\Setup\\PelletSetup.exe\" " + c.args;
    Process process(server, kProgram);
    const Modes modes = ScanCommandLine(line, process.host().locale);
    EXPECT_EQ(modes.verbose, c.verbose) << platform::Utf8FromWide(c.args);
    EXPECT_EQ(modes.uninstall, c.uninstall) << platform::Utf8FromWide(c.args);
  }
}

TEST_F(Startup, ADashInsideTheProgramsPathCountsToo) {
  const std::wstring program = L"C:\\Kits\\tsp-silent\\PelletSetup.exe";
  EXPECT_EQ(Run(L"-uninstall", L"C:\\Kits\\tsp-silent", program), 0);
  EXPECT_EQ(traces().front(), L"Pellet Setup running in silent mode\n");
  EXPECT_TRUE(Traced(L"Performing TSP uninstallation\n"));
  EXPECT_TRUE(server.boxes.shown().empty());
}

TEST_F(Startup, TheModeEventIsSignalledExactlyInSilentModeAndHeldForTheRun) {
  std::vector<std::pair<bool, int>> seen;  // (signalled, open handles) while MsiExec runs
  platform::sim::Program msiexec;
  msiexec.body = [&](Process&) {
    const auto* event = server.Event(kModeEvent);
    seen.emplace_back(event != nullptr && event->signalled, event ? event->open_count : 0);
    return 0u;
  };
  server.InstallProgram(Sys(L"MsiExec.exe"), msiexec);
  EXPECT_EQ(Run(L"-silent"), 0);
  server.boxes.Expect(T(32864), mb::kIdOk);
  server.boxes.Expect(T(32862), mb::kIdOk);
  EXPECT_EQ(Run(L""), 0);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], std::make_pair(true, 1));
  EXPECT_EQ(seen[1], std::make_pair(false, 1));
  EXPECT_EQ(server.Event(kModeEvent), nullptr);  // closed when each run ended
}

TEST_F(Startup, LanguageFromTheRegistryWhenItsTwoFilesAreThere) {
  server.registry.SetString(platform::reg::kLocalMachine, kLanguageKey, L"GUI Language Default",
                            L"DEU");
  LayOutLanguage(kSetupFolder, L"DEU");
  EXPECT_EQ(Run(L"-silent"), 0);
  EXPECT_TRUE(Traced(L"Successfully read the TSP language \"DEU\" from the Registry...\n"));
  EXPECT_TRUE(Traced(L"Using DEU as the TSP language.\n"));
  EXPECT_TRUE(Exists(Sys(L"ZqPelletRes.dll")));
}

TEST_F(Startup, ARegistryLanguageWithoutItsMessageLibraryFallsBackToEnu) {
  server.registry.SetString(platform::reg::kLocalMachine, kLanguageKey, L"GUI Language Default",
                            L"DEU");
  server.InstallCodeLibrary(L"C:\\Setup\\DEU\\ZqPelletRes.dll", ResourceLibrary());
  EXPECT_EQ(Run(L"-silent -uninstall"), 0);
  EXPECT_EQ(traces().at(1),
            L"Could not find the Res and MC files associated with language \"DEU\".  I will try "
            L"to default to ENU.\n");
  EXPECT_EQ(traces().at(2), L"Using ENU as the TSP language.\n");
}

TEST_F(Startup, ALanguageLongerThanThreeLettersDoesNotReadAndGivesEnu) {
  server.registry.SetString(platform::reg::kLocalMachine, kLanguageKey, L"GUI Language Default",
                            L"ENGL");
  LayOutLanguage(kSetupFolder, L"ENGL");
  EXPECT_EQ(Run(L"-silent -uninstall"), 0);
  EXPECT_EQ(traces().at(1), L"Couldn't read TSP language from the Registry!\n");
  EXPECT_EQ(traces().at(2), L"Using ENU as the TSP language.\n");
}

TEST_F(Startup, NoParametersKeyGivesEnu) {
  server.registry.Find(platform::reg::kLocalMachine, L"SOFTWARE\\Quillon\\SystemParameters")
      ->subkeys.clear();
  EXPECT_EQ(Run(L"-silent -uninstall"), 0);
  EXPECT_EQ(traces().at(1), L"Could not read TSP language from the Registry!\n");
  EXPECT_EQ(traces().at(2), L"Using ENU as the TSP language.\n");
}

TEST_F(Startup, VerboseWithoutTheResourceLibraryStopsWithItsBuiltInBox) {
  platform::sim::FileSystemState::RemoveChild(
      *server.files.Find(L"C:\\Setup\\ENU\\ZqPelletRes.dll"));
  server.boxes.Expect(
      L"Could not find installation text.  This setup may be missing the file ZqPelletRes.dll.  "
      L"Aborting install.",
      mb::kIdOk);
  EXPECT_EQ(Run(L""), 1);
  EXPECT_EQ(traces().back(), L"Problems finding the Resource Dll: \"ENU\\ZqPelletRes.dll\"!\n");
  EXPECT_EQ(server.boxes.shown().at(0).caption, L"Could not find localized TSP resources");
  EXPECT_TRUE(server.Started(L"MsiExec.exe").empty());
}

TEST_F(Startup, ABoxWhoseTextsDoNotLoadIsSkippedAndTheRunGoesOn) {
  CodeLibrary sparse = ResourceLibrary();
  sparse.strings.erase(32802);  // the confirmation caption
  server.InstallCodeLibrary(L"C:\\Setup\\ENU\\ZqPelletRes.dll", sparse);
  server.telephony.Add(L"ZqPellet.tsp");
  EXPECT_EQ(Run(L"-uninstall"), 0);  // no confirmation, no result box: neither could load
  EXPECT_TRUE(server.boxes.shown().empty());
  EXPECT_TRUE(Traced(L"lineRemoveProvider succeeded.  Now I'll remove the files\n"));
}

TEST_F(Startup, NonAdministratorStopsVerboseButNotSilent) {
  server.machine.token_groups = {L"S-1-1-0", L"S-1-5-32-545"};
  server.boxes.Expect(T(32872), mb::kIdOk);
  EXPECT_EQ(Run(L"-uninstall"), 1);
  EXPECT_EQ(traces().back(),
            L"Administrator privileges are required to complete the setup.  Aborting "
            L"install...\n");
  EXPECT_EQ(Boxes(), std::vector<std::wstring>{T(32858) + L"|" + T(32872)});

  server.debug_trace.clear();
  EXPECT_EQ(Run(L"-uninstall -silent"), 0);
  EXPECT_TRUE(
      Traced(L"Administrator privileges are required to complete the setup.  But, this "
             L"is a silent install so I'm going ahead anyway...\n"));
  EXPECT_TRUE(Traced(L"Performing TSP uninstallation\n"));
}

TEST_F(Startup, AFailedTokenQueryCountsAsNotAnAdministrator) {
  server.machine.token_query_fails = true;
  server.boxes.Expect(T(32872), mb::kIdOk);
  EXPECT_EQ(Run(L""), 1);
}

TEST_F(Startup, ANonNtSystemAndAFailedComStartStopWithOne) {
  server.machine.os.platform_id = 1;  // Windows 9x
  server.boxes.Expect(T(32871), mb::kIdOk);
  EXPECT_EQ(Run(L""), 1);
  EXPECT_EQ(traces().back(),
            L"The Brannock Velmar-TQ TSP is only supported on Windows NT (NT4, Win2k, WinXP, "
            L"etc.)  Aborting install.\n");

  server.machine.os.platform_id = 2;
  server.com.initialize_result = static_cast<std::int32_t>(0x8000FFFF);
  server.debug_trace.clear();
  EXPECT_EQ(Run(L"-silent"), 1);  // silent: the same end without a box
  EXPECT_EQ(traces().back(),
            L"CoInitializeEx() failed with 0x8000ffff.  I'm going to bail on this install!\n");
  EXPECT_TRUE(server.Started(L"MsiExec.exe").empty());
}

TEST_F(Startup, StartedElsewhereTheLanguageIsLookedForThereButTheCopiesComeFromTheProgram) {
  server.files.MakeFolders(L"C:\\Other");
  EXPECT_EQ(Run(L"-silent", L"C:\\Other"), 0);
  EXPECT_TRUE(
      Traced(L"Could not find the Res and MC files associated with language \"ENU\".  I "
             L"will try to default to ENU.\n"));
  EXPECT_TRUE(Traced(L"Changing working directory to: C:\\Setup\\\n"));
  EXPECT_TRUE(Traced(L"Changing working directory back to: C:\\Other\n"));
  EXPECT_EQ(folder_after, L"C:\\Other");
  EXPECT_EQ(server.files.Find(Sys(L"ZqPellet.tsp"))->content(),
            server.files.Find(L"C:\\Setup\\System32\\ZqPellet.tsp")->content());
}

TEST_F(Startup, ARenamedProgramStillFindsItsFilesBesideIt) {
  EXPECT_EQ(Run(L"-silent", kSetupFolder, L"C:\\Setup\\TspSetup.exe"), 0);
  EXPECT_TRUE(Traced(L"Changing working directory to: C:\\Setup\\\n"));
  EXPECT_TRUE(Exists(Sys(L"ZqAudio32.dll")));
  EXPECT_EQ(TracesStartingWith(L"CopyFile to "), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace pellet::testing
