// A Host whose facilities number every call that can fail on Windows and fail the chosen one the
// way the real API fails there (a status, a null result, a raised run-time or COM error).
#pragma once

#include <memory>
#include <optional>

#include "platform/host.h"
#include "platform/last_error_override.h"
#include "platform/sim/fault_plan.h"

namespace platform::sim {

class FaultyHost {
 public:
  // The program's file name, to which the failed call is put down.
  FaultyHost(FaultPlan& plan, std::wstring program, Host& inner);
  ~FaultyHost();
  FaultyHost(const FaultyHost&) = delete;
  FaultyHost& operator=(const FaultyHost&) = delete;

  Host& host() { return *host_; }

 private:
  struct Facilities;
  FaultPoint point_;
  std::unique_ptr<Facilities> facilities_;
  std::unique_ptr<Host> host_;
};

// The failing calls' results, one place for both halves of the decorators.
namespace fault {
inline constexpr std::int32_t kComFailure = static_cast<std::int32_t>(0x80004005);  // E_FAIL
inline constexpr std::int32_t kAccessDeniedHr = static_cast<std::int32_t>(0x80070005);
inline constexpr std::int32_t kDisconnected = static_cast<std::int32_t>(0x80010108);
inline constexpr std::int32_t kTapiFailed = static_cast<std::int32_t>(0x80000048);
inline constexpr Status kModuleNotFound = 126;
inline constexpr Status kProcNotFound = 127;
inline constexpr Status kDiskFull = 112;
// The last error a failed call leaves behind, until the next call that reaches the facility.
using LastErrorOverride = platform::LastErrorOverride;

[[noreturn]] void RaiseComFailure();       // "Automation error", E_FAIL
[[noreturn]] void RaiseDatabaseFailure();  // the provider's general network error
}  // namespace fault

// The decorators of the facilities that hand out objects (database, COM, IIS, libraries, the
// directory server); defined apart from the plain ones.
std::unique_ptr<Database> FaultyDatabase(FaultPoint& plan, Database& inner);
std::unique_ptr<ComObjects> FaultyComObjects(FaultPoint& plan, ComObjects& inner);
std::unique_ptr<IisAdmin> FaultyIisAdmin(FaultPoint& plan, IisAdmin& inner);
std::unique_ptr<Libraries> FaultyLibraries(FaultPoint& plan, Libraries& inner);
std::unique_ptr<doh::DirectoryObjects> FaultyDirectoryObjects(FaultPoint& plan,
                                                              doh::DirectoryObjects& inner);

}  // namespace platform::sim
