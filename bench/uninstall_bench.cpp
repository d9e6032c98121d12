// The whole uninstall on the simulated server for growing installations: the host time it took
// (program and simulation, the SQL Server's part apart) against the virtual time it stands for.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "bench/bench_machine.h"

namespace velmar::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Each row but the last scales one part of the installation from the base (100 files, 1,000
// keys, 10 subscribers); the last scales all three.
constexpr InstallSize kSizes[] = {
    {100, 1'000, 10},    {10'000, 1'000, 10},  {100'000, 1'000, 10},       {100, 100'000, 10},
    {100, 1'000, 1'000}, {100, 1'000, 10'000}, {100'000, 100'000, 10'000},
};

struct RunTotals {
  double host_s = 0;
  double sql_s = 0;
  double virtual_s = 0;
  double registry_calls = 0;
};

std::string Describe(const std::vector<std::string>& problems) {
  std::string text;
  for (const auto& problem : problems) text += problem + "; ";
  return text;
}

void WholeUninstall(benchmark::State& state) {
  const InstallSize size{static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                         static_cast<int>(state.range(2))};
  RunTotals totals;
  for (auto _ : state) {
    auto machine = std::make_unique<BenchMachine>(size);
    const auto begin = Clock::now();
    const bool ended = machine->Start() && machine->PressUninstall();
    const double host_s = std::chrono::duration<double>(Clock::now() - begin).count();
    state.SetIterationTime(host_s);
    const auto problems = machine->Leftovers();
    if (!ended || !problems.empty()) {
      state.SkipWithError(("the run did not finish cleanly: " + Describe(problems)).c_str());
      break;
    }
    totals.host_s += host_s;
    totals.sql_s += machine->database->seconds();
    totals.virtual_s += static_cast<double>(machine->server.now_ms()) / 1000.0;
    totals.registry_calls += static_cast<double>(machine->registry->calls());
  }
  const double runs = static_cast<double>(state.iterations());
  if (runs == 0 || totals.virtual_s == 0) return;
  state.counters["virtual_s"] = totals.virtual_s / runs;
  state.counters["host_ms"] = 1000.0 * totals.host_s / runs;
  state.counters["sql_ms"] = 1000.0 * totals.sql_s / runs;
  // The program's own share: the host time less the simulated SQL Server's.
  state.counters["own_pct"] = 100.0 * (totals.host_s - totals.sql_s) / totals.virtual_s;
  state.counters["host_pct"] = 100.0 * totals.host_s / totals.virtual_s;
  state.counters["reg_calls"] = totals.registry_calls / runs;
}

void Sizes(benchmark::internal::Benchmark* bench) {
  for (const InstallSize& size : kSizes) {
    bench->Args({size.files, size.registry_keys, size.subscribers});
  }
}

BENCHMARK(WholeUninstall)
    ->ArgNames({"files", "keys", "subscribers"})
    ->Apply(Sizes)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmar::bench
