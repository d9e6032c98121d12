// The error trap's line.
#include "uninstaller/sequence/error_trap.h"

#include "common/vb_text.h"

namespace uninstaller {

std::wstring TrapLine(const platform::RuntimeError& error) {
  return L"(error) Description:" + error.description() + L" number:" +
         velmar::VbStr(error.number());
}

void ErrorTrap::Report(const platform::RuntimeError& error) {
  if (mode_ == ErrorMode::kReporting) log_.WriteLog(TrapLine(error));
}

void ProcedureTrap::Report(const platform::RuntimeError& error) {
  log_.WriteLog(L"(error):" + std::to_wstring(error.number()) + L" (" + error.description() +
                L") in procedure " + procedure_ + L" of " + owner_);
}

}  // namespace uninstaller
