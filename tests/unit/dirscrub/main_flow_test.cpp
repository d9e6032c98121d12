// Dirscrub's main flow: the log check, the gateway and the product's shut-down, the start
// lines, the version gate, the completion line, the marker and the error handler.
#include "tests/support/root_file_access.h"
#include "tests/unit/dirscrub/dirscrub_fixture.h"

namespace dirscrub::testing {
namespace {

namespace mb = platform::mb;

class MainFlow : public DirscrubTest {
 protected:
  MainFlow() { Version(0x00040000, 0x00020000); }  // 4.0(2.0): no directory work
};

TEST_F(MainFlow, WithoutTheLogItSaysSoAndChangesNothing) {
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(kLog));
  server.files.WriteFile(kMarker, "OLD\r\n");
  server.boxes.Expect(L"Error! Unable to find c:\\VelmarUninstall.log file! Exiting Dirscrub...",
                      mb::kIdOk);
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(server.files.Find(kLog), nullptr);
  EXPECT_TRUE(MarkerIs("OLD\r\n"));
  EXPECT_EQ(server.com.gateways_created, 0);
  EXPECT_TRUE(server.Started(L"Net Stop").empty());
}

TEST_F(MainFlow, VersionFourBuildTwoNeedsNoDirectoryWork) {
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(Added(), "    Velmar is shut down, proceeding to clean subscriber info\r\n" +
                         StartLines() + "******** Subscriber removal complete **********\r\n");
  EXPECT_TRUE(MarkerIs("NOMVSLIES\r\n\r\n"));
  EXPECT_EQ(server.doh.managers_created, 0);
  EXPECT_TRUE(server.Started(L"Net Stop").empty());
  EXPECT_EQ(server.com.gateway_shutdowns, 0);
}

TEST_F(MainFlow, ARunningProductIsShutDownFirst) {
  server.com.last_status = 32;
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(Added().substr(0, Added().find("Dirscrub app")),
            "    Shutting down Velmar\r\n"
            "    Stopping ZqMsgStoreMonitorSvr (if installed)\r\n"
            "    net stop process completed\r\n");
  const auto net = server.Started(L"Net Stop ZqMsgStoreMonitorSvr");
  ASSERT_EQ(net.size(), 1u);
  EXPECT_EQ(net[0]->show_window, 6);
  EXPECT_EQ(server.com.gateway_shutdowns, 1);
  EXPECT_EQ(server.com.gateways_released, server.com.gateways_created);
}

TEST_F(MainFlow, ANetStopPastThirtySecondsIsAnErrorLine) {
  server.com.last_status = 32;
  server.InstallProgram(L"C:\\WINDOWS\\system32\\net.exe", platform::sim::Hangs());
  EXPECT_EQ(Run(), 0u);
  EXPECT_NE(
      Added().find("    Stopping ZqMsgStoreMonitorSvr (if installed)\r\n"
                   "(error) net stop process took longer than 30 seconds, task terminated\r\n"),
      std::string::npos);
  EXPECT_EQ(server.com.gateway_shutdowns, 1);
}

TEST_F(MainFlow, AMissingGatewayTakesTheRunningBranchWithTwoErrorLines) {
  server.com.gateway_clsid.clear();
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(Added(),
            "(error) in Dirscrub routine.  Error=ActiveX component can't create object "
            "number=429\r\n"
            "    Shutting down Velmar\r\n"
            "    Stopping ZqMsgStoreMonitorSvr (if installed)\r\n"
            "    net stop process completed\r\n"
            "(error) in Dirscrub routine.  Error=Object variable or With block variable not set "
            "number=91\r\n" +
                StartLines() + "******** Subscriber removal complete **********\r\n");
  EXPECT_TRUE(MarkerIs("NOMVSLIES\r\n\r\n"));
}

TEST_F(MainFlow, ComErrorsShowNegativeNumbersAndOneCodeIsPassedOver) {
  server.com.last_status_result = static_cast<std::int32_t>(0x800706BA);
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(Added().substr(0, Added().find("    Shutting down")),
            "(error) in Dirscrub routine.  Error=Automation error number=-2147023174\r\n");

  server.files.WriteFile(kLog, "VelmarRemoval version = 4. 0. 34\r\n");
  server.com.last_status_result = static_cast<std::int32_t>(0x80040102);
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(Added().substr(0, Added().find("    Stopping")), "    Shutting down Velmar\r\n");
}

TEST_F(MainFlow, AMarkerFromAnEarlierRunIsOverwrittenNotAppended) {
  server.files.WriteFile(kMarker, "MVSLIES\r\n\r\nleft over from before\r\n");
  EXPECT_EQ(Run(), 0u);
  EXPECT_TRUE(MarkerIs("NOMVSLIES\r\n\r\n"));
}

// A marker name planted beforehand as a second name of a system file, or as a reparse point to
// it: the marker is written under a name of its own, the system file keeps its bytes, and the
// log reads as on a clean server.
TEST_F(MainFlow, APlantedMarkerNameIsReplacedNotWrittenThrough) {
  constexpr wchar_t kBystander[] = L"C:\\WINDOWS\\system32\\zqauth.dll";
  using Plant = platform::sim::FileNode& (platform::sim::FileSystemState::*)(std::wstring_view,
                                                                             std::wstring_view);
  for (const Plant plant : {&platform::sim::FileSystemState::PlantHardLink,
                            &platform::sim::FileSystemState::PlantReparsePoint}) {
    server.files.WriteFile(kLog, "VelmarRemoval version = 4. 0. 34\r\n");
    server.files.WriteFile(kBystander, "MZ system");
    (server.files.*plant)(kMarker, kBystander);
    EXPECT_EQ(Run(), 0u);
    EXPECT_EQ(server.files.ReadFile(kBystander), "MZ system");
    EXPECT_TRUE(MarkerIs("NOMVSLIES\r\n\r\n"));
    EXPECT_EQ(server.files.Find(kMarker)->data.use_count(), 1);
    EXPECT_EQ(server.files.Find(kMarker)->attributes & platform::attr::kReparsePoint, 0u);
    EXPECT_EQ(velmar::testing::OwnAccessOf(server.files, kMarker),
              velmar::testing::ExpectedRootFileAccess());
    EXPECT_EQ(Added(), "    Velmar is shut down, proceeding to clean subscriber info\r\n" +
                           StartLines() + "******** Subscriber removal complete **********\r\n");
    platform::sim::FileSystemState::RemoveChild(*server.files.Find(kMarker));
  }
}

// A log name planted as a second name of a system file, by someone running Dirscrub on its own:
// no line is appended to the system file; the cleaning goes on without a log.
TEST_F(MainFlow, APlantedLogNameIsNeverAppendedTo) {
  constexpr wchar_t kBystander[] = L"C:\\WINDOWS\\system32\\zqauth.dll";
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(kLog));
  server.files.WriteFile(kBystander, "MZ system");
  server.files.PlantHardLink(kLog, kBystander);
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(server.files.ReadFile(kBystander), "MZ system");
  EXPECT_TRUE(MarkerIs("NOMVSLIES\r\n\r\n"));
}

TEST_F(MainFlow, TheWindowIsPlacedNarrowThenWideWithItsCaptions) {
  EXPECT_EQ(Run(), 0u);
  ASSERT_EQ(pixel_places.size(), 2u);
  EXPECT_EQ(pixel_places[0], (velmar::ui::Rect{30, 50, 383, 70}));
  EXPECT_EQ(pixel_places[1], (velmar::ui::Rect{30, 50, 486, 70}));
  EXPECT_EQ(frame_caption,
            L"Removing subscriber data from mail user records and all Velmar specific objects "
            L"from directory...");
}

}  // namespace
}  // namespace dirscrub::testing
