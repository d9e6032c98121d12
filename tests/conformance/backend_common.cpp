// Set-up and clean-up shared by both backends of the conformance suite.
#include <string>
#include <vector>

#include "tests/conformance/backend.h"

namespace conformance {

void DeleteTree(platform::Registry& registry, platform::RegHandle root, const std::string& path) {
  std::vector<std::string> children;
  {
    platform::RegKey key;
    if (key.Open(registry, root, path, platform::reg::kRead) != platform::win::kSuccess) return;
    char name[260];
    for (std::uint32_t i = 0; registry.EnumKey(key.get(), i, name, sizeof name) == 0; ++i) {
      children.emplace_back(name);
    }
  }
  for (const auto& child : children) DeleteTree(registry, root, path + "\\" + child);
  registry.DeleteKey(root, path);
}

std::vector<std::string> GatewayCallsFromRecord(const std::vector<std::string>& record) {
  std::vector<std::string> calls;
  int live = 0;
  for (const auto& line : record) {
    if (line == "created") ++live;
    if (line == "released") {
      --live;
    } else {
      calls.push_back(line);
    }
  }
  calls.push_back(live == 0 ? "released" : "unreleased " + std::to_string(live));
  return calls;
}

void Conformance::SetUp() {
  backend_ = MakeBackend();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(info->test_suite_name()) + "." + info->name();
  key_ = "Software\\VelmarConformance\\" + name;
  DeleteTree(reg(), platform::reg::kCurrentUser, key_);
  platform::RegKey key;
  ASSERT_EQ(key.Create(reg(), platform::reg::kCurrentUser, key_), platform::win::kSuccess);

  scratch_ = L"C:\\velmar-conformance";
  if (!fs().FolderExists(scratch_)) fs().MakeFolder(scratch_);
  scratch_ += L"\\" + std::wstring(name.begin(), name.end());
  if (fs().FolderExists(scratch_)) fs().RemoveFolder(scratch_, true);
  fs().MakeFolder(scratch_);
}

void Conformance::TearDown() {
  DeleteTree(reg(), platform::reg::kCurrentUser, key_);
  try {
    if (fs().FolderExists(scratch_)) fs().RemoveFolder(scratch_, true);
  } catch (const platform::RuntimeError&) {
    // A case that left a file in use; the throwaway prefix or server goes with it.
  }
}

}  // namespace conformance
