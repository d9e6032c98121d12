// Which programs' calls a fault plan numbers.
#include "platform/sim/fault_plan.h"

#include "platform/text.h"

namespace platform::sim {

bool FaultPlan::Covers(std::wstring_view module_path) const {
  const auto slash = module_path.find_last_of(L'\\');
  const std::wstring name =
      Upcase(slash == std::wstring_view::npos ? module_path : module_path.substr(slash + 1));
  for (const auto& program : programs) {
    if (Upcase(program) == name) return true;
  }
  return false;
}

}  // namespace platform::sim
