// The TSP uninstall: which provider is taken out of TAPI, when its files are renamed, the
// gateway's say in verbose mode, the result boxes and the exit code.
#include "tests/unit/pellet/pellet_fixture.h"

namespace pellet::testing {
namespace {

namespace mb = platform::mb;

class Uninstall : public PelletSetupTest {
 protected:
  Uninstall() {
    for (const wchar_t* name : {L"ZqPellet.TSP", L"ZqPelletRes.DLL", L"BrannockVelmar_TSP.DLL",
                                L"ZqSilenceMonitor.DLL"}) {
      server.files.WriteFile(Sys(name), "installed");
    }
  }
  std::vector<std::wstring> Removals() const {
    std::vector<std::wstring> out;
    for (const auto& call : server.telephony.calls) {
      if (call.starts_with(L"lineRemoveProvider")) out.push_back(call);
    }
    return out;
  }
  bool Renamed(const std::wstring& base) { return Exists(Sys(base + L".OLD")); }
};

TEST_F(Uninstall, SilentRemovesTheProviderThenRenamesItsThreeFiles) {
  const std::uint32_t id = server.telephony.Add(L"ZqPellet.tsp").permanent_id;
  EXPECT_EQ(Run(L"-uninstall -silent"), 0);
  EXPECT_EQ(Removals(), std::vector<std::wstring>{L"lineRemoveProvider " + std::to_wstring(id)});
  EXPECT_EQ(server.telephony.providers.size(), 2u);
  for (const wchar_t* base : {L"ZqPellet", L"ZqPelletRes", L"BrannockVelmar_TSP"}) {
    EXPECT_TRUE(Renamed(base)) << platform::Utf8FromWide(base);
  }
  EXPECT_TRUE(Exists(Sys(L"ZqSilenceMonitor.DLL")));  // only the install renames everything
  EXPECT_EQ(TracesFrom(L"Looking for the Pellet TSP ...\n", 6),
            (std::vector<std::wstring>{
                L"Looking for the Pellet TSP ...\n", L"   ... Looking at unimdm.tsp\n",
                L"   ... Looking at kmddsp.tsp\n", L"   ... Looking at ZqPellet.tsp\n",
                L"   ... Pellet TSP in the control panel.  Proceeding with removal.\n",
                L"lineRemoveProvider succeeded.  Now I'll remove the files\n"}));
  EXPECT_TRUE(server.boxes.shown().empty());
}

TEST_F(Uninstall, RenameDllTracesEachStepAndReplacesAnEarlierBackup) {
  server.files.WriteFile(Sys(L"ZqPellet.OLD"), "older backup");
  server.files.Find(Sys(L"ZqPellet.TSP"))->attributes = platform::attr::kReadOnly;
  server.telephony.Add(L"ZqPellet.tsp");
  EXPECT_EQ(Run(L"-uninstall -silent"), 0);
  EXPECT_EQ(server.files.Find(Sys(L"ZqPellet.OLD"))->content(), "installed");
  EXPECT_FALSE(Exists(Sys(L"ZqPellet.TSP")));
  EXPECT_EQ(
      TracesFrom(L"PelletSetup: RenameDll(Dll ZqPellet, Dir C:\\WINDOWS\\system32\\, Ext .TSP)\r\n",
                 12),
      (std::vector<std::wstring>{
          L"PelletSetup: RenameDll(Dll ZqPellet, Dir C:\\WINDOWS\\system32\\, Ext .TSP)\r\n",
          L"Renaming \"C:\\WINDOWS\\system32\\ZqPellet.TSP\" to "
          L"\"C:\\WINDOWS\\system32\\ZqPellet.OLD\"\n",
          L"GetFileAttributes() for ", L"\"C:\\WINDOWS\\system32\\ZqPellet.TSP", L"\" are 0x", L"1",
          L".\n", L"GetFileAttributes() for ", L"\"C:\\WINDOWS\\system32\\ZqPellet.OLD",
          L"\" are 0x", L"20", L".\n"}));
}

TEST_F(Uninstall, AbsentFilesAreTracedWithTheirErrnoAndDoNotStopTheRest) {
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(Sys(L"ZqPelletRes.DLL")));
  server.telephony.Add(L"ZqPellet.tsp");
  EXPECT_EQ(Run(L"-uninstall -silent"), 0);
  const auto from = TracesFrom(
      L"PelletSetup: RenameDll(Dll ZqPelletRes, Dir C:\\WINDOWS\\system32\\, Ext .DLL)\r\n", 16);
  EXPECT_EQ(from.at(5), L"ffffffff");
  EXPECT_EQ(from.at(12), L"Setting FILE_ATTRIBUTE_NORMAL on the old target file failed!");
  EXPECT_EQ(from.at(13), L"Setting FILE_ATTRIBUTE_NORMAL on the old backup file failed!");
  EXPECT_EQ(from.at(14), L"delete existing .old file failed with errno set to 0x2\n");
  EXPECT_EQ(from.at(15), L"rename dll to .old failed with errno set to 0x2\n");
  EXPECT_TRUE(Renamed(L"BrannockVelmar_TSP"));
}

TEST_F(Uninstall, NoMatchingProviderLeavesEverythingAndEndsWithZero) {
  server.telephony.Add(L"ZqPellet2.tsp");
  EXPECT_EQ(Run(L"-uninstall -silent"), 0);
  EXPECT_TRUE(Removals().empty());
  EXPECT_TRUE(Exists(Sys(L"ZqPellet.TSP")));
  EXPECT_TRUE(
      Traced(L"Could not find the Pellet TSP on the system.  TSP removal will do nothing.\n"));
}

TEST_F(Uninstall, DirectoryExtensionAndCaseAreIgnoredAndTheLastMatchWins) {
  server.telephony.Add(L"C:\\WINNT\\System32\\ZQPELLET.TSP");
  const std::uint32_t later = server.telephony.Add(L"zqpellet").permanent_id;
  EXPECT_EQ(Run(L"-uninstall -silent"), 0);
  EXPECT_EQ(Removals(), std::vector<std::wstring>{L"lineRemoveProvider " + std::to_wstring(later)});
}

TEST_F(Uninstall, WithoutTapiNothingIsFoundAndTheExitCodeIsZero) {
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(Sys(L"TAPI32.DLL")));
  server.telephony.Add(L"ZqPellet.tsp");
  EXPECT_EQ(Run(L"-uninstall -silent"), 0);
  EXPECT_TRUE(server.telephony.calls.empty());
  EXPECT_FALSE(Traced(L"Looking for the Pellet TSP ...\n"));
  EXPECT_TRUE(Exists(Sys(L"ZqPellet.TSP")));
}

TEST_F(Uninstall, AFailedRemovalIsTheExitCodeAndKeepsTheFiles) {
  server.telephony.Add(L"ZqPellet.tsp");
  server.telephony.remove_failure = static_cast<std::int32_t>(0x80000032);
  server.boxes.Expect(T(32865), mb::kIdOk);
  server.boxes.Expect(T(32867), mb::kIdOk);
  EXPECT_EQ(static_cast<std::uint32_t>(Run(L"-uninstall")), 0x80000032u);
  EXPECT_TRUE(Traced(L"lineRemoveProvider failed with 0x80000032\n"));
  EXPECT_TRUE(Exists(Sys(L"ZqPellet.TSP")));
  EXPECT_EQ(Boxes(),
            (std::vector<std::wstring>{T(32802) + L"|" + T(32865), T(32802) + L"|" + T(32867)}));
}

TEST_F(Uninstall, VerboseAsksAndHonoursCancel) {
  server.telephony.Add(L"ZqPellet.tsp");
  server.boxes.Expect(T(32865), mb::kIdCancel);
  EXPECT_EQ(Run(L"-uninstall"), 0);
  EXPECT_TRUE(server.telephony.calls.empty());
  EXPECT_EQ(server.com.gateways_created, 0);
}

TEST_F(Uninstall, TheGatewaysStatusDecidesWhetherVerboseGoesOn) {
  server.telephony.Add(L"ZqPellet.tsp");
  for (const std::uint32_t status : {64u, 255u}) {
    server.com.last_status = status;
    server.boxes.Expect(T(32865), mb::kIdOk);
    server.boxes.Expect(T(32866), mb::kIdOk);
    EXPECT_EQ(Run(L"-uninstall"), 0);
    EXPECT_TRUE(Traced(L"Velmar is not running... \n"));
    server.telephony.Add(L"ZqPellet.tsp");
  }
  server.com.last_status = 32;
  server.debug_trace.clear();
  server.boxes.Expect(T(32865), mb::kIdOk);
  server.boxes.Expect(T(32868), mb::kIdOk);
  EXPECT_EQ(Run(L"-uninstall"), 0);
  EXPECT_EQ(TracesFrom(L"CoCreateInstance(ZqKtGateway) succeeded\n", 3),
            (std::vector<std::wstring>{L"CoCreateInstance(ZqKtGateway) succeeded\n",
                                       L"Velmar is running... \n",
                                       L"Velmar is currently running.  Bailing...\n"}));
  EXPECT_EQ(Removals().size(), 2u);  // the two earlier runs, none in this one
  EXPECT_EQ(server.com.gateways_created, 3);
  EXPECT_EQ(server.com.gateways_released, 3);
}

TEST_F(Uninstall, AGatewayThatCannotBeCreatedOrReadCountsAsNotRunning) {
  server.telephony.Add(L"ZqPellet.tsp");
  server.com.gateway_clsid.clear();  // not registered
  server.boxes.Expect(T(32865), mb::kIdOk);
  server.boxes.Expect(T(32866), mb::kIdOk);
  EXPECT_EQ(Run(L"-uninstall"), 0);
  EXPECT_TRUE(
      Traced(L"CoCreate(ZqKtGateway) failed with 0x80040154.  I'm going assume that Velmar "
             L"is not present on the box.\n"));

  server.com.gateway_clsid = kGatewayClass;
  server.com.last_status_result = static_cast<std::int32_t>(0x80010108);
  server.telephony.Add(L"ZqPellet.tsp");
  server.boxes.Expect(T(32865), mb::kIdOk);
  server.boxes.Expect(T(32866), mb::kIdOk);
  EXPECT_EQ(Run(L"-uninstall"), 0);
  EXPECT_TRUE(
      Traced(L"ZqKtGateway::get_LastStatus failed with 0x80010108.  I'm going assume that "
             L"Velmar is not running.\n"));
  EXPECT_EQ(server.com.gateways_released, server.com.gateways_created);
}

}  // namespace
}  // namespace pellet::testing
