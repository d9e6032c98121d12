// The Win32 file calls and the C run time's remove and rename: results, the last error and
// errno values a procedural program tests, identical on the simulation and the real API.
#include <string>

#include "platform/file_calls.h"
#include "platform/text.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

using platform::kInvalidAttributes;
namespace attr = platform::attr;
namespace crt = platform::crt;
namespace win = platform::win;

constexpr platform::Status kFileExists = 80;  // ERROR_FILE_EXISTS

class FileCallsConformance : public Conformance {
 protected:
  platform::FileCalls& calls() { return host().file_calls; }
  std::wstring At(const std::wstring& name) const { return scratch_ + L"\\" + name; }
  std::wstring Make(const std::wstring& name, const std::string& bytes = "x") {
    fs().WriteBytes(At(name), bytes);
    return At(name);
  }
};

TEST_F(FileCallsConformance, AttributesOfFilesFoldersAndMissingEntries) {
  const std::wstring file = Make(L"plain.txt");
  fs().MakeFolder(At(L"sub"));
  EXPECT_EQ(calls().GetAttributes(file) & (attr::kDirectory | attr::kReadOnly), 0u);
  EXPECT_NE(calls().GetAttributes(At(L"SUB")) & attr::kDirectory, 0u);
  const std::uint32_t both = attr::kReadOnly | attr::kHidden;
  ASSERT_TRUE(calls().PutAttributes(file, both));
  EXPECT_EQ(calls().GetAttributes(file) & both, both);
  ASSERT_TRUE(calls().PutAttributes(file, attr::kNormal));
  EXPECT_EQ(calls().GetAttributes(file) & both, 0u);

  EXPECT_EQ(calls().GetAttributes(At(L"missing.txt")), kInvalidAttributes);
  EXPECT_EQ(calls().LastError(), win::kFileNotFound);
  EXPECT_EQ(calls().GetAttributes(At(L"nofolder\\missing.txt")), kInvalidAttributes);
  EXPECT_EQ(calls().LastError(), win::kPathNotFound);
  EXPECT_FALSE(calls().PutAttributes(At(L"missing.txt"), attr::kNormal));
  EXPECT_EQ(calls().LastError(), win::kFileNotFound);
}

TEST_F(FileCallsConformance, SettingAttributesReplacesThemAll) {
  WINE_DIFFERS("Wine reports the archive attribute on every file, whatever was set");
  const std::wstring file = Make(L"plain.txt");
  ASSERT_TRUE(calls().PutAttributes(file, attr::kReadOnly | attr::kHidden));
  EXPECT_EQ(calls().GetAttributes(file), attr::kReadOnly | attr::kHidden);
  ASSERT_TRUE(calls().PutAttributes(file, attr::kNormal));
  EXPECT_EQ(calls().GetAttributes(file), attr::kNormal) << "no other attribute left";
}

TEST_F(FileCallsConformance, CopyingAFileKeepsItsContentAndAttributes) {
  const std::wstring source = Make(L"source.dll", "library bytes");
  ASSERT_TRUE(calls().CopyTo(source, At(L"copy.dll"), true));
  EXPECT_EQ(fs().ReadBytes(At(L"copy.dll")), "library bytes");
  ASSERT_TRUE(calls().PutAttributes(source, attr::kReadOnly));
  ASSERT_TRUE(calls().CopyTo(source, At(L"readonly copy.dll"), true));
  EXPECT_EQ(calls().GetAttributes(At(L"readonly copy.dll")), attr::kReadOnly | attr::kArchive);
}

TEST_F(FileCallsConformance, CopyingFailures) {
  const std::wstring source = Make(L"source.dll", "new");
  const std::wstring target = Make(L"target.dll", "old");
  EXPECT_FALSE(calls().CopyTo(source, target, true));
  EXPECT_EQ(calls().LastError(), kFileExists);
  EXPECT_EQ(fs().ReadBytes(target), "old");
  EXPECT_FALSE(calls().CopyTo(At(L"missing.dll"), At(L"any.dll"), false));
  EXPECT_EQ(calls().LastError(), win::kFileNotFound);
  EXPECT_FALSE(calls().CopyTo(source, At(L"nofolder\\any.dll"), false));
  EXPECT_EQ(calls().LastError(), win::kPathNotFound);
  EXPECT_TRUE(calls().CopyTo(source, target, false));
  EXPECT_EQ(fs().ReadBytes(target), "new");
}

TEST_F(FileCallsConformance, AReadOnlyOrHiddenTargetIsNotReplaced) {
  WINE_DIFFERS("Wine's CopyFileW replaces read-only and hidden targets");
  const std::wstring source = Make(L"source.dll", "new");
  const std::wstring target = Make(L"target.dll", "old");
  ASSERT_TRUE(calls().PutAttributes(target, attr::kReadOnly));
  EXPECT_FALSE(calls().CopyTo(source, target, false));
  EXPECT_EQ(calls().LastError(), win::kAccessDenied);
  ASSERT_TRUE(calls().PutAttributes(target, attr::kHidden));
  EXPECT_FALSE(calls().CopyTo(source, target, false));
  EXPECT_EQ(calls().LastError(), win::kAccessDenied);
  EXPECT_EQ(fs().ReadBytes(target), "old");
}

TEST_F(FileCallsConformance, DeletingFiles) {
  const std::wstring file = Make(L"doomed.tsp");
  EXPECT_FALSE(calls().DeleteOne(At(L"missing.tsp")));
  EXPECT_EQ(calls().LastError(), win::kFileNotFound);
  EXPECT_FALSE(calls().DeleteOne(At(L"nofolder\\missing.tsp")));
  EXPECT_EQ(calls().LastError(), win::kPathNotFound);
  ASSERT_TRUE(calls().PutAttributes(file, attr::kReadOnly));
  EXPECT_FALSE(calls().DeleteOne(file)) << "read-only files stay";
  EXPECT_EQ(calls().LastError(), win::kAccessDenied);
  ASSERT_TRUE(calls().PutAttributes(file, attr::kNormal));
  EXPECT_TRUE(calls().DeleteOne(file));
  EXPECT_FALSE(fs().FileExists(file));
}

TEST_F(FileCallsConformance, MovingNeverReplacesAnExistingFile) {
  const std::wstring file = Make(L"ZqPellet.tsp", "provider");
  const std::wstring other = Make(L"ZqPellet.OLD", "older");
  EXPECT_FALSE(calls().MoveOne(file, other));
  EXPECT_EQ(calls().LastError(), win::kAlreadyExists);
  EXPECT_FALSE(calls().MoveOne(At(L"missing.tsp"), At(L"any.tsp")));
  EXPECT_EQ(calls().LastError(), win::kFileNotFound);
  EXPECT_FALSE(calls().MoveOne(file, At(L"nofolder\\any.tsp")));
  EXPECT_EQ(calls().LastError(), win::kPathNotFound);
  ASSERT_TRUE(calls().PutAttributes(file, attr::kReadOnly));
  EXPECT_TRUE(calls().MoveOne(file, At(L"renamed.tsp"))) << "a read-only file can be renamed";
  EXPECT_FALSE(fs().FileExists(file));
  EXPECT_EQ(fs().ReadBytes(At(L"renamed.tsp")), "provider");
}

// The fence judges a path by its long form: every short name in it resolved, the long names
// and the trailing separator kept, and a path that names nothing refused.
TEST_F(FileCallsConformance, LongPathNamesOfShortNames) {
  fs().MakeFolder(At(L"Brannock Systems, Inc"));
  const std::wstring file = Make(L"Brannock Systems, Inc\\Corvane Settings.xml");
  const std::wstring folder = backend().ShortPath(At(L"Brannock Systems, Inc"));
  ASSERT_NE(folder.find(L'~'), std::wstring::npos) << platform::Utf8FromWide(folder);
  const std::wstring short_file = backend().ShortPath(folder + L"\\Corvane Settings.xml");
  ASSERT_NE(short_file.find(L"~", folder.size()), std::wstring::npos);

  EXPECT_EQ(calls().LongPathName(short_file), file);
  EXPECT_EQ(calls().LongPathName(folder), At(L"Brannock Systems, Inc"));
  EXPECT_EQ(calls().LongPathName(folder + L"\\"), At(L"Brannock Systems, Inc\\"));
  EXPECT_EQ(calls().LongPathName(folder + L"\\Corvane Settings.xml"), file);
  EXPECT_EQ(calls().LongPathName(file), file) << "a long path comes back as it is";

  EXPECT_EQ(calls().LongPathName(folder + L"\\missing.xml"), L"");
  EXPECT_EQ(calls().LastError(), win::kFileNotFound);
  EXPECT_EQ(calls().LongPathName(At(L"NOSUCH~1\\Corvane")), L"");
  const platform::Status missing_folder = calls().LastError();
  EXPECT_TRUE(missing_folder == win::kFileNotFound || missing_folder == win::kPathNotFound)
      << missing_folder;
}

TEST_F(FileCallsConformance, TheCRunTimeReportsErrnoValues) {
  const std::wstring file = Make(L"a.dll");
  const std::wstring other = Make(L"b.dll");
  EXPECT_EQ(calls().CrtRemove(At(L"missing.dll")), crt::kNoEntry);
  EXPECT_EQ(calls().CrtRename(At(L"missing.dll"), At(L"c.dll")), crt::kNoEntry);
  EXPECT_EQ(calls().CrtRename(file, other), crt::kExists) << "rename never replaces";
  ASSERT_TRUE(calls().PutAttributes(other, attr::kReadOnly));
  EXPECT_EQ(calls().CrtRemove(other), crt::kAccess);
  EXPECT_EQ(calls().CrtRename(file, At(L"c.dll")), 0);
  EXPECT_EQ(calls().CrtRemove(At(L"c.dll")), 0);
  EXPECT_FALSE(fs().FileExists(At(L"c.dll")));
}

TEST_F(FileCallsConformance, ARunningProgramCannotBeDeletedButCanBeMoved) {
  const std::wstring program = At(L"velmar_busy_calls.exe");
  backend().InstallChildProgram(program);
  auto child = host().processes.Start(program + L" child sleep 2000", 0);
  EXPECT_FALSE(calls().DeleteOne(program));
  EXPECT_EQ(calls().LastError(), win::kAccessDenied);
  EXPECT_EQ(calls().CrtRemove(program), crt::kAccess);
  EXPECT_TRUE(calls().MoveOne(program, program + L".OLD"));
  EXPECT_EQ(child->Wait(platform::kInfinite), platform::WaitResult::kEnded);
}

}  // namespace
}  // namespace conformance
