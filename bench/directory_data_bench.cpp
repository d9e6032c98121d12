// RemoveDirectoryData with up to 10,000 subscribers: host time per directory object less the
// SQL Server's part, beside the synchronisation waits (virtual sleeps, no host time).
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "bench/bench_machine.h"
#include "uninstaller/directory/directory_inventory.h"
#include "uninstaller/directory/remove_directory_data.h"

namespace velmar::bench {
namespace {

using Clock = std::chrono::steady_clock;

// The setup's two subscribers, one location and three system lists come on top.
constexpr int kSetupObjects = 2 + 1 + 3;

std::unique_ptr<BenchMachine> StartedMachine(int subscribers) {
  auto machine = std::make_unique<BenchMachine>(InstallSize{0, 0, subscribers});
  if (!machine->Start()) return nullptr;
  machine->server.files.WriteFile(uninstaller::kLogPath, "");
  machine->app->log.ReopenForAppend();
  machine->app->SqlConnectionString = uninstaller::kProductDatabase;
  return machine;
}

void RemoveDirectoryData(benchmark::State& state) {
  const int subscribers = static_cast<int>(state.range(0));
  const double objects = subscribers + kSetupObjects;
  double host_s = 0, sql_s = 0, virtual_s = 0;
  for (auto _ : state) {
    auto machine = StartedMachine(subscribers);
    if (!machine) {
      state.SkipWithError("start-up ended the program");
      break;
    }
    const std::uint64_t started_ms = machine->server.now_ms();
    const double sql_before = machine->database->seconds();
    const auto begin = Clock::now();
    uninstaller::RemoveDirectoryData(*machine->app);
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    state.SetIterationTime(seconds);
    const auto calls = machine->server.sql.CallsTo(L"sp_DeleteSubscriber").size();
    if (calls != static_cast<std::size_t>(subscribers) + 2) {
      state.SkipWithError("not every subscriber was removed");
      break;
    }
    host_s += seconds;
    sql_s += machine->database->seconds() - sql_before;
    virtual_s += static_cast<double>(machine->server.now_ms() - started_ms) / 1000.0;
  }
  const double runs = static_cast<double>(state.iterations());
  if (runs == 0 || virtual_s == 0) return;
  state.counters["objects"] = objects;
  state.counters["host_us_per_object"] = 1e6 * host_s / (runs * objects);
  state.counters["own_us_per_object"] = 1e6 * (host_s - sql_s) / (runs * objects);
  state.counters["virtual_s_per_object"] = virtual_s / (runs * objects);
  state.counters["own_pct"] = 100.0 * (host_s - sql_s) / virtual_s;
}

BENCHMARK(RemoveDirectoryData)
    ->ArgName("subscribers")
    ->Arg(100)
    ->Arg(1'000)
    ->Arg(10'000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmar::bench
