// RegistryAPI against each backend: the buffer limits, terminators, empty enumeration forms and
// the depth-guarded tree deletion hold the same on the simulation and the real registry.
#include <string>
#include <utility>
#include <vector>

#include "common/registry_api.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

using platform::RegKey;
using velmar::RegistryAPI;
using velmar::RegValueTable;
using velmar::RegVariant;
using Bytes = std::vector<std::uint8_t>;
namespace reg = platform::reg;
namespace win = platform::win;

constexpr platform::RegHandle kHkcu = reg::kCurrentUser;

class RegistryApiConformance : public Conformance {
 protected:
  RegistryAPI api() { return RegistryAPI(reg(), host().locale); }
  std::wstring Key(const std::wstring& sub = L"") const {
    std::wstring key(key_.begin(), key_.end());
    return sub.empty() ? key : key + L"\\" + sub;
  }
  void Create(const std::wstring& sub) {
    RegKey key;
    ASSERT_EQ(key.Create(reg(), kHkcu, host().locale.ToAnsi(Key(sub))), win::kSuccess);
  }
  // "Tree\k\k...\k": a start key below the case's key and `below` levels under it.
  static std::wstring Chain(const std::wstring& start, int below) {
    std::wstring path = start;
    for (int i = 0; i < below; ++i) path += L"\\k";
    return path;
  }
};

TEST_F(RegistryApiConformance, StringReadsStopAt1023Characters) {
  api().SetRegValue(kHkcu, Key(), L"fits", velmar::kRegSz, std::wstring(1023, L'a'));
  api().SetRegValue(kHkcu, Key(), L"too long", velmar::kRegSz, std::wstring(1024, L'b'));
  EXPECT_EQ(api().GetRegValue(kHkcu, Key(), L"fits", velmar::kRegSz, L"default"),
            RegVariant(std::wstring(1023, L'a')));
  EXPECT_EQ(api().GetRegValue(kHkcu, Key(), L"too long", velmar::kRegSz, L"default"),
            RegVariant(L"default"));
}

TEST_F(RegistryApiConformance, BinaryReadsStopAt4096Bytes) {
  api().SetRegValue(kHkcu, Key(), L"fits", velmar::kRegBinary, Bytes(4096, 0xA5));
  api().SetRegValue(kHkcu, Key(), L"too long", velmar::kRegBinary, Bytes(4097, 0xA5));
  EXPECT_EQ(api().GetRegValue(kHkcu, Key(), L"fits", velmar::kRegBinary, RegVariant{}),
            RegVariant(Bytes(4096, 0xA5)));
  EXPECT_EQ(api().GetRegValue(kHkcu, Key(), L"too long", velmar::kRegBinary, RegVariant{}),
            RegVariant{});
}

TEST_F(RegistryApiConformance, StringsAreStoredTerminatedAndReadWhole) {
  api().SetRegValue(kHkcu, Key(), L"empty", velmar::kRegSz, L"");
  api().SetRegValue(kHkcu, Key(), L"path", velmar::kRegSz, L"C:\\Velmar");
  {
    RegKey key;
    ASSERT_EQ(key.Open(reg(), kHkcu, key_, reg::kAllAccess), win::kSuccess);
    std::uint8_t data[64] = {};
    std::uint32_t size = sizeof data;
    ASSERT_EQ(reg().QueryValue(key.get(), "path", nullptr, data, &size), win::kSuccess);
    EXPECT_EQ(size, 10u) << "nine characters and the terminator";
    EXPECT_EQ(data[9], 0);
    const std::string raw = "abc";  // a foreign writer that left the terminator off
    ASSERT_EQ(reg().SetValue(key.get(), "unterminated", reg::kSz,
                             reinterpret_cast<const std::uint8_t*>(raw.data()), 3),
              win::kSuccess);
  }
  EXPECT_EQ(api().GetRegValue(kHkcu, Key(), L"empty", velmar::kRegSz, L"default"), RegVariant(L""));
  EXPECT_EQ(api().GetRegValue(kHkcu, Key(), L"path", velmar::kRegSz, L"default"),
            RegVariant(L"C:\\Velmar"));
  EXPECT_EQ(api().GetRegValue(kHkcu, Key(), L"unterminated", velmar::kRegSz, L"default"),
            RegVariant(L"abc"));
}

TEST_F(RegistryApiConformance, EnumerationsOfEmptyAndMissingKeys) {
  Create(L"Leaf");
  EXPECT_EQ(api().EnumRegKeys(kHkcu, Key(L"Leaf")), std::vector<std::wstring>{L""});
  EXPECT_TRUE(api().EnumRegKeys(kHkcu, Key(L"Missing")).empty());
  const RegValueTable none = api().EnumRegValues(kHkcu, Key(L"Leaf"));
  ASSERT_EQ(none.ColumnCount(), 1u);
  ASSERT_EQ(none.RowCount(), 1u);
  EXPECT_EQ(none.Cell(0, 0), RegVariant{});
  EXPECT_EQ(api().EnumRegValues(kHkcu, Key(L"Missing")).ColumnCount(), 0u);

  api().SetRegValue(kHkcu, Key(L"Leaf"), L"count", velmar::kRegDword, RegVariant(-7));
  const RegValueTable one = api().EnumRegValues(kHkcu, Key(L"Leaf"));
  ASSERT_EQ(one.ColumnCount(), 2u);
  ASSERT_EQ(one.RowCount(), 1u);
  EXPECT_EQ(one.Cell(0, 0), RegVariant(L"count"));
  EXPECT_EQ(one.Cell(1, 0), RegVariant(-7));
}

TEST_F(RegistryApiConformance, DeleteRegKeyLeavesAKeyWithSubkeys) {
  Create(L"Parent\\Child");
  api().DeleteRegKey(kHkcu, Key(L"Parent"));
  EXPECT_TRUE(api().RegKeyExists(kHkcu, Key(L"Parent\\Child")));
}

TEST_F(RegistryApiConformance, TreeDeletionRemovesValuesAtEveryLevel) {
  for (const wchar_t* sub : {L"Tree", L"Tree\\A", L"Tree\\A\\A1", L"Tree\\B"}) {
    Create(sub);
    api().SetRegValue(kHkcu, Key(sub), L"name", velmar::kRegSz, L"value");
    api().SetRegValue(kHkcu, Key(sub), L"count", velmar::kRegDword, RegVariant(3));
  }
  api().DeleteRegKeyTree(Key(L"Tree"), kHkcu);
  EXPECT_FALSE(api().RegKeyExists(kHkcu, Key(L"Tree")));
  EXPECT_TRUE(api().RegKeyExists(kHkcu, Key()));
}

// Counting the start key as level 1: 101 levels are deleted, a 102nd is out of reach. The
// chains hang below an open handle to the case's key, so that no path handed to the ANSI
// calls grows past the 260 characters they accept and the depth guard alone decides.
TEST_F(RegistryApiConformance, TreeDeletionReaches101LevelsButNot102) {
  RegKey below;
  ASSERT_EQ(below.Open(reg(), kHkcu, key_, reg::kAllAccess), win::kSuccess);
  for (const auto& [start, levels] :
       {std::pair{std::string("Deep"), 100}, std::pair{std::string("Deeper"), 101}}) {
    RegKey chain;
    ASSERT_EQ(
        chain.Create(reg(), below.get(),
                     host().locale.ToAnsi(Chain(std::wstring(start.begin(), start.end()), levels))),
        win::kSuccess);
  }
  api().DeleteRegKeyTree(L"Deep", below.get());
  EXPECT_FALSE(api().RegKeyExists(kHkcu, Key(L"Deep")));

  api().DeleteRegKeyTree(L"Deeper", below.get());
  RegKey bottom;
  EXPECT_EQ(
      bottom.Open(reg(), below.get(), host().locale.ToAnsi(Chain(L"Deeper", 101)), reg::kRead),
      win::kSuccess)
      << "the 102nd level is never visited, so nothing of the chain goes";
  bottom.Close();
  // The shared clean-up works on full paths, which are too long for this chain.
  for (int level = 101; level >= 0; --level) {
    reg().DeleteKey(below.get(), host().locale.ToAnsi(Chain(L"Deeper", level)));
  }
}

}  // namespace
}  // namespace conformance
