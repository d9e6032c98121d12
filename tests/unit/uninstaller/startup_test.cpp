// Start-up and preflight: the refusals with their exact messages, the log left untouched by
// every refusal, and the opening lines of a run that passes.
#include "tests/unit/uninstaller/uninstaller_fixture.h"

namespace uninstaller::testing {
namespace {

namespace mb = platform::mb;

constexpr char kOldLog[] = "previous run\r\nExiting Application at:12/1/2006 9:00:00 AM\r\n";
constexpr wchar_t kNoPath[] =
    L"Could not find Velmar installation path in the registry.  Please contact Vantrel for "
    L"assistance";
constexpr wchar_t kRootOfDrive[] =
    L"Velmar is not installed in a folder, it's installed in a root directory of a drive.  This "
    L"is an illegal configuration and the Uninstall tool cannot proceed.  Please contact Vantrel "
    L"for assistance.";
constexpr wchar_t kTooOld[] =
    L"This version of uninstall only works on Velmar 3.0 or later.  You need to obtain the 2.x "
    L"version of Uninstall for this server.  Exiting...";
constexpr wchar_t kNotRunning[] =
    L"Velmar is not running.  In order to uninstall Velmar properly from your system, Velmar "
    L"must be running.\r\nPlease click Yes to exit.  Then start Velmar, and re-run the Uninstall "
    L"utility.If Velmar is not in a state where it can be started, click No to continue.\r\n\r\n"
    L"Do you want to exit?";

class Startup : public UninstallerTest {
 protected:
  void SetUp() override { server.files.WriteFile(L"C:\\VelmarUninstall.log", kOldLog); }
  void ExpectRefusedWithOldLogIntact() {
    EXPECT_TRUE(Start()) << "start-up should have ended the program";
    EXPECT_EQ(Log(), kOldLog) << "a refusal must leave the previous log byte for byte";
  }
};

TEST_F(Startup, APassingStartWritesTheOpeningLines) {
  server.machine.workstation->lan_group = L"CORPDOM";
  server.machine.user->logon_domain = L"LOGONDOM";
  server.machine.user->user_name = L"svcadmin";
  EXPECT_FALSE(Start());
  EXPECT_EQ(Log(),
            "VelmarRemoval version = 4. 0. 34\r\n"
            "\r\n"
            "\r\n"
            "Loading...\r\n"
            "Computer name of local Velmar server=VMSRV01\r\n"
            "Local Velmar version=4.0(3.50)\r\n"
            "Running under account: CORPDOM\\svcadmin\r\n"
            "Uninstall loaded, waiting for command from user to continue.\r\n");
  EXPECT_EQ(app->main.Caption(""), L"Velmar Uninstaller");
  EXPECT_TRUE(views.Of("frmMain")->visible) << "shown once start-up has passed";
  EXPECT_TRUE(app->VelmarServicesRunning);
  EXPECT_FALSE(app->NotRunningAccepted);
  EXPECT_EQ(views.loads["frmFailoverWarning"], 0);
}

TEST_F(Startup, VersionThreshold) {
  InstallProduct(0x00030000, 0x00010000, L"C:\\Corvane");  // 3.0(1.0) exactly
  EXPECT_FALSE(Start());
  EXPECT_NE(Log().find("Local Velmar version=3.0(1.0)\r\n"), std::string::npos);
}

TEST_F(Startup, VersionJustBelowTheThresholdIsRefused) {
  InstallProduct(0x00030000, 0x00000063, L"C:\\Corvane");  // 3.0(0.99)
  server.boxes.Expect(kTooOld, mb::kIdOk);
  ExpectRefusedWithOldLogIntact();
}

TEST_F(Startup, OlderMajorVersionIsRefused) {
  InstallProduct(0x00020009, 0x00090009, L"C:\\Corvane");  // 2.9(9.9)
  server.boxes.Expect(kTooOld, mb::kIdOk);
  ExpectRefusedWithOldLogIntact();
  EXPECT_EQ(server.boxes.shown().front().caption, L"Velmar Uninstaller");
}

TEST_F(Startup, AMachineWithoutTheProductIsRefused) {
  server.registry.Find(platform::reg::kLocalMachine, L"Software\\Quillon")->values.clear();
  server.boxes.Expect(kTooOld, mb::kIdOk);
  ExpectRefusedWithOldLogIntact();
}

TEST_F(Startup, NotRunningAnsweredYesExits) {
  server.services.Find(L"ZqKtGateWay")->state = platform::svc::kStopped;
  server.boxes.Expect(kNotRunning, mb::kIdYes);
  ExpectRefusedWithOldLogIntact();
}

TEST_F(Startup, NotRunningAnsweredNoGoesOn) {
  for (const auto* name : kServices) server.services.Remove(name);
  server.boxes.Expect(kNotRunning, mb::kIdNo);
  EXPECT_FALSE(Start());
  EXPECT_FALSE(app->VelmarServicesRunning);
  EXPECT_EQ(Log().rfind("VelmarRemoval version = 4. 0. 34\r\n", 0), 0u)
      << "the previous log is replaced";
}

TEST_F(Startup, MissingRootPathShowsTheRegistryMessage) {
  server.registry.Find(platform::reg::kLocalMachine, kProductKey)->values.clear();
  server.boxes.Expect(kNoPath, mb::kIdOk);
  ExpectRefusedWithOldLogIntact();
}

TEST_F(Startup, ADriveRootIsRefused) {
  InstallProduct(0x00040000, 0x00030032, L"C:\\");
  server.boxes.Expect(kRootOfDrive, mb::kIdOk);
  ExpectRefusedWithOldLogIntact();
}

TEST_F(Startup, FourCharactersAreEnough) {
  InstallProduct(0x00040000, 0x00030032, L"C:\\a");
  EXPECT_FALSE(Start());
}

TEST_F(Startup, FailoverWarningOnlyOnAPrimary) {
  for (std::uint32_t primary : {0u, 2u}) {
    server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", primary);
    EXPECT_FALSE(Start());
    EXPECT_EQ(views.loads["frmFailoverWarning"], 0) << "Primary = " << primary;
  }
}

TEST_F(Startup, FailoverProceedGoesOn) {
  server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", 1);
  views.WhenShown("frmFailoverWarning", [](ui::Form& f) { f.OnClick("cmdProceed"); });
  EXPECT_FALSE(Start());
  EXPECT_EQ(views.modal_order, std::vector<std::string>{"frmFailoverWarning"});
  EXPECT_EQ(app->failover.Caption(""), L"Uninstall - WARNING");
  EXPECT_EQ(app->failover.Caption("cmdProceed"), L"Proceed with Uninstall");
  EXPECT_FALSE(views.Of("frmFailoverWarning")->visible);
  EXPECT_EQ(Log().rfind("VelmarRemoval version", 0), 0u);
}

TEST_F(Startup, FailoverCancelEndsWithoutALog) {
  server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", 1);
  views.WhenShown("frmFailoverWarning", [](ui::Form& f) { f.OnClick("cmdCancel"); });
  ExpectRefusedWithOldLogIntact();
}

TEST_F(Startup, ClosingTheFailoverWarningCancels) {
  server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", 1);
  ExpectRefusedWithOldLogIntact();  // no scripted action: the stand-in closes the window
}

TEST_F(Startup, FailoverWarningTextsPlacesAndMenu) {
  server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", 1);
  std::vector<std::string> set_when_shown;
  views.WhenShown("frmFailoverWarning", [&](ui::Form& f) {
    set_when_shown = views.Of("frmFailoverWarning")->refresh_order;
    f.OnClick("cmdProceed");
  });
  EXPECT_FALSE(Start());
  const ui::Form& warning = app->failover;
  EXPECT_EQ(warning.Caption(""), L"Uninstall - WARNING");
  EXPECT_EQ(warning.Caption("Label1"),
            L"The local system is a primary server in a failover configuration.  You need to "
            L"disable the failover functionality and manually remove SQL replication before "
            L"proceeding with the uninstall process.  Details for this process can be found the "
            L"failover installation guide.  A link to this document can be found in the help "
            L"file.");
  EXPECT_EQ(warning.Caption("Label2"),
            L"If you have already performed these steps, press \"Proceed with Uninstall\" and "
            L"continue on.  If not, please press \"Cancel Uninstall\", perform the steps and then "
            L"run the Uninstall tool again.");
  EXPECT_EQ(warning.Caption("cmdProceed"), L"Proceed with Uninstall");
  EXPECT_EQ(warning.Caption("cmdCancel"), L"Cancel Uninstall");
  EXPECT_EQ(warning.Caption("mnuHelp"), L"Help");
  EXPECT_EQ(warning.Caption("Help"), L"Help");
  EXPECT_EQ(warning.Caption("About"), L"About");
  EXPECT_EQ(set_when_shown, (std::vector<std::string>{"Label1", "Label2", "cmdProceed", "cmdCancel",
                                                      "", "mnuHelp", "Help", "About"}))
      << "the texts are set once, at load, in this order";

  EXPECT_EQ(warning.Place(""), (ui::Rect{0, 0, 7845, 3570}));
  EXPECT_EQ(warning.Place("Label1"), (ui::Rect{180, 270, 7575, 975}));
  EXPECT_EQ(warning.Place("Label2"), (ui::Rect{150, 1440, 7605, 765}));
  EXPECT_EQ(warning.Place("cmdProceed"), (ui::Rect{120, 3000, 3315, 495}));
  EXPECT_EQ(warning.Place("cmdCancel"), (ui::Rect{4680, 3000, 3105, 495}));
  std::vector<std::string> help_menu;
  for (const ui::ControlRow& row : warning.table().controls) {
    if (row.parent == "mnuHelp") help_menu.emplace_back(row.name);
  }
  EXPECT_EQ(help_menu, (std::vector<std::string>{"Help", "seperator", "About"}));
  EXPECT_EQ(warning.Control("seperator")->kind, ui::Kind::kSeparator);
}

TEST_F(Startup, FailoverHelpAndAboutOpenTheirWindowsOverTheWarning) {
  server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", 1);
  bool still_up = false;
  views.WhenShown("frmFailoverWarning", [&](ui::Form& f) {
    f.OnClick("Help");
    f.OnClick("About");
    still_up = views.Of("frmFailoverWarning")->visible;
    f.OnClick("cmdProceed");
  });
  EXPECT_FALSE(Start());
  EXPECT_EQ(views.modal_order,
            (std::vector<std::string>{"frmFailoverWarning", "frmDetails", "frmAbout"}));
  EXPECT_EQ(app->details.Caption("browserHelp"), L"file://C:\\Tools\\VelmarUninstall3xandUp.htm");
  EXPECT_EQ(app->about.Caption("lblVersion"), L" 4.0 Build 34");
  EXPECT_TRUE(still_up) << "neither window answers the warning";
  EXPECT_EQ(Log().rfind("VelmarRemoval version", 0), 0u) << "Proceed still goes on afterwards";
}

TEST_F(Startup, ExitApplicationWritesTheClosingLineLast) {
  EXPECT_FALSE(Start());
  server.AdvanceBy(1000);
  EXPECT_THROW(app->ExitApplication(), platform::ProgramEnd);
  const std::string log = Log();
  EXPECT_EQ(log.substr(log.rfind("Uninstall loaded")),
            "Uninstall loaded, waiting for command from user to continue.\r\n"
            "Exiting Application at:12/6/2006 3:38:29 PM\r\n");
  EXPECT_FALSE(app->log.is_open());
}

}  // namespace
}  // namespace uninstaller::testing
