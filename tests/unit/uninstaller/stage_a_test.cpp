// The Uninstall press through the first pass of service stops: the notice and the questions,
// the subscriber-data branches (skipped, SQL-side, Dirscrub with its marker), the TSP step and
// the thirty stop rows with their two wordings.
#include <algorithm>

#include "PelletSetup/setup_app.h"
#include "dirscrub/app.h"
#include "dirscrub/strings_en.h"
#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"
#include "uninstaller/sequence/service_stops.h"
#include "uninstaller/sequence/uninstall_sequence.h"
#include "uninstaller/sequence/web_and_iis.h"

namespace uninstaller::testing {
namespace {

namespace mb = platform::mb;
using platform::sim::Hangs;
using platform::sim::Process;
using platform::sim::Program;
using platform::sim::RunsFor;

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
  for (const auto& step : FirstPassOfServiceStops()) {
    EXPECT_FALSE(server.Started(step.command).empty()) << platform::Utf8FromWide(step.command);
  }
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

TEST_F(StageA, AHungNetStopCosts30SecondsAndTheNWording) {
  ASSERT_FALSE(Start());
  server.services.Install(L"ZqKtGateway", platform::svc::kRunning);
  // Hangs for hours: the first pass gives up after 30 s, the later unlimited waits sit it out.
  server.InstallProgram(L"C:\\WINDOWS\\system32\\net.exe", RunsFor(10ULL * 3600 * 1000));
  Questions();
  Ending();
  const auto before = server.now_ms();
  EXPECT_TRUE(Press());
  const std::string log = LogAfterStartup();
  EXPECT_NE(log.find("    Stopping TomCat (if installed)\r\n(error) net stop process took longer "
                     "than 30 seconds, task terminated\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("    Stopping ZqKtGateway\r\n(error) Net stop took longer than 30 seconds, "
                     "task terminated\r\n"),
            std::string::npos);
  EXPECT_GE(server.now_ms() - before, 29u * 30'000u);
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
  void DirscrubStandIn(bool writes_marker) {
    Program dirscrub;
    dirscrub.run_ms = 60'000;
    dirscrub.body = [writes_marker](Process& p) -> std::uint32_t {
      auto log = p.host().files.OpenText(L"c:\\VelmarUninstall.log", platform::OpenMode::kAppend);
      log->WriteLine(L"Dirscrub was here");
      if (writes_marker) p.host().files.WriteBytes(L"c:\\VelmarUninstallTemp.xxx", "MVSLIES");
      return 0;
    };
    server.InstallProgram(L"C:\\Tools\\DirscrubVelmar30.exe", dirscrub);
  }
  void PressWithOption() {
    app->main.SetChecked("chkRemoveSubscriberInfo", true);
    Questions();
    Ending(2);
    EXPECT_TRUE(Press());
  }
};

TEST_F(DirscrubPath, HandOverWithTheMarker) {
  DirscrubStandIn(true);
  ASSERT_FALSE(Start());
  PressWithOption();
  const std::string log = LogAfterStartup();
  EXPECT_EQ(log.rfind("    Launching Dirscrub using path=C:\\Tools\\DirscrubVelmar30.exe\r\n"
                      "Dirscrub was here\r\n"
                      "    Dirscrub completed, resuming uninstall.\r\n"
                      "   removing TSP information\r\n",
                      0),
            0u)
      << log;
  EXPECT_FALSE(server.files.Exists(L"C:\\VelmarUninstallTemp.xxx"));
  EXPECT_TRUE(app->main.Checked("chkCustomProperties"));
  EXPECT_TRUE(app->main.Checked("chkVelmarObjects"));
  EXPECT_EQ(server.Started(L"C:\\Tools\\DirscrubVelmar30.exe")[0]->command_line,
            L"C:\\Tools\\DirscrubVelmar30.exe");
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
  app->main.SetChecked("chkRemoveSubscriberInfo", true);
  Questions();
  Ending();
  EXPECT_TRUE(Press());
  const std::string log = LogAfterStartup();
  EXPECT_NE(log.find("Starting removal of subscriber properties on a 4.0(3) or later system..."),
            std::string::npos);
  EXPECT_TRUE(server.Started(L"C:\\Tools\\DirscrubVelmar30.exe").empty());
  EXPECT_FALSE(app->main.Checked("chkVelmarObjects"));
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
  EXPECT_EQ(server.Started(L"D:\\Corvane\\kit\\remove.exe")[0]->command_line,
            L"D:\\Corvane\\kit\\remove.exe /silentuninstall");
  EXPECT_EQ(ExpandCorvane(L"%corvane%\\a %Corvane%\\b", L"E:\\R\\"), L"E:\\R\\a E:\\R\\b");
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
  EXPECT_EQ(server.Started(L"tomcatuninstall.bat")[0]->current_dir, L"D:\\Corvane\\brnkserv");
  EXPECT_EQ(server.Started(L"Net Stop W3svc")[0]->current_dir, L"C:\\Tools")
      << "back in the uninstaller's folder, on its own drive";
}

TEST_F(WebAndIis, TheProductsIisObjectsGoOthersStay) {
  server.iis.virtual_directories = {L"Status", L"ZQXML", L"Printers", L"Web"};
  server.iis.application_pools = {L"DefaultAppPool", L"midlets", L"Web"};
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\DRQ\\page.htm", "x").attributes =
      platform::attr::kReadOnly;
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\ZqXML\\a.xml", "x");
  server.files.WriteFile(L"C:\\Inetpub\\wwwroot\\index.htm", "x");
  RunToHeadline();
  EXPECT_EQ(server.iis.virtual_directories, std::vector<std::wstring>{L"Printers"});
  EXPECT_EQ(server.iis.application_pools, std::vector<std::wstring>{L"DefaultAppPool"});
  EXPECT_FALSE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\DRQ"));
  EXPECT_FALSE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\ZqXML"));
  EXPECT_TRUE(server.files.Exists(L"C:\\Inetpub\\wwwroot\\index.htm"));
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
