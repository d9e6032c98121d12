// Fuzz target: the registry module's value conversions — up to eight raw values whose type and
// bytes come from the input, read back through GetRegValue (every kind) and EnumRegValues.
#include <cstdint>
#include <string>

#include "common/registry_api.h"
#include "fuzz/fuzz_input.h"
#include "platform/error.h"
#include "platform/sim/process.h"

namespace {

namespace sim = platform::sim;

constexpr wchar_t kKey[] = L"Software\\Quillon\\Fuzz";

struct Machine {
  sim::Server server;
  sim::Process app{server, L"C:\\Tools\\VelmarUninstall3xandUp.exe"};
};

// Each record: type byte, name byte (0 means the unnamed value), length byte, then the data.
void PlaceValues(sim::RegNode& key, velmar::fuzz::FuzzInput& in) {
  key.values.clear();
  for (int i = 0; i < 8 && !in.empty(); ++i) {
    sim::RegValueData value;
    value.type = in.Byte();
    const std::uint8_t name = in.Byte();
    value.name = name == 0 ? std::wstring() : L"v" + std::to_wstring(name % 16);
    value.data = in.Bytes(in.Byte());
    key.values.push_back(std::move(value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Machine machine;
  velmar::fuzz::FuzzInput in(data, size);
  sim::RegNode& key = machine.server.registry.Ensure(platform::reg::kLocalMachine, kKey);
  PlaceValues(key, in);
  velmar::RegistryAPI api(machine.app.host().registry, machine.app.host().locale);
  for (const sim::RegValueData& value : key.values) {
    for (const std::int32_t kind : {velmar::kRegSz, velmar::kRegBinary, velmar::kRegDword,
                                    static_cast<std::int32_t>(value.type)}) {
      try {
        api.GetRegValue(platform::reg::kLocalMachine, kKey, value.name, kind, {});
      } catch (const platform::RuntimeError& error) {
        // Only the unsupported kind may raise.
        if (error.number() != velmar::kUnsupportedValueTypeError) __builtin_trap();
      }
    }
  }
  const velmar::RegValueTable table = api.EnumRegValues(platform::reg::kLocalMachine, kKey);
  for (const auto& column : table.columns) {
    if (column.size() != table.RowCount()) __builtin_trap();  // columns of equal length
  }
  if (machine.app.OpenRegistryHandles() != 0) __builtin_trap();
  return 0;
}
