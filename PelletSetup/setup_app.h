// The TSP setup's program-wide state (modes, TSP language, resource library, TAPI binding) and
// the few helpers every procedure uses: traces and the verbose-only message boxes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PelletSetup/tapi_binding.h"
#include "platform/host.h"

namespace pellet {

// The source name traces show where they say which function speaks.
inline constexpr std::wstring_view kSourceName = L"PelletSetup";

// Message-box texts and captions in the resource library, by identifier.
namespace text {
inline constexpr std::uint32_t kConfirmCaption = 32802;
inline constexpr std::uint32_t kSetupFailed = 32857;
inline constexpr std::uint32_t kErrorCaption = 32858;
inline constexpr std::uint32_t kCompanionNotRegistered = 32859;
inline constexpr std::uint32_t kWarningCaption = 32860;
inline constexpr std::uint32_t kEventSourceNotRegistered = 32861;
inline constexpr std::uint32_t kInstallFinished = 32862;
inline constexpr std::uint32_t kSuccessCaption = 32863;
inline constexpr std::uint32_t kConfirmInstall = 32864;
inline constexpr std::uint32_t kConfirmRemoval = 32865;
inline constexpr std::uint32_t kRemovalSucceeded = 32866;
inline constexpr std::uint32_t kRemovalFailed = 32867;
inline constexpr std::uint32_t kProductRunning = 32868;
inline constexpr std::uint32_t kNeedsNt = 32871;
inline constexpr std::uint32_t kNeedsAdministrator = 32872;
}  // namespace text

struct Modes {
  bool verbose = true;
  bool uninstall = false;
};

class SetupApp {
 public:
  explicit SetupApp(platform::Host& host) : host_(host), tapi_(host.libraries) {}
  SetupApp(const SetupApp&) = delete;
  SetupApp& operator=(const SetupApp&) = delete;

  platform::Host& host() { return host_; }
  TapiBinding& tapi() { return tapi_; }
  bool verbose() const { return modes.verbose; }

  void Trace(std::wstring_view text) { host_.trace.Trace(text); }
  // Verbose only, and only when both texts load; a box that cannot be shown counts as OK.
  int Box(std::uint32_t text_id, std::uint32_t caption_id, std::uint32_t style);
  std::wstring SystemFolder() { return host_.system.SystemFolder(); }

  Modes modes;
  std::wstring language = L"ENU";
  platform::ModuleHandle resources = 0;

 private:
  platform::Host& host_;
  TapiBinding tapi_;
};

// A text as the wide registry calls take it: UTF-16LE with its terminator.
std::vector<std::uint8_t> RegistryText(std::wstring_view text);

// Lower-case hexadecimal without leading zeros, as every trace writes numbers after "0x".
std::wstring Hex(std::uint32_t value);

// The whole program: start-up, the chosen procedure, clean-up; returns the exit code.
int PelletSetup(platform::Host& host);

}  // namespace pellet
