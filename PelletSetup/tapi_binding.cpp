// TAPI32.DLL bound late: loaded on the first call of any of its functions, each function looked
// up on its own first call.
#include "PelletSetup/tapi_binding.h"

namespace pellet {

namespace {
constexpr std::array<std::string_view, 3> kFunctionNames{"lineAddProviderW", "lineGetProviderListW",
                                                         "lineRemoveProvider"};
}  // namespace

TapiBinding::~TapiBinding() {
  if (library_ != 0) libraries_.Free(library_);
}

platform::ProcAddress TapiBinding::Bind(Function function) {
  if (library_state_ == LibraryState::kNotLoaded) {
    library_ = libraries_.Load(L"TAPI32.DLL");
    library_state_ = library_ != 0 ? LibraryState::kLoaded : LibraryState::kFailed;
  }
  if (library_state_ == LibraryState::kFailed) return 0;
  Slot& slot = slots_[function];
  if (slot.state == SlotState::kEmpty) {
    slot.address = libraries_.Find(library_, kFunctionNames[function]);
    slot.state = slot.address != 0 ? SlotState::kBound : SlotState::kUnavailable;
  }
  return slot.state == SlotState::kBound ? slot.address : 0;
}

std::int32_t TapiBinding::GetProviderList(std::uint32_t api_version, std::uint8_t* list) {
  const platform::ProcAddress proc = Bind(kGetProviderList);
  return proc != 0 ? libraries_.CallGetProviderList(proc, api_version, list)
                   : kOperationUnavailable;
}

std::int32_t TapiBinding::RemoveProvider(std::uint32_t permanent_id) {
  const platform::ProcAddress proc = Bind(kRemoveProvider);
  return proc != 0 ? libraries_.CallRemoveProvider(proc, permanent_id) : kOperationUnavailable;
}

std::int32_t TapiBinding::AddProvider(std::wstring_view file, std::uint32_t& permanent_id) {
  const platform::ProcAddress proc = Bind(kAddProvider);
  return proc != 0 ? libraries_.CallAddProvider(proc, file, permanent_id) : kOperationUnavailable;
}

}  // namespace pellet
