// The file-system object's contract: existence, forced deletion, moves that never overwrite,
// copies, folder listing order, files in use and the run time's sequential text files.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/conformance/backend.h"
#include "tests/support/root_file_access.h"

namespace conformance {
namespace {

using platform::OpenMode;
using platform::RuntimeError;
namespace attr = platform::attr;

class FilesConformance : public Conformance {
 protected:
  std::wstring At(const std::wstring& name) const { return scratch_ + L"\\" + name; }
  void Make(const std::wstring& name, const std::string& bytes = "x") {
    fs().WriteBytes(At(name), bytes);
  }
  // The run-time error number an action raises, or 0.
  template <typename Action>
  int ErrorOf(Action action) {
    try {
      action();
    } catch (const RuntimeError& error) {
      return error.number();
    }
    return 0;
  }
};

TEST_F(FilesConformance, ExistenceIgnoresCaseAndTellsFilesFromFolders) {
  Make(L"Data.TXT");
  fs().MakeFolder(At(L"Sub"));
  EXPECT_TRUE(fs().FileExists(At(L"data.txt")));
  EXPECT_FALSE(fs().FolderExists(At(L"data.txt")));
  EXPECT_TRUE(fs().FolderExists(At(L"SUB")));
  EXPECT_FALSE(fs().FileExists(At(L"sub")));
  EXPECT_FALSE(fs().FileExists(At(L"missing\\data.txt")));
  EXPECT_TRUE(fs().FolderExists(L"C:\\"));
  EXPECT_NE(fs().Attributes(At(L"Sub")) & attr::kDirectory, 0u);
}

TEST_F(FilesConformance, DeletingFiles) {
  Make(L"a.log");
  Make(L"b.log");
  Make(L"keep.txt");
  Make(L"locked.dat");
  fs().SetAttributes(At(L"locked.dat"), attr::kReadOnly);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"missing.txt"), true); }), 53);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"nofolder\\x.txt"), true); }), 76);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"locked.dat"), false); }), 70);
  EXPECT_TRUE(fs().FileExists(At(L"locked.dat")));
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"locked.dat"), true); }), 0);
  EXPECT_FALSE(fs().FileExists(At(L"locked.dat")));
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"*.LOG"), true); }), 0) << "matched in any case";
  EXPECT_EQ(fs().ListFiles(scratch_), std::vector<std::wstring>{L"keep.txt"});
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"*.log"), true); }), 53) << "no match left";
}

// Two names of one file's data: writing or copying under either name changes both, which is why
// a planted name is removed rather than written; removing one name leaves the other whole.
TEST_F(FilesConformance, HardLinksShareTheirDataUntilOneNameIsRemoved) {
  Make(L"bystander.dll", "system");
  Make(L"plain.txt");
  backend().PlantHardLink(At(L"planted.log"), At(L"bystander.dll"));
  EXPECT_EQ(fs().LinkCount(At(L"plain.txt")), 1u);
  EXPECT_EQ(fs().LinkCount(At(L"PLANTED.LOG")), 2u);
  EXPECT_EQ(fs().LinkCount(At(L"bystander.dll")), 2u);
  EXPECT_EQ(fs().Attributes(At(L"planted.log")) & attr::kReparsePoint, 0u);
  EXPECT_EQ(ErrorOf([&] { fs().LinkCount(At(L"missing.txt")); }), 53);
  fs().Copy(At(L"plain.txt"), At(L"planted.log"), true);
  EXPECT_EQ(fs().ReadBytes(At(L"bystander.dll")), "x") << "a copy writes into the data";
  fs().WriteBytes(At(L"bystander.dll"), "system");
  fs().RemoveFile(At(L"planted.log"), true);
  EXPECT_EQ(fs().ReadBytes(At(L"bystander.dll")), "system");
  EXPECT_EQ(fs().LinkCount(At(L"bystander.dll")), 1u);
  fs().OpenText(At(L"planted.log"), OpenMode::kOutput)->WriteLine(L"own");
  EXPECT_EQ(fs().ReadBytes(At(L"planted.log")), "own\r\n");
  EXPECT_EQ(fs().ReadBytes(At(L"bystander.dll")), "system");
}

class OwnListConformance : public FilesConformance {
 protected:
  const platform::AccessList own_{{{L"S-1-5-32-546", platform::rights::kChange, false},
                                   {L"S-1-5-32-544", platform::rights::kFullControl},
                                   {L"S-1-5-32-545", platform::rights::kReadAndExecute}},
                                  false};
};

// The create call never opens a name that is there, so nothing planted is written through and
// no old file is taken over; what it creates holds what was written, and takes appends.
TEST_F(OwnListConformance, CreatingNeverOpensANameThatIsThere) {
  fs().CreateBytes(At(L"own.bat"), "@echo off\r\n", own_);
  fs().CreateText(At(L"own.log"), own_)->WriteLine(L"first");
  fs().OpenText(At(L"own.log"), OpenMode::kAppend)->WriteLine(L"second");
  EXPECT_EQ(fs().ReadBytes(At(L"own.bat")), "@echo off\r\n");
  EXPECT_EQ(fs().ReadBytes(At(L"own.log")), "first\r\nsecond\r\n");

  Make(L"bystander.dll", "system");
  backend().PlantHardLink(At(L"planted.log"), At(L"bystander.dll"));
  fs().MakeFolder(At(L"Sub"));
  EXPECT_EQ(ErrorOf([&] { fs().CreateBytes(At(L"OWN.BAT"), "new", own_); }), 58);
  EXPECT_EQ(ErrorOf([&] { fs().CreateText(At(L"planted.log"), own_); }), 58);
  EXPECT_EQ(ErrorOf([&] { fs().CreateBytes(At(L"sub"), "new", own_); }), 58);
  EXPECT_EQ(ErrorOf([&] { fs().CreateBytes(At(L"nofolder\\x.txt"), "new", own_); }), 76);
  EXPECT_EQ(ErrorOf([&] { fs().ReadAccess(At(L"missing.txt")); }), 53);
  EXPECT_EQ(fs().ReadBytes(At(L"bystander.dll")), "system");
  EXPECT_EQ(fs().ReadBytes(At(L"own.bat")), "@echo off\r\n");
}

// The list given at creation reads back exactly, deny entries and order included, protected
// from what the folder passes on; writing the file again keeps it.
TEST_F(OwnListConformance, AFileCreatedWithItsOwnListHasExactlyThatList) {
  WINE_DIFFERS(
      "Wine keeps no access list on a file: it turns the given one into Unix mode bits and "
      "reads back one made from them, \"inherits; allow S-1-5-18 0x001f01ff; allow <owner> "
      "0x001f01ff\"");
  fs().CreateBytes(At(L"own.bat"), "@echo off\r\n", own_);
  fs().CreateText(At(L"own.log"), own_)->WriteLine(L"first");
  EXPECT_EQ(fs().ReadAccess(At(L"OWN.BAT")), own_);
  fs().WriteBytes(At(L"own.bat"), "rewritten");
  fs().OpenText(At(L"own.log"), OpenMode::kAppend)->WriteLine(L"second");
  EXPECT_EQ(fs().ReadAccess(At(L"own.bat")), own_) << "written over, the file keeps its list";
  EXPECT_EQ(fs().ReadAccess(At(L"own.log")), own_);
}

// A file created plainly takes what its folder passes on: its list is not protected, and its
// entries come from the folder.
TEST_F(FilesConformance, AFileCreatedPlainlyTakesWhatItsFolderPassesOn) {
  WINE_DIFFERS("Wine marks no entry inherited: its list is made from the file's Unix mode bits");
  Make(L"plain.txt");
  const platform::AccessList plain = fs().ReadAccess(At(L"plain.txt"));
  EXPECT_TRUE(plain.inherits);
  ASSERT_FALSE(plain.rules.empty());
  EXPECT_TRUE(std::all_of(plain.rules.begin(), plain.rules.end(),
                          [](const platform::AccessRule& rule) { return rule.inherited; }));
}

TEST_F(FilesConformance, WildcardsAsTheDirectorySearchMatchesThem) {
  for (const wchar_t* name :
       {L"zq1.txt", L"ZQ3.TXT", L"zq12.txt", L"zqfoo", L"zq.a.b", L"other.txt", L"xzq1.txt"}) {
    Make(name);
  }
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"zq?.txt"), true); }), 0);
  EXPECT_EQ(fs().ListFiles(scratch_), (std::vector<std::wstring>{L"other.txt", L"xzq1.txt",
                                                                 L"zq.a.b", L"zq12.txt", L"zqfoo"}))
      << "? stands for exactly one character";
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"ZQ*.*"), true); }), 0);
  EXPECT_EQ(fs().ListFiles(scratch_), (std::vector<std::wstring>{L"other.txt", L"xzq1.txt"}))
      << "a trailing .* also takes a name without a dot";
}

TEST_F(FilesConformance, AQuestionMarkMatchesNothingBeforeADotOrAtTheEnd) {
  WINE_DIFFERS("its ? always takes one character");
  for (const wchar_t* name : {L"zq.txt", L"zq", L"zqab.txt"}) Make(name);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"zq?.txt"), true); }), 0);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"zq?"), true); }), 0);
  EXPECT_EQ(fs().ListFiles(scratch_), std::vector<std::wstring>{L"zqab.txt"});
}

TEST_F(FilesConformance, AMatchedDeletionStopsAtTheFirstFileThatCannotGo) {
  for (const wchar_t* name : {L"a.tmp", L"b.tmp", L"c.tmp"}) Make(name);
  auto held = fs().OpenText(At(L"b.tmp"), OpenMode::kAppend);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(At(L"*.tmp"), true); }), 70);
  EXPECT_FALSE(fs().FileExists(At(L"a.tmp"))) << "what went before stays deleted";
  EXPECT_TRUE(fs().FileExists(At(L"b.tmp")));
  EXPECT_TRUE(fs().FileExists(At(L"c.tmp"))) << "nothing after it is touched";
}

TEST_F(FilesConformance, DeletingFolders) {
  fs().MakeFolder(At(L"tree"));
  fs().MakeFolder(At(L"tree\\inner"));
  fs().WriteBytes(At(L"tree\\inner\\ro.txt"), "x");
  fs().SetAttributes(At(L"tree\\inner\\ro.txt"), attr::kReadOnly);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFolder(At(L"absent"), true); }), 76);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFolder(At(L"tree"), true); }), 0);
  EXPECT_FALSE(fs().FolderExists(At(L"tree")));
}

TEST_F(FilesConformance, MovesNeverOverwrite) {
  Make(L"from.txt", "source");
  Make(L"to.txt", "target");
  fs().MakeFolder(At(L"into"));
  EXPECT_EQ(ErrorOf([&] { fs().Move(At(L"from.txt"), At(L"to.txt")); }), 58);
  EXPECT_EQ(fs().ReadBytes(At(L"to.txt")), "target");
  EXPECT_EQ(ErrorOf([&] { fs().Move(At(L"absent.txt"), At(L"new.txt")); }), 53);
  EXPECT_EQ(ErrorOf([&] { fs().Move(At(L"from.txt"), At(L"into\\")); }), 0);
  EXPECT_EQ(fs().ReadBytes(At(L"into\\from.txt")), "source");
  EXPECT_EQ(ErrorOf([&] { fs().Move(At(L"into\\from.txt"), At(L"renamed.old")); }), 0);
  EXPECT_TRUE(fs().FileExists(At(L"renamed.old")));
}

TEST_F(FilesConformance, CopiesAndFolders) {
  Make(L"a.txt", "one");
  Make(L"b.txt", "two");
  EXPECT_EQ(ErrorOf([&] { fs().Copy(At(L"a.txt"), At(L"b.txt"), false); }), 58);
  EXPECT_EQ(fs().ReadBytes(At(L"b.txt")), "two");
  EXPECT_EQ(ErrorOf([&] { fs().Copy(At(L"a.txt"), At(L"b.txt"), true); }), 0);
  EXPECT_EQ(fs().ReadBytes(At(L"b.txt")), "one");
  EXPECT_EQ(ErrorOf([&] { fs().Copy(At(L"absent.txt"), At(L"c.txt"), true); }), 53);
  EXPECT_EQ(ErrorOf([&] { fs().MakeFolder(At(L"a.txt")); }), 58);
  EXPECT_EQ(ErrorOf([&] { fs().MakeFolder(At(L"x\\y")); }), 76);
  EXPECT_EQ(ErrorOf([&] { fs().ListFiles(At(L"absent")); }), 76);
  EXPECT_EQ(ErrorOf([&] { fs().Attributes(At(L"absent.txt")); }), 53);
}

TEST_F(FilesConformance, ListingSeparatesFilesFromFolders) {
  Make(L"file.txt");
  fs().MakeFolder(At(L"folder"));
  EXPECT_EQ(fs().ListFiles(scratch_), std::vector<std::wstring>{L"file.txt"});
  EXPECT_EQ(fs().ListFolders(scratch_), std::vector<std::wstring>{L"folder"});
}

TEST_F(FilesConformance, ListingFollowsTheVolumesNameOrder) {
  for (const wchar_t* name :
       {L"gamma.dll", L"Zulu.dll", L"_under.dll", L"alpha.dll", L"Beta.dll"}) {
    Make(name);
  }
  EXPECT_EQ(fs().ListFiles(scratch_),
            (std::vector<std::wstring>{L"alpha.dll", L"Beta.dll", L"gamma.dll", L"Zulu.dll",
                                       L"_under.dll"}));
}

TEST_F(FilesConformance, SubfoldersListInTheVolumesNameOrder) {
  for (const wchar_t* name : {L"Zeta", L"alpha", L"Mid", L"beta"}) fs().MakeFolder(At(name));
  EXPECT_EQ(fs().ListFolders(scratch_),
            (std::vector<std::wstring>{L"alpha", L"beta", L"Mid", L"Zeta"}));
}

TEST_F(FilesConformance, AFolderDeletionStopsAtAFileInUse) {
  fs().MakeFolder(At(L"tree"));
  Make(L"tree\\a.txt");
  Make(L"tree\\b.txt");
  Make(L"tree\\c.txt");
  auto held = fs().OpenText(At(L"tree\\b.txt"), OpenMode::kAppend);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFolder(At(L"tree"), true); }), 70);
  EXPECT_FALSE(fs().FileExists(At(L"tree\\a.txt"))) << "what went before stays deleted";
  EXPECT_TRUE(fs().FileExists(At(L"tree\\b.txt")));
  EXPECT_TRUE(fs().FileExists(At(L"tree\\c.txt"))) << "nothing after it is touched";
}

TEST_F(FilesConformance, TextFilesWriteAppendAndReadLines) {
  const std::wstring log = At(L"run.log");
  {
    auto out = fs().OpenText(log, OpenMode::kOutput);
    out->WriteLine(L"first");
    out->WriteLine(L"\r\nafter an empty line");
  }
  {
    auto more = fs().OpenText(log, OpenMode::kAppend);
    more->WriteLine(L"caf\u00e9");
  }
  EXPECT_EQ(fs().ReadBytes(log), "first\r\n\r\nafter an empty line\r\ncaf\xE9\r\n");
  auto in = fs().OpenText(log, OpenMode::kInput);
  std::vector<std::wstring> lines;
  while (!in->AtEnd()) lines.push_back(in->ReadLine());
  EXPECT_EQ(lines,
            (std::vector<std::wstring>{L"first", L"", L"after an empty line", L"caf\u00e9"}));
  in.reset();
  fs().OpenText(log, OpenMode::kOutput).reset();
  EXPECT_EQ(fs().ReadBytes(log), "") << "output truncates";
  EXPECT_EQ(ErrorOf([&] { fs().OpenText(At(L"absent.log"), OpenMode::kInput); }), 53);
}

TEST_F(FilesConformance, AnOpenFileCannotBeDeleted) {
  const std::wstring log = At(L"open.log");
  auto out = fs().OpenText(log, OpenMode::kOutput);
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(log, true); }), 70);
  out.reset();
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(log, true); }), 0);
}

TEST_F(FilesConformance, ARunningProgramCannotBeDeletedButCanBeRenamed) {
  const std::wstring self = host().processes.ModulePath();
  ASSERT_TRUE(fs().FileExists(self));
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(self, true); }), 70);
  const std::wstring renamed = self + L".old";
  ASSERT_EQ(ErrorOf([&] { fs().Move(self, renamed); }), 0);
  EXPECT_TRUE(fs().FileExists(renamed));
  EXPECT_EQ(ErrorOf([&] { fs().RemoveFile(renamed, true); }), 70) << "still mapped";
  EXPECT_EQ(ErrorOf([&] { fs().Move(renamed, self); }), 0);
}

}  // namespace
}  // namespace conformance
