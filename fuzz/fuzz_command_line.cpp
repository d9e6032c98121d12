// Fuzz target: PelletSetup's command-line scan for "silent" and "uninstall", on the input read
// as UTF-16 text and as Latin-1 text.
#include <cstdint>

#include "PelletSetup/startup.h"
#include "fuzz/fuzz_input.h"
#include "platform/sim/process.h"

namespace {

struct Machine {
  platform::sim::Server server;
  platform::sim::Process setup{server, L"C:\\Tools\\PelletSetup.exe"};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Machine machine;
  auto& locale = machine.setup.host().locale;
  pellet::ScanCommandLine(velmar::fuzz::Utf16Of(data, size), locale);
  pellet::ScanCommandLine(velmar::fuzz::Latin1Of(data, size), locale);
  return 0;
}
