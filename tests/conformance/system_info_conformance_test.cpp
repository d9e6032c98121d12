// What the system information facility tells of the machine: the operating-system record, the
// Windows folder the footprint fence protects, and the workstation records.
#include <algorithm>

#include "platform/system_info.h"
#include "platform/text.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

class SystemInfoConformance : public Conformance {};

TEST_F(SystemInfoConformance, TheWindowsFolderIsAnExistingAbsoluteFolder) {
  const std::wstring folder = host().system.WindowsFolder();
  ASSERT_GE(folder.size(), 4u);
  EXPECT_EQ(folder.substr(1, 2), L":\\");
  EXPECT_NE(folder.back(), L'\\') << "no trailing separator";
  EXPECT_TRUE(fs().FolderExists(folder));
  EXPECT_TRUE(fs().FolderExists(folder + L"\\system32"));
}

TEST_F(SystemInfoConformance, AnNtFamilySystem) {
  platform::OsVersion version;
  ASSERT_TRUE(host().system.Version(version));
  EXPECT_EQ(version.platform_id, 2u);
  EXPECT_GE(version.major, 5u);
}

TEST_F(SystemInfoConformance, TheSystemFolderIsTheWindowsFoldersSystem32) {
  const std::wstring folder = host().system.SystemFolder();
  ASSERT_GT(folder.size(), 9u);
  EXPECT_EQ(platform::Upcase(folder.substr(folder.size() - 9)), L"\\SYSTEM32");
  EXPECT_EQ(platform::Upcase(folder),
            platform::Upcase(host().system.WindowsFolder() + L"\\system32"));
  EXPECT_TRUE(fs().FolderExists(folder));
}

TEST_F(SystemInfoConformance, TheVersionWordOfAnNtSystem) {
  const std::uint32_t word = host().system.VersionWord();
  EXPECT_EQ(word & 0x80000000u, 0u) << "the top bit marks a system outside the NT family";
  platform::OsVersion version;
  ASSERT_TRUE(host().system.Version(version));
  EXPECT_EQ(word & 0xFF, version.major);
  EXPECT_EQ(word >> 8 & 0xFF, version.minor);
}

TEST_F(SystemInfoConformance, TheTokenListsItsGroupSids) {
  std::vector<std::wstring> sids;
  ASSERT_TRUE(host().system.TokenGroupSids(sids));
  ASSERT_FALSE(sids.empty());
  for (const auto& sid : sids) EXPECT_EQ(sid.substr(0, 4), L"S-1-") << "string form";
  EXPECT_NE(std::find(sids.begin(), sids.end(), L"S-1-1-0"), sids.end())
      << "every token holds Everyone";
}

TEST_F(SystemInfoConformance, TheWorkstationHasAName) {
  platform::WorkstationRecord record;
  ASSERT_EQ(host().system.WorkstationInfo(record), platform::win::kSuccess);
  EXPECT_FALSE(record.computer_name.empty());
}

}  // namespace
}  // namespace conformance
