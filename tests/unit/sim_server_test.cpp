// The simulated server's own promises: virtual time, processes and the search for their
// program, scripted message boxes, services, language libraries and the error model.
#include <gtest/gtest.h>

#include <map>

#include "platform/sim/process.h"
#include "platform/sim/windows_programs.h"

namespace {

using platform::RuntimeError;
using platform::WaitResult;
using platform::sim::Hangs;
using platform::sim::Process;
using platform::sim::Program;
using platform::sim::RunsFor;
using platform::sim::Server;
namespace mb = platform::mb;
namespace svc = platform::svc;

int ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& error) {
    return error.number();
  }
  return 0;
}

class SimServer : public ::testing::Test {
 protected:
  Server server;
  Process app{server, L"C:\\Tools\\Uninstall\\app.exe"};
  platform::Host& host = app.host();
};

TEST_F(SimServer, TimeIsVirtualAndFormatsAsTheUsGeneralDate) {
  EXPECT_EQ(host.locale.FormatGeneralDate(host.clock.Now()), L"12/6/2006 3:38:28 PM");
  host.clock.Sleep(9 * 3600 * 1000);  // past midnight
  EXPECT_EQ(host.locale.FormatGeneralDate(host.clock.Now()), L"12/7/2006 12:38:28 AM");
  EXPECT_EQ(server.now_ms(), 9u * 3600 * 1000);
  const float before = host.clock.SecondsSinceMidnight();
  host.clock.PumpMessages();
  EXPECT_GT(host.clock.SecondsSinceMidnight(), before) << "a pump pass takes virtual time";
}

TEST_F(SimServer, ProgramsAreFoundInTheFolderOrderOfTheCommandLineStart) {
  server.files.WriteFile(L"C:\\WINDOWS\\system32\\net.exe", "MZ");
  server.files.WriteFile(L"C:\\Tools\\Uninstall\\kill.exe", "MZ");
  server.files.WriteFile(L"C:\\WINDOWS\\system32\\kill.exe", "MZ");
  host.processes.Start(L"net stop ZqDSAD", 1);
  host.processes.Start(L"kill.exe zq*", 6);
  ASSERT_EQ(server.processes().size(), 2u);
  EXPECT_EQ(server.processes()[0].image_path, L"C:\\WINDOWS\\system32\\net.exe");
  EXPECT_EQ(server.processes()[1].image_path, L"C:\\Tools\\Uninstall\\kill.exe")
      << "the program's own folder comes first";
  EXPECT_EQ(server.processes()[1].command_line, L"kill.exe zq*");
  EXPECT_EQ(server.processes()[1].show_window, 6);
  EXPECT_EQ(ErrorOf([&] { host.processes.Start(L"absent.exe /x", 1); }), 53);
}

TEST_F(SimServer, UnquotedPathsWithBlanksTryEachPrefix) {
  server.files.WriteFile(L"C:\\Program Files\\Kit\\uninst.exe", "MZ");
  host.processes.Start(L"C:\\Program Files\\Kit\\uninst.exe -silent", 1);
  EXPECT_EQ(server.processes().back().image_path, L"C:\\Program Files\\Kit\\uninst.exe");
}

TEST_F(SimServer, WaitingEndsWithTheProcessOrAtTheLimit) {
  server.InstallProgram(L"C:\\WINDOWS\\system32\\slow.exe", RunsFor(45'000));
  const auto slow = host.processes.Start(L"slow.exe", 1);
  EXPECT_EQ(slow->Wait(30'000), WaitResult::kTimedOut);
  EXPECT_EQ(server.now_ms(), 30'000u) << "the failure comes exactly at the limit";
  EXPECT_FALSE(server.FindProcess(slow->id())->ended) << "the child keeps running";
  EXPECT_EQ(slow->Wait(platform::kInfinite), WaitResult::kEnded);
  EXPECT_EQ(server.now_ms(), 45'000u);
  EXPECT_EQ(slow->Wait(1000), WaitResult::kEnded) << "the held handle still tells it ended";
  EXPECT_EQ(server.now_ms(), 45'000u);
}

TEST_F(SimServer, AChildThatEndedBeforeTheWaitCountsAsEnded) {
  server.InstallProgram(L"C:\\WINDOWS\\system32\\quick.exe", RunsFor(50));
  const auto quick = host.processes.Start(L"quick.exe", 1);
  host.clock.Sleep(1000);
  EXPECT_EQ(quick->Wait(30'000), WaitResult::kEnded);
  EXPECT_EQ(server.now_ms(), 1000u);
}

TEST_F(SimServer, AProgramsEffectLandsWhenItEnds) {
  server.services.Install(L"ZqDSAD", svc::kRunning);
  Program net_stop;
  net_stop.run_ms = 2000;
  net_stop.body = [](Process& p) {
    p.server().services.Find(platform::ArgumentsOf(p.host().processes.CommandArgs()))->state =
        svc::kStopped;
    return 0u;
  };
  server.InstallProgram(L"C:\\WINDOWS\\system32\\net.exe", net_stop);
  const auto child = host.processes.Start(L"net stop ZqDSAD", 1);
  EXPECT_EQ(server.services.Find(L"ZqDSAD")->state, svc::kRunning);
  host.clock.Sleep(1999);
  EXPECT_EQ(server.services.Find(L"ZqDSAD")->state, svc::kRunning);
  host.clock.Sleep(1);
  EXPECT_EQ(server.services.Find(L"ZqDSAD")->state, svc::kStopped);
  EXPECT_TRUE(server.FindProcess(child->id())->ended);
}

TEST_F(SimServer, WaitingForeverOnAHungProgramStopsTheTest) {
  server.InstallProgram(L"C:\\WINDOWS\\system32\\hang.exe", Hangs());
  const auto hung = host.processes.Start(L"hang.exe", 1);
  EXPECT_EQ(hung->Wait(40'000), WaitResult::kTimedOut);
  EXPECT_THROW(hung->Wait(platform::kInfinite), platform::sim::Deadlock);
}

TEST_F(SimServer, ARunningImageIsInUseUntilItEnds) {
  server.InstallProgram(L"C:\\Tools\\Uninstall\\child.exe", RunsFor(500));
  host.processes.Start(L"child.exe", 1);
  EXPECT_EQ(ErrorOf([&] { host.files.RemoveFile(L"C:\\Tools\\Uninstall\\child.exe", true); }), 70);
  host.clock.Sleep(500);
  EXPECT_EQ(ErrorOf([&] { host.files.RemoveFile(L"C:\\Tools\\Uninstall\\child.exe", true); }), 0);
}

TEST_F(SimServer, MessageBoxesFollowTheScriptAndReportWhatWasNotForeseen) {
  server.boxes.Expect(L"Do you want to exit?", mb::kIdNo);
  EXPECT_EQ(host.boxes.Show(L"Do you want to exit?", L"Title", mb::kYesNo), mb::kIdNo);
  EXPECT_TRUE(server.Problems().empty());
  EXPECT_EQ(host.boxes.Show(L"Surprise", L"Title", mb::kYesNo), mb::kIdNo)
      << "an unforeseen box gets its safest answer";
  server.boxes.Expect(L"never shown", mb::kIdOk);
  const auto problems = server.Problems();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("Surprise"), std::string::npos);
  EXPECT_NE(problems[1].find("never shown"), std::string::npos);
  EXPECT_EQ(server.boxes.shown().back().caption, L"Title");
}

TEST_F(SimServer, ServiceControlManagerHandlesAndErrors) {
  server.services.Install(L"ZqKtGateWay", svc::kStartPending);
  auto& scm = host.services;
  {
    platform::ScopedScHandle manager(scm, scm.OpenManager(svc::kGenericAll));
    platform::ScopedScHandle service(scm, scm.OpenServiceHandle(manager.get(), "zqktgateway", 4));
    platform::ServiceStatus status;
    ASSERT_TRUE(scm.QueryStatus(service.get(), status));
    EXPECT_EQ(status.current_state, svc::kStartPending);
    EXPECT_EQ(scm.OpenServiceHandle(manager.get(), "ZqDSAD", 4), 0u);
    EXPECT_EQ(scm.LastError(), platform::win::kServiceDoesNotExist);
    EXPECT_FALSE(scm.QueryStatus(0, status));
    EXPECT_EQ(scm.LastError(), platform::win::kInvalidHandle);
  }
  EXPECT_EQ(app.OpenServiceHandles(), 0u);
  server.services.manager_unavailable = true;
  EXPECT_EQ(scm.OpenManager(svc::kGenericAll), 0u);
  EXPECT_EQ(scm.LastError(), platform::win::kAccessDenied);
}

TEST_F(SimServer, LanguageLibrariesAndTheProgramsOwnTable) {
  Process localized(server, L"C:\\Tools\\Uninstall\\app2.exe", L"",
                    {{1001, L"Uninstall"}, {1002, L""}});
  server.InstallLanguageLibrary(L"C:\\Tools\\Uninstall\\UninstDEU.dll",
                                {{1001, L"Deinstallieren"}});
  auto& res = localized.host().resources;
  EXPECT_EQ(res.LoadText(0, 1001), L"Uninstall");
  EXPECT_FALSE(res.LoadText(0, 1002)) << "an empty entry reads as missing";
  {
    platform::ScopedModule library(res, res.LoadDataFile(L"UninstDEU.dll"));
    ASSERT_NE(library.get(), 0u) << "found relative to the current directory";
    EXPECT_EQ(res.LoadText(library.get(), 1001), L"Deinstallieren");
    EXPECT_FALSE(res.LoadText(library.get(), 1003));
  }
  EXPECT_EQ(localized.LoadedModules(), 0u);
  EXPECT_EQ(res.LoadDataFile(L"C:\\Tools\\Uninstall\\UninstFRA.dll"), 0u);
}

TEST_F(SimServer, TheKillerSparesTheSystemsOwnProcessesAndRefusesWhatIsNoPattern) {
  server.InstallProgram(L"C:\\Tools\\Uninstall\\kill.exe", platform::sim::KillProgram());
  std::map<std::wstring, std::uint32_t> ids;
  for (const wchar_t* name :
       {L"csrss.exe", L"services.exe", L"svchost.exe", L"zqsvc.exe", L"notepad.exe"}) {
    server.InstallProgram(std::wstring(L"C:\\WINDOWS\\system32\\") + name, Hangs());
    ids[name] = host.processes.Start(name, 0)->id();
  }
  const auto kill = [&](const std::wstring& args) {
    auto child = host.processes.Start(L"kill.exe " + args, 6);
    EXPECT_EQ(child->Wait(platform::kInfinite), WaitResult::kEnded);
    return server.FindProcess(child->id())->exit_code;
  };
  const auto running = [&](const wchar_t* name) { return !server.FindProcess(ids[name])->ended; };

  EXPECT_EQ(kill(L"zq?.exe"), 1u) << "no pattern: a usage error";
  EXPECT_EQ(kill(L"SERVICES.EXE"), 0u);
  EXPECT_TRUE(running(L"zqsvc.exe"));
  EXPECT_TRUE(running(L"services.exe"));
  EXPECT_EQ(kill(L"*"), 0u);
  EXPECT_FALSE(running(L"zqsvc.exe"));
  EXPECT_FALSE(running(L"notepad.exe"));
  EXPECT_EQ(server.FindProcess(ids[L"notepad.exe"])->exit_code, 1u);
  EXPECT_TRUE(running(L"csrss.exe"));
  EXPECT_TRUE(running(L"services.exe"));
  EXPECT_TRUE(running(L"svchost.exe"));
}

TEST(ErrorModel, RuntimeErrorsCarryTheRunTimesNumbersAndTexts) {
  const RuntimeError missing(platform::VbError::kFileNotFound);
  EXPECT_EQ(missing.number(), 53);
  EXPECT_EQ(missing.description(), L"File not found");
  EXPECT_STREQ(missing.what(), "53 File not found");
  EXPECT_EQ(RuntimeError(platform::VbError::kCantCreateObject).description(),
            L"ActiveX component can't create object");
  EXPECT_EQ(RuntimeError(-2147467259, L"Unspecified error").number(), -2147467259);
}

}  // namespace
