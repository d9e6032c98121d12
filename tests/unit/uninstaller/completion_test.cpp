// The completion of a press: the RunOnce entry and the batch, the completion line, the
// summary with the error count, the accounts box for older versions, Notepad, the closing line.
#include "uninstaller/sequence/completion.h"
#include <algorithm>

#include "common/registry_api.h"
#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"

namespace uninstaller::testing {
namespace {

namespace mb = platform::mb;

class Completion : public UninstallerTest {
 protected:
  void SetUp() override { platform::sim::InstallWindowsPrograms(server); }
  void Begin() {
    ASSERT_FALSE(Start());
    server.registry.Ensure(platform::reg::kCurrentUser, kRunOnceKey);
    server.files.WriteFile(L"C:\\Tools\\VelmarClean.bat", "@rd /s /q %*\r\n");
  }
  std::wstring Summary(int errors) {
    return EnglishTable().at(2008) + L"\r\n" + (errors >= 0 ? L" " : L"") +
           std::to_wstring(errors) + EnglishTable().at(2009) + L"\r\n" + EnglishTable().at(2010);
  }
  void Finish(const std::wstring& inventory = L"\r\nSubscribers:\r\n",
              const std::wstring& root = L"C:\\Corvane\\") {
    velmar::ProcessRunner runner(process->host(), app->log);
    EXPECT_THROW(RunCompletion(*app, runner, root, inventory), platform::ProgramEnd);
  }
};

TEST_F(Completion, AnErrorFreeRunAndOk) {
  Begin();
  app->main.SetSequenceRunning(true);  // stage A's hourglass
  server.boxes.Expect(Summary(0), mb::kIdOk);
  Finish();
  EXPECT_EQ(views.Of("frmMain")->busy_changes.back(), false) << "the arrow is back";
  const auto* run_once = server.registry.Value(platform::reg::kCurrentUser, kRunOnceKey, L"1");
  ASSERT_NE(run_once, nullptr);
  EXPECT_EQ(run_once->type, platform::reg::kSz);
  const auto data = velmar::RegistryAPI(process->host().registry, process->host().locale)
                        .GetRegValue(platform::reg::kCurrentUser, kRunOnceKey, L"1",
                                     platform::reg::kSz, std::wstring());
  EXPECT_EQ(std::get<std::wstring>(data), L"c:\\VelmarClean.bat C:\\Corvane\\");
  EXPECT_EQ(server.files.ReadFile(L"C:\\VelmarClean.bat"), "@rd /s /q %*\r\n");
  const auto notepad = server.Started(L"notepad.exe");
  ASSERT_EQ(notepad.size(), 1u);
  EXPECT_EQ(notepad[0]->command_line, L"notepad.exe c:\\VelmarUninstall.log");
  EXPECT_EQ(notepad[0]->show_window, 3);
  EXPECT_FALSE(notepad[0]->ended) << "not waited for";
  const std::string log = Log();
  EXPECT_NE(log.find("Uninstall loaded, waiting for command from user to continue.\r\n"
                     "Uninstall completed at:12/6/2006 3:38:"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(" PM\r\nExiting Application at:"), std::string::npos);
  EXPECT_EQ(server.boxes.shown().back().style & mb::kButtonMask, mb::kOkCancel);
}

// cmd reads the RunOnce line before the batch runs, and the root is stored unquoted: a root
// holding "&", "^" or "%" would start a command or change the path, so it is never stored,
// however usable the folder; a root in short names is stored once its folder is known.
TEST_F(Completion, TheCleanUpIsRegisteredOnlyForARootCmdReadsAsWritten) {
  struct Row {
    const wchar_t* root;
    const wchar_t* folder;  // where the files left behind are, by its long name; none: nowhere
    bool stored;
  };
  const Row rows[] = {
      {L"C:\\R&D\\Corvane\\", L"C:\\R&D\\Corvane", false},
      {L"C:\\Apps^1\\Corvane\\", L"C:\\Apps^1\\Corvane", false},
      {L"C:\\%TEMP%\\Corvane\\", L"C:\\%TEMP%\\Corvane", false},
      {L"C:\\PROGRA~1\\Corvane\\", L"C:\\Program Files\\Corvane", true},
      {L"C:\\NOSUCH~1\\Corvane\\", nullptr, false},
      {L"C:\\Brannock Systems, Inc.\\Corvane\\", L"C:\\Brannock Systems, Inc\\Corvane", true}};
  server.files.SetShortName(L"C:\\Program Files", L"PROGRA~1");
  for (const auto& row : rows) {
    const std::wstring root = row.root;
    SCOPED_TRACE(platform::Utf8FromWide(root));
    if (row.folder != nullptr) {
      server.files.WriteFile(std::wstring(row.folder) + L"\\Bin\\left.dll", "in use until now");
    }
    Begin();
    std::erase_if(server.registry.Ensure(platform::reg::kCurrentUser, kRunOnceKey).values,
                  [](const auto& value) { return value.name == L"1"; });
    server.boxes.ExpectAny(mb::kIdCancel);
    Finish(L"\r\nSubscribers:\r\n", root);
    EXPECT_EQ(server.registry.Value(platform::reg::kCurrentUser, kRunOnceKey, L"1") != nullptr,
              row.stored);
    EXPECT_EQ(Log().find("(warning) Root Path=" + platform::Utf8FromWide(root) +
                         " is not a folder of the product; the clean-up at the next logon is "
                         "not registered\r\n") != std::string::npos,
              !row.stored);
  }
}

TEST_F(Completion, TheCountShowsTheErrorLinesAndCancelStartsNothing) {
  Begin();
  for (const wchar_t* line :
       {L"(error) one", L"x (ERROR) two", L"(warning) not counted here", L"(error) three"}) {
    app->log.WriteLog(line);
  }
  server.boxes.Expect(Summary(3), mb::kIdCancel);
  Finish();
  EXPECT_TRUE(server.Started(L"notepad.exe").empty());
  EXPECT_EQ(app->log.WarningCount(), 1);
}

TEST_F(Completion, OlderVersionsAreToldWhichAccountsToRemove) {
  InstallProduct(0x00040000, 0x00020031, L"C:\\Corvane\\");  // 4.0(2.49)
  Begin();
  app->main.SetSequenceRunning(true);
  const std::wstring inventory =
      L"\r\nSubscribers:\r\nAlias='jdoe', Display Name='J', Mail Alias='J'\r\n";
  // Each box as it opens: its text, and whether the accounts line and the arrow are there yet.
  struct Seen {
    std::wstring text;
    bool line_written;
    bool busy;
  };
  std::vector<Seen> seen;
  server.boxes.otherwise = [&](const platform::sim::ShownBox& box) {
    seen.push_back({box.text, Log().find("User being asked") != std::string::npos,
                    views.Of("frmMain")->busy_changes.back()});
    return seen.size() == 1 ? mb::kIdOk : mb::kIdCancel;
  };
  Finish(inventory);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].text, EnglishTable().at(2039) + L"\r\n" + inventory);
  EXPECT_FALSE(seen[0].line_written) << "the box comes before its line";
  EXPECT_FALSE(seen[0].busy) << "the arrow is back before the boxes";
  EXPECT_EQ(seen[1].text, Summary(0));
  EXPECT_TRUE(seen[1].line_written);
  EXPECT_NE(Log().find("User being asked to remove the following accounts:\r\n\r\nSubscribers:\r\n"
                       "Alias='jdoe', Display Name='J', Mail Alias='J'\r\n\r\nExiting Application"),
            std::string::npos)
      << Log();
}

TEST_F(Completion, From4_0_2_50OnNoAccountsBox) {
  InstallProduct(0x00040000, 0x00020032, L"C:\\Corvane\\");  // 4.0(2.50)
  Begin();
  server.boxes.Expect(Summary(0), mb::kIdCancel);
  Finish();
  EXPECT_EQ(Log().find("User being asked"), std::string::npos);
}

TEST_F(Completion, ARefusedRootPathRegistersNoCleanUp) {
  Begin();
  server.boxes.Expect(Summary(0), mb::kIdCancel);
  Finish(L"\r\nSubscribers:\r\n", L"C:\\WINDOWS\\");
  EXPECT_EQ(server.registry.Value(platform::reg::kCurrentUser, kRunOnceKey, L"1"), nullptr);
  EXPECT_NE(Log().find("Uninstall loaded, waiting for command from user to continue.\r\n"
                       "(warning) Root Path=C:\\WINDOWS\\ is not a folder of the product; the "
                       "clean-up at the next logon is not registered\r\nUninstall completed at:"),
            std::string::npos)
      << Log();
  EXPECT_EQ(app->log.WarningCount(), 1) << "a warning, not an error: the summary shows 0";
  EXPECT_TRUE(server.files.Exists(L"C:\\VelmarClean.bat")) << "the copy does not depend on it";
}

TEST_F(Completion, TheBatchReplacesAnOldCopyAndAMissingOneKeepsTheEntry) {
  Begin();
  server.files.WriteFile(L"C:\\VelmarClean.bat", "old");
  server.boxes.Expect(Summary(0), mb::kIdCancel);
  Finish();
  EXPECT_EQ(server.files.ReadFile(L"C:\\VelmarClean.bat"), "@rd /s /q %*\r\n");

  platform::sim::FileSystemState::RemoveChild(*server.files.Find(L"C:\\VelmarClean.bat"));
  platform::sim::FileSystemState::RemoveChild(*server.files.Find(L"C:\\Tools\\VelmarClean.bat"));
  std::erase_if(server.registry.Ensure(platform::reg::kCurrentUser, kRunOnceKey).values,
                [](const auto& value) { return value.name == L"1"; });
  ASSERT_FALSE(Start());
  server.boxes.Expect(Summary(0), mb::kIdCancel);
  Finish();
  EXPECT_FALSE(server.files.Exists(L"C:\\VelmarClean.bat"));
  EXPECT_NE(server.registry.Value(platform::reg::kCurrentUser, kRunOnceKey, L"1"), nullptr)
      << "the entry stays without its batch";
}

TEST_F(Completion, NoRunOnceKeyNoBatchNoTrace) {
  ASSERT_FALSE(Start());
  server.boxes.Expect(Summary(0), mb::kIdCancel);
  Finish();
  EXPECT_EQ(server.registry.Find(platform::reg::kCurrentUser, kRunOnceKey), nullptr)
      << "the key is never created";
  EXPECT_FALSE(server.files.Exists(L"C:\\VelmarClean.bat"));
  EXPECT_EQ(Log().find("(error)"), std::string::npos) << "every failure here is silent";
}

}  // namespace
}  // namespace uninstaller::testing
