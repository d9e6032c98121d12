// Previews of whole removals on the simulated server: a preview of a typical or hostile
// installation leaves the machine exactly as it was apart from its report, the report holds the
// removal's own lines with every change it would make and the counts, the real removal of the
// same server makes exactly the changes the preview listed, and the exit code says how it ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "platform/sim/process.h"
#include "platform/text.h"
#include "tests/fault/preview_verdict.h"
#include "tests/fault/verdict.h"
#include "tests/fault/whole_run.h"
#include "tests/support/typical_install.h"
#include "tests/unit/uninstaller/fake_views.h"
#include "uninstaller/app.h"
#include "uninstaller/strings_en.h"

namespace velmar::fault {

void PrintTo(const Scenario& scenario, std::ostream* out) {
  *out << scenario.name;
}

namespace {

using platform::preview::Change;
using platform::sim::Server;
using Lines = std::vector<std::string>;
namespace reg = platform::reg;

constexpr wchar_t kUnattendedPreview[] = L"Preview Unattended RemoveSubscriberInfo";
constexpr wchar_t kInteractivePreview[] = L"Preview RemoveSubscriberInfo";
constexpr wchar_t kUnattendedRemoval[] = L"Unattended RemoveSubscriberInfo";
constexpr char kNotepad[] = "notepad.exe c:\\VelmarUninstallPreview.log";

RunOutcome Preview(const Scenario& scenario, const std::wstring& args,
                   platform::sim::FaultPlan plan = {}) {
  return RunWholeUninstall(scenario, std::move(plan), 0, {args, /*full_contents=*/true, false});
}

RunOutcome RecordedRemoval(const Scenario& scenario) {
  return RunWholeUninstall(scenario, {}, 0, {kUnattendedRemoval, false, /*record_removal=*/true});
}

Scenario With(const Scenario& base, std::string name, std::function<void(Server&)> more) {
  return {base.name + name, [lay_out = base.lay_out, more](Server& server) {
            lay_out(server);
            more(server);
          }};
}

std::string Joined(const std::vector<std::string>& faults) {
  std::string text;
  for (const auto& fault : faults) text += "  " + fault + "\n";
  return text;
}

Lines Texts(const std::vector<Change>& changes) {
  Lines texts;
  for (const auto& change : changes) texts.push_back(platform::Utf8FromWide(change.text));
  return texts;
}

std::vector<std::string> Started(const RunOutcome& run) {
  std::vector<std::string> started;
  for (const auto& command : run.started) started.push_back(platform::Utf8FromWide(command));
  return started;
}

// A line with the time of day in it: a preview's waits take no time, so these differ.
bool Timed(const std::string& line) {
  return line.find(" at:") != std::string::npos;
}

// The report cut apart: its opening words, the lines the removal's log would hold (without
// the times of day), the "  would" lines, and each program's closing counts by headline.
struct Report {
  Lines headline, said, would;
  std::map<std::string, Lines> counts;
};

Report Cut(const std::string& text) {
  Report report;
  const Lines lines = LogLines(text);
  Lines* counts = nullptr;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const bool blank_before_counts =
        line.empty() && i + 1 < lines.size() && lines[i + 1].ends_with(" by kind:");
    if (line.ends_with(" by kind:")) {
      counts = &report.counts[line];
    } else if (counts && line.starts_with("  ") && !line.starts_with("   ") &&
               !line.starts_with("  would ")) {
      counts->push_back(line);
    } else if (line.starts_with("Preview of the removal:") ||
               line.starts_with("Each line \"  would ...\"")) {
      report.headline.push_back(line);
    } else if (line.starts_with("  would ")) {
      report.would.push_back(line);
    } else {
      counts = nullptr;
      if (!Timed(line) && !blank_before_counts) report.said.push_back(line);
    }
  }
  return report;
}

Lines CountsUnder(const Report& report, const std::string& headline) {
  const auto found = report.counts.find(headline);
  return found == report.counts.end() ? Lines{} : found->second;
}

// What a preview's report says of an unattended removal's log: no time of day, and no
// answered confirmation (a preview asks none: it changes nothing).
Lines AsAPreviewSays(const std::string& log) {
  Lines lines;
  for (const auto& line : LogLines(log)) {
    if (!Timed(line) && !line.starts_with("(unattended) ")) lines.push_back(line);
  }
  return lines;
}

// The counts a program's changes add up to, as its report closes.
Lines CountsOf(const std::vector<Change>& changes) {
  std::vector<std::pair<std::wstring, std::size_t>> kinds;
  for (const auto& change : changes) {
    auto it = std::find_if(kinds.begin(), kinds.end(),
                           [&](const auto& kind) { return kind.first == change.kind; });
    if (it == kinds.end()) it = kinds.insert(kinds.end(), {change.kind, 0});
    ++it->second;
  }
  Lines lines;
  for (const auto& [kind, count] : kinds) {
    lines.push_back("  " + platform::Utf8FromWide(kind) + ": " + std::to_string(count));
  }
  lines.push_back("  in all: " + std::to_string(changes.size()));
  return lines;
}

// Every line of `part` in `whole`, in the same order.
bool InOrder(const Lines& part, const Lines& whole) {
  auto at = whole.begin();
  for (const auto& line : part) {
    at = std::find(at, whole.end(), line);
    if (at == whole.end()) return false;
    ++at;
  }
  return true;
}

// Where two lists of changes part, with a few lines of each from there; empty when equal.
std::string Parting(const Lines& preview, const Lines& removal) {
  const auto [p, r] = std::mismatch(preview.begin(), preview.end(), removal.begin(), removal.end());
  if (p == preview.end() && r == removal.end()) return "";
  std::string text = "they part at change " + std::to_string(p - preview.begin()) + "\npreview:\n";
  for (auto at = p; at != preview.end() && at - p < 6; ++at) text += "  " + *at + "\n";
  text += "removal:\n";
  for (auto at = r; at != removal.end() && at - r < 6; ++at) text += "  " + *at + "\n";
  return text;
}

// The removal's changes a preview rightly does not list: the removal's own log, whose place the
// report takes (the preview leaves it, and an old log, untouched), and Dirscrub's start, which a
// preview makes for real with its own word (Dirscrub's changes are listed by Dirscrub's preview, in
// the same report, and made by Dirscrub's own host, not the uninstaller's).
Lines AsAPreviewLists(const std::vector<Change>& changes) {
  Lines listed;
  for (const std::string& text : Texts(changes)) {
    if (text == "  would write file: c:\\VelmarUninstall.log") continue;
    if (text == "  would delete file: c:\\VelmarUninstall.log") continue;
    if (text.starts_with("  would run: \"C:\\Tools\\DirscrubVelmar30.exe\"")) continue;
    listed.push_back(text);
  }
  return listed;
}

// The preview's IIS deletions of objects the server holds. The IIS facility binds containers
// and deletes their children by name, but cannot tell whether a child is there: the preview
// lists every product object the removal deletes, and the removal's own list lacks those the
// server never held (their deletion fails silently).
Lines HeldByTheServer(const Lines& listed, const Scenario& scenario) {
  Server server;
  scenario.lay_out(server);
  std::vector<std::wstring> held = server.iis.virtual_directories;
  held.insert(held.end(), server.iis.application_pools.begin(), server.iis.application_pools.end());
  Lines kept;
  for (const std::string& line : listed) {
    const std::wstring name = platform::WideFromUtf8(line.substr(line.rfind(' ') + 1));
    const bool absent = std::none_of(held.begin(), held.end(), [&](const std::wstring& object) {
      return platform::Upcase(object) == platform::Upcase(name);
    });
    if (!(line.starts_with("  would delete IIS object: ") && absent)) kept.push_back(line);
  }
  return kept;
}

void ExpectListsTheRemoval(const Scenario& scenario, const RunOutcome& preview) {
  const RunOutcome removal = RecordedRemoval(scenario);
  ASSERT_EQ(removal.end, RunEnd::kProgramEnded) << removal.what;
  EXPECT_EQ(
      Parting(HeldByTheServer(Texts(preview.changes), scenario), AsAPreviewLists(removal.changes)),
      "");
  EXPECT_GT(removal.changes.size(), AsAPreviewLists(removal.changes).size())
      << "the log and Dirscrub's start are among the removal's changes";
  // Apart from its opening words and counts, the report says what the removal's log says.
  EXPECT_EQ(Cut(preview.report).said, AsAPreviewSays(removal.log));
}

class TypicalPreview : public ::testing::TestWithParam<Scenario> {};

// Nothing on the machine changes but the report; the report opens as the log does, says what
// the log would, lists every change the preview recorded in order, and closes with the counts
// that add up to them; the real removal makes exactly those changes.
TEST_P(TypicalPreview, ChangesNothingListsTheRemovalAndTheRemovalMakesThem) {
  const RunOutcome preview = Preview(GetParam(), kUnattendedPreview);
  EXPECT_EQ(Joined(PreviewVerdict(preview, /*unattended=*/true)), "") << preview.report;
  EXPECT_EQ(preview.exit_code, 0u) << preview.report;
  EXPECT_EQ(preview.windows_shown, Lines{});
  EXPECT_EQ(preview.log, kOldLog) << "the removal's own log is not touched";

  const Report report = Cut(preview.report);
  EXPECT_EQ(report.headline.size(), 2u);
  ASSERT_FALSE(preview.changes.empty());
  EXPECT_TRUE(InOrder(Texts(preview.changes), report.would)) << preview.report;
  EXPECT_EQ(CountsUnder(report, "Changes the removal would make, by kind:"),
            CountsOf(preview.changes))
      << preview.report;
  ExpectListsTheRemoval(GetParam(), preview);
}

// Without Unattended: no window, no confirmation, no box at all, and Notepad on the report as
// the last thing started.
TEST_P(TypicalPreview, AnInteractivePreviewAsksNothingAndOpensTheReport) {
  const RunOutcome preview = Preview(GetParam(), kInteractivePreview);
  EXPECT_EQ(Joined(PreviewVerdict(preview, /*unattended=*/false)), "") << preview.report;
  EXPECT_EQ(preview.windows_shown, Lines{});
  EXPECT_TRUE(preview.boxes.empty()) << platform::Utf8FromWide(preview.boxes.front().text);
  ASSERT_FALSE(preview.started.empty());
  EXPECT_EQ(Started(preview).back(), kNotepad);
  EXPECT_EQ(preview.exit_code, 0u);
  EXPECT_EQ(Cut(preview.report).would, Cut(Preview(GetParam(), kUnattendedPreview).report).would)
      << "what is listed does not depend on who watches";
}

// The typical installations, and the 4.0 one with some of the product's web objects beside
// another's, which the removal deletes and the preview lists.
std::vector<Scenario> Typical() {
  std::vector<Scenario> scenarios = Scenarios();
  scenarios.push_back(With(scenarios.front(), " with web objects", [](Server& server) {
    server.iis.virtual_directories = {L"ConsoleWeb", L"Printers", L"MBXS", L"status"};
    server.iis.application_pools = {L"DefaultAppPool", L"MBXS"};
  }));
  return scenarios;
}

std::string Named(const ::testing::TestParamInfo<Scenario>& info) {
  std::string name;
  for (char c : info.param.name) {
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, TypicalPreview, ::testing::ValuesIn(Typical()), Named);

// Dirscrub's preview reports into the same report: what it would remove from the directory,
// the marker it would write after its last line, and its own counts.
TEST(DirscrubPreview, ReportsItsRemovalsIntoTheSameReport) {
  const RunOutcome preview = Preview(Scenarios()[1], kUnattendedPreview);
  const Report report = Cut(preview.report);
  EXPECT_TRUE(InOrder({"  would remove directory data: subscriber subscriber1",
                       "  would remove directory data: location ThisServer",
                       "  would write file: c:\\VelmarUninstallTemp.xxx",
                       "  would delete file: c:\\velmarUninstalltemp.xxx"},
                      report.would))
      << preview.report;
  EXPECT_EQ(CountsUnder(report, "Changes Dirscrub would make, by kind:"),
            (Lines{"  directory data removed: 2", "  files written: 1", "  in all: 3"}))
      << preview.report;
  EXPECT_TRUE(std::any_of(preview.started.begin(), preview.started.end(), [](const auto& command) {
    return command == L"\"C:\\Tools\\DirscrubVelmar30.exe\" Preview Unattended";
  }));
}

// What a damaged or hostile registry names: every value the removal reads set to it, the
// install root to another. A preview of each changes nothing, and lists exactly what the real
// removal then does, the footprint's refusals included.
TEST(HostilePreview, ChangesNothingAndListsWhatTheFencedRemovalDoes) {
  const std::pair<std::wstring, std::wstring> hostile[] = {
      {L"", L"C:\\WINDOWS\\"},
      {L"..\\..", L"Tools\\Corvane"},
      {L"C:\\", L"C:\\\\\\\\"},
      {L"C:\\WINDOWS\\..", L"C:\\Program Files"},
      {L"c:\\windows\\", L"C:\\Documents and Settings"},
      {L"C:\\Tools", L"C:\\Tools"},
      {L"C:\\PROGRA~1", L"C:\\Program Files\\..\\WINDOWS"},
      {L"C:\\" + std::wstring(300, L'a'), L"C:\\Program Files"},
      {L"C:\\\u65e5\u672c\u8a9e", L"C:\\\u0414\u0430\u0442"},
  };
  for (const auto& [value, root] : hostile) {
    SCOPED_TRACE("value=" + platform::Utf8FromWide(value) +
                 " root=" + platform::Utf8FromWide(root));
    const Scenario scenario = With(Scenarios()[0], " hostile", [value, root](Server& server) {
      auto& r = server.registry;
      r.SetString(reg::kLocalMachine, L"Software\\Quillon\\Corvane Setup\\1.0\\Properties",
                  L"CorvaneRootPath", value);
      const wchar_t* shell =
          L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
      for (const auto* name : {L"Common Startup", L"Common Programs", L"Common Desktop"}) {
        r.SetString(reg::kLocalMachine, shell, name, value);
      }
      r.SetString(reg::kCurrentUser, shell, L"Desktop", value);
      r.SetString(reg::kLocalMachine, L"Software\\Microsoft\\InetStp", L"PathWWWRoot", value);
      r.SetString(reg::kLocalMachine, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                  L"SystemRoot", value);
      uninstaller::testing::InstallProduct(server, 0x00040000, 0x00030032, root);
    });
    const RunOutcome preview = Preview(scenario, kUnattendedPreview);
    EXPECT_EQ(Joined(PreviewVerdict(preview, /*unattended=*/true)), "") << preview.report;
    EXPECT_NE(preview.report.find("(warning) CorvaneRootPath="), std::string::npos);
    ExpectListsTheRemoval(scenario, preview);
  }
}

// 0 or 1 by the report's "(error)" lines, 6 without Dirscrub; refusals at start-up as an
// unattended run's, with no report written and the old log left as it was.
TEST(PreviewExitCodes, SayHowThePreviewEnded) {
  platform::sim::FaultPlan no_database;
  no_database.programs = OurPrograms();
  no_database.fail_site = "Connection.Open";
  const RunOutcome errors = Preview(Scenarios()[0], kUnattendedPreview, no_database);
  EXPECT_EQ(Joined(PreviewVerdict(errors, /*unattended=*/true)), "") << errors.report;
  EXPECT_GT(ErrorLines(errors.report), 0) << errors.report;
  EXPECT_EQ(errors.exit_code, 1u);

  const RunOutcome no_dirscrub = Preview(
      With(Scenarios()[0], " as 3.1 without Dirscrub",
           [](Server& server) {
             uninstaller::testing::InstallProduct(server, 0x00030001, 0x00040002, L"C:\\Corvane\\");
           }),
      kUnattendedPreview);
  EXPECT_EQ(Joined(PreviewVerdict(no_dirscrub, /*unattended=*/true)), "") << no_dirscrub.report;
  EXPECT_EQ(no_dirscrub.exit_code, 6u);

  const Scenario too_old = With(Scenarios()[0], " 2.x", [](Server& server) {
    uninstaller::testing::InstallProduct(server, 0x00020000, 0x00010000, L"C:\\Corvane\\");
  });
  const Scenario stopped = With(Scenarios()[0], " stopped", [](Server& server) {
    for (const wchar_t* name :
         {L"ZqKtGateWay", L"ZqDirChangeWriter", L"ZqSqlChangeWriter", L"WyDirReader", L"ZqDSAD"}) {
      server.services.Find(name)->state = platform::svc::kStopped;
    }
  });
  const std::tuple<const Scenario*, const wchar_t*, std::uint32_t, std::size_t> refusals[] = {
      {&too_old, kUnattendedPreview, 2, 0},
      {&too_old, kInteractivePreview, 2, 1},  // message 2038, as a removal shows it
      {&stopped, kUnattendedPreview, 3, 0},
      {&stopped, kInteractivePreview, 3, 1},  // the not-running question, answered Yes
  };
  for (const auto& [scenario, args, code, boxes] : refusals) {
    SCOPED_TRACE(scenario->name + " " + platform::Utf8FromWide(args));
    const RunOutcome refused = Preview(*scenario, args);
    EXPECT_TRUE(refused.ended_in_startup);
    EXPECT_EQ(refused.exit_code, code);
    EXPECT_EQ(refused.boxes.size(), boxes);
    EXPECT_EQ(refused.report, "");
    EXPECT_EQ(refused.log, kOldLog);
    EXPECT_EQ(Joined(PreviewVerdict(refused, /*unattended=*/boxes == 0)), "");
  }
}

// A complete removal takes Velmar's version with it, so a preview after one is refused at
// start-up as any run is on a server without Velmar: exit code 2 and no report, the removal's
// log left as it was.
TEST(PreviewAfterARemoval, IsRefusedOnceTheVersionIsGone) {
  const Scenario removed = With(Scenarios()[0], " removed", [](Server& server) {
    platform::sim::StringTable table;
    for (const auto& [id, text] : uninstaller::BuiltInStrings()) table[id] = text;
    platform::sim::Process process(server, kUninstaller, kUnattendedRemoval, table, {4, 0, 0, 34});
    uninstaller::testing::FakeViews views;
    uninstaller::UninstallerApp app(process.host(), views);
    EXPECT_THROW(app.Start(), platform::ProgramEnd);
  });
  const RunOutcome preview = Preview(removed, kUnattendedPreview);
  EXPECT_EQ(Joined(PreviewVerdict(preview, /*unattended=*/true)), "");
  EXPECT_TRUE(preview.ended_in_startup);
  EXPECT_EQ(preview.exit_code, 2u);
  EXPECT_EQ(preview.report, "");
  EXPECT_NE(preview.log.find("Uninstall completed at:"), std::string::npos) << preview.log;
}

// The operator guide's example report is what a preview of the 4.0(3.50) installation writes,
// line for line: it is made with the line the guide names above it.
TEST(OperatorGuide, ItsExampleReportIsWhatAPreviewWrites) {
  std::ifstream guide(VELMAR_SOURCE_DIR "/docs/operator-guide.md");
  ASSERT_TRUE(guide.is_open());
  Lines example;
  bool in_example = false;
  for (std::string line; std::getline(guide, line);) {
    if (line == "<!-- made with: fault_injection --print-report --scenario=4.0(3.50) -->") {
      in_example = std::getline(guide, line) && line == "```";
      continue;
    }
    if (in_example && line == "```") break;
    if (in_example) example.push_back(line);
  }
  const RunOutcome preview = Preview(Scenarios()[0], kUnattendedPreview);
  ASSERT_EQ(Scenarios()[0].name, "4.0(3.50)");
  EXPECT_EQ(example, LogLines(preview.report));
}

}  // namespace
}  // namespace velmar::fault
