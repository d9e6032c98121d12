// DeleteRegKeyTree on deep chains (up to the 101 levels it visits), wide keys and bushy trees,
// every key holding the same bounded number of values: registry calls made per key deleted.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/counting_registry.h"
#include "bench/installation_layout.h"
#include "common/registry_api.h"
#include "platform/sim/process.h"

namespace velmar::bench {
namespace {

using Clock = std::chrono::steady_clock;
using platform::sim::RegNode;

constexpr wchar_t kTreeKey[] = L"Software\\Quillon\\BenchTree";

// depth levels below the start key, width subkeys under every key above the last level.
void Grow(RegNode& key, int depth, int width) {
  if (depth == 0) return;
  for (int i = 0; i < width; ++i) Grow(AppendKey(key, Numbered(L"K", i)), depth - 1, width);
}

struct TreeMachine {
  TreeMachine(int depth, int width) {
    Grow(server.registry.Ensure(platform::reg::kLocalMachine, kTreeKey), depth, width);
    keys = KeysBelow(*server.registry.Find(platform::reg::kLocalMachine, kTreeKey)) + 1;
  }
  platform::sim::Server server;
  platform::sim::Process process{server, L"C:\\Tools\\VelmarUninstall3xandUp.exe"};
  CountingRegistry counting{process.host().registry};
  velmar::RegistryAPI api{counting, process.host().locale};
  std::size_t keys = 0;
};

void DeleteRegKeyTree(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  const int width = static_cast<int>(state.range(1));
  double calls = 0, opens = 0, keys = 0, host_s = 0;
  for (auto _ : state) {
    TreeMachine machine(depth, width);
    const auto begin = Clock::now();
    machine.api.DeleteRegKeyTree(kTreeKey, platform::reg::kLocalMachine);
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    state.SetIterationTime(seconds);
    if (machine.server.registry.Find(platform::reg::kLocalMachine, kTreeKey) != nullptr ||
        machine.process.OpenRegistryHandles() != 0) {
      state.SkipWithError("the tree was not deleted whole, or a handle stayed open");
      break;
    }
    calls += static_cast<double>(machine.counting.calls());
    opens += static_cast<double>(machine.counting.opens());
    keys += static_cast<double>(machine.keys);
    host_s += seconds;
  }
  if (keys == 0) return;
  state.counters["keys"] = keys / static_cast<double>(state.iterations());
  state.counters["calls_per_key"] = calls / keys;
  state.counters["opens_per_key"] = opens / keys;
  state.counters["host_us_per_key"] = 1e6 * host_s / keys;
}

BENCHMARK(DeleteRegKeyTree)
    ->ArgNames({"depth", "width"})
    ->Args({10, 1})
    ->Args({50, 1})
    ->Args({100, 1})
    ->Args({1, 100})
    ->Args({1, 1'000})
    ->Args({1, 10'000})
    ->Args({4, 10})
    ->Args({3, 40})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmar::bench
