// The problem count read back from a 100 MB uninstall log with a marker on 1% of its lines,
// against a baseline that only splits the same file into lines through the same text file.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/log_text.h"
#include "platform/sim/process.h"
#include "uninstaller/sequence/uninstall_log.h"

namespace velmar::bench {
namespace {

constexpr std::size_t kLogBytes = 100u << 20;

// Built once: the same bytes for every benchmark.
const LogText& HundredMegabyteLog() {
  static const LogText log = MakeLog(kLogBytes);
  return log;
}

// A server holding the log, and one process whose files and clock the log goes through.
struct LogMachine {
  LogMachine() { server.files.WriteFile(uninstaller::kLogPath, HundredMegabyteLog().bytes); }
  platform::sim::Server server;
  platform::sim::Process process{server, L"C:\\Tools\\VelmarUninstall3xandUp.exe"};
};

void SetThroughput(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(HundredMegabyteLog().bytes.size()));
  state.counters["lines"] = HundredMegabyteLog().lines;
}

void CountLogProblems(benchmark::State& state) {
  LogMachine machine;
  uninstaller::UninstallLog log(machine.process.host().files, machine.process.host().clock);
  for (auto _ : state) {
    log.CountLogProblems();
    const LogText& expected = HundredMegabyteLog();
    if (log.ErrorCount() != expected.errors || log.WarningCount() != expected.warnings) {
      state.SkipWithError("the count does not match the markers laid out");
      break;
    }
  }
  SetThroughput(state);
}

// What any reading of the log must cost: every line taken out of the file as text.
void SplitLogIntoLines(benchmark::State& state) {
  LogMachine machine;
  auto& files = machine.process.host().files;
  for (auto _ : state) {
    int lines = 0;
    auto input = files.OpenText(uninstaller::kLogPath, platform::OpenMode::kInput);
    while (!input->AtEnd()) {
      benchmark::DoNotOptimize(input->ReadLine());
      ++lines;
    }
    if (lines != HundredMegabyteLog().lines) {
      state.SkipWithError("the split does not give the lines laid out");
      break;
    }
  }
  SetThroughput(state);
}

BENCHMARK(SplitLogIntoLines)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(CountLogProblems)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace velmar::bench
