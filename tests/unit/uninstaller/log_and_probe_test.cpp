// The uninstall log's problem count and the service status probe with its trace lines.
#include "tests/unit/uninstaller/uninstaller_fixture.h"
#include "uninstaller/sequence/module_service.h"

namespace uninstaller::testing {
namespace {

class LogCount : public UninstallerTest {
 protected:
  void Count(const std::string& bytes) {
    server.files.WriteFile(L"C:\\VelmarUninstall.log", bytes);
    app->log.CountLogProblems();
  }
  void SetUp() override { ASSERT_FALSE(Start()); }
};

TEST_F(LogCount, MarkersCountAnywhereInAnyCaseOncePerLine) {
  Count(
      "(error) net stop process took longer than 30 seconds, task terminated\r\n"
      "step failed: (ERROR) twice (error)\r\n"
      "(Warning) uninstall.js script took more than 2 minutes\r\n"
      "both (error) and (warning)\r\n"
      "a plain line\r\n"
      "\r\n");
  EXPECT_EQ(app->log.ErrorCount(), 3);
  EXPECT_EQ(app->log.WarningCount(), 2);
}

TEST_F(LogCount, ShortLinesAreSkippedWithoutBeingSearched) {
  Count("ab\r\nx\r\n\r\n(error)\r\n");
  EXPECT_EQ(app->log.ErrorCount(), 1);
}

TEST_F(LogCount, CountersStopAt32767) {
  std::string many;
  for (int i = 0; i < 32770; ++i) many += "(error) again (warning) too\r\n";
  Count(many);
  EXPECT_EQ(app->log.ErrorCount(), 32767);
  EXPECT_EQ(app->log.WarningCount(), 32767);
}

TEST_F(LogCount, LaterLinesAreAppendedAfterTheCount) {
  Count("(error) first\r\n");
  app->log.WriteLog(L"after the count");
  EXPECT_EQ(Log(), "(error) first\r\nafter the count\r\n");
}

TEST_F(LogCount, AnUnreadableLogCountsNothingAndTheRunGoesOn) {
  Count("(error) one\r\n");
  server.files.Find(L"C:\\VelmarUninstall.log")->deny_access = true;
  app->log.CountLogProblems();
  EXPECT_EQ(app->log.ErrorCount(), 0);
  EXPECT_EQ(app->log.WarningCount(), 0);
  app->log.WriteLog(L"still running");  // must not throw
}

class ServiceProbe : public UninstallerTest {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Start());
    server.files.WriteFile(L"C:\\VelmarUninstall.log", "");
    app->log.ReopenForAppend();
  }
  std::optional<bool> Probe() { return CheckVelmarServices(process->host().services, app->log); }
  static std::string State(const char* name, int state) {
    return std::string(name) + " service state = " + std::to_string(state) +
           " (1=STOPPED, 2=START PENDING, 3=STOP PENDING, 4=SERVICE_RUNNING)"
           "[ModuleService]CheckVelmarServices()\r\n";
  }
  static constexpr char kQueryFailed[] =
      "Error returned from QueryServiceStatus, error = 6[ModuleService]CheckVelmarServices()\r\n";
};

TEST_F(ServiceProbe, NoneInstalledGivesNoAnswer) {
  for (const auto* name : kServices) server.services.Remove(name);
  EXPECT_EQ(Probe(), std::nullopt);
  std::string expected = "Entering [ModuleService]CheckVelmarServices()\r\n";
  for (int i = 0; i < 5; ++i) expected += kQueryFailed;
  expected += "Exiting [ModuleService]CheckVelmarServices()\r\n";
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(process->OpenServiceHandles(), 0u);
}

TEST_F(ServiceProbe, TheFirstStoppedServiceEndsTheProbe) {
  server.services.Find(L"ZqKtGateWay")->state = platform::svc::kStopped;
  EXPECT_EQ(Probe(), false);
  EXPECT_EQ(Log(), "Entering [ModuleService]CheckVelmarServices()\r\n" + State("ZqKtGateWay", 1) +
                       "Exiting [ModuleService]CheckVelmarServices()\r\n");
}

TEST_F(ServiceProbe, AMissingServiceIsSkippedNotCountedAgainst) {
  server.services.Remove(L"ZqKtGateWay");
  EXPECT_EQ(Probe(), true);
  EXPECT_EQ(Log(), "Entering [ModuleService]CheckVelmarServices()\r\n" + std::string(kQueryFailed) +
                       State("ZqDirChangeWriter", 4) + State("ZqSqlChangeWriter", 4) +
                       State("WyDirReader", 4) + State("ZqDSAD", 4) +
                       "Exiting [ModuleService]CheckVelmarServices()\r\n");
}

TEST_F(ServiceProbe, StartPendingCountsAsNotRunning) {
  server.services.Find(L"ZqSqlChangeWriter")->state = platform::svc::kStartPending;
  EXPECT_EQ(Probe(), false);
  EXPECT_NE(Log().find(State("ZqSqlChangeWriter", 2)), std::string::npos);
  EXPECT_EQ(Log().find("WyDirReader"), std::string::npos) << "probing stops there";
}

// Each of the five names: the refused manager (access denied), then the query on the handle
// that could not be opened (invalid handle), and the next name.
TEST_F(ServiceProbe, AnUnavailableManagerIsReportedForEveryName) {
  server.services.manager_unavailable = true;
  EXPECT_EQ(Probe(), std::nullopt);
  std::string expected = "Entering [ModuleService]CheckVelmarServices()\r\n";
  for (int i = 0; i < 5; ++i) {
    expected +=
        "Error returned from OpenSCManager, error = 5[ModuleService]CheckVelmarServices()\r\n";
    expected += kQueryFailed;
  }
  expected += "Exiting [ModuleService]CheckVelmarServices()\r\n";
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(process->OpenServiceHandles(), 0u);
}

}  // namespace
}  // namespace uninstaller::testing
