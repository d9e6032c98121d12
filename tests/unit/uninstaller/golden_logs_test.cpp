// Whole presses compared line for line with logs written by hand from the product's texts:
// a typical 4.0(3.x) run with the option ticked and a 3.1 run through Dirscrub with errors. Only
// the two lines that carry a date and time are masked; the summary must count the error lines.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/sim/sim_sql_server.h"
#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/support/root_file_access.h"
#include "tests/support/typical_install.h"
#include "tests/unit/uninstaller/uninstaller_fixture.h"

namespace uninstaller::testing {
namespace {

namespace mb = platform::mb;
using platform::sim::Process;
using platform::sim::RunsFor;

std::vector<std::string> GoldenLines(const std::string& name) {
  std::ifstream file(std::string(VELMAR_GOLDEN_DIR) + "/" + name);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> LogLines(const std::string& log) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
    std::string line = log.substr(start, end - start);
    for (const char* dated : {"Exiting Application at:", "Uninstall completed at:"}) {
      if (line.rfind(dated, 0) == 0) line = std::string(dated) + "<DATE>";
    }
    lines.push_back(line);
  }
  return lines;
}

// Lines longer than two characters holding "(error)" in any case, as the summary counts them.
std::size_t ErrorLines(const std::vector<std::string>& lines) {
  return std::count_if(lines.begin(), lines.end(), [](std::string line) {
    std::transform(line.begin(), line.end(), line.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return line.size() > 2 && line.find("(error)") != std::string::npos;
  });
}

class GoldenLogs : public UninstallerTest {
 protected:
  void SetUp() override {
    platform::sim::InstallWindowsPrograms(server);
    server.InstallProgram(L"C:\\Tools\\kill.exe", platform::sim::KillProgram());
    server.InstallProgram(L"C:\\Tools\\PelletSetup.exe", RunsFor(3000));
    server.machine.user->user_name = L"Administrator";
    InstallTypicalFootprint(server);
  }
  void PressWithEveryAnswerYes() {
    app->main.SetChecked("chkRemoveSubscriberInfo", true);
    for (std::uint32_t id : {2012u, 2002u, 2003u, 2004u}) {
      server.boxes.Expect(EnglishTable().at(id), mb::kIdYes);
    }
    // The accounts box of an older version and the summary come at the very end.
    for (int i = 0; i < (app->IsVelmarVersionAtLeast(4, 0, 2, 50) ? 1 : 2); ++i) {
      server.boxes.ExpectAny(mb::kIdCancel);
    }
    try {
      app->main.OnClick("cmdUninstall");
      ADD_FAILURE() << "the press should end the program";
    } catch (const platform::ProgramEnd&) {
    }
  }
  // The run's log against the golden file, line by line (the web root's ZqXML folder already
  // goes with the IIS objects in stage A, so stage C finds none), and the summary box, the last
  // one shown, counting the golden file's error lines.
  void ExpectGolden(const std::string& name, std::size_t errors) {
    const auto expected = GoldenLines(name);
    const auto seen = LogLines(Log());
    ASSERT_FALSE(expected.empty()) << name << " not found";
    for (std::size_t i = 0; i < std::max(expected.size(), seen.size()); ++i) {
      ASSERT_EQ(i < seen.size() ? seen[i] : "(missing)",
                i < expected.size() ? expected[i] : "(extra)")
          << "line " << i + 1 << " of " << name;
    }
    ASSERT_EQ(ErrorLines(expected), errors) << name;
    ASSERT_FALSE(server.boxes.shown().empty());
    EXPECT_EQ(platform::Utf8FromWide(server.boxes.shown().back().text),
              "Uninstall complete.  Please reboot the server before installing a new version of "
              "Velmar on this server.\r\n " +
                  std::to_string(errors) +
                  "  error(s) encountered during the process.  See the log file for more "
                  "information on these.\r\nPress OK to view log file now.");
  }
};

// An unattended press: started by the program itself, nothing shown, every child hidden.
class UnattendedGoldenLogs : public GoldenLogs {
 protected:
  // The run's log without its "(unattended)" lines, against the interactive run's golden file.
  void ExpectGoldenApartFromAnswers(const std::string& name) {
    auto seen = LogLines(Log());
    std::erase_if(seen,
                  [](const std::string& line) { return line.rfind("(unattended) ", 0) == 0; });
    const auto expected = GoldenLines(name);
    ASSERT_FALSE(expected.empty()) << name << " not found";
    for (std::size_t i = 0; i < std::max(expected.size(), seen.size()); ++i) {
      ASSERT_EQ(i < seen.size() ? seen[i] : "(missing)",
                i < expected.size() ? expected[i] : "(extra)")
          << "line " << i + 1 << " of " << name;
    }
  }
  std::vector<std::string> AnswerLines() const {
    auto lines = LogLines(Log());
    std::erase_if(lines,
                  [](const std::string& line) { return line.rfind("(unattended) ", 0) != 0; });
    return lines;
  }
  void ExpectNothingShownAndEveryChildHidden() {
    EXPECT_TRUE(server.boxes.shown().empty());
    for (const char* window : {"frmMain", "frmSplashScreen", "frmFailoverWarning"}) {
      const FakeView* view = views.Of(window);
      EXPECT_TRUE(view == nullptr || (!view->visible && view->modal_shows == 0)) << window;
    }
    EXPECT_FALSE(server.processes().empty());
    for (const auto& child : server.processes()) {
      EXPECT_EQ(child.show_window, 0) << platform::Utf8FromWide(child.command_line);
    }
    EXPECT_TRUE(server.Started(L"notepad.exe").empty());
  }
};

// A Dirscrub that appends one line to the log and leaves its marker, ninety seconds long.
platform::sim::Program DirscrubStandIn() {
  platform::sim::Program dirscrub;
  dirscrub.run_ms = 90'000;
  dirscrub.body = [](Process& p) -> std::uint32_t {
    auto log = p.host().files.OpenText(L"c:\\VelmarUninstall.log", platform::OpenMode::kAppend);
    log->WriteLine(L"Dirscrub stand-in: cleaning the directory");
    p.host().files.WriteBytes(L"c:\\VelmarUninstallTemp.xxx", "MVSLIES");
    return 0;
  };
  return dirscrub;
}

TEST_F(UnattendedGoldenLogs, ATypical4xRunAnswersItselfAndEndsWithZero) {
  InstallProduct(0x00040000, 0x00030032, L"C:\\Corvane\\");
  AddTypicalDirectoryData(server);
  server.sql.sync.delay_ms = 1000;
  args = L"/Unattended -removesubscriberinfo";
  ASSERT_TRUE(Start()) << "the run presses Uninstall itself and ends";
  EXPECT_EQ(exit_code, 0u);
  ExpectGoldenApartFromAnswers("run_typical_4x.log");
  ExpectNothingShownAndEveryChildHidden();
  const auto answers = AnswerLines();
  ASSERT_EQ(answers.size(), 5u);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(answers[i].ends_with("? -> Yes")) << answers[i];
  EXPECT_EQ(answers[3], "(unattended) Are you absolutely sure? -> Yes");
  EXPECT_EQ(answers[4],
            "(unattended) Uninstall complete.  Please reboot the server before installing a new "
            "version of Velmar on this server.  0  error(s) encountered during the process.  See "
            "the log file for more information on these. Press OK to view log file now. -> "
            "Cancel");
}

TEST_F(UnattendedGoldenLogs, A31RunHandsTheWordToDirscrubAndEndsWithOne) {
  InstallProduct(0x00030001, 0x00040002, L"C:\\Corvane\\");
  server.InstallProgram(L"C:\\Tools\\DirscrubVelmar30.exe", DirscrubStandIn());
  platform::sim::FileSystemState::RemoveChild(
      *server.files.Find(L"C:\\WINDOWS\\system32\\INSTSRV.EXE"));
  args = L"UNATTENDED RemoveSubscriberInfo";
  ASSERT_TRUE(Start());
  EXPECT_EQ(exit_code, 1u) << "completed with errors";
  ExpectGoldenApartFromAnswers("run_dirscrub_31.log");
  ExpectNothingShownAndEveryChildHidden();
  const auto started = server.Started(L"\"C:\\Tools\\DirscrubVelmar30.exe\" Unattended");
  ASSERT_EQ(started.size(), 1u);
  const auto answers = AnswerLines();
  ASSERT_EQ(answers.size(), 6u) << "four confirmations, the account list, the summary";
  EXPECT_EQ(answers[4].rfind("(unattended) To complete the uninstall, you must manually remove", 0),
            0u);
  EXPECT_TRUE(answers[4].ends_with(" -> OK")) << answers[4];
  EXPECT_EQ(answers[4].find('\r'), std::string::npos);
  EXPECT_NE(answers[5].find(" 30  error(s) encountered"), std::string::npos) << answers[5];
}

TEST_F(GoldenLogs, ATypical4xRunWithTheOptionTicked) {
  InstallProduct(0x00040000, 0x00030032, L"C:\\Corvane\\");
  AddTypicalDirectoryData(server);
  auto& sql = server.sql;
  sql.sync.delay_ms = 1000;
  ASSERT_FALSE(Start());
  PressWithEveryAnswerYes();
  ExpectGolden("run_typical_4x.log", 0);
}

TEST_F(GoldenLogs, A31RunThroughDirscrub) {
  InstallProduct(0x00030001, 0x00040002, L"C:\\Corvane\\");
  server.InstallProgram(L"C:\\Tools\\DirscrubVelmar30.exe", DirscrubStandIn());
  // Without INSTSRV every row of the first service table costs one trap line.
  platform::sim::FileSystemState::RemoveChild(
      *server.files.Find(L"C:\\WINDOWS\\system32\\INSTSRV.EXE"));
  ASSERT_FALSE(Start());
  PressWithEveryAnswerYes();
  ExpectGolden("run_dirscrub_31.log", 30);
}

// A name at the root planted beforehand by another account, leading to a system file it could
// not write itself, or a junction to the system's folder: the run writes its own file under that
// name and the system file keeps its bytes, while the log reads exactly as on a clean server.
enum class Planting { kHardLink, kReparsePoint, kJunction };
struct PlantedName {
  const wchar_t* path;
  Planting planting;
};
std::string As(Planting planting) {
  switch (planting) {
    case Planting::kHardLink: return "AsHardLink";
    case Planting::kReparsePoint: return "AsReparsePoint";
    case Planting::kJunction: break;
  }
  return "AsJunction";
}

class PlantedRootNames : public GoldenLogs, public ::testing::WithParamInterface<PlantedName> {
 protected:
  static constexpr wchar_t kBystander[] = L"C:\\WINDOWS\\system32\\zqauth.dll";
  static constexpr char kBystanderBytes[] = "MZ the bystander's own bytes";
  static constexpr char kBatch[] = "@rd /s /q %1\r\n";
};

TEST_P(PlantedRootNames, TheRunWritesItsOwnFileAndLeavesTheBystanderAsItWas) {
  InstallProduct(0x00040000, 0x00030032, L"C:\\Corvane\\");
  AddTypicalDirectoryData(server);
  server.sql.sync.delay_ms = 1000;
  server.files.WriteFile(L"C:\\Tools\\VelmarClean.bat", kBatch);
  server.files.WriteFile(kBystander, kBystanderBytes);
  switch (GetParam().planting) {
    case Planting::kHardLink: server.files.PlantHardLink(GetParam().path, kBystander); break;
    case Planting::kReparsePoint:
      server.files.PlantReparsePoint(GetParam().path, kBystander);
      break;
    case Planting::kJunction: server.files.PlantJunction(GetParam().path, L"C:\\WINDOWS"); break;
  }
  ASSERT_FALSE(Start());
  PressWithEveryAnswerYes();
  ExpectGolden("run_typical_4x.log", 0);
  EXPECT_EQ(server.files.ReadFile(kBystander), kBystanderBytes);
  EXPECT_EQ(server.files.ReadFile(L"C:\\VelmarClean.bat"), kBatch);
  for (const wchar_t* own : {L"C:\\VelmarUninstall.log", L"C:\\VelmarClean.bat"}) {
    const auto* node = server.files.Find(own);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->data.use_count(), 1) << "a name of its own";
    EXPECT_EQ(node->attributes & platform::attr::kReparsePoint, 0u);
    EXPECT_EQ(velmar::testing::OwnAccessOf(server.files, own),
              velmar::testing::ExpectedRootFileAccess());
  }
}

// On a server where nothing was planted, the log and the batch of an earlier run are replaced
// by files only administrators may change, where the root lets everyone change what it holds;
// the log reads as always. An old batch that is read-only stays, as a copy over it fails.
TEST_F(GoldenLogs, TheRootFilesAreCreatedAnewUnderTheirOwnList) {
  InstallProduct(0x00040000, 0x00030032, L"C:\\Corvane\\");
  AddTypicalDirectoryData(server);
  server.sql.sync.delay_ms = 1000;
  server.files.WriteFile(L"C:\\Tools\\VelmarClean.bat", "@rd /s /q %1\r\n");
  server.files.WriteFile(L"C:\\VelmarClean.bat", "@echo another account's command\r\n");
  server.files.WriteFile(L"C:\\VelmarUninstall.log", "an earlier run's log\r\n");
  ASSERT_FALSE(Start());
  PressWithEveryAnswerYes();
  ExpectGolden("run_typical_4x.log", 0);
  EXPECT_EQ(server.files.ReadFile(L"C:\\VelmarClean.bat"), "@rd /s /q %1\r\n");
  for (const wchar_t* own : {L"C:\\VelmarUninstall.log", L"C:\\VelmarClean.bat"}) {
    EXPECT_EQ(velmar::testing::OwnAccessOf(server.files, own),
              velmar::testing::ExpectedRootFileAccess())
        << own;
  }
}

TEST_F(GoldenLogs, AReadOnlyBatchFromBeforeIsLeftAsAFailedCopyLeavesIt) {
  InstallProduct(0x00040000, 0x00030032, L"C:\\Corvane\\");
  server.files.WriteFile(L"C:\\Tools\\VelmarClean.bat", "@rd /s /q %1\r\n");
  server.files.WriteFile(L"C:\\VelmarClean.bat", "@echo before\r\n").attributes =
      platform::attr::kReadOnly;
  ASSERT_FALSE(Start());
  PressWithEveryAnswerYes();
  EXPECT_EQ(server.files.ReadFile(L"C:\\VelmarClean.bat"), "@echo before\r\n");
  EXPECT_EQ(velmar::testing::OwnAccessOf(server.files, L"C:\\VelmarClean.bat"), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    RootFiles, PlantedRootNames,
    ::testing::Values(PlantedName{L"C:\\VelmarUninstall.log", Planting::kHardLink},
                      PlantedName{L"C:\\VelmarUninstall.log", Planting::kReparsePoint},
                      PlantedName{L"C:\\VelmarClean.bat", Planting::kHardLink},
                      PlantedName{L"C:\\VelmarClean.bat", Planting::kReparsePoint},
                      PlantedName{L"C:\\VelmarUninstall.log", Planting::kJunction},
                      PlantedName{L"C:\\VelmarClean.bat", Planting::kJunction}),
    [](const ::testing::TestParamInfo<PlantedName>& info) {
      const std::wstring_view path(info.param.path);
      return std::string(path.ends_with(L".log") ? "Log" : "Batch") + As(info.param.planting);
    });

// A planted name that cannot be removed is a log that cannot be created: the run goes on
// without one, and the system file behind the name is not written.
TEST_F(GoldenLogs, APlantedLogThatCannotBeRemovedMeansARunWithoutLog) {
  InstallProduct(0x00040000, 0x00030032, L"C:\\Corvane\\");
  AddTypicalDirectoryData(server);
  server.sql.sync.delay_ms = 1000;
  server.files.WriteFile(L"C:\\WINDOWS\\system32\\zqauth.dll", "system");
  server.files.PlantHardLink(L"C:\\VelmarUninstall.log", L"C:\\WINDOWS\\system32\\zqauth.dll");
  server.faults.programs = {L"VelmarUninstall3xandUp.exe"};
  server.faults.fail_site = "DeleteFile";  // the first removal: the planted name's
  ASSERT_FALSE(Start());
  PressWithEveryAnswerYes();
  EXPECT_EQ(server.files.ReadFile(L"C:\\WINDOWS\\system32\\zqauth.dll"), "system");
  EXPECT_EQ(server.files.ReadFile(L"C:\\VelmarUninstall.log"), "system");
}

}  // namespace
}  // namespace uninstaller::testing
