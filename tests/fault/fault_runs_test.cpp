// The fault plan and its rules: each facility fails the chosen call the way Windows does, only
// the covered programs are numbered, and the verdict catches each way a run can go wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/sim/process.h"
#include "platform/sim/windows_programs.h"
#include "platform/text.h"
#include "tests/fault/verdict.h"
#include "tests/fault/whole_run.h"

namespace velmar::fault {
namespace {

using platform::Host;
using platform::sim::Process;
using platform::sim::Server;

std::string Error(const std::function<void()>& action) {
  try {
    action();
    return "no error";
  } catch (const platform::RuntimeError& error) {
    return std::to_string(error.number()) + " " + platform::Utf8FromWide(error.description());
  }
}

struct FailureRow {
  const char* site;
  std::function<std::string(Host&)> call;  // what the program sees of the failed call
  const char* seen;
};

const FailureRow kFailures[] = {
    {"RegOpenKeyExA",
     [](Host& host) {
       platform::RegHandle key = 7;
       const auto status = host.registry.OpenKey(platform::reg::kLocalMachine, "Software",
                                                 platform::reg::kRead, key);
       return std::to_string(status) + " key " + std::to_string(key);
     },
     "5 key 0"},
    {"DeleteFile",
     [](Host& host) { return Error([&] { host.files.RemoveFile(L"C:\\a.txt", true); }); },
     "70 Permission denied"},
    {"Print #",
     [](Host& host) {
       auto file = host.files.OpenText(L"C:\\log.txt", platform::OpenMode::kOutput);
       return Error([&] { file->WriteLine(L"line"); });
     },
     "61 Disk full"},
    {"CreateProcess",
     [](Host& host) { return Error([&] { host.processes.Start(L"net stop x", 0); }); },
     "53 File not found"},
    {"WaitForSingleObject",
     [](Host& host) {
       auto child = host.processes.Start(L"net stop x", 0);
       return std::string(child->Wait(1000) == platform::WaitResult::kFailed ? "failed" : "ok");
     },
     "failed"},
    {"OpenSCManagerA",
     [](Host& host) {
       const auto handle = host.services.OpenManager(platform::svc::kManagerAllAccess);
       return std::to_string(handle) + " error " + std::to_string(host.services.LastError());
     },
     "0 error 5"},
    {"Connection.Open",
     [](Host& host) {
       return Error([&] { host.database.Open(L"Driver={SQL Server}", L"", L""); });
     },
     "-2147467259 General network error. Check your network documentation."},
    {"CreateObject",
     [](Host& host) { return Error([&] { host.directory.CreateDohManager(L"Doh.Manager"); }); },
     "429 ActiveX component can't create object"},
    {"LoadLibraryW",
     [](Host& host) {
       const auto module = host.libraries.Load(L"TAPI32.DLL");
       return std::to_string(module) + " error " + std::to_string(host.libraries.LastError());
     },
     "0 error 126"},
};

class FaultPlans : public ::testing::Test {
 protected:
  FaultPlans() {
    server.InstallTelephony();
    server.services.Install(L"Spooler");
    server.faults.programs = {L"Ours.exe"};
  }
  Server server;
};

TEST_F(FaultPlans, EachFacilityFailsTheChosenCallAsWindowsDoes) {
  for (const FailureRow& row : kFailures) {
    Server fresh;
    fresh.InstallTelephony();
    platform::sim::InstallWindowsPrograms(fresh);
    fresh.faults.programs = {L"Ours.exe"};
    fresh.faults.fail_site = row.site;
    Process process(fresh, L"C:\\Tools\\Ours.exe");
    EXPECT_EQ(row.call(process.host()), row.seen) << row.site;
    EXPECT_STREQ(fresh.faults.failed_site, row.site);
  }
}

TEST_F(FaultPlans, OnlyTheCoveredProgramsAreNumberedAndTheLaterCallsSucceed) {
  Process other(server, L"C:\\Tools\\Other.exe");
  platform::RegHandle key = 0;
  EXPECT_EQ(other.host().registry.OpenKey(platform::reg::kLocalMachine, "Software",
                                          platform::reg::kRead, key),
            0);
  other.host().registry.CloseKey(key);
  EXPECT_EQ(server.faults.calls, 0u);

  server.faults.fail_at = 1;
  Process ours(server, L"C:\\Tools\\OURS.EXE");
  auto& services = ours.host().services;
  const auto manager = services.OpenManager(platform::svc::kManagerAllAccess);
  EXPECT_NE(manager, 0u);
  EXPECT_EQ(services.OpenServiceHandle(manager, "Spooler", platform::svc::kQueryStatus), 0u);
  EXPECT_EQ(services.LastError(), platform::win::kAccessDenied);
  const auto service = services.OpenServiceHandle(manager, "Spooler", platform::svc::kQueryStatus);
  EXPECT_NE(service, 0u) << "only one call fails";
  EXPECT_EQ(services.LastError(), 0) << "a call that succeeds clears the failed one's error";
  services.CloseHandle(service);
  services.CloseHandle(manager);
  EXPECT_EQ(server.faults.calls, 3u) << "closing a handle cannot fail and is not numbered";
  EXPECT_EQ(server.faults.failed_at, 1u);
}

TEST_F(FaultPlans, ARunPastItsCallLimitIsStopped) {
  server.faults.call_limit = 2;
  Process ours(server, L"C:\\Tools\\Ours.exe");
  ours.host().files.FileExists(L"C:\\a");
  ours.host().files.FileExists(L"C:\\a");
  EXPECT_THROW(ours.host().files.FileExists(L"C:\\a"), platform::sim::RunawayCalls);
}

// The rules, on a clean whole run of the 4.0 server and copies of it that went wrong.
class Verdicts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::sim::FaultPlan plan;
    plan.programs = OurPrograms();
    clean_ = new RunOutcome(RunWholeUninstall(Scenarios().front(), plan, 0));
  }
  static void TearDownTestSuite() { delete clean_; }
  static RunOutcome* clean_;
};
RunOutcome* Verdicts::clean_ = nullptr;

TEST_F(Verdicts, TheCleanRunHoldsAndClosesItsLog) {
  EXPECT_EQ(Verdict(*clean_, *clean_), std::vector<std::string>{});
  EXPECT_TRUE(LogLines(clean_->log).back().starts_with("Exiting Application at:"));
  EXPECT_GT(clean_->plan.calls, 100u);
}

TEST_F(Verdicts, ALostClosingLineAnEscapeAndALeftHandleAreFaults) {
  RunOutcome run = *clean_;
  run.log += "    Removing something\r\n";
  run.end = RunEnd::kEscaped;
  run.what = "bad_alloc";
  run.open_registry_handles = 1;
  EXPECT_EQ(Verdict(*clean_, run),
            (std::vector<std::string>{"an exception escaped: bad_alloc",
                                      "the log's last line is \"    Removing something\"",
                                      "1 registry handles left open"}));
}

TEST_F(Verdicts, RemovingABystanderOrMoreThanTheCleanRunIsAFault) {
  RunOutcome run = *clean_;
  run.after.erase(L"F C:\\BOOT.INI");
  run.after.erase(L"F C:\\CORVANE.KEEP\\KEEP.TXT");
  run.after.erase(L"D C:\\CORVANE.KEEP");
  const auto faults = Verdict(*clean_, run);
  EXPECT_EQ(faults.size(), 5u);  // two bystanders, and the three names against the clean run
  EXPECT_NE(
      std::find(faults.begin(), faults.end(), "removed what is not the product's: F C:\\BOOT.INI"),
      faults.end());
  EXPECT_NE(
      std::find(faults.begin(), faults.end(), "removed what a clean run keeps: D C:\\CORVANE.KEEP"),
      faults.end());
}

TEST_F(Verdicts, OnlyARefusalKeepsTheOldLogAndAFailedLogMayLoseLines) {
  RunOutcome refused = *clean_;
  refused.ended_in_startup = true;
  refused.log = kOldLog;
  refused.after = refused.before;
  EXPECT_EQ(Verdict(*clean_, refused), std::vector<std::string>{});

  RunOutcome rewritten = refused;
  rewritten.log = clean_->log;
  EXPECT_EQ(Verdict(*clean_, rewritten),
            std::vector<std::string>{"start-up refused after replacing the old log"});

  RunOutcome lost = *clean_;
  lost.log = lost.log.substr(0, lost.log.rfind("Exiting"));
  EXPECT_EQ(Verdict(*clean_, lost).size(), 1u);
  lost.plan.failed_site = "Print #";
  lost.plan.failed_detail = L"c:\\velmaruninstall.LOG";
  EXPECT_EQ(Verdict(*clean_, lost), std::vector<std::string>{});
}

}  // namespace
}  // namespace velmar::fault
