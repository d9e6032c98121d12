// Unattended start-ups: each way a run nobody watches ends before or at its press, with its exit
// code, its answered boxes as "(unattended)" lines (in the event log when no log was opened, the
// previous log left byte for byte), nothing shown, and one removal at a time.
#include "platform/text.h"
#include "tests/support/machine_state.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"

namespace uninstaller::testing {
namespace {

namespace mb = platform::mb;
using platform::Utf8FromWide;

constexpr char kOldLog[] = "previous run\r\nExiting Application at:12/1/2006 9:00:00 AM\r\n";
constexpr wchar_t kTooOld[] =
    L"This version of uninstall only works on Velmar 3.0 or later.  You need to obtain the 2.x "
    L"version of Uninstall for this server.  Exiting...";
constexpr char kNotRunningLine[] =
    "(unattended) Velmar is not running.  In order to uninstall Velmar properly from your "
    "system, Velmar must be running. Please click Yes to exit.  Then start Velmar, and re-run the "
    "Uninstall utility.If Velmar is not in a state where it can be started, click No to "
    "continue.  Do you want to exit?";
constexpr char kFailoverText[] =
    "(unattended) The local system is a primary server in a failover configuration.  You need to "
    "disable the failover functionality and manually remove SQL replication before proceeding "
    "with the uninstall process.  Details for this process can be found the failover "
    "installation guide.  A link to this document can be found in the help file. If you have "
    "already performed these steps, press \"Proceed with Uninstall\" and continue on.  If not, "
    "please press \"Cancel Uninstall\", perform the steps and then run the Uninstall tool again.";

class Unattended : public UninstallerTest {
 protected:
  void SetUp() override { server.files.WriteFile(L"C:\\VelmarUninstall.log", kOldLog); }

  void MakeFailoverPrimary() {
    server.registry.SetDword(platform::reg::kLocalMachine, kNodeManagerKey, L"Primary", 1);
  }
  void StopTheProduct() { server.services.Find(L"ZqKtGateWay")->state = platform::svc::kStopped; }
  // Ended by start-up with the code, nothing shown, the old log as it was, and the answered
  // box as the one entry of the Application event log.
  void ExpectEndedBeforeTheLog(std::uint32_t code, const std::string& entry) {
    EXPECT_TRUE(Start()) << "start-up should have ended the program";
    EXPECT_EQ(exit_code, code);
    EXPECT_EQ(Log(), kOldLog) << "the previous log is left byte for byte";
    EXPECT_TRUE(server.boxes.shown().empty());
    EXPECT_EQ(views.modal_order, std::vector<std::string>{});
    ASSERT_EQ(server.event_log.size(), 1u);
    EXPECT_EQ(server.event_log[0].source, L"Velmar Uninstaller");
    EXPECT_EQ(server.event_log[0].type, platform::evt::kError);
    EXPECT_EQ(Utf8FromWide(server.event_log[0].text), entry);
  }
};

TEST_F(Unattended, AVersionBelowThreeIsRefusedWithTwoWhileAnInteractiveRefusalKeepsZero) {
  InstallProduct(0x00020009, 0x00090009, L"C:\\Corvane");
  server.boxes.Expect(kTooOld, mb::kIdOk);
  EXPECT_TRUE(Start());
  EXPECT_EQ(exit_code, 0u) << "an interactive run keeps its exit code";
  EXPECT_TRUE(server.event_log.empty());

  args = L"-unattended";
  server.boxes = {};
  ExpectEndedBeforeTheLog(2, "(unattended) " + Utf8FromWide(kTooOld) + " -> OK");
}

TEST_F(Unattended, AMissingOrDriveRootPathIsRefusedWithTwo) {
  args = L"Unattended";
  InstallProduct(0x00040000, 0x00030032, L"C:\\");
  ExpectEndedBeforeTheLog(
      2,
      "(unattended) Velmar is not installed in a folder, it's installed in a root directory of a "
      "drive.  This is an illegal configuration and the Uninstall tool cannot proceed.  Please "
      "contact Vantrel for assistance. -> OK");

  server.event_log.clear();
  server.registry.Find(platform::reg::kLocalMachine, kProductKey)->values.clear();
  InstallProduct(0x00040000, 0x00030032, L"");
  ExpectEndedBeforeTheLog(2,
                          "(unattended) Could not find Velmar installation path in the registry.  "
                          "Please contact Vantrel for assistance -> OK");
}

TEST_F(Unattended, AStoppedProductEndsWithThreeWithoutAllowNotRunning) {
  args = L"Unattended ProceedOnFailover";
  StopTheProduct();
  ExpectEndedBeforeTheLog(3, std::string(kNotRunningLine) + " -> Yes");
}

TEST_F(Unattended, TheFailoverWarningEndsWithFourWithoutProceedOnFailover) {
  args = L"Unattended AllowNotRunning";
  MakeFailoverPrimary();
  ExpectEndedBeforeTheLog(4, std::string(kFailoverText) + " -> Cancel Uninstall");
  EXPECT_EQ(views.loads["frmFailoverWarning"], 0) << "the window is never even loaded";
}

// With both words the run goes on: the lines of the boxes met before the log follow its opening
// lines, the not-running notice is logged and the same press goes on to the confirmations.
TEST_F(Unattended, AnswersMetBeforeTheLogFollowItsOpeningLines) {
  args = L"Unattended AllowNotRunning ProceedOnFailover";
  StopTheProduct();
  MakeFailoverPrimary();
  EXPECT_TRUE(Start());
  EXPECT_TRUE(server.event_log.empty());
  EXPECT_TRUE(server.boxes.shown().empty());
  const std::string log = Log();
  const std::string opening_end =
      "Uninstall loaded, waiting for command from user to continue.\r\n";
  const auto after_opening = log.find(opening_end);
  ASSERT_NE(after_opening, std::string::npos) << log;
  EXPECT_EQ(
      log.substr(after_opening + opening_end.size())
          .rfind(std::string(kNotRunningLine) + " -> No\r\n" + kFailoverText +
                     " -> Proceed with Uninstall\r\n"
                     "(unattended) You have chosen to uninstall Velmar while Velmar is not "
                     "running.  Be aware that you will need to perform manual steps to properly "
                     "remove Velmar from your system.  Refer to \"Removal Details\" section of the "
                     "Uninstall Help file for this information. -> OK\r\n"
                     "(unattended) Please be sure to close all applications before uninstalling "
                     "Velmar.  Do you want to continue? -> Yes\r\n",
                 0),
      0u)
      << log;
  EXPECT_NE(log.find("DOH removal skipped at user's request..."), std::string::npos)
      << "without RemoveSubscriberInfo the option stays clear";
  EXPECT_LE(exit_code.value_or(9), 1u);
}

// An interactive run holds the mutex from start-up to its end; an unattended one started
// meanwhile ends with five and changes nothing, and the mutex goes with the run that held it.
TEST_F(Unattended, OneRemovalAtATime) {
  EXPECT_FALSE(Start());
  EXPECT_TRUE(server.MutexExists(L"Global\\VelmarUninstallRunning"));
  const std::string first_log = Log();
  const auto before = velmar::fault::Snapshot(server);
  const auto processes_before = server.processes().size();

  {
    platform::sim::Process second(server, kProgram, L"Unattended", EnglishTable(), {4, 0, 0, 34});
    UninstallerApp second_app(second.host(), views);
    try {
      second_app.Start();
      ADD_FAILURE() << "the second removal should have ended";
    } catch (const platform::ProgramEnd& end) {
      EXPECT_EQ(end.exit_code, 5u);
    }
  }
  EXPECT_EQ(velmar::fault::Snapshot(server), before);
  EXPECT_EQ(Log(), first_log);
  EXPECT_EQ(server.processes().size(), processes_before);
  EXPECT_TRUE(server.boxes.shown().empty());
  ASSERT_EQ(server.event_log.size(), 1u);
  EXPECT_NE(server.event_log[0].text.find(L"Another removal is running"), std::wstring::npos);

  app.reset();
  EXPECT_FALSE(server.MutexExists(L"Global\\VelmarUninstallRunning"));
}

TEST_F(Unattended, AnInteractiveStartWithTheMutexTakenGoesOnAsBefore) {
  platform::sim::Process other(server, kProgram);
  bool existed = true;
  auto held = other.host().processes.MakeNamedMutex(L"Global\\VelmarUninstallRunning", existed);
  EXPECT_FALSE(Start());
  EXPECT_EQ(Log().rfind("VelmarRemoval version = 4. 0. 34\r\n", 0), 0u);
}

TEST_F(Unattended, AMissingDirscrubEndsWithSixAfterItsAnsweredMessage) {
  InstallProduct(0x00030001, 0x00040002, L"C:\\Corvane");
  args = L"Unattended RemoveSubscriberInfo";
  EXPECT_TRUE(Start());
  EXPECT_EQ(exit_code, 6u);
  EXPECT_TRUE(server.boxes.shown().empty());
  EXPECT_TRUE(server.event_log.empty());
  const std::string log = Log();
  EXPECT_NE(log.find("(error) could not find file=C:\\Tools\\DirscrubVelmar30.exe\r\n"
                     "  Existing application\r\n"
                     "(unattended) Error!  Could not find Dirscrub.exe.  This file is necessary "
                     "to continue.  Exiting application... -> OK\r\nExiting Application at:"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace uninstaller::testing
