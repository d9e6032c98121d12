// Fuzz target: the product version read from "Version Number" and "Build Number", each value's
// type and bytes taken from the input (any type, any size, or missing).
#include <cstdint>

#include "common/velmar_version.h"
#include "fuzz/fuzz_input.h"
#include "platform/sim/process.h"

namespace {

namespace sim = platform::sim;

void PlaceValue(sim::RegNode& key, const wchar_t* name, velmar::fuzz::FuzzInput& in) {
  const std::uint8_t shape = in.Byte();
  if (shape == 0xFF) return;  // the value is missing
  sim::RegValueData value;
  value.name = name;
  value.type = shape & 0x0F;  // REG_NONE .. REG_QWORD and a few past it
  value.data = in.Bytes(in.Byte() % 16);
  key.values.push_back(std::move(value));
}

struct Machine {
  sim::Server server;
  sim::Process app{server, L"C:\\Tools\\Uninstall\\VelmarUninstall3xandUp.exe"};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velmar::fuzz::FuzzInput in(data, size);
  static Machine machine;
  sim::Process& app = machine.app;
  sim::RegNode& key =
      machine.server.registry.Ensure(platform::reg::kLocalMachine, L"SOFTWARE\\Quillon");
  key.values.clear();
  PlaceValue(key, L"Version Number", in);
  PlaceValue(key, L"Build Number", in);
  const velmar::VelmarVersionInfo info =
      velmar::GetVelmarVersion(app.host().registry, app.host().locale);
  // The display text is always Major.Minor(Build.Revision) and every key is closed again.
  if (info.Text.find(L'(') == std::wstring::npos || app.OpenRegistryHandles() != 0)
    __builtin_trap();
  return 0;
}
