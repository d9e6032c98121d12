// The Uninstall press through stage A: the notice and the questions, the subscriber-data
// branches, the TSP step, the timed stop rows, the kit, the web script, IIS and the headline.
#include <algorithm>

#include "PelletSetup/setup_app.h"
#include "dirscrub/app.h"
#include "dirscrub/strings_en.h"
#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"
#include "uninstaller/sequence/uninstall_sequence.h"
#include "uninstaller/sequence/web_and_iis.h"

namespace uninstaller::testing {
namespace {

namespace mb = platform::mb;
using platform::sim::Hangs;
using platform::sim::Process;
using platform::sim::Program;
using platform::sim::RunsFor;

// Virtual time a log line costs: the window handles its messages once per line. A timed-out
// step's next start comes after its limit plus the lines written in between.
constexpr std::uint64_t kLineMs = 1;

class StageA : public UninstallerTest {
 protected:
  void SetUp() override {
    platform::sim::InstallWindowsPrograms(server);
    server.InstallProgram(L"C:\\Tools\\kill.exe", platform::sim::KillProgram());
    server.InstallProgram(L"C:\\Tools\\PelletSetup.exe", RunsFor(3000));
  }
  // The boxes at the end of a press that runs through: the accounts for a version older than
  // 4.0(2.50), then the summary, whose Cancel leaves Notepad closed.
  void Ending(int boxes = 1) {
    for (int i = 0; i < boxes; ++i) server.boxes.ExpectAny(mb::kIdCancel);
  }
  void Questions(int last_answer = mb::kIdYes) {
    for (std::uint32_t id : {2012u, 2002u, 2003u})
      server.boxes.Expect(EnglishTable().at(id), mb::kIdYes);
    server.boxes.Expect(EnglishTable().at(2004), last_answer);
  }
  void Sql2057() { server.boxes.Expect(EnglishTable().at(2057), mb::kIdOk); }
  // Presses Uninstall; true when the press ended the program.
  bool Press() {
    try {
      app->main.OnClick("cmdUninstall");
    } catch (const platform::ProgramEnd&) {
      return true;
    }
    return false;
  }
  std::string LogAfterStartup() {
    const std::string log = Log();
    const std::string mark = "waiting for command from user to continue.\r\n";
    return log.substr(log.find(mark) + mark.size());
  }
  // A press with the subscriber option ticked that runs to the end; the log after start-up.
  std::string PressWithTheOption() {
    app->main.SetChecked("chkRemoveSubscriberInfo", true);
    Questions();
    Ending();
    EXPECT_TRUE(Press());
    return LogAfterStartup();
  }
  void ExpectTheSqlSideRemoval(const std::string& log) {
    EXPECT_NE(log.find("Starting removal of subscriber properties on a 4.0(3) or later system..."),
              std::string::npos);
    EXPECT_TRUE(server.Started(L"C:\\Tools\\DirscrubVelmar30.exe").empty());
    EXPECT_FALSE(app->main.Checked("chkVelmarObjects"));
  }
};

TEST_F(StageA, NotRunningShowsTheNoticeFirstThenTheQuestions) {
  for (const auto* name : kServices) server.services.Find(name)->state = platform::svc::kStopped;
  server.boxes.Expect(EnglishTable().at(2063) + L"\r\n" + EnglishTable().at(2064) +
                          EnglishTable().at(2065) + L"\r\n\r\n" + EnglishTable().at(2066),
                      mb::kIdNo);
  ASSERT_FALSE(Start());
  server.boxes.Expect(EnglishTable().at(2067), mb::kIdOk);
  EXPECT_FALSE(Press());
  EXPECT_TRUE(app->NotRunningAccepted);
  Questions(mb::kIdNo);
  EXPECT_FALSE(Press());
}

TEST_F(StageA, NoToTheLastQuestionLeavesOnlyTheStartupLines) {
  ASSERT_FALSE(Start());
  const std::string before = Log();
  Questions(mb::kIdNo);
  EXPECT_FALSE(Press());
  EXPECT_EQ(Log(), before);
  EXPECT_TRUE(app->main.Enabled("cmdUninstall")) << "the button can be pressed again";
}

// A question that cannot be shown counts as a No: nothing is logged or started.
TEST_F(StageA, AQuestionThatCannotBeShownEndsThePress) {
  server.faults.programs = {L"VelmarUninstall3xandUp.exe"};
  server.faults.fail_site = "MessageBox";
  ASSERT_FALSE(Start());
  const std::string before = Log();
  const std::size_t started = server.processes().size();
  EXPECT_FALSE(Press());
  ASSERT_TRUE(server.faults.failed_at.has_value());
  EXPECT_EQ(Log(), before);
  EXPECT_EQ(server.processes().size(), started);
  EXPECT_TRUE(app->main.Enabled("cmdUninstall"));
}

TEST_F(StageA, OptionClearedSkipsTheDirectoryData) {
  ASSERT_FALSE(Start());
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  const std::string log = LogAfterStartup();
  EXPECT_EQ(log.rfind("VelmarRemoval version = 4. 0. 34\r\n\r\n"
                      "DOH removal skipped at user's request...\r\n\r\n"
                      "   removing TSP information\r\n"
                      "      completed TSP removal\r\n"
                      "    Stopping TomCat (if installed)\r\n"
                      "    net stop process completed\r\n",
                      0),
            0u)
      << log;
  EXPECT_FALSE(app->main.Checked("chkCustomProperties"));
  EXPECT_TRUE(app->main.Checked("chkStopServices"));
  const auto& busy = views.Of("frmMain")->busy_changes;
  ASSERT_FALSE(busy.empty());
  EXPECT_TRUE(busy.front()) << "the hourglass from the press on";
  const auto pellet = server.Started(L"C:\\Tools\\PelletSetup.exe");
  ASSERT_EQ(pellet.size(), 1u);
  EXPECT_EQ(pellet[0]->command_line, L"C:\\Tools\\PelletSetup.exe -uninstall -silent");
  EXPECT_EQ(pellet[0]->show_window, 2);
}

TEST_F(StageA, TheTspStepRunsTheRealTspSetupSilently) {
  Program pellet_setup;
  pellet_setup.body = [](Process& child) {
    return static_cast<std::uint32_t>(pellet::PelletSetup(child.host()));
  };
  server.InstallProgram(L"C:\\Tools\\PelletSetup.exe", pellet_setup);
  server.InstallTelephony();
  const std::uint32_t id = server.telephony.Add(L"ZqPellet.tsp").permanent_id;
  for (const wchar_t* name : {L"ZqPellet.TSP", L"ZqPelletRes.DLL", L"BrannockVelmar_TSP.DLL"}) {
    server.files.WriteFile(std::wstring(L"C:\\WINDOWS\\system32\\") + name, "installed");
  }
  ASSERT_FALSE(Start());
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  EXPECT_NE(LogAfterStartup().find("   removing TSP information\r\n"
                                   "      completed TSP removal\r\n"),
            std::string::npos);
  EXPECT_EQ(server.telephony.calls.back(), L"lineRemoveProvider " + std::to_wstring(id));
  for (const wchar_t* name : {L"ZqPellet.OLD", L"ZqPelletRes.OLD", L"BrannockVelmar_TSP.OLD"}) {
    EXPECT_NE(server.files.Find(std::wstring(L"C:\\WINDOWS\\system32\\") + name), nullptr);
  }
  EXPECT_NE(std::find(server.debug_trace.begin(), server.debug_trace.end(),
                      L"Pellet Setup running in silent mode\n"),
            server.debug_trace.end());
}

TEST_F(StageA, TheThirtyStopsWithTheirWordingsAndTheKiller) {
  ASSERT_FALSE(Start());
  server.InstallProgram(L"C:\\Program Files\\Corvane\\zqsvc.exe", Hangs());
  server.InstallProgram(L"C:\\Program Files\\Corvane\\other.exe", Hangs());
  process->host().processes.Start(L"\"C:\\Program Files\\Corvane\\zqsvc.exe\"", 0);
  process->host().processes.Start(L"\"C:\\Program Files\\Corvane\\other.exe\"", 0);
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  const std::string log = LogAfterStartup();
  EXPECT_NE(log.find("    Stopping ZqKtGateway\r\n    Net stop process completed\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("    running Kill ZQ*\r\n    Kill process completed\r\n"
                     "    Stopping WyDohMgr service\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("    Stopping TAPISrv\r\n    net stop process completed\r\n"
                     "    Corvane install path=C:\\Program Files\\Corvane\r\n"),
            std::string::npos)
      << "the second half of the stage follows row 30 at once";
  for (const auto* name : kServices) {
    const auto* service = server.services.Find(name);
    EXPECT_TRUE(service == nullptr || service->state == platform::svc::kStopped)
        << platform::Utf8FromWide(name) << " still running";
  }
  std::map<std::wstring, bool> ended;
  for (const auto& record : server.processes()) ended[record.image_path] = record.ended;
  EXPECT_TRUE(ended[L"C:\\Program Files\\Corvane\\zqsvc.exe"]);
  EXPECT_FALSE(ended[L"C:\\Program Files\\Corvane\\other.exe"]);
}

// The first pass as the product's texts write it, odd letter cases included: every command
// with its window style and its limit, seen as the time from its start to the next one when
// every stop hangs (the limit plus the failure line and the next step line).
TEST_F(StageA, TheFirstPassStartsItsThirtyCommandsAsWritten) {
  struct Row {
    const wchar_t* command;
    int style;
    std::uint64_t limit_ms;
  };
  constexpr Row kRows[] = {
      {L"Net Stop TomCat", 1, 30'000},
      {L"Net Stop ZqSQLChangeWriter", 1, 30'000},
      {L"Net Stop ZqMsgStoreMonitorSvr", 1, 30'000},
      {L"Net Stop ZqKtGateway", 1, 30'000},
      {L"Net Stop WyMessageAgingSvr", 1, 30'000},
      {L"Net Stop WyVrt", 1, 30'000},
      {L"Net Stop KtVpimConnector", 1, 30'000},
      {L"Net Stop ZqktMgr", 1, 30'000},
      {L"Net Stop ZqDSAD", 1, 30'000},
      {L"Net Stop ZqDSDomino", 1, 30'000},
      {L"Net Stop ZqDSEx55", 1, 30'000},
      {L"Net Stop ZqDirChangeWriter", 1, 30'000},
      {L"Net STop ZqDSGlobalCatalog", 1, 30'000},
      {L"Net STop ZqGAENsvr", 1, 30'000},
      {L"Net Stop ktBridgeConnector", 1, 30'000},
      {L"Net Stop ZqUMRSync", 1, 30'000},
      {L"Net Stop ZqTTSSvr", 1, 30'000},
      {L"Net Stop ZqRepDirSvrSvc", 1, 30'000},
      {L"Net Stop ZqMMProxysvr", 1, 30'000},
      {L"Net Stop ZqNotifierMgr", 1, 30'000},
      {L"Net Stop KTEMSSvc", 1, 30'000},
      {L"Net Stop BrannockVelmarBellhop", 1, 30'000},
      {L"Net Stop ktIPFaxSvc", 1, 30'000},
      {L"Net Stop wypidsvc", 1, 30'000},
      {L"Net Stop BrannockVelmarTDSProxy", 1, 30'000},
      {L"Net Stop KtBMsgConnector", 1, 30'000},
      {L"kill.exe zq*", 6, 40'000},
      {L"Net Stop WyDohMgr", 1, 30'000},
      {L"Net Stop WyMDBStoreMonitor", 1, 30'000},
      {L"Net Stop tapisrv /y", 1, 30'000},
  };
  server.InstallProgram(L"C:\\WINDOWS\\system32\\net.exe", RunsFor(10ULL * 3600 * 1000));
  server.InstallProgram(L"C:\\Tools\\kill.exe", RunsFor(10ULL * 3600 * 1000));
  ASSERT_FALSE(Start());
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  const auto& all = server.processes();
  const auto first = std::find_if(all.begin(), all.end(), [](const auto& record) {
    return record.command_line == L"Net Stop TomCat";
  });
  ASSERT_GT(all.end() - first, static_cast<std::ptrdiff_t>(std::size(kRows)));
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    const auto& record = first[static_cast<std::ptrdiff_t>(i)];
    const auto& next = first[static_cast<std::ptrdiff_t>(i) + 1];
    SCOPED_TRACE("row " + std::to_string(i + 1));
    EXPECT_EQ(record.command_line, kRows[i].command);
    EXPECT_EQ(record.show_window, kRows[i].style);
    // After row 30: its failure line, the install path, the kit line and the W3svc step line.
    const std::uint64_t lines = i + 1 < std::size(kRows) ? 2 : 4;
    EXPECT_EQ(next.started_ms - record.started_ms, kRows[i].limit_ms + lines * kLineMs);
  }
  EXPECT_EQ(first[static_cast<std::ptrdiff_t>(std::size(kRows))].command_line, L"Net Stop W3svc");
}

// Stages B and C tick their eight rows in order, each as its stage begins: the log's last line
// at each tick, written out. Row 5 is not repainted: the administrator sees it at the message
// pass that follows it, still before the next line.
TEST_F(StageA, StagesBAndCTickTheirRowsAsTheirStagesBegin) {
  InstallProduct(0x00040000, 0x00030032, L"C:\\Program Files\\Corvane\\");
  server.files.WriteFile(L"C:\\Program Files\\Corvane\\Components\\zqcore.dll", "MZ");
  server.files.WriteFile(L"C:\\Program Files\\Corvane\\OrderedComs\\zqorder.dll", "MZ");
  server.registry.SetString(platform::reg::kLocalMachine,
                            L"Software\\Quillon\\Corvane Setup\\1.0\\Properties",
                            L"CorvaneRootPath", L"C:\\Program Files\\Corvane");
  ASSERT_FALSE(Start());
  const char* rows[] = {"chkUnregisterServices",  "chkUnregisteringDLLs",
                        "chkRemoveVelmarFromSQL", "chkDeleteCorvaneDirectory",
                        "chkRegistrySettings",    "chkShortCuts",
                        "chkWebDirectories",      "chkDLLs"};
  std::vector<std::pair<std::string, std::string>> ticks;  // row, the log's last line then
  std::string seen_after_row5;
  const auto last_line = [this] {
    const std::string log = Log();
    const auto end = log.size() - 2;
    return log.substr(log.rfind("\r\n", end - 1) + 2, end - log.rfind("\r\n", end - 1) - 2);
  };
  views.Of("frmMain")->on_refresh = [&](std::string_view control) {
    if (std::find(std::begin(rows), std::end(rows), control) == std::end(rows)) return;
    if (!app->main.Checked(control)) return;
    ticks.emplace_back(control, last_line());
    if (control == "chkUnregisteringDLLs") {
      server.At(server.now_ms() + 1, [&] {
        seen_after_row5 = app->main.Checked("chkUnregisteringDLLs") ? last_line() : "unticked";
      });
    }
  };
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"chkUnregisterServices", "Velmar shut down and all related services stopped"},
      {"chkUnregisteringDLLs", "Velmar services unregistered"},
      {"chkRemoveVelmarFromSQL", "        C:\\Program Files\\Corvane\\OrderedComs\\zqorder.dll"},
      {"chkDeleteCorvaneDirectory", "Path to Velmar install=C:\\Program Files\\Corvane"},
      {"chkRegistrySettings", "Corvane directory removal attempt complete."},
      {"chkShortCuts", "All shares removed"},
      {"chkWebDirectories", "Links and program groups removed"},
      {"chkDLLs", "IIS directories removed"}};
  EXPECT_EQ(ticks, expected);
  EXPECT_EQ(seen_after_row5, "Velmar services unregistered");
}

TEST_F(StageA, AHungNetStopCosts30SecondsAndTheNWording) {
  ASSERT_FALSE(Start());
  server.services.Install(L"ZqKtGateway", platform::svc::kRunning);
  // Hangs for hours: the first pass gives up after 30 s, the later unlimited waits sit it out.
  server.InstallProgram(L"C:\\WINDOWS\\system32\\net.exe", RunsFor(10ULL * 3600 * 1000));
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  const std::string log = LogAfterStartup();
  EXPECT_NE(log.find("    Stopping TomCat (if installed)\r\n(error) net stop process took longer "
                     "than 30 seconds, task terminated\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("    Stopping ZqKtGateway\r\n(error) Net stop took longer than 30 seconds, "
                     "task terminated\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("    Stopping the WWW service\r\n(error) net stop process took longer than 40 "
                     "seconds, task terminated\r\n"),
            std::string::npos)
      << log;
  const auto* tomcat = server.Started(L"Net Stop TomCat")[0];
  const auto* gateway = server.Started(L"Net Stop ZqKtGateway")[0];
  EXPECT_EQ(server.Started(L"Net Stop ZqSQLChangeWriter")[0]->started_ms - tomcat->started_ms,
            30'000u + 2 * kLineMs);
  EXPECT_EQ(server.Started(L"Net Stop WyMessageAgingSvr")[0]->started_ms - gateway->started_ms,
            30'000u + 2 * kLineMs);
  EXPECT_EQ(tomcat->show_window, 1);
  EXPECT_EQ(gateway->show_window, 1);
  const auto* w3svc = server.Started(L"Net Stop W3svc")[0];
  EXPECT_EQ(server.Started(L"kill.exe ctbbserv.exe")[0]->started_ms - w3svc->started_ms,
            40'000u + kLineMs);
  EXPECT_EQ(w3svc->show_window, 1);
}

TEST_F(StageA, AHungKillerCosts40SecondsWithItsOwnLine) {
  server.InstallProgram(L"C:\\Tools\\kill.exe", RunsFor(10ULL * 3600 * 1000));
  ASSERT_FALSE(Start());
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  EXPECT_NE(LogAfterStartup().find("    running Kill ZQ*\r\n(error) Kill process took longer than "
                                   "40 seconds, task terminated\r\n"
                                   "    Stopping WyDohMgr service\r\n"),
            std::string::npos);
  const auto* kill = server.Started(L"kill.exe zq*")[0];
  EXPECT_EQ(server.Started(L"Net Stop WyDohMgr")[0]->started_ms - kill->started_ms,
            40'000u + 2 * kLineMs);
  EXPECT_EQ(kill->show_window, 6) << "minimized without focus";
}

TEST_F(StageA, TheStopsRunInTheUninstallersFolder) {
  server.files.WriteFile(L"C:\\WINDOWS\\Temp\\x.txt", "x");
  ASSERT_FALSE(Start());
  process->InheritCurrentDirectory(L"C:\\WINDOWS\\Temp");
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  EXPECT_EQ(server.Started(L"C:\\Tools\\PelletSetup.exe")[0]->current_dir, L"C:\\WINDOWS\\Temp");
  EXPECT_EQ(server.Started(L"Net Stop TomCat")[0]->current_dir, L"C:\\Tools");
}

TEST_F(StageA, AnotherDriveKeepsItsCurrentDirectory) {
  server.files.WriteFile(L"D:\\Data\\x.txt", "x");
  ASSERT_FALSE(Start());
  process->InheritCurrentDirectory(L"D:\\Data");
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  EXPECT_EQ(server.Started(L"Net Stop TomCat")[0]->current_dir, L"D:\\Data")
      << "the uninstaller's folder is on C:, and the drive is not changed";
}

TEST_F(StageA, PelletSetupPastTwentySeconds) {
  server.InstallProgram(L"C:\\Tools\\PelletSetup.exe", RunsFor(25'000));
  ASSERT_FALSE(Start());
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  std::string log = LogAfterStartup();
  EXPECT_NE(log.find("   removing TSP information\r\n    Stopping TomCat"), std::string::npos);
  const auto* pellet = server.Started(L"C:\\Tools\\PelletSetup.exe")[0];
  const auto* first_stop = server.Started(L"Net Stop TomCat")[0];
  EXPECT_EQ(first_stop->started_ms - pellet->started_ms, 20'000u + 1) << "stopped waiting at 20 s";
  EXPECT_GT(*pellet->ends_ms, first_stop->started_ms) << "the sequence went on while it ran";
}

TEST_F(StageA, AMissingPelletSetupIsATrapLine) {
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(L"C:\\Tools\\PelletSetup.exe"));
  ASSERT_FALSE(Start());
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  const std::string log = LogAfterStartup();
  EXPECT_NE(log.find("   removing TSP information\r\n"
                     "(error) Description:File not found number: 53\r\n"
                     "    Stopping TomCat"),
            std::string::npos)
      << log;
}

platform::sim::StringTable DirscrubStrings() {
  platform::sim::StringTable table;
  for (const auto& [id, text] : dirscrub::BuiltInStrings()) table[id] = text;
  return table;
}

class DirscrubPath : public StageA {
 protected:
  void SetUp() override {
    StageA::SetUp();
    InstallProduct(0x00030000, 0x00010000, L"C:\\Corvane\\");  // 3.1: older than 4.0(2.50)
  }
  void DirscrubStandIn(bool writes_marker, std::uint64_t run_ms = 60'000) {
    Program dirscrub;
    dirscrub.run_ms = run_ms;
    dirscrub.body = [this, writes_marker](Process& p) -> std::uint32_t {
      // What Dirscrub finds: a log that nobody else holds open.
      const auto* node = server.files.Find(L"C:\\VelmarUninstall.log");
      log_handles_at_dirscrub = node ? node->open_handles : -1;
      auto log = p.host().files.OpenText(L"c:\\VelmarUninstall.log", platform::OpenMode::kAppend);
      log->WriteLine(L"Dirscrub was here");
      if (writes_marker) p.host().files.WriteBytes(L"c:\\VelmarUninstallTemp.xxx", "MVSLIES");
      return 0;
    };
    server.InstallProgram(L"C:\\Tools\\DirscrubVelmar30.exe", dirscrub);
  }
  int log_handles_at_dirscrub = -2;  // -2: Dirscrub never ran; -1: it found no log
  void PressWithOption() {
    app->main.SetChecked("chkRemoveSubscriberInfo", true);
    Questions();
    Ending(2);
    EXPECT_TRUE(Press());
  }
};

TEST_F(DirscrubPath, HandOverWithTheMarker) {
  DirscrubStandIn(true, 2ULL * 3600 * 1000);  // however long it runs, it is waited for
  ASSERT_FALSE(Start());
  const auto pressed = server.now_ms();
  const std::size_t refreshed_before = views.Of("frmMain")->refresh_order.size();
  PressWithOption();
  const std::string log = LogAfterStartup();
  EXPECT_EQ(log.rfind("    Launching Dirscrub using path=C:\\Tools\\DirscrubVelmar30.exe\r\n"
                      "Dirscrub was here\r\n"
                      "    Dirscrub completed, resuming uninstall.\r\n"
                      "   removing TSP information\r\n",
                      0),
            0u)
      << log;
  EXPECT_EQ(log_handles_at_dirscrub, 0) << "the uninstaller's handle is closed for the hand-over";
  EXPECT_FALSE(server.files.Exists(L"C:\\VelmarUninstallTemp.xxx"));
  EXPECT_TRUE(app->main.Checked("chkCustomProperties"));
  EXPECT_TRUE(app->main.Checked("chkVelmarObjects"));
  const auto* dirscrub = server.Started(L"C:\\Tools\\DirscrubVelmar30.exe")[0];
  EXPECT_EQ(dirscrub->command_line, L"C:\\Tools\\DirscrubVelmar30.exe");
  EXPECT_EQ(dirscrub->show_window, 1);
  EXPECT_GE(dirscrub->started_ms - pressed, 1000u)
      << "a pause between closing the log and the start";
  EXPECT_LT(dirscrub->started_ms - pressed, 1100u);
  EXPECT_GE(server.Started(L"C:\\Tools\\PelletSetup.exe")[0]->started_ms, *dirscrub->ends_ms);
  std::vector<std::string> ticks;
  const auto& refreshed = views.Of("frmMain")->refresh_order;
  for (auto it = refreshed.begin() + static_cast<std::ptrdiff_t>(refreshed_before);
       it != refreshed.end(); ++it) {
    if (*it == "chkCustomProperties" || *it == "chkVelmarObjects" || *it == "chkStopServices") {
      ticks.push_back(*it);
    }
  }
  EXPECT_EQ(ticks, (std::vector<std::string>{"chkCustomProperties", "chkVelmarObjects",
                                             "chkStopServices"}));
}

// The log is closed while Dirscrub should run: the failed start's trap line has nowhere to go.
TEST_F(DirscrubPath, ADirscrubThatCannotStartLeavesOnlyTheMarkerLine) {
  Program damaged;
  damaged.fails_to_start = true;
  server.InstallProgram(L"C:\\Tools\\DirscrubVelmar30.exe", damaged);
  ASSERT_FALSE(Start());
  PressWithOption();
  const std::string log = LogAfterStartup();
  EXPECT_EQ(log.rfind("    Launching Dirscrub using path=C:\\Tools\\DirscrubVelmar30.exe\r\n"
                      "    Dirscrub completed, resuming uninstall.\r\n"
                      "(error) c:\\VelmarUninstallTemp.xxx file was not created.  Dirscrub "
                      "application did not run properly\r\n"
                      "   removing TSP information\r\n",
                      0),
            0u)
      << log;
}

TEST_F(DirscrubPath, TheInventoryTakenAtThePressIsShownAtTheEnd) {
  DirscrubStandIn(true);
  server.sql.AddSubscriber(
      {L"ESubscriber", L"Example Subscriber", L"ESubscriber_A", 1, L"{OID-1}"});
  server.sql.AddLocation({L"default", L"Default Location", L"Loc_A", L"{OID-900}", L"DIR-900"});
  ASSERT_FALSE(Start());
  app->main.SetChecked("chkRemoveSubscriberInfo", true);
  Questions();
  server.boxes.Expect(
      EnglishTable().at(2039) +
          L"\r\n\r\nSubscribers:\r\n"
          L"Alias='ESubscriber', Display Name='Example Subscriber', Mail "
          L"Alias='ESubscriber_A'\r\n"
          L"\r\nPublic Distribution Lists:\r\n"
          L"\r\nLocation Objects:\r\n"
          L"Alias='default', Display Name='Default Location', Mail Alias='Loc_A'\r\n",
      mb::kIdOk);
  Ending();
  EXPECT_TRUE(Press());
}

TEST_F(DirscrubPath, JustBelowTwoFiftyStillHandsOver) {
  InstallProduct(0x00040000, 0x00020031, L"C:\\Corvane\\");  // 4.0(2.49)
  DirscrubStandIn(true);
  ASSERT_FALSE(Start());
  PressWithOption();
  EXPECT_EQ(server.Started(L"C:\\Tools\\DirscrubVelmar30.exe").size(), 1u);
}

TEST_F(DirscrubPath, TheRealDirscrubCleansInPlaceAndItsErrorsCount) {
  Program dirscrub;
  dirscrub.run_ms = 60'000;
  dirscrub.own_strings = DirscrubStrings();
  dirscrub.file_version = {1, 1, 0, 90};
  dirscrub.body = [](Process& p) -> std::uint32_t {
    FakeViews views;
    dirscrub::DirscrubApp app(p.host(), views);
    try {
      app.Run();
    } catch (const platform::ProgramEnd& end) {
      return end.exit_code;
    }
    return 0;
  };
  server.InstallProgram(L"C:\\Tools\\DirscrubVelmar30.exe", dirscrub);
  server.doh.registered = true;
  server.doh.local_location = platform::sim::DirectoryIdFor(L"--Location-Here-0001");
  server.doh.locations = {{server.doh.local_location, L"ThisServer", {}}};
  server.doh.subscribers.push_back({server.doh.local_location, 1, L"OID-ann", L"ann", false, {}});
  // No gateway: Dirscrub's two error lines join the uninstaller's in the summary's count.
  ASSERT_FALSE(Start());
  PressWithOption();
  const std::string log = LogAfterStartup();
  const auto from = log.find(
      "    Launching Dirscrub using path=C:\\Tools\\DirscrubVelmar30.exe\r\n"
      "(error) in Dirscrub routine.  Error=ActiveX component can't create "
      "object number=429\r\n");
  const auto removed =
      log.find("    Removing custom properties from user with OBJECT_ID=OID-ann and alias=ann\r\n");
  const auto to = log.find(
      "******** Subscriber removal complete **********\r\n"
      "    Dirscrub completed, resuming uninstall.\r\n"
      "   removing TSP information\r\n");
  EXPECT_NE(from, std::string::npos) << log;
  EXPECT_LT(from, removed);
  EXPECT_LT(removed, to);
  EXPECT_NE(to, std::string::npos) << log;
  EXPECT_FALSE(server.files.Exists(L"C:\\VelmarUninstallTemp.xxx"));
  EXPECT_TRUE(server.doh.subscribers[0].custom_properties_removed);
  std::size_t errors = 0;
  for (std::size_t at = log.find("(error)"); at != std::string::npos;
       at = log.find("(error)", at + 1)) {
    ++errors;
  }
  EXPECT_GE(errors, 2u);
  const std::wstring summary = server.boxes.shown().back().text;
  EXPECT_NE(summary.find(L" " + std::to_wstring(errors) + L"  error(s) encountered"),
            std::wstring::npos)
      << platform::Utf8FromWide(summary);
}

TEST_F(DirscrubPath, NoMarkerIsAnErrorLine) {
  DirscrubStandIn(false);
  ASSERT_FALSE(Start());
  PressWithOption();
  EXPECT_NE(LogAfterStartup().find("    Dirscrub completed, resuming uninstall.\r\n(error) "
                                   "c:\\VelmarUninstallTemp.xxx file was not created.  Dirscrub "
                                   "application did not run properly\r\n"),
            std::string::npos);
}

TEST_F(DirscrubPath, AMissingDirscrubEndsTheProgram) {
  ASSERT_FALSE(Start());
  app->main.SetChecked("chkRemoveSubscriberInfo", true);
  Questions();
  server.boxes.Expect(EnglishTable().at(2018), mb::kIdOk);
  EXPECT_TRUE(Press());
  const std::string log = LogAfterStartup();
  EXPECT_EQ(log.rfind("(error) could not find file=C:\\Tools\\DirscrubVelmar30.exe\r\n"
                      "  Existing application\r\n"
                      "Exiting Application at:",
                      0),
            0u)
      << log;
  EXPECT_TRUE(server.Started(L"C:\\Tools\\PelletSetup.exe").empty());
}

TEST_F(StageA, NewerVersionsUseTheSqlSideRemoval) {
  ASSERT_FALSE(Start());  // 4.0(3.50)
  ExpectTheSqlSideRemoval(PressWithTheOption());
}

TEST_F(StageA, FromTwoFiftyTheMarkerIsLeftAlone) {
  InstallProduct(0x00040000, 0x00020032, L"C:\\Corvane\\");  // 4.0(2.50)
  server.InstallProgram(L"C:\\Tools\\DirscrubVelmar30.exe", RunsFor(1000));
  server.files.WriteFile(L"C:\\VelmarUninstallTemp.xxx", "NODOH");
  ASSERT_FALSE(Start());
  const std::string log = PressWithTheOption();
  ExpectTheSqlSideRemoval(log);
  EXPECT_EQ(log.find("file was not created"), std::string::npos);
  EXPECT_TRUE(server.files.Exists(L"C:\\VelmarUninstallTemp.xxx"));
}

}  // namespace
}  // namespace uninstaller::testing

namespace uninstaller::testing {
namespace {

// The second half of stage A: the kit, the web-application script, IIS and the headline.
class WebAndIis : public StageA {
 protected:
  std::string RunToHeadline() {
    EXPECT_FALSE(Start());
    Questions();
    Ending();
    EXPECT_TRUE(Press());
    const std::string log = LogAfterStartup();
    const auto from = log.find("    Corvane install path=");
    return from == std::string::npos ? log : log.substr(from);
  }
  void Faldern(const std::wstring& path) {
    server.registry.SetString(platform::reg::kLocalMachine, kFaldernKey, L"Path", path);
  }
};

TEST_F(WebAndIis, NoKitNoScriptNoIis) {
  server.iis.installed = false;
  const std::string log = RunToHeadline();
  const std::string headline = "Velmar shut down and all related services stopped\r\n";
  EXPECT_EQ(log.substr(0, log.find(headline) + headline.size()),
            "    Corvane install path=C:\\Program Files\\Corvane\r\n"
            "    No Faldern install detected.\r\n"
            "    Stopping the WWW service\r\n"
            "    net stop process completed\r\n"
            "IIS virtual directories removed\r\n"
            "IIS Application Pool removed\r\n"
            "Velmar shut down and all related services stopped\r\n");
  EXPECT_EQ(server.Started(L"kill.exe ctbbserv.exe")[0]->show_window, 2);
  EXPECT_EQ(server.Started(L"net stop ZqktNodeMgr").size(), 1u);
}

TEST_F(WebAndIis, AKitKeyWithoutPathIsAWarning) {
  Faldern(L"");
  EXPECT_NE(
      RunToHeadline().find("(warning) Faldern registry keys found but no path to executable "
                           "detected - skipping uninstall of the FDK\r\n    Stopping the WWW"),
      std::string::npos);
}

TEST_F(WebAndIis, TheKitsUninstallerUnderTheInstallRoot) {
  InstallProduct(0x00040000, 0x00030032, L"D:\\Corvane\\");
  Faldern(L"%CORVANE%\\kit\\remove.exe");
  server.InstallProgram(L"D:\\Corvane\\kit\\remove.exe", RunsFor(400'000));
  const std::string log = RunToHeadline();
  EXPECT_EQ(log.rfind("    Corvane install path=D:\\Corvane\\\r\n"
                      "    Uninstalling Faldern: D:\\Corvane\\kit\\remove.exe\r\n"
                      "    FDK Uninstall process completed\r\n",
                      0),
            0u)
      << log;
  const auto* kit = server.Started(L"D:\\Corvane\\kit\\remove.exe")[0];
  EXPECT_EQ(kit->command_line, L"D:\\Corvane\\kit\\remove.exe /silentuninstall");
  EXPECT_EQ(kit->show_window, 1);
  EXPECT_EQ(server.Started(L"Net Stop W3svc")[0]->started_ms - kit->started_ms,
            300'000u + 2 * kLineMs)
      << "stopped waiting at 300 s";
  EXPECT_EQ(ExpandCorvane(L"%corvane%\\a %Corvane%\\b", L"E:\\R\\"), L"E:\\R\\a E:\\R\\b");
}

TEST_F(WebAndIis, NoScriptNoCopiesAndNothingRun) {
  InstallProduct(0x00040000, 0x00030032, L"D:\\Corvane\\");
  server.files.WriteFile(L"D:\\Corvane\\brnkserv\\readme.txt", "no script here");
  server.files.WriteFile(L"C:\\Tools\\mypause.exe", "MZ");
  server.files.WriteFile(L"C:\\Tools\\tomcatuninstall.bat", "cscript //nologo uninstall.js");
  const std::string log = RunToHeadline();
  EXPECT_EQ(log.rfind("    Corvane install path=D:\\Corvane\\\r\n"
                      "    No Faldern install detected.\r\n"
                      "    Stopping the WWW service\r\n",
                      0),
            0u)
      << log;
  EXPECT_TRUE(server.Started(L"tomcatuninstall.bat").empty());
  EXPECT_FALSE(server.files.Exists(L"D:\\Corvane\\brnkserv\\mypause.exe"));
  EXPECT_FALSE(server.files.Exists(L"D:\\Corvane\\brnkserv\\tomcatuninstall.bat"));
  EXPECT_EQ(server.Started(L"Net Stop W3svc")[0]->current_dir, L"C:\\Tools");
}

// A kit uninstaller that cannot be started costs the trap line; the kit's closing line follows
// all the same.
TEST_F(WebAndIis, AKitUninstallerThatCannotStartIsATrapLine) {
  InstallProduct(0x00040000, 0x00030032, L"D:\\Corvane\\");
  Faldern(L"%Corvane%\\kit\\remove.exe");
  const std::string log = RunToHeadline();
  EXPECT_EQ(log.rfind("    Corvane install path=D:\\Corvane\\\r\n"
                      "    Uninstalling Faldern: D:\\Corvane\\kit\\remove.exe\r\n"
                      "(error) Description:File not found number: 53\r\n"
                      "    FDK Uninstall process completed\r\n"
                      "    Stopping the WWW service\r\n",
                      0),
            0u)
      << log;
}

// Without the two companions beside the uninstaller each copy is a trap line, and the script
// that cannot be started writes neither its warning nor its completion.
TEST_F(WebAndIis, MissingCompanionsAndAScriptThatCannotStartAreTrapLinesOnly) {
  InstallProduct(0x00040000, 0x00030032, L"D:\\Corvane\\");
  server.files.WriteFile(L"D:\\Corvane\\brnkserv\\uninstall.js", "WScript.Quit(0);");
  const std::string log = RunToHeadline();
  EXPECT_EQ(log.rfind("    Corvane install path=D:\\Corvane\\\r\n"
                      "    No Faldern install detected.\r\n"
                      "(error) Description:File not found number: 53\r\n"
                      "(error) Description:File not found number: 53\r\n"
                      "    running: D:\\Corvane\\brnkserv\\uninstall.js\r\n"
                      "(error) Description:File not found number: 53\r\n"
                      "    Stopping the WWW service\r\n",
                      0),
            0u)
      << log;
  EXPECT_TRUE(server.Started(L"tomcatuninstall.bat").empty());
  EXPECT_EQ(server.Started(L"Net Stop W3svc")[0]->current_dir, L"C:\\Tools")
      << "back in the uninstaller's folder";
}

// One companion missing: its copy is the one trap line and the script runs.
TEST_F(WebAndIis, AMissingPauseProgramIsOneTrapLine) {
  InstallProduct(0x00040000, 0x00030032, L"D:\\Corvane\\");
  server.files.WriteFile(L"D:\\Corvane\\brnkserv\\uninstall.js", "WScript.Quit(0);");
  server.InstallProgram(L"C:\\Tools\\tomcatuninstall.bat", RunsFor(1000));
  const std::string log = RunToHeadline();
  EXPECT_EQ(log.rfind("    Corvane install path=D:\\Corvane\\\r\n"
                      "    No Faldern install detected.\r\n"
                      "(error) Description:File not found number: 53\r\n"
                      "    running: D:\\Corvane\\brnkserv\\uninstall.js\r\n"
                      "    Completed uninstall.js\r\n"
                      "    Stopping the WWW service\r\n",
                      0),
            0u)
      << log;
  ASSERT_EQ(server.Started(L"tomcatuninstall.bat").size(), 1u);
  EXPECT_EQ(server.Started(L"tomcatuninstall.bat")[0]->current_dir, L"D:\\Corvane\\brnkserv");
}

// The script's limit is four minutes, whatever its warning says.
TEST_F(WebAndIis, AScriptThatEndsWithinFourMinutesIsCompleted) {
  InstallProduct(0x00040000, 0x00030032, L"D:\\Corvane\\");
  server.files.WriteFile(L"D:\\Corvane\\brnkserv\\uninstall.js", "WScript.Quit(0);");
  server.InstallProgram(L"C:\\Tools\\tomcatuninstall.bat", RunsFor(200'000));
  const std::string log = RunToHeadline();
  EXPECT_NE(log.find("    running: D:\\Corvane\\brnkserv\\uninstall.js\r\n"
                     "    Completed uninstall.js\r\n"
                     "    Stopping the WWW service\r\n"),
            std::string::npos)
      << log;
}

TEST_F(WebAndIis, TheWebApplicationScriptRunsInItsFolderAndComesBack) {
  InstallProduct(0x00040000, 0x00030032, L"D:\\Corvane\\");
  server.files.WriteFile(L"D:\\Corvane\\brnkserv\\uninstall.js", "WScript.Quit(0);");
  server.files.WriteFile(L"C:\\Tools\\mypause.exe", "MZ");
  platform::sim::Program script;
  script.run_ms = 250'000;
  std::wstring ran_in;
  bool copied = false;
  script.body = [&](Process& p) -> std::uint32_t {
    ran_in = p.host().processes.CurrentDirectory();
    copied = p.host().files.FileExists(L"mypause.exe") &&
             p.host().files.FileExists(L"tomcatuninstall.bat");
    return 0;
  };
  server.InstallProgram(L"C:\\Tools\\tomcatuninstall.bat", script);
  const std::string log = RunToHeadline();
  EXPECT_NE(log.find("    running: D:\\Corvane\\brnkserv\\uninstall.js\r\n"
                     "(warning) uninstall.js script took more than 2 minutes to run - terminating "
                     "and moving on.\r\n"
                     "    Stopping the WWW service\r\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(copied) << "both companions copied beside the script before it ran";
  EXPECT_EQ(ran_in, L"D:\\Corvane\\brnkserv");
  const auto* bat = server.Started(L"tomcatuninstall.bat")[0];
  EXPECT_EQ(bat->current_dir, L"D:\\Corvane\\brnkserv");
  EXPECT_EQ(bat->show_window, 1);
  EXPECT_EQ(server.Started(L"Net Stop W3svc")[0]->started_ms - bat->started_ms,
            240'000u + 2 * kLineMs)
      << "stopped waiting at 240 s";
  EXPECT_EQ(server.Started(L"Net Stop W3svc")[0]->current_dir, L"C:\\Tools")
      << "back in the uninstaller's folder, on its own drive";
}

// Every command of the second pass and of the platform services, in order, each waited for
// until it ends, with a one-second pause after each block.
TEST_F(WebAndIis, TheSecondPassAndThePlatformServicesRunToTheirEnd) {
  server.InstallProgram(L"C:\\WINDOWS\\system32\\net.exe", RunsFor(3600'000));
  RunToHeadline();
  const std::vector<std::pair<std::wstring, int>> expected = {{L"kill.exe ctbbserv.exe", 2},
                                                              {L"Net Stop ZqDirChangeWriter", 1},
                                                              {L"Net Stop ZqADVelmarMon", 1},
                                                              {L"Net Stop ZqDSGlobalCatalog", 1},
                                                              {L"Net Stop ZqTTSSvr", 1},
                                                              {L"Net Stop WyDohMgr", 1},
                                                              {L"Net Stop WyMDBStoreMonitor", 1},
                                                              {L"Net Stop WyNameGrammar", 1},
                                                              {L"Net Stop WyDirReader", 1},
                                                              {L"net stop msExchangegwIVC", 1},
                                                              {L"net stop w3svc", 1},
                                                              {L"net stop SMTPSVC", 1},
                                                              {L"net stop MSExchangeMTA", 1},
                                                              {L"net stop POP3SVC", 1},
                                                              {L"net stop NNTPSVC", 1},
                                                              {L"net stop MSFTPSVC", 1},
                                                              {L"net stop IMAP4SVC", 1},
                                                              {L"net stop MSEXCHANGEES", 1},
                                                              {L"net stop MSEXCHANGEIS", 1},
                                                              {L"net stop RESvc", 1},
                                                              {L"net stop httpfilter", 1},
                                                              {L"net stop IISADMIN", 1},
                                                              {L"net stop ZqktNodeMgr", 1}};
  const auto& all = server.processes();
  const auto w3svc = std::find_if(
      all.begin(), all.end(),
      [](const platform::sim::ProcessRecord& r) { return r.command_line == L"Net Stop W3svc"; });
  ASSERT_NE(w3svc, all.end());
  ASSERT_GT(all.end() - w3svc, static_cast<std::ptrdiff_t>(expected.size()) + 1);
  std::vector<std::pair<std::wstring, int>> started;
  for (auto it = w3svc + 1; it != w3svc + 1 + static_cast<std::ptrdiff_t>(expected.size()); ++it) {
    started.emplace_back(it->command_line, it->show_window);
  }
  EXPECT_EQ(started, expected);
  for (std::size_t i = 2; i <= expected.size(); ++i) {
    const auto& before = w3svc[static_cast<std::ptrdiff_t>(i) - 1];
    const auto& next = w3svc[static_cast<std::ptrdiff_t>(i)];
    ASSERT_TRUE(before.ends_ms.has_value());
    EXPECT_GE(next.started_ms, *before.ends_ms) << platform::Utf8FromWide(next.command_line);
  }
  const auto pause_after = [&](std::size_t last) {
    return w3svc[static_cast<std::ptrdiff_t>(last) + 1].started_ms -
           *w3svc[static_cast<std::ptrdiff_t>(last)].ends_ms;
  };
  EXPECT_GE(pause_after(9), 1000u) << "after the second pass";
  EXPECT_LT(pause_after(9), 1100u);
  EXPECT_GE(pause_after(expected.size()), 1000u) << "before the headline";
  EXPECT_LT(pause_after(expected.size()), 1100u);
}

TEST_F(WebAndIis, TheProductsIisObjectsGoOthersStay) {
  server.iis.virtual_directories = {L"Status", L"ZQXML", L"Printers", L"Web"};
  server.iis.application_pools = {L"DefaultAppPool", L"midlets", L"Web"};
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\DRQ\\page.htm", "x").attributes =
      platform::attr::kReadOnly;
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\ZqXML\\a.xml", "x");
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\index.htm", "x");
  RunToHeadline();
  // Twelve virtual directories, then six application pools, each tried whether it is there or
  // not.
  const std::vector<std::wstring> deletions = {
      L"IIsWebVirtualDir ConsoleWeb",    L"IIsWebVirtualDir Status",
      L"IIsWebVirtualDir ZQXML",         L"IIsWebVirtualDir Brightdesk",
      L"IIsWebVirtualDir MailboxPortal", L"IIsWebVirtualDir HandsetPane",
      L"IIsWebVirtualDir midlets",       L"IIsWebVirtualDir MBXS",
      L"IIsWebVirtualDir DRQ",           L"IIsWebVirtualDir feeder",
      L"IIsWebVirtualDir StatusXml",     L"IIsWebVirtualDir Web",
      L"IIsApplicationPool midlets",     L"IIsApplicationPool MBXS",
      L"IIsApplicationPool DRQ",         L"IIsApplicationPool feeder",
      L"IIsApplicationPool StatusXml",   L"IIsApplicationPool Web"};
  EXPECT_EQ(server.iis.deletions, deletions);
  EXPECT_EQ(server.iis.virtual_directories, std::vector<std::wstring>{L"Printers"});
  EXPECT_EQ(server.iis.application_pools, std::vector<std::wstring>{L"DefaultAppPool"});
  EXPECT_FALSE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\DRQ"));
  EXPECT_FALSE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\ZqXML"));
  EXPECT_TRUE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\index.htm"));
}

// A site whose home folder is a drive root or a share loses the product's two web folders
// there like any other; nothing else of the folder goes.
TEST_F(WebAndIis, AHomeFolderOnADriveRootLosesTheProductsWebFolders) {
  server.iis.home_folder = L"C:\\";
  server.files.WriteFile(L"C:\\DRQ\\page.htm", "x").attributes = platform::attr::kReadOnly;
  server.files.WriteFile(L"C:\\ZqXML\\a.xml", "x");
  server.files.WriteFile(L"C:\\default.htm", "keep");
  RunToHeadline();
  EXPECT_FALSE(server.files.Exists(L"C:\\DRQ"));
  EXPECT_FALSE(server.files.Exists(L"C:\\ZqXML"));
  EXPECT_TRUE(server.files.Exists(L"C:\\default.htm"));
}

TEST_F(WebAndIis, AHomeFolderOnAShareLosesTheProductsWebFolders) {
  server.iis.home_folder = L"\\\\web01\\sites\\wwwroot";
  server.files.WriteFile(L"\\\\web01\\sites\\wwwroot\\DRQ\\page.htm", "x");
  server.files.WriteFile(L"\\\\web01\\sites\\wwwroot\\ZqXML\\a.xml", "x");
  server.files.WriteFile(L"\\\\web01\\sites\\wwwroot\\default.htm", "keep");
  server.files.WriteFile(L"C:\\DRQ\\keep.txt", "not the product's");
  RunToHeadline();
  EXPECT_FALSE(server.files.Exists(L"\\\\web01\\sites\\wwwroot\\DRQ"));
  EXPECT_FALSE(server.files.Exists(L"\\\\web01\\sites\\wwwroot\\ZqXML"));
  EXPECT_TRUE(server.files.Exists(L"\\\\web01\\sites\\wwwroot\\default.htm"));
  EXPECT_TRUE(server.files.Exists(L"C:\\DRQ\\keep.txt"));
}

// A relative home folder, an unexpanded variable among them, would be looked for below the
// current folder: nothing is removed anywhere.
TEST_F(WebAndIis, AnUnexpandedHomeFolderRemovesNoWebFolder) {
  server.iis.home_folder = L"%SystemDrive%\\inetpub\\wwwroot";
  server.files.WriteFile(L"C:\\Tools\\%SystemDrive%\\inetpub\\wwwroot\\DRQ\\keep.txt", "x");
  server.files.WriteFile(L"C:\\inetpub\\wwwroot\\DRQ\\keep.txt", "x");
  server.files.WriteFile(L"C:\\inetpub\\wwwroot\\ZqXML\\keep.xml", "x");
  const std::string log = RunToHeadline();
  EXPECT_TRUE(server.files.Exists(L"C:\\Tools\\%SystemDrive%\\inetpub\\wwwroot\\DRQ\\keep.txt"))
      << "not below the current folder";
  EXPECT_TRUE(server.files.Exists(L"C:\\inetpub\\wwwroot\\DRQ\\keep.txt"));
  EXPECT_TRUE(server.files.Exists(L"C:\\inetpub\\wwwroot\\ZqXML\\keep.xml"));
  EXPECT_NE(log.find("IIS virtual directories removed\r\nIIS Application Pool removed\r\n"),
            std::string::npos)
      << log;
}

// The site root's home folder read fails (passed over, as every IIS step is): the web folders
// are not looked for at the top of the current drive.
TEST_F(WebAndIis, AnUnreadableHomeFolderRemovesNoWebFolder) {
  server.faults.programs = {L"VelmarUninstall3xandUp.exe"};
  server.faults.fail_site = "IADs.Get Path";
  server.files.WriteFile(L"C:\\DRQ\\keep.txt", "not the product's");
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\DRQ\\page.htm", "x");
  const std::string log = RunToHeadline();
  ASSERT_TRUE(server.faults.failed_at.has_value());
  EXPECT_TRUE(server.files.Exists(L"C:\\DRQ\\keep.txt"));
  EXPECT_TRUE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\DRQ\\page.htm"));
  EXPECT_NE(log.find("IIS virtual directories removed\r\nIIS Application Pool removed\r\n"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace uninstaller::testing
