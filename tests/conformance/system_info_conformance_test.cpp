// What the system information facility tells of the machine: the operating-system record, the
// Windows folder the footprint fence protects, and the workstation records.
#include "platform/system_info.h"
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

TEST_F(SystemInfoConformance, TheWorkstationHasAName) {
  platform::WorkstationRecord record;
  ASSERT_EQ(host().system.WorkstationInfo(record), platform::win::kSuccess);
  EXPECT_FALSE(record.computer_name.empty());
}

}  // namespace
}  // namespace conformance
