// WorkStationInfo on the simulated server: what is read at creation, what Refresh changes, and
// how a failing network client call leaves the members.
#include <gtest/gtest.h>

#include "common/workstation_info.h"
#include "platform/sim/process.h"

namespace {

using platform::sim::Process;
using platform::sim::Server;
using velmar::WorkStationInfo;

class WorkStationInfoTest : public ::testing::Test {
 protected:
  Server server;
  Process app{server, L"C:\\Tools\\Uninstall\\VelmarUninstall3xandUp.exe"};
  platform::SystemInfo& system = app.host().system;
};

TEST_F(WorkStationInfoTest, AnNtSystemIsReadAtCreation) {
  const WorkStationInfo info(system);
  EXPECT_EQ(info.ComputerName(), L"VMSRV01");
  EXPECT_EQ(info.Domain(), L"CORP");
  EXPECT_EQ(info.LanRoot(), L"C:\\WINDOWS");
  EXPECT_EQ(info.LoggedOnUsers(), 2);
  EXPECT_EQ(info.PlatformId(), 500);
  EXPECT_EQ(info.VerMajor(), 5);
  EXPECT_EQ(info.VerMinor(), 2);
  EXPECT_EQ(info.UserName(), L"Administrator");
  EXPECT_EQ(info.LogonDomain(), L"VMSRV01");
  EXPECT_EQ(info.OtherDomains(), L"");
  EXPECT_EQ(info.LogonServer(), L"\\\\VMSRV01");
}

TEST_F(WorkStationInfoTest, OtherPlatformsReadNothingEvenOnRefresh) {
  server.machine.os.platform_id = 1;
  WorkStationInfo info(system);
  info.Refresh();
  EXPECT_EQ(info.ComputerName() + info.Domain() + info.LanRoot() + info.UserName() +
                info.LogonDomain() + info.OtherDomains() + info.LogonServer(),
            L"");
  EXPECT_EQ(info.LoggedOnUsers() | info.PlatformId() | info.VerMajor() | info.VerMinor(), 0);
}

TEST_F(WorkStationInfoTest, AFailingUserCallLeavesOnlyTheUserMembersEmpty) {
  server.machine.user.reset();
  const WorkStationInfo info(system);
  EXPECT_EQ(info.ComputerName(), L"VMSRV01");
  EXPECT_EQ(info.UserName(), L"");
  EXPECT_EQ(info.LogonServer(), L"");
}

TEST_F(WorkStationInfoTest, MembersChangeOnlyOnRefreshAndOnlyFromCallsThatSucceed) {
  WorkStationInfo info(system);
  server.machine.workstation->computer_name = L"VMSRV02";
  server.machine.user->user_name = L"velmaradmin";
  EXPECT_EQ(info.ComputerName(), L"VMSRV01") << "reading a member never asks the platform";
  server.machine.workstation.reset();
  info.Refresh();
  EXPECT_EQ(info.ComputerName(), L"VMSRV01") << "a failed call keeps the previous values";
  EXPECT_EQ(info.UserName(), L"velmaradmin");
}

}  // namespace
