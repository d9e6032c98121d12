// TAPI32.DLL bound late, function by function: a missing library or function answers
// LINEERR_OPERATIONUNAVAIL, now and on every later call, without trying again.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/libraries.h"

namespace pellet {

inline constexpr std::int32_t kOperationUnavailable = static_cast<std::int32_t>(0x80000049);

class TapiBinding {
 public:
  explicit TapiBinding(platform::Libraries& libraries) : libraries_(libraries) {}
  TapiBinding(const TapiBinding&) = delete;
  TapiBinding& operator=(const TapiBinding&) = delete;
  ~TapiBinding();  // the library stays loaded as long as the program runs

  std::int32_t GetProviderList(std::uint32_t api_version, std::uint8_t* list);
  std::int32_t RemoveProvider(std::uint32_t permanent_id);
  std::int32_t AddProvider(std::wstring_view file, std::uint32_t& permanent_id);

 private:
  enum class SlotState { kEmpty, kBound, kUnavailable };
  struct Slot {
    SlotState state = SlotState::kEmpty;
    platform::ProcAddress address = 0;
  };
  enum Function { kAddProvider, kGetProviderList, kRemoveProvider, kFunctionCount };
  enum class LibraryState { kNotLoaded, kLoaded, kFailed };

  // The function's address, or 0 when it (or the library) is unavailable.
  platform::ProcAddress Bind(Function function);

  platform::Libraries& libraries_;
  LibraryState library_state_ = LibraryState::kNotLoaded;
  platform::ModuleHandle library_ = 0;
  std::array<Slot, kFunctionCount> slots_{};
};

}  // namespace pellet
