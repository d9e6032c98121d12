// RegistryAPI on the simulated server: buffer limits, terminators, the empty forms of the
// enumerations, writes that never create keys, and the depth-guarded tree deletion.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/registry_api.h"
#include "platform/sim/process.h"

namespace {

using platform::RegHandle;
using platform::RuntimeError;
using platform::sim::Process;
using platform::sim::Server;
using velmar::RegistryAPI;
using velmar::RegValueTable;
using velmar::RegVariant;
using Bytes = std::vector<std::uint8_t>;
namespace reg = platform::reg;

constexpr RegHandle kHklm = reg::kLocalMachine;
const std::wstring kKey = L"SOFTWARE\\Quillon\\Settings";

Bytes Utf16WithTerminator(std::wstring_view text) {
  Bytes bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

// "Start\k\k...\k": the start key and `below` levels under it.
std::wstring Chain(const std::wstring& start, int below) {
  std::wstring path = start;
  for (int i = 0; i < below; ++i) path += L"\\k";
  return path;
}

class RegistryApiTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(app.OpenRegistryHandles(), 0u) << "every operation closes what it opened";
    EXPECT_TRUE(server.Problems().empty());
  }

  RegVariant Get(const std::wstring& name, std::int32_t kind,
                 const RegVariant& fallback = L"(default)") {
    return api.GetRegValue(kHklm, kKey, name, kind, fallback);
  }
  // Stores bytes exactly as given, the way a foreign writer may have left them.
  void SetRaw(const std::string& name, std::uint32_t type, const std::string& bytes) {
    platform::RegKey key;
    ASSERT_EQ(key.Create(host.registry, kHklm, "SOFTWARE\\Quillon\\Settings"), 0);
    ASSERT_EQ(host.registry.SetValue(key.get(), name, type,
                                     reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     static_cast<std::uint32_t>(bytes.size())),
              0);
  }

  Server server;
  Process app{server, L"C:\\Tools\\Uninstall\\VelmarUninstall3xandUp.exe"};
  platform::Host& host = app.host();
  RegistryAPI api{host.registry, host.locale};
};

// --- reading -------------------------------------------------------------------------------

TEST_F(RegistryApiTest, StringReadsAreBoundedByTheTextBuffer) {
  server.registry.SetString(kHklm, kKey, L"Empty", L"");
  server.registry.SetString(kHklm, kKey, L"Fits", std::wstring(1023, L'a'));
  server.registry.SetString(kHklm, kKey, L"Too long", std::wstring(1024, L'b'));
  EXPECT_EQ(Get(L"Empty", velmar::kRegSz), RegVariant(L""));
  EXPECT_EQ(Get(L"Fits", velmar::kRegSz), RegVariant(std::wstring(1023, L'a')));
  EXPECT_EQ(Get(L"Too long", velmar::kRegSz), RegVariant(L"(default)"));
}

TEST_F(RegistryApiTest, BinaryReadsAreBoundedByTheByteBuffer) {
  server.registry.SetBinary(kHklm, kKey, L"Fits", Bytes(4096, 0x5A));
  server.registry.SetBinary(kHklm, kKey, L"Too long", Bytes(4097, 0x5A));
  server.registry.SetBinary(kHklm, kKey, L"Short", Bytes{1, 2, 3});
  EXPECT_EQ(Get(L"Fits", velmar::kRegBinary), RegVariant(Bytes(4096, 0x5A)));
  EXPECT_EQ(Get(L"Too long", velmar::kRegBinary), RegVariant(L"(default)"));
  EXPECT_EQ(Get(L"Short", velmar::kRegBinary), RegVariant(Bytes{1, 2, 3}))
      << "cut to the bytes returned";
}

TEST_F(RegistryApiTest, DwordsAreSignedAndMissingValuesOrKeysGiveTheDefault) {
  server.registry.SetDword(kHklm, kKey, L"Minus one", 0xFFFFFFFF);
  server.registry.SetDword(kHklm, kKey, L"Version Number", 0x00040000);
  EXPECT_EQ(Get(L"Minus one", velmar::kRegDword), RegVariant(-1));
  EXPECT_EQ(Get(L"version number", velmar::kRegDword), RegVariant(0x00040000));
  EXPECT_EQ(Get(L"Absent", velmar::kRegDword, RegVariant{}), RegVariant{});
  EXPECT_EQ(api.GetRegValue(kHklm, L"SOFTWARE\\Missing", L"Version Number", velmar::kRegDword,
                            RegVariant(7)),
            RegVariant(7));
}

TEST_F(RegistryApiTest, StringsReadWholeWithOrWithoutTheirTerminator) {
  SetRaw("Terminated", reg::kSz, std::string("C:\\Velmar") + '\0');
  SetRaw("Unterminated", reg::kSz, "C:\\Velmar");
  SetRaw("Terminator only", reg::kSz, std::string(1, '\0'));
  SetRaw("Nothing", reg::kSz, "");
  EXPECT_EQ(Get(L"Terminated", velmar::kRegSz), RegVariant(L"C:\\Velmar"));
  EXPECT_EQ(Get(L"Unterminated", velmar::kRegSz), RegVariant(L"C:\\Velmar"))
      << "the last character survives";
  EXPECT_EQ(Get(L"Terminator only", velmar::kRegSz), RegVariant(L""));
  EXPECT_EQ(Get(L"Nothing", velmar::kRegSz), RegVariant(L""));
}

TEST_F(RegistryApiTest, AnUnsupportedKindRaisesOnlyWhenTheKeyExists) {
  server.registry.SetString(kHklm, kKey, L"Text", L"x");
  try {
    Get(L"Text", 2);
    ADD_FAILURE() << "kind 2 must raise";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), 1001);
    EXPECT_EQ(error.description(), L"Unsupported value type");
  }
  EXPECT_EQ(api.GetRegValue(kHklm, L"SOFTWARE\\Missing", L"Text", 2, RegVariant(L"d")),
            RegVariant(L"d"))
      << "a key that does not open returns the default before the kind is looked at";
}

// --- writing -------------------------------------------------------------------------------

TEST_F(RegistryApiTest, StringsAreStoredWithTheirTerminatorAndReadBackWhole) {
  server.registry.Ensure(kHklm, kKey);
  api.SetRegValue(kHklm, kKey, L"Root Path", velmar::kRegSz, L"C:\\Caf\u00E9 Velmar");
  api.SetRegValue(kHklm, kKey, L"Empty", velmar::kRegSz, RegVariant{});
  api.SetRegValue(kHklm, kKey, L"Number", velmar::kRegSz, RegVariant(42));
  const auto* stored = server.registry.Value(kHklm, kKey, L"Root Path");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->type, reg::kSz);
  EXPECT_EQ(stored->data, Utf16WithTerminator(L"C:\\Caf\u00E9 Velmar"));
  EXPECT_EQ(server.registry.Value(kHklm, kKey, L"Empty")->data, Utf16WithTerminator(L""));
  EXPECT_EQ(Get(L"Root Path", velmar::kRegSz), RegVariant(L"C:\\Caf\u00E9 Velmar"));
  EXPECT_EQ(Get(L"Number", velmar::kRegSz), RegVariant(L"42"));
}

TEST_F(RegistryApiTest, BinaryAndDwordValuesAreStoredAsGiven) {
  server.registry.Ensure(kHklm, kKey);
  api.SetRegValue(kHklm, kKey, L"Blob", velmar::kRegBinary, Bytes{9, 8, 7});
  api.SetRegValue(kHklm, kKey, L"Flag", velmar::kRegDword, RegVariant(-2));
  api.SetRegValue(kHklm, kKey, L"From text", velmar::kRegDword, RegVariant(L" 42 "));
  api.SetRegValue(kHklm, kKey, L"Not a number", velmar::kRegDword, RegVariant(L"4x"));
  api.SetRegValue(kHklm, kKey, L"Other kind", 2, RegVariant(L"x"));
  EXPECT_EQ(server.registry.Value(kHklm, kKey, L"Blob")->type, reg::kBinary);
  EXPECT_EQ(server.registry.Value(kHklm, kKey, L"Blob")->data, (Bytes{9, 8, 7}));
  EXPECT_EQ(server.registry.Value(kHklm, kKey, L"Flag")->type, reg::kDword);
  EXPECT_EQ(server.registry.Value(kHklm, kKey, L"Flag")->data, (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Get(L"From text", velmar::kRegDword), RegVariant(42));
  EXPECT_EQ(server.registry.Value(kHklm, kKey, L"Not a number"), nullptr);
  EXPECT_EQ(server.registry.Value(kHklm, kKey, L"Other kind"), nullptr);
}

TEST_F(RegistryApiTest, WritesAndDeletionsNeverCreateKeysOrReportFailures) {
  const std::size_t keys = server.registry.KeyCount();
  api.SetRegValue(kHklm, L"SOFTWARE\\Missing", L"v", velmar::kRegSz, L"x");
  api.DeleteRegValue(kHklm, L"SOFTWARE\\Missing", L"v");
  api.DeleteRegKey(kHklm, L"SOFTWARE\\Missing");
  EXPECT_EQ(server.registry.KeyCount(), keys);
  EXPECT_FALSE(api.RegKeyExists(kHklm, L"SOFTWARE\\Missing"));

  server.registry.SetString(kHklm, kKey, L"Locked", L"keep");
  server.registry.Find(kHklm, kKey)->deny_write = true;
  api.SetRegValue(kHklm, kKey, L"Locked", velmar::kRegSz, L"changed");
  api.DeleteRegValue(kHklm, kKey, L"Locked");
  EXPECT_EQ(Get(L"Locked", velmar::kRegSz), RegVariant(L"keep"));
  EXPECT_TRUE(api.RegKeyExists(kHklm, kKey)) << "read access is still granted";
}

TEST_F(RegistryApiTest, DeletingValues) {
  server.registry.SetString(kHklm, kKey, L"Gone", L"x");
  server.registry.SetString(kHklm, kKey, L"Stays", L"y");
  api.DeleteRegValue(kHklm, kKey, L"GONE");
  api.DeleteRegValue(kHklm, kKey, L"Absent");
  EXPECT_EQ(server.registry.Value(kHklm, kKey, L"Gone"), nullptr);
  EXPECT_NE(server.registry.Value(kHklm, kKey, L"Stays"), nullptr);
}

// --- enumerating ---------------------------------------------------------------------------

TEST_F(RegistryApiTest, SubkeysEnumerateInRegistryOrderWithTheEmptyForms) {
  for (const wchar_t* name : {L"gamma", L"Alpha", L"beta"}) {
    server.registry.Ensure(kHklm, kKey + L"\\" + name);
  }
  EXPECT_EQ(api.EnumRegKeys(kHklm, kKey), (std::vector<std::wstring>{L"Alpha", L"beta", L"gamma"}));
  EXPECT_EQ(api.EnumRegKeys(kHklm, kKey + L"\\Alpha"), std::vector<std::wstring>{L""})
      << "no subkeys: one empty name";
  EXPECT_TRUE(api.EnumRegKeys(kHklm, L"SOFTWARE\\Missing").empty()) << "missing: no entries";
}

TEST_F(RegistryApiTest, AnEmptyPathEnumeratesTheRootHandleAsGiven) {
  server.registry.Ensure(kHklm, kKey + L"\\Child");
  server.registry.SetDword(kHklm, kKey, L"v", 5);
  platform::RegKey open;
  ASSERT_EQ(open.Open(host.registry, kHklm, "SOFTWARE\\Quillon\\Settings", reg::kRead), 0);
  EXPECT_EQ(api.EnumRegKeys(open.get(), L""), std::vector<std::wstring>{L"Child"});
  EXPECT_EQ(api.EnumRegValues(open.get(), L"").Cell(1, 0), RegVariant(5));
  EXPECT_EQ(app.OpenRegistryHandles(), 1u) << "a handle given as root stays open";
  open.Close();
  EXPECT_EQ(api.EnumRegKeys(reg::kUsers, L""), std::vector<std::wstring>{L".DEFAULT"});
}

TEST_F(RegistryApiTest, ListsGrowPastTheirFirstHundredAndOneEntries) {
  for (int i = 0; i < 250; ++i) {
    wchar_t name[8];
    std::swprintf(name, 8, L"%03d", i);
    server.registry.Ensure(kHklm, kKey + L"\\" + name);
    server.registry.SetDword(kHklm, kKey, name, static_cast<std::uint32_t>(i));
  }
  const auto keys = api.EnumRegKeys(kHklm, kKey);
  ASSERT_EQ(keys.size(), 250u);
  EXPECT_EQ(keys[100], L"100");
  EXPECT_EQ(keys[249], L"249");
  const RegValueTable values = api.EnumRegValues(kHklm, kKey);
  ASSERT_EQ(values.ColumnCount(), 2u);
  ASSERT_EQ(values.RowCount(), 250u);
  EXPECT_EQ(values.Cell(0, 201), RegVariant(L"201"));
  EXPECT_EQ(values.Cell(1, 201), RegVariant(201));
}

TEST_F(RegistryApiTest, ValueTablesHoldNamesAndDataByKind) {
  server.registry.SetString(kHklm, kKey, L"Root Path", L"C:\\Velmar");
  server.registry.SetDword(kHklm, kKey, L"Build Number", 0x001200FF);
  server.registry.SetBinary(kHklm, kKey, L"Blob", Bytes{1, 2});
  SetRaw("Unterminated", reg::kSz, "abc");
  SetRaw("Expand", reg::kExpandSz, std::string("%x%") + '\0');
  const RegValueTable table = api.EnumRegValues(kHklm, kKey);
  ASSERT_EQ(table.ColumnCount(), 2u);
  ASSERT_EQ(table.RowCount(), 5u);
  EXPECT_EQ(table.Cell(0, 0), RegVariant(L"Root Path"));
  EXPECT_EQ(table.Cell(1, 0), RegVariant(L"C:\\Velmar"));
  EXPECT_EQ(table.Cell(0, 1), RegVariant(L"Build Number"));
  EXPECT_EQ(table.Cell(1, 1), RegVariant(0x001200FF));
  EXPECT_EQ(table.Cell(1, 2), RegVariant(Bytes{1, 2}));
  EXPECT_EQ(table.Cell(1, 3), RegVariant(L"abc")) << "the last character survives";
  EXPECT_EQ(table.Cell(1, 4), RegVariant(Bytes{'%', 'x', '%', 0})) << "other kinds are bytes";
}

TEST_F(RegistryApiTest, ValueTablesOfKeysWithoutValuesOrMissingKeys) {
  server.registry.Ensure(kHklm, kKey);
  const RegValueTable none = api.EnumRegValues(kHklm, kKey);
  ASSERT_EQ(none.ColumnCount(), 1u);
  ASSERT_EQ(none.RowCount(), 1u);
  EXPECT_EQ(none.Cell(0, 0), RegVariant{});
  EXPECT_EQ(api.EnumRegValues(kHklm, L"SOFTWARE\\Missing").ColumnCount(), 0u);
}

TEST_F(RegistryApiTest, AValueTooLargeForTheDataBufferEndsTheTable) {
  server.registry.SetDword(kHklm, kKey, L"first", 1);
  server.registry.SetBinary(kHklm, kKey, L"huge", Bytes(4097, 0));
  server.registry.SetDword(kHklm, kKey, L"after", 2);
  const RegValueTable table = api.EnumRegValues(kHklm, kKey);
  ASSERT_EQ(table.RowCount(), 1u);
  EXPECT_EQ(table.Cell(0, 0), RegVariant(L"first"));
}

// --- deleting keys -------------------------------------------------------------------------

TEST_F(RegistryApiTest, DeleteRegKeyLeavesAKeyWithSubkeys) {
  server.registry.Ensure(kHklm, kKey + L"\\Child");
  api.DeleteRegKey(kHklm, kKey);
  EXPECT_TRUE(api.RegKeyExists(kHklm, kKey));
  api.DeleteRegKey(kHklm, kKey + L"\\Child");
  api.DeleteRegKey(kHklm, kKey);
  EXPECT_FALSE(api.RegKeyExists(kHklm, kKey));
  EXPECT_TRUE(api.RegKeyExists(kHklm, L"SOFTWARE\\Quillon"));
}

TEST_F(RegistryApiTest, TreeDeletionRemovesValuesAndKeysAtEveryLevel) {
  for (const wchar_t* path : {L"", L"\\A", L"\\A\\A1", L"\\A\\A2", L"\\B", L"\\B\\B1\\B11"}) {
    server.registry.SetString(kHklm, kKey + path, L"name", L"value");
    server.registry.SetDword(kHklm, kKey + path, L"count", 3);
  }
  api.DeleteRegKeyTree(kKey, kHklm);
  EXPECT_EQ(server.registry.Find(kHklm, kKey), nullptr);
  EXPECT_NE(server.registry.Find(kHklm, L"SOFTWARE\\Quillon"), nullptr);
  api.DeleteRegKeyTree(L"SOFTWARE\\Missing", kHklm);  // nothing to do, nothing reported
}

// The start key is level 1; the guard lets the deletion reach 100 levels below it.
TEST_F(RegistryApiTest, TreeDeletionReachesATreeOf101LevelsButNot102) {
  const std::wstring deep = kKey + L"\\Deep";
  const std::wstring deeper = kKey + L"\\Deeper";
  server.registry.SetDword(kHklm, Chain(deep, 100), L"bottom", 1);
  server.registry.SetDword(kHklm, Chain(deeper, 101), L"bottom", 1);

  api.DeleteRegKeyTree(deep, kHklm);
  EXPECT_EQ(server.registry.Find(kHklm, deep), nullptr) << "101 levels: all deleted";

  const std::size_t keys = server.registry.KeyCount();
  api.DeleteRegKeyTree(deeper, kHklm);
  EXPECT_EQ(server.registry.KeyCount(), keys) << "102 levels: no key of the chain deleted";
  EXPECT_NE(server.registry.Value(kHklm, Chain(deeper, 101), L"bottom"), nullptr);
}

TEST_F(RegistryApiTest, TreeDeletionStillRemovesTheBranchesBesideATooDeepOne) {
  server.registry.Ensure(kHklm, Chain(kKey + L"\\A", 100));  // 101 levels below kKey
  server.registry.SetString(kHklm, kKey + L"\\A", L"kept", L"x");
  server.registry.SetString(kHklm, kKey + L"\\B\\B1", L"gone", L"x");
  server.registry.Ensure(kHklm, Chain(kKey + L"\\C", 99));  // 100 levels below kKey
  api.DeleteRegKeyTree(kKey, kHklm);
  EXPECT_EQ(server.registry.Find(kHklm, kKey + L"\\B"), nullptr);
  EXPECT_EQ(server.registry.Find(kHklm, kKey + L"\\C"), nullptr);
  EXPECT_NE(server.registry.Find(kHklm, Chain(kKey + L"\\A", 100)), nullptr);
  EXPECT_NE(server.registry.Value(kHklm, kKey + L"\\A", L"kept"), nullptr)
      << "a key whose subkey survives keeps its values too";
  EXPECT_EQ(api.EnumRegKeys(kHklm, kKey), std::vector<std::wstring>{L"A"});
}

TEST_F(RegistryApiTest, TreeDeletionLeavesWhatCannotBeDeleted) {
  server.registry.SetString(kHklm, kKey + L"\\Locked", L"v", L"x");
  server.registry.Find(kHklm, kKey + L"\\Locked")->deny_write = true;
  server.registry.SetString(kHklm, kKey + L"\\Open", L"v", L"x");
  api.DeleteRegKeyTree(kKey, kHklm);
  EXPECT_EQ(server.registry.Find(kHklm, kKey + L"\\Open"), nullptr);
  EXPECT_NE(server.registry.Value(kHklm, kKey + L"\\Locked", L"v"), nullptr);
  EXPECT_NE(server.registry.Find(kHklm, kKey), nullptr);
}

}  // namespace
