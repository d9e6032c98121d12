// The conformance suite's backend natively: a fresh simulated server for every case.
#include "platform/sim/process.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

class SimBackend : public Backend {
 public:
  SimBackend() : process_(server_, L"C:\\tests\\conformance_tests.exe") {}
  platform::Host& host() override { return process_.host(); }
  bool under_wine() const override { return false; }

 private:
  platform::sim::Server server_;
  platform::sim::Process process_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<SimBackend>();
}

}  // namespace conformance
