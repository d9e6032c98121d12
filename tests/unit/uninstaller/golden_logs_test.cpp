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
  platform::sim::Program dirscrub;
  dirscrub.run_ms = 90'000;
  dirscrub.body = [](Process& p) -> std::uint32_t {
    auto log = p.host().files.OpenText(L"c:\\VelmarUninstall.log", platform::OpenMode::kAppend);
    log->WriteLine(L"Dirscrub stand-in: cleaning the directory");
    p.host().files.WriteBytes(L"c:\\VelmarUninstallTemp.xxx", "MVSLIES");
    return 0;
  };
  server.InstallProgram(L"C:\\Tools\\DirscrubVelmar30.exe", dirscrub);
  // Without INSTSRV every row of the first service table costs one trap line.
  platform::sim::FileSystemState::RemoveChild(
      *server.files.Find(L"C:\\WINDOWS\\system32\\INSTSRV.EXE"));
  ASSERT_FALSE(Start());
  PressWithEveryAnswerYes();
  ExpectGolden("run_dirscrub_31.log", 30);
}

}  // namespace
}  // namespace uninstaller::testing
