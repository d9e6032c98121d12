// Checks that the benchmarks measure what they claim: installations in the sizes asked for,
// counted calls and SQL Server time, and a run that leaves the product behind reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "bench/bench_machine.h"
#include "bench/log_text.h"
#include "common/registry_api.h"
#include "uninstaller/directory/directory_inventory.h"
#include "uninstaller/sequence/uninstall_log.h"

namespace velmar::bench {
namespace {

namespace reg = platform::reg;

constexpr wchar_t kTree[] = L"Software\\Quillon\\Tree";

TEST(InstallationLayout, LaysOutTheSizesAskedFor) {
  platform::sim::Server server;
  const std::size_t files_before = server.files.FileCount();
  const std::size_t keys_before = server.registry.KeyCount();
  LayInstallTree(server.files, 250);
  LayProductKeys(server.registry, 250);
  LaySubscribers(server.sql, 7);
  EXPECT_EQ(server.files.FileCount() - files_before, 250u);
  EXPECT_TRUE(server.files.Exists(L"C:\\Corvane\\Data\\G000000\\F000002\\file000249.dat"));
  // 250 keys in three branches alternating between the two trees, a group in each tree, and
  // the two trees' two levels below Software.
  const std::size_t branches = 3, groups = 2, tree_keys = 4;
  EXPECT_EQ(server.registry.KeyCount() - keys_before, 250 + branches + groups + tree_keys);
  const auto* key = server.registry.Find(
      reg::kLocalMachine, L"Software\\Brannock Systems\\Velmar\\G000000\\B000001\\K000199");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->values.size(), static_cast<std::size_t>(kValuesPerKey));
  EXPECT_EQ(server.sql.CountRows(L"VelmarDb", L"Subscriber"), 7);
}

TEST(InstallationLayout, AppendedKeysAreFoundAndEnumeratedInOrder) {
  platform::sim::Server server;
  auto& parent = server.registry.Ensure(reg::kLocalMachine, kTree);
  for (int i = 0; i < 3; ++i) AppendKey(parent, Numbered(L"K", i));
  EXPECT_NE(server.registry.Find(reg::kLocalMachine, L"software\\quillon\\tree\\k000002"), nullptr);
  platform::sim::Process process(server, BenchMachine::kProgram);
  RegistryAPI api(process.host().registry, process.host().locale);
  EXPECT_EQ(api.EnumRegKeys(reg::kLocalMachine, kTree),
            (std::vector<std::wstring>{L"K000000", L"K000001", L"K000002"}));
}

TEST(InstallationLayout, LargeTreesSpreadOverGroupsOfBranches) {
  platform::sim::Server server;
  LayInstallTree(server.files, 10'001);
  EXPECT_TRUE(server.files.Exists(L"C:\\Corvane\\Data\\G000001\\F000100\\file010000.dat"));
  const auto* data = server.files.Find(L"C:\\Corvane\\Data\\G000000");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->children.size(), static_cast<std::size_t>(kBranchSize));
}

// The deep benchmark stops at the levels DeleteRegKeyTree visits: a chain one level longer is
// left in place, and so it would measure nothing.
TEST(CountingRegistry, ADeepTreeIsDeletedWholeUpToTheDepthGuard) {
  for (const int levels : {RegistryAPI::kMaxTreeDepth, RegistryAPI::kMaxTreeDepth + 1}) {
    platform::sim::Server server;
    auto* key = &server.registry.Ensure(reg::kLocalMachine, kTree);
    for (int i = 0; i < levels; ++i) key = &AppendKey(*key, L"K");
    platform::sim::Process process(server, BenchMachine::kProgram);
    RegistryAPI api(process.host().registry, process.host().locale);
    api.DeleteRegKeyTree(kTree, reg::kLocalMachine);
    EXPECT_EQ(server.registry.Find(reg::kLocalMachine, kTree) == nullptr,
              levels == RegistryAPI::kMaxTreeDepth)
        << levels << " levels";
  }
}

TEST(CountingRegistry, CountsEveryCallOfATreeDeletion) {
  platform::sim::Server server;
  AppendKey(server.registry.Ensure(reg::kLocalMachine, kTree), L"Leaf");
  platform::sim::Process process(server, BenchMachine::kProgram);
  CountingRegistry counting(process.host().registry);
  RegistryAPI api(counting, process.host().locale);
  api.DeleteRegKeyTree(std::wstring(kTree) + L"\\Leaf", reg::kLocalMachine);
  EXPECT_EQ(server.registry.Find(reg::kLocalMachine, std::wstring(kTree) + L"\\Leaf"), nullptr);
  // Subkeys: open, one enumeration, close. Values: open, two and the end, close. Each value
  // deleted: open, delete, close. Then the key itself.
  EXPECT_EQ(counting.calls(), 3u + 5u + 2u * 3u + 1u);
  EXPECT_EQ(counting.opens(), 4u);
  counting.Reset();
  EXPECT_EQ(counting.calls(), 0u);
}

TEST(LogText, MarksOneLineInAHundredAndTheCountFindsThem) {
  const LogText log = MakeLog(1 << 20);
  EXPECT_GE(log.bytes.size(), 1u << 20);
  EXPECT_EQ(log.errors + log.warnings, log.lines / kMarkerEvery);
  EXPECT_LE(std::abs(log.errors - log.warnings), 1);
  platform::sim::Server server;
  server.files.WriteFile(uninstaller::kLogPath, log.bytes);
  platform::sim::Process process(server, BenchMachine::kProgram);
  uninstaller::UninstallLog reader(process.host().files, process.host().clock);
  reader.CountLogProblems();
  EXPECT_EQ(reader.ErrorCount(), log.errors);
  EXPECT_EQ(reader.WarningCount(), log.warnings);
}

TEST(TimedDatabase, PassesRowsThroughAndAddsUpTheServersTime) {
  platform::sim::Server server;
  LaySubscribers(server.sql, 3);
  platform::sim::Process process(server, BenchMachine::kProgram);
  TimedDatabase database(process.host().database);
  auto rows = database.OpenRecordset(L"select Alias from vw_Subscriber",
                                     uninstaller::kProductDatabase, platform::ado::kOpenStatic,
                                     platform::ado::kLockReadOnly, platform::ado::kUseClient);
  EXPECT_EQ(rows->RecordCount(), 3);
  EXPECT_EQ(platform::DbText(rows->Field(L"Alias")), L"user000000");
  EXPECT_GT(database.seconds(), 0.0);
  // A failure inside the server still counts its time and reaches the caller unchanged.
  const double before = database.seconds();
  EXPECT_THROW(database.OpenRecordset(L"select nothing from nowhere", uninstaller::kProductDatabase,
                                      platform::ado::kOpenStatic, platform::ado::kLockReadOnly,
                                      platform::ado::kUseClient),
               platform::RuntimeError);
  EXPECT_GT(database.seconds(), before);
}

TEST(BenchMachine, AWholeRunRemovesTheInstallationAndTakesVirtualTime) {
  BenchMachine machine(InstallSize{300, 300, 5});
  ASSERT_TRUE(machine.Start());
  ASSERT_TRUE(machine.PressUninstall());
  EXPECT_EQ(machine.Leftovers(), std::vector<std::string>{});
  // The sequence's pauses and children, and two seconds of synchronisation per subscriber.
  EXPECT_GT(machine.server.now_ms(), 30'000u + 7u * 2'000u);
  EXPECT_GT(machine.registry->calls(), 300u * 10u);
  EXPECT_GT(machine.database->seconds(), 0.0);
}

TEST(BenchMachine, ARunThatLeavesTheProductBehindIsReported) {
  BenchMachine machine(InstallSize{10, 10, 2});
  // A file held open keeps its folder, and the directory service never answers.
  machine.server.files.Find(L"C:\\Corvane\\Data\\G000000\\F000000\\file000003.dat")->in_use = 1;
  ASSERT_TRUE(machine.Start());
  ASSERT_TRUE(machine.PressUninstall());
  const auto left = machine.Leftovers();
  EXPECT_NE(std::find(left.begin(), left.end(), "the install tree is still there"), left.end());
}

TEST(BenchMachine, AProductKeyLeftBehindIsReported) {
  BenchMachine machine(InstallSize{10, 10, 0});
  machine.server.registry.Ensure(reg::kLocalMachine, L"Software\\Brannock Systems\\Velmar\\Locked")
      .deny_write = true;
  ASSERT_TRUE(machine.Start());
  ASSERT_TRUE(machine.PressUninstall());
  const auto left = machine.Leftovers();
  EXPECT_NE(std::find(left.begin(), left.end(), "a product key remains"), left.end());
}

TEST(BenchMachine, SubscribersNotRemovedAreReported) {
  BenchMachine machine(InstallSize{0, 0, 3});
  ASSERT_TRUE(machine.Start());
  machine.app->main.SetChecked("chkRemoveSubscriberInfo", false);
  machine.server.boxes = platform::sim::BoxScript{};
  const auto left = machine.Leftovers();
  EXPECT_NE(std::find(left.begin(), left.end(), "0 subscribers removed of 5"), left.end());
}

}  // namespace
}  // namespace velmar::bench
