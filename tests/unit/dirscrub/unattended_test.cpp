// Dirscrub started by an unattended removal: no window placed, no box shown, its boxes written
// as "(unattended)" lines (to the event log when there is no log to write to), children hidden.
#include "platform/text.h"
#include "tests/unit/dirscrub/dirscrub_fixture.h"

namespace dirscrub::testing {
namespace {

class Unattended : public DirscrubTest {
 protected:
  Unattended() { args = L"Unattended"; }
  void ExpectNothingShown() {
    EXPECT_TRUE(server.boxes.shown().empty());
    EXPECT_TRUE(pixel_places.empty()) << "the window is never placed on the screen";
  }
};

TEST_F(Unattended, WithoutTheLogTheAnswerGoesToTheEventLog) {
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(kLog));
  EXPECT_EQ(Run(), 0u);
  ExpectNothingShown();
  EXPECT_EQ(server.files.Find(kLog), nullptr) << "no log is made up";
  ASSERT_EQ(server.event_log.size(), 1u);
  EXPECT_EQ(server.event_log[0].source, L"DirscrubVelmar30");
  EXPECT_EQ(server.event_log[0].text,
            L"(unattended) Error! Unable to find c:\\VelmarUninstall.log file! Exiting "
            L"Dirscrub... -> OK");
}

TEST_F(Unattended, TheDirectoryMessageIsLoggedAndTheNetStopRunsHidden) {
  server.com.last_status = 32;  // running: the monitor is stopped first
  server.doh.registered = false;
  EXPECT_EQ(Run(), 0u);
  ExpectNothingShown();
  EXPECT_TRUE(server.event_log.empty());
  const auto net = server.Started(L"Net Stop ZqMsgStoreMonitorSvr");
  ASSERT_EQ(net.size(), 1u);
  EXPECT_EQ(net[0]->show_window, 0);
  EXPECT_NE(Log().find("DOH Connection failed.  Exiting subscriber removal.\r\n"
                       "(unattended) Error!  Could not connect to the DOH.  Subscriber "
                       "information cannot be removed without a valid DOH connection.  Contact "
                       "support for help. -> OK\r\n"),
            std::string::npos)
      << Log();
  EXPECT_TRUE(MarkerIs("NODOH\r\n"));
}

}  // namespace
}  // namespace dirscrub::testing
