// The process runner's step pattern in virtual time, the error trap's two modes and the file
// removal helpers with their log lines, orders and failure rules.
#include "common/process_runner.h"
#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"
#include "uninstaller/sequence/error_trap.h"
#include "uninstaller/sequence/file_helpers.h"

namespace uninstaller::testing {
namespace {

using platform::sim::RunsFor;
using velmar::ProcessStep;

constexpr wchar_t kNetStopFailed[] =
    L"(error) net stop process took longer than 30 seconds, task terminated";
constexpr wchar_t kNetStopDone[] = L"    net stop process completed";

class Sequence : public UninstallerTest {
 protected:
  void SetUp() override {
    platform::sim::InstallWindowsPrograms(server);
    ASSERT_FALSE(Start());
    server.files.WriteFile(L"C:\\VelmarUninstall.log", "");
    app->log.ReopenForAppend();
    runner = std::make_unique<velmar::ProcessRunner>(process->host(), app->log);
    trap = std::make_unique<ErrorTrap>(app->log);
    helpers = std::make_unique<FileHelpers>(process->host(), app->log, *runner);
  }
  ProcessStep NetStop(std::wstring_view command) {
    return {L"    Stopping it", command, 1, 30'000, kNetStopFailed, kNetStopDone};
  }
  void RunTrapped(const ProcessStep& step) {
    (*trap)([&] { runner->Run(step); });
  }
  std::string Lines() const { return Log(); }

  std::unique_ptr<velmar::ProcessRunner> runner;
  std::unique_ptr<ErrorTrap> trap;
  std::unique_ptr<FileHelpers> helpers;
};

TEST_F(Sequence, NetStopOfAServiceThatIsNotInstalledStillCompletes) {
  RunTrapped(NetStop(L"Net Stop ZqNoSuchService"));
  EXPECT_EQ(Lines(), "    Stopping it\r\n    net stop process completed\r\n");
  ASSERT_EQ(server.processes().back().command_line, L"Net Stop ZqNoSuchService");
  EXPECT_EQ(server.processes().back().exit_code, 2u) << "net's own error, never looked at";
}

TEST_F(Sequence, NetStopStopsTheService) {
  RunTrapped(NetStop(L"Net Stop ZqDSAD"));
  EXPECT_EQ(server.services.Find(L"ZqDSAD")->state, platform::svc::kStopped);
  EXPECT_NE(Lines().find("net stop process completed"), std::string::npos);
}

TEST_F(Sequence, AChildPastItsLimitGetsTheFailureLineExactlyAtTheLimit) {
  server.InstallProgram(L"C:\\WINDOWS\\system32\\slow.exe", RunsFor(45'000));
  const auto before = server.now_ms();
  RunTrapped(NetStop(L"slow.exe"));
  EXPECT_EQ(Lines(), "    Stopping it\r\n" + platform::Utf8FromWide(kNetStopFailed) + "\r\n");
  EXPECT_LE(server.now_ms() - before, 30'003u);
  EXPECT_GE(server.now_ms() - before, 30'000u);
  EXPECT_FALSE(server.processes().back().ended) << "the runner never ends the child";
}

TEST_F(Sequence, NoLimitWaitsAsLongAsTheChildRuns) {
  server.InstallProgram(L"C:\\WINDOWS\\system32\\long.exe", RunsFor(600'000));
  RunTrapped({L"", L"long.exe", 1, platform::kInfinite, L"(error) never", L"    done"});
  EXPECT_EQ(Lines(), "    done\r\n");
  EXPECT_TRUE(server.processes().back().ended);
}

TEST_F(Sequence, AMissingProgramWritesTheTrapLineAndTheRunGoesOn) {
  RunTrapped(NetStop(L"absent.exe /all"));
  RunTrapped(NetStop(L"Net Stop ZqDSAD"));
  EXPECT_EQ(Lines(),
            "    Stopping it\r\n"
            "(error) Description:File not found number: 53\r\n"
            "    Stopping it\r\n"
            "    net stop process completed\r\n");
}

TEST_F(Sequence, UnwaitedChildrenAndWindowStyles) {
  server.InstallProgram(L"C:\\WINDOWS\\system32\\slow.exe", RunsFor(45'000));
  RunTrapped({L"", L"slow.exe -x", 6, std::nullopt, L"(error) no", L"no"});
  EXPECT_EQ(Lines(), "");
  EXPECT_EQ(server.processes().back().show_window, 6);
  EXPECT_FALSE(server.processes().back().ended);
}

// The program's clock, counting the passes of the message loop and the waits for messages.
class CountingClock : public platform::Clock {
 public:
  explicit CountingClock(platform::Clock& inner) : inner_(inner) {}
  platform::LocalTime Now() override { return inner_.Now(); }
  float SecondsSinceMidnight() override { return inner_.SecondsSinceMidnight(); }
  std::uint32_t TickCount() override { return inner_.TickCount(); }
  void Sleep(std::uint32_t ms) override {
    ++sleeps;
    inner_.Sleep(ms);
  }
  void PumpMessages() override {
    ++pumps;
    inner_.PumpMessages();
  }
  void WaitForMessages(std::uint32_t ms) override {
    waits.push_back(ms);
    inner_.WaitForMessages(ms);
  }
  int pumps = 0;
  int sleeps = 0;
  std::vector<std::uint32_t> waits;

 private:
  platform::Clock& inner_;
};

TEST_F(Sequence, APauseWaitsForMessagesInsteadOfSpinning) {
  platform::Host& h = process->host();
  CountingClock clock(h.clock);
  platform::Host counted{h.registry, h.files,     h.processes,  h.services,  clock,      h.boxes,
                         h.trace,    h.system,    h.locale,     h.resources, h.database, h.com,
                         h.iis,      h.libraries, h.file_calls, h.directory, h.internet, h.events};
  velmar::ProcessRunner counted_runner(counted, app->log);
  const auto before = server.now_ms();
  counted_runner.PauseSeconds(1);
  EXPECT_GE(server.now_ms() - before, 1000u);
  EXPECT_LE(server.now_ms() - before, 1002u);
  EXPECT_GE(clock.pumps, 1) << "pending messages are handled";
  EXPECT_LE(clock.pumps, 2) << "no busy loop of message passes";
  ASSERT_EQ(clock.waits.size(), 1u) << "one wait covers the rest of the second";
  EXPECT_GE(clock.waits[0], 998u);
  EXPECT_EQ(clock.sleeps, 0) << "the window never stops answering";
}

TEST_F(Sequence, TheTrapReportsOrStaysSilent) {
  (*trap)([] { platform::Raise(platform::VbError::kPathNotFound); });
  (*trap)([] { platform::Raise(-2147217865, L"Invalid object name 'vw_Subscriber'."); });
  trap->set_mode(ErrorMode::kSilent);
  (*trap)([] { platform::Raise(platform::VbError::kFileNotFound); });
  EXPECT_EQ(Lines(),
            "(error) Description:Path not found number: 76\r\n"
            "(error) Description:Invalid object name 'vw_Subscriber'. number:-2147217865\r\n");
}

TEST_F(Sequence, OnlyNormalFilesExist) {
  server.files.WriteFile(L"C:\\x\\plain.txt", "x");
  server.files.WriteFile(L"C:\\x\\hidden.txt", "x").attributes |= platform::attr::kHidden;
  server.files.WriteFile(L"C:\\x\\system.txt", "x").attributes |= platform::attr::kSystem;
  auto& files = process->host().files;
  EXPECT_TRUE(FileExists(files, L"c:\\X\\PLAIN.TXT"));
  EXPECT_FALSE(FileExists(files, L"C:\\x\\hidden.txt"));
  EXPECT_FALSE(FileExists(files, L"C:\\x\\system.txt"));
  EXPECT_FALSE(FileExists(files, L"C:\\x"));
  EXPECT_FALSE(FileExists(files, L"C:\\x\\absent.txt"));
}

TEST_F(Sequence, RemoveOrRenameFile) {
  auto& fs = server.files;
  helpers->RemoveOrRenameFile(L"C:\\WINDOWS\\system32\\absent.dll");
  EXPECT_EQ(Lines(), "") << "a missing file: nothing at all";

  fs.WriteFile(L"C:\\WINDOWS\\system32\\zqfree.dll", "x");
  helpers->RemoveOrRenameFile(L"C:\\WINDOWS\\system32\\zqfree.dll");
  EXPECT_FALSE(fs.Exists(L"C:\\WINDOWS\\system32\\zqfree.dll"));

  fs.WriteFile(L"C:\\WINDOWS\\system32\\zqwm.dll", "loaded").in_use = 1;
  fs.WriteFile(L"C:\\WINDOWS\\system32\\zqwm.dll.old", "stale");
  helpers->RemoveOrRenameFile(L"C:\\WINDOWS\\system32\\zqwm.dll");
  EXPECT_EQ(fs.ReadFile(L"C:\\WINDOWS\\system32\\zqwm.dll.old"), "loaded");
  EXPECT_FALSE(fs.Exists(L"C:\\WINDOWS\\system32\\zqwm.dll"));

  fs.WriteFile(L"C:\\WINDOWS\\system32\\zqstuck.dll", "loaded").in_use = 1;
  fs.WriteFile(L"C:\\WINDOWS\\system32\\zqstuck.dll.old", "loaded too").in_use = 1;
  helpers->RemoveOrRenameFile(L"C:\\WINDOWS\\system32\\zqstuck.dll");
  EXPECT_TRUE(fs.Exists(L"C:\\WINDOWS\\system32\\zqstuck.dll"));

  EXPECT_EQ(Lines(),
            "    removed file: C:\\WINDOWS\\system32\\zqfree.dll\r\n"
            "    renamed file: C:\\WINDOWS\\system32\\zqwm.dll to: "
            "C:\\WINDOWS\\system32\\zqwm.dll.old\r\n"
            "(error) could not remove or rename file: C:\\WINDOWS\\system32\\zqstuck.dll\r\n");
}

TEST_F(Sequence, OnlyDllExtensionsAreUnregisteredOneAfterTheOther) {
  for (const wchar_t* name :
       {L"A.DLL", L"b.Dll", L"c.dll", L"d.dll.bak", L"e.ocx", L"dll", L"sub\\f.dll"}) {
    server.files.WriteFile(std::wstring(L"C:\\Corvane\\Components\\") + name, "MZ");
  }
  helpers->UnregisterFolderDllsAndWait(L"C:\\Corvane\\Components", *trap);
  EXPECT_EQ(Lines(),
            "        C:\\Corvane\\Components\\A.DLL\r\n"
            "        C:\\Corvane\\Components\\b.Dll\r\n"
            "        C:\\Corvane\\Components\\c.dll\r\n");
  EXPECT_EQ(server.unregistered_libraries,
            (std::vector<std::wstring>{L"C:\\Corvane\\Components\\A.DLL",
                                       L"C:\\Corvane\\Components\\b.Dll",
                                       L"C:\\Corvane\\Components\\c.dll"}));
  const auto started = server.Started(L"regsvr32 /u /s ");
  ASSERT_EQ(started.size(), 3u);
  EXPECT_EQ(started[0]->show_window, 6);
  EXPECT_TRUE(started[2]->ended) << "each waited before the next";
}

TEST_F(Sequence, AMissingComponentsFolderIsOneTrapLine) {
  helpers->UnregisterFolderDllsAndWait(L"C:\\Corvane\\Missing", *trap);
  EXPECT_EQ(Lines(), "(error) Description:Path not found number: 76\r\n");
}

TEST_F(Sequence, FolderTreeUnregistrationRunsDeepestFirstAndSilently) {
  for (const wchar_t* path :
       {L"C:\\P\\A\\a.dll", L"C:\\P\\A\\B\\b.dll", L"C:\\P\\A\\B\\C\\c.dll", L"C:\\P\\A\\x.txt"}) {
    server.files.WriteFile(path, "MZ");
  }
  helpers->UnregisterFolderDlls(L"C:\\P\\A");
  helpers->UnregisterFolderDlls(L"C:\\P\\Missing");
  std::vector<std::wstring> commands;
  for (const auto* record : server.Started(L"regsvr32")) {
    commands.push_back(record->command_line);
    EXPECT_EQ(record->show_window, 0);
  }
  EXPECT_EQ(commands, (std::vector<std::wstring>{L"regsvr32 /u /s C:\\P\\A\\B\\C\\c.dll",
                                                 L"regsvr32 /u /s C:\\P\\A\\B\\b.dll",
                                                 L"regsvr32 /u /s C:\\P\\A\\a.dll"}));
  EXPECT_EQ(Lines(), "");
}

TEST_F(Sequence, FolderTreeUnregistrationTakesOnlyDllExtensions) {
  for (const wchar_t* name : {L"A.DLL", L"b.Dll", L"c.dll", L"d.dll.bak", L"e.ocx", L"dll"}) {
    server.files.WriteFile(std::wstring(L"C:\\P\\") + name, "MZ");
  }
  helpers->UnregisterFolderDlls(L"C:\\P");
  std::vector<std::wstring> commands;
  for (const auto* record : server.Started(L"regsvr32")) commands.push_back(record->command_line);
  EXPECT_EQ(commands, (std::vector<std::wstring>{L"regsvr32 /u /s C:\\P\\A.DLL",
                                                 L"regsvr32 /u /s C:\\P\\b.Dll",
                                                 L"regsvr32 /u /s C:\\P\\c.dll"}));
}

TEST_F(Sequence, ALibraryPathWithBlanksIsQuotedAndReallyUnregistered) {
  server.files.WriteFile(L"C:\\Program Files\\Corvane\\Comp\\zq voice.dll", "MZ");
  server.files.WriteFile(L"C:\\Program Files\\Corvane\\Comp\\plain.dll", "MZ");
  helpers->UnregisterFolderDllsAndWait(L"C:\\Program Files\\Corvane\\Comp", *trap);
  EXPECT_EQ(UnregisterCommand(L"C:\\a\\plain.dll"), L"regsvr32 /u /s C:\\a\\plain.dll");
  EXPECT_EQ(server.unregistered_libraries.size(), 2u);
  EXPECT_NE(Lines().find("        C:\\Program Files\\Corvane\\Comp\\zq voice.dll\r\n"),
            std::string::npos)
      << "the log shows the path as it is";
}

TEST_F(Sequence, InstallTreeWithAReadOnlyFileAtTheTop) {
  auto& fs = server.files;
  fs.WriteFile(L"C:\\Corvane\\top.ini", "x").attributes = platform::attr::kReadOnly;
  fs.WriteFile(L"C:\\Corvane\\Bin\\zq.exe", "x").attributes = platform::attr::kReadOnly;
  fs.WriteFile(L"C:\\Corvane\\Bin\\deep\\more\\f.txt", "x");
  fs.WriteFile(L"C:\\Corvane\\Logs\\a.log", "x");
  helpers->RemoveInstallTree(L"C:\\Corvane");
  EXPECT_FALSE(fs.Exists(L"C:\\Corvane"));
  EXPECT_EQ(Lines(),
            "    Removing C:\\Corvane\\Bin\r\n"
            "    Removing C:\\Corvane\\Logs\r\n");
}

TEST_F(Sequence, InstallTreeKeepsWhatIsInUse) {
  auto& fs = server.files;
  fs.WriteFile(L"C:\\Corvane\\Bin\\a.dll", "x");
  fs.WriteFile(L"C:\\Corvane\\Bin\\running.exe", "x").in_use = 1;
  fs.WriteFile(L"C:\\Corvane\\Web\\page.htm", "x");
  helpers->RemoveInstallTree(L"C:\\Corvane");
  EXPECT_TRUE(fs.Exists(L"C:\\Corvane\\Bin\\running.exe"));
  EXPECT_FALSE(fs.Exists(L"C:\\Corvane\\Bin\\a.dll"));
  EXPECT_FALSE(fs.Exists(L"C:\\Corvane\\Web"));
}

TEST_F(Sequence, DeleteMatchingFilesIgnoresCaseAndFailsOnNoMatch) {
  auto& fs = server.files;
  fs.WriteFile(L"C:\\Links\\Velmar Admin.LNK", "x");
  fs.WriteFile(L"C:\\Links\\velmar status.lnk", "x");
  fs.WriteFile(L"C:\\Links\\Other.lnk", "x");
  fs.WriteFile(L"C:\\Links\\Velmar\\inner.lnk", "x");
  helpers->DeleteMatchingFiles(L"C:\\Links\\velmar*.lnk");
  EXPECT_FALSE(fs.Exists(L"C:\\Links\\Velmar Admin.LNK"));
  EXPECT_FALSE(fs.Exists(L"C:\\Links\\velmar status.lnk"));
  EXPECT_TRUE(fs.Exists(L"C:\\Links\\Other.lnk"));
  EXPECT_TRUE(fs.Exists(L"C:\\Links\\Velmar\\inner.lnk")) << "subfolders untouched";
  EXPECT_THROW(helpers->DeleteMatchingFiles(L"C:\\Links\\velmar*.lnk"), platform::RuntimeError);
  EXPECT_TRUE(fs.Exists(L"C:\\Links\\Other.lnk"));
}

TEST_F(Sequence, DeleteMatchingFilesMatchesAsTheDirectorySearchDoes) {
  auto& fs = server.files;
  for (const wchar_t* name : {L"zq1.lnk", L"zq12.lnk", L"zqfoo", L"other.lnk"}) {
    fs.WriteFile(std::wstring(L"C:\\Startup\\") + name, "x");
  }
  helpers->DeleteMatchingFiles(L"C:\\Startup\\ZQ?.lnk");
  EXPECT_FALSE(fs.Exists(L"C:\\Startup\\zq1.lnk"));
  EXPECT_TRUE(fs.Exists(L"C:\\Startup\\zq12.lnk")) << "? is one character";
  helpers->DeleteMatchingFiles(L"C:\\Startup\\zq*.*");
  EXPECT_FALSE(fs.Exists(L"C:\\Startup\\zq12.lnk"));
  EXPECT_FALSE(fs.Exists(L"C:\\Startup\\zqfoo")) << "a name without a dot matches too";
  EXPECT_TRUE(fs.Exists(L"C:\\Startup\\other.lnk"));
}

TEST_F(Sequence, DeleteMatchingFilesStopsAtTheFirstFileInUse) {
  auto& fs = server.files;
  fs.WriteFile(L"C:\\Temp\\a.tmp", "x");
  fs.WriteFile(L"C:\\Temp\\b.tmp", "x").in_use = 1;
  fs.WriteFile(L"C:\\Temp\\c.tmp", "x").attributes = platform::attr::kReadOnly;
  EXPECT_THROW(helpers->DeleteMatchingFiles(L"C:\\Temp\\*.tmp"), platform::RuntimeError);
  EXPECT_FALSE(fs.Exists(L"C:\\Temp\\a.tmp"));
  EXPECT_TRUE(fs.Exists(L"C:\\Temp\\b.tmp"));
  EXPECT_TRUE(fs.Exists(L"C:\\Temp\\c.tmp")) << "nothing after it is touched";
  fs.Find(L"C:\\Temp\\b.tmp")->in_use = 0;
  helpers->DeleteMatchingFiles(L"C:\\Temp\\*.tmp");
  EXPECT_FALSE(fs.Exists(L"C:\\Temp\\c.tmp")) << "forced: read-only goes too";
}

}  // namespace
}  // namespace uninstaller::testing
