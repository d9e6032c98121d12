// VelmarVersion on the simulated server: the hex-digit groups of the two registry numbers and
// the display text.
#include <gtest/gtest.h>

#include "common/velmar_version.h"
#include "platform/sim/process.h"

namespace {

using platform::sim::Process;
using platform::sim::Server;
using velmar::VelmarVersionInfo;

class VelmarVersionTest : public ::testing::Test {
 protected:
  void SetNumbers(std::uint32_t version, std::uint32_t build) {
    server.registry.SetDword(platform::reg::kLocalMachine, L"SOFTWARE\\Quillon", L"Version Number",
                             version);
    server.registry.SetDword(platform::reg::kLocalMachine, L"SOFTWARE\\Quillon", L"Build Number",
                             build);
  }
  VelmarVersionInfo Read() {
    VelmarVersionInfo info = velmar::GetVelmarVersion(app.host().registry, app.host().locale);
    EXPECT_EQ(app.OpenRegistryHandles(), 0u);
    return info;
  }

  Server server;
  Process app{server, L"C:\\Tools\\Uninstall\\VelmarUninstall3xandUp.exe"};
};

TEST_F(VelmarVersionTest, DecimalGroupsAndAHexRevision) {
  SetNumbers(0x00040000, 0x001200FF);
  const VelmarVersionInfo info = Read();
  EXPECT_EQ(info.Major, 4);
  EXPECT_EQ(info.Minor, 0);
  EXPECT_EQ(info.Build, 12);
  EXPECT_EQ(info.Revision, 255);
  EXPECT_EQ(info.Text, L"4.0(12.255)");
}

TEST_F(VelmarVersionTest, AMachineWithoutTheValuesReadsAsZero) {
  const VelmarVersionInfo info = Read();
  EXPECT_EQ(info.Major + info.Minor + info.Build + info.Revision, 0);
  EXPECT_EQ(info.Text, L"0.0(0.0)");
  server.registry.SetDword(platform::reg::kLocalMachine, L"SOFTWARE\\Quillon", L"Build Number",
                           0x00020050);
  EXPECT_EQ(Read().Text, L"0.0(2.80)") << "each value on its own";
}

TEST_F(VelmarVersionTest, GroupsStopAtTheFirstHexLetter) {
  SetNumbers(0x000A12B4, 0x00A10001);
  VelmarVersionInfo info = Read();
  EXPECT_EQ(info.Major, 0) << "000A";
  EXPECT_EQ(info.Minor, 12) << "12B4";
  EXPECT_EQ(info.Build, 0) << "00A1";
  SetNumbers(0x99990250, 0x00030001);
  info = Read();
  EXPECT_EQ(info.Text, L"9999.250(3.1)");
}

TEST_F(VelmarVersionTest, RevisionsFrom8000UpAreNegative) {
  SetNumbers(0x00040000, 0x00027FFF);
  EXPECT_EQ(Read().Revision, 32767);
  SetNumbers(0x00040000, 0x00028000);
  EXPECT_EQ(Read().Revision, -32768);
  SetNumbers(0x00040000, 0x0002FFFF);
  const VelmarVersionInfo info = Read();
  EXPECT_EQ(info.Revision, -1);
  EXPECT_EQ(info.Text, L"4.0(2.-1)");
}

}  // namespace
