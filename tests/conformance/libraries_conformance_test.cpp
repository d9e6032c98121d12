// Loading code libraries: the loader's errors for a missing file, a file that is no library and
// a missing export, reference-counted loads of one module, and the default extension.
#include <string>

#include "platform/libraries.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

constexpr platform::Status kModNotFound = 126;
constexpr platform::Status kProcNotFound = 127;
constexpr platform::Status kBadExeFormat = 193;

class LibrariesConformance : public Conformance {
 protected:
  platform::Libraries& libs() { return host().libraries; }
};

TEST_F(LibrariesConformance, AMissingLibraryFailsWithModuleNotFound) {
  EXPECT_EQ(libs().Load(L"velmar_absent_library.dll"), 0u);
  EXPECT_EQ(libs().LastError(), kModNotFound);
  EXPECT_EQ(libs().Load(scratch_ + L"\\velmar_absent_library.dll"), 0u);
  EXPECT_EQ(libs().LastError(), kModNotFound);
}

TEST_F(LibrariesConformance, AFileThatIsNoLibraryFailsWithBadFormat) {
  const std::wstring path = scratch_ + L"\\velmar_text.dll";
  fs().WriteBytes(path, "only text, no program image\r\n");
  EXPECT_EQ(libs().Load(path), 0u);
  EXPECT_EQ(libs().LastError(), kBadExeFormat);
}

TEST_F(LibrariesConformance, ASystemLibraryLoadsOnceAndLacksUnknownExports) {
  const platform::ModuleHandle first = libs().Load(L"kernel32.dll");
  ASSERT_NE(first, 0u);
  const platform::ModuleHandle again = libs().Load(L"KERNEL32");
  EXPECT_EQ(again, first) << "the same module, found with the default extension";
  EXPECT_NE(libs().Find(first, "GetVersion"), 0u);
  EXPECT_EQ(libs().Find(first, "VelmarNoSuchExport"), 0u);
  EXPECT_EQ(libs().LastError(), kProcNotFound);
  EXPECT_EQ(libs().Find(first, "getversion"), 0u) << "export names are matched exactly";
  EXPECT_TRUE(libs().Free(again));
  EXPECT_TRUE(libs().Free(first));
}

TEST_F(LibrariesConformance, AScopedLibraryFreesItsModule) {
  platform::ModuleHandle module = 0;
  {
    platform::ScopedLibrary library(libs(), libs().Load(L"kernel32.dll"));
    module = library.get();
    ASSERT_NE(module, 0u);
    EXPECT_NE(libs().Find(module, "GetVersion"), 0u);
  }
  platform::ScopedLibrary reloaded(libs(), libs().Load(L"kernel32.dll"));
  EXPECT_NE(libs().Find(reloaded.get(), "GetVersion"), 0u);
}

}  // namespace
}  // namespace conformance
