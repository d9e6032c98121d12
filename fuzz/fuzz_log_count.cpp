// Fuzz target: the problem count read back from the uninstall log, with the input as the whole
// log file.
#include <cstdint>
#include <string_view>

#include "fuzz/uninstaller_on_sim.h"
#include "uninstaller/sequence/uninstall_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static velmar::fuzz::UninstallerOnSim machine;
  machine.Reset();
  machine.server.files.WriteFile(uninstaller::kLogPath,
                                 std::string_view(reinterpret_cast<const char*>(data), size));
  machine.app->log.CountLogProblems();
  // Counters never go below zero and the log is open for appending afterwards.
  if (machine.app->log.ErrorCount() < 0 || machine.app->log.WarningCount() < 0) __builtin_trap();
  if (!machine.app->log.is_open()) __builtin_trap();
  return 0;
}
