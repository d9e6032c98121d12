// Starting children as the platform's command-line start does: the search order for the
// program, batch files, the window style the child sees, waits that end in time or pass their
// limit, a missing program, and a running program's image that cannot be deleted but renamed.
#include <string>

#include "platform/processes.h"
#include "platform/text.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

using platform::WaitResult;

class ProcessesConformance : public Conformance {
 protected:
  void SetUp() override {
    Conformance::SetUp();
    original_dir_ = host().processes.CurrentDirectory();
  }
  void TearDown() override {
    try {
      host().processes.ChangeDirectory(original_dir_);
      for (const auto& path : placed_) {
        if (fs().FileExists(path)) fs().RemoveFile(path, true);
      }
    } catch (const platform::RuntimeError&) {
    }
    Conformance::TearDown();
  }
  std::wstring At(const std::wstring& name) const { return scratch_ + L"\\" + name; }
  std::wstring Place(const std::wstring& path) {
    backend().InstallChildProgram(path);
    placed_.push_back(path);
    return path;
  }
  // Runs "<command> child report FILE" and returns what the child wrote.
  std::string Report(const std::wstring& program, int show, const std::wstring& file) {
    auto child = host().processes.Start(program + L" child report " + file, show);
    EXPECT_EQ(child->Wait(20'000), WaitResult::kEnded);
    return fs().FileExists(file) ? fs().ReadBytes(file) : std::string("(no report)");
  }

  std::wstring original_dir_;
  std::vector<std::wstring> placed_;
};

std::string Field(const std::string& report, int index) {
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) start = report.find('|', start) + 1;
  return report.substr(start, report.find('|', start) - start);
}

TEST_F(ProcessesConformance, TheProgramsOwnFolderComesBeforeTheCurrentDirectory) {
  const std::wstring own = platform::ProgramFolder(host().processes);
  Place(own + L"\\velmar_twin.exe");
  Place(At(L"velmar_twin.exe"));
  host().processes.ChangeDirectory(scratch_);
  const std::string report = Report(L"velmar_twin.exe", 1, At(L"twin.txt"));
  const std::string expected = host().locale.ToAnsi(own + L"\\velmar_twin.exe");
  EXPECT_EQ(platform::Upcase(host().locale.FromAnsi(Field(report, 0))),
            platform::Upcase(host().locale.FromAnsi(expected)));
}

TEST_F(ProcessesConformance, TheCurrentDirectoryIsSearchedAndInherited) {
  Place(At(L"velmar_local.exe"));
  host().processes.ChangeDirectory(scratch_);
  const std::string report = Report(L"velmar_local.exe", 1, At(L"local.txt"));
  EXPECT_EQ(platform::Upcase(host().locale.FromAnsi(Field(report, 2))), platform::Upcase(scratch_));
}

TEST_F(ProcessesConformance, TheWindowStyleReachesTheChild) {
  const std::wstring program = Place(At(L"velmar_shown.exe"));
  EXPECT_EQ(Field(Report(program, 6, At(L"six.txt")), 1), "6");
  EXPECT_EQ(Field(Report(program, 0, At(L"zero.txt")), 1), "0");
  EXPECT_EQ(Field(Report(program, 2, At(L"two.txt")), 1), "2");
}

TEST_F(ProcessesConformance, ABatchFileStartedByItsName) {
  backend().InstallMarkerBatch(At(L"velmar_marker.bat"), L"marker.txt");
  host().processes.ChangeDirectory(scratch_);
  auto child = host().processes.Start(L"velmar_marker.bat", 0);
  EXPECT_EQ(child->Wait(20'000), WaitResult::kEnded);
  EXPECT_TRUE(fs().FileExists(At(L"marker.txt")));
}

TEST_F(ProcessesConformance, ABatchFileInTheProgramsOwnFolderRunsFromAnotherDirectory) {
  const std::wstring batch = platform::ProgramFolder(host().processes) + L"\\velmar_own.bat";
  backend().InstallMarkerBatch(batch, L"own_marker.txt");
  placed_.push_back(batch);
  host().processes.ChangeDirectory(scratch_);
  auto child = host().processes.Start(L"velmar_own.bat", 0);
  EXPECT_EQ(child->Wait(20'000), WaitResult::kEnded);
  EXPECT_TRUE(fs().FileExists(At(L"own_marker.txt"))) << "it ran, in the current directory";
}

TEST_F(ProcessesConformance, ABatchFileInTheProgramsOwnFolderComesFirstToo) {
  const std::wstring own = platform::ProgramFolder(host().processes) + L"\\velmar_both.bat";
  backend().InstallMarkerBatch(own, L"from_own.txt");
  placed_.push_back(own);
  backend().InstallMarkerBatch(At(L"velmar_both.bat"), L"from_current.txt");
  host().processes.ChangeDirectory(scratch_);
  auto child = host().processes.Start(L"velmar_both.bat", 0);
  EXPECT_EQ(child->Wait(20'000), WaitResult::kEnded);
  EXPECT_TRUE(fs().FileExists(At(L"from_own.txt"))) << "run in the current directory";
  EXPECT_FALSE(fs().FileExists(At(L"from_current.txt")));
}

TEST_F(ProcessesConformance, WaitsEndInTimeOrPassTheirLimit) {
  const std::wstring program = Place(At(L"velmar_sleeper.exe"));
  auto slow = host().processes.Start(program + L" child sleep 3000", 0);
  EXPECT_EQ(slow->Wait(200), WaitResult::kTimedOut);
  EXPECT_EQ(slow->Wait(platform::kInfinite), WaitResult::kEnded);
  auto quick = host().processes.Start(program + L" child sleep 50", 0);
  EXPECT_EQ(quick->Wait(20'000), WaitResult::kEnded);
}

TEST_F(ProcessesConformance, AChildThatEndedBeforeTheWaitHasEnded) {
  const std::wstring program = Place(At(L"velmar_quick.exe"));
  auto child = host().processes.Start(program + L" child sleep 10", 0);
  host().clock.Sleep(1000);
  EXPECT_EQ(child->Wait(100), WaitResult::kEnded);
}

TEST_F(ProcessesConformance, AMissingProgramRaisesFileNotFound) {
  try {
    host().processes.Start(L"velmar_absent_program.exe /x", 1);
    ADD_FAILURE() << "no error raised";
  } catch (const platform::RuntimeError& error) {
    EXPECT_EQ(error.number(), 53);
  }
  try {
    host().processes.Start(At(L"absent.bat"), 1);
    ADD_FAILURE() << "no error raised for a missing batch file";
  } catch (const platform::RuntimeError& error) {
    EXPECT_EQ(error.number(), 53);
  }
}

TEST_F(ProcessesConformance, ARunningProgramsImageCannotBeDeletedButCanBeRenamed) {
  const std::wstring program = Place(At(L"velmar_busy.exe"));
  auto child = host().processes.Start(program + L" child sleep 2000", 0);
  int deletion = 0;
  try {
    fs().RemoveFile(program, true);
  } catch (const platform::RuntimeError& error) {
    deletion = error.number();
  }
  EXPECT_EQ(deletion, 70);
  EXPECT_NO_THROW(fs().Move(program, program + L".old"));
  placed_.push_back(program + L".old");
  EXPECT_EQ(child->Wait(platform::kInfinite), WaitResult::kEnded);
}

TEST_F(ProcessesConformance, TheCommandLineHoldsTheModulePathAndTheArguments) {
  const std::wstring line = host().processes.CommandLine();
  EXPECT_NE(platform::Upcase(line).find(platform::Upcase(host().processes.ModulePath())),
            std::wstring::npos)
      << platform::Utf8FromWide(line);
  EXPECT_EQ(platform::ArgumentsOf(line), host().processes.CommandArgs());
}

TEST_F(ProcessesConformance, AnImageStartsByTheNameGivenAndIsNeverSearchedFor) {
  const std::wstring program = Place(At(L"velmar_image.exe"));
  platform::Status error = -1;
  auto child = host().processes.StartImage(
      program, L"velmar_image.exe child report " + At(L"image.txt"), error);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(error, platform::win::kSuccess);
  EXPECT_EQ(child->Wait(20'000), WaitResult::kEnded);
  const std::string report = fs().FileExists(At(L"image.txt")) ? fs().ReadBytes(At(L"image.txt"))
                                                               : std::string("(no report)");
  EXPECT_EQ(platform::Upcase(host().locale.FromAnsi(Field(report, 0))), platform::Upcase(program));

  EXPECT_EQ(host().processes.StartImage(L"velmar_image.exe", L"velmar_image.exe", error), nullptr)
      << "the current directory is not the program's folder";
  EXPECT_EQ(error, platform::win::kFileNotFound);
  EXPECT_EQ(host().processes.StartImage(At(L"nofolder\\absent.exe"), L"absent.exe", error),
            nullptr);
  EXPECT_EQ(error, platform::win::kPathNotFound);
}

TEST_F(ProcessesConformance, ANamedEventCanBeCreatedAgainWhileOpen) {
  const std::wstring name = L"VelmarConformanceEvent" + std::to_wstring(__LINE__);
  auto first = host().processes.MakeNamedEvent(name, true);
  ASSERT_NE(first, nullptr);
  auto second = host().processes.MakeNamedEvent(name, false);
  EXPECT_NE(second, nullptr) << "an existing event is opened";
}

// One removal at a time rests on this: a second holder of the name learns of the first, and
// the name is free again once its last handle is gone.
TEST_F(ProcessesConformance, ANamedMutexTellsWhetherItExistedAndGoesWithItsLastHandle) {
  const std::wstring name = L"VelmarConformanceMutex" + std::to_wstring(__LINE__);
  bool existed = true;
  auto first = host().processes.MakeNamedMutex(name, existed);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(existed);
  auto second = host().processes.MakeNamedMutex(name, existed);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(existed) << "the name is held by the first handle";
  first.reset();
  second.reset();
  auto third = host().processes.MakeNamedMutex(name, existed);
  ASSERT_NE(third, nullptr);
  EXPECT_FALSE(existed) << "both handles are gone, so is the mutex";
}

}  // namespace
}  // namespace conformance
