// Fuzz target: the tools page as the update check reads it — the input served as the page for
// GetWebVersion (both markers), and the same bytes as a version text for PadVersionString.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_input.h"
#include "fuzz/uninstaller_on_sim.h"
#include "uninstaller/ui/mod_update_check.h"

namespace {

const std::wstring kPage = L"http://tools.brannocksystems.example/App_UninstallVelmar30.htm";

velmar::fuzz::UninstallerOnSim& Machine() {
  static velmar::fuzz::UninstallerOnSim machine;
  return machine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& machine = Machine();
  machine.Reset();
  const std::string page(reinterpret_cast<const char*>(data), size);
  machine.server.web.Serve(kPage, page);
  for (const bool second_marker : {false, true}) {
    const std::wstring version = uninstaller::GetWebVersion(*machine.app, kPage, second_marker);
    // Whatever the page held, the connection's handles are all closed again.
    if (machine.server.web.OpenHandles() != 0) __builtin_trap();
    uninstaller::PadVersionString(*machine.app, version);
  }
  uninstaller::PadVersionString(*machine.app, velmar::fuzz::Latin1Of(data, size));
  uninstaller::PadVersionString(*machine.app, velmar::fuzz::Utf16Of(data, size));
  return 0;
}
