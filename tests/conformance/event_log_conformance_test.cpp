// The event log facility: an entry in the Application log under the program's own name, with
// no message file registered for it (the viewer then shows the one string as it is).
#include "platform/event_log.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

using EventLogConformance = Conformance;

// An entry in the Application log under the program's own name; no message file is needed.
TEST_F(EventLogConformance, AnEventLogEntryIsWrittenUnderAnyProgramName) {
  EXPECT_TRUE(host().events.Report(L"Velmar Conformance", platform::evt::kWarning,
                                   L"(unattended) conformance entry -> OK"));
  EXPECT_TRUE(host().events.Report(L"Velmar Conformance", platform::evt::kError, L"second"));
}

}  // namespace
}  // namespace conformance
