// The conformance suite's backend under Wine (or Windows): the real API, one host per case.
#include "platform/win32/win32_host.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

class Win32Backend : public Backend {
 public:
  platform::Host& host() override { return host_.host(); }
  bool under_wine() const override { return platform::win32::RunningUnderWine(); }

 private:
  platform::win32::Win32Host host_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<Win32Backend>();
}

}  // namespace conformance
