// COM start-up, the gateway server and new GUIDs for one simulated process.
#include "platform/sim/sim_com_objects.h"

#include <cstdio>
#include <cwctype>

#include "platform/sim/server.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

std::string Hex(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
  return text;
}

class SimGateway final : public GatewayObject {
 public:
  explicit SimGateway(ComState& com) : com_(com) {
    ++com_.gateways_created;
    com_.gateway_calls.emplace_back("created");
  }
  ~SimGateway() override {
    ++com_.gateways_released;
    com_.gateway_calls.emplace_back("released");
  }
  std::int32_t LastStatus(std::uint32_t& status) override {
    if (com_.last_status_result < 0) {
      com_.gateway_calls.push_back("get_LastStatus refused " + Hex(com_.last_status_result));
      return com_.last_status_result;
    }
    status = com_.last_status;
    com_.gateway_calls.push_back("get_LastStatus -> " + std::to_string(status));
    return com_.last_status_result;
  }
  std::int32_t Shutdown() override {
    ++com_.gateway_shutdowns;
    com_.gateway_calls.push_back("Shutdown -> " + Hex(com_.shutdown_result));
    return com_.shutdown_result;
  }

 private:
  ComState& com_;
};

}  // namespace

bool IsGuidText(std::wstring_view text) {
  constexpr std::wstring_view kShape = L"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
  if (text.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (kShape[i] == L'x' ? !std::iswxdigit(text[i]) : text[i] != kShape[i]) return false;
  }
  return true;
}

std::int32_t SimComObjects::InitializeMultithreaded() {
  ComState& com = server_.com;
  ++com.initialize_calls;
  if (com.initialize_result < 0) return com.initialize_result;
  // A repeated initialisation on the same thread succeeds with S_FALSE and must be undone too.
  return initialized_++ > 0 ? hresult::kFalse : com.initialize_result;
}

void SimComObjects::Uninitialize() {
  ++server_.com.uninitialize_calls;
  if (initialized_ > 0) --initialized_;
}

std::int32_t SimComObjects::CreateGateway(std::wstring_view clsid, std::wstring_view iid,
                                          std::unique_ptr<GatewayObject>& object) {
  object.reset();
  const ComState& com = server_.com;
  if (!IsGuidText(clsid)) return hresult::kClassString;
  if (!IsGuidText(iid)) return hresult::kInvalidArg;
  if (initialized_ == 0) return hresult::kNotInitialized;
  if (com.gateway_clsid.empty() || !EqualsNoCase(clsid, com.gateway_clsid)) {
    return hresult::kClassNotRegistered;
  }
  if (!EqualsNoCase(iid, com.gateway_iid)) return hresult::kNoInterface;
  if (com.gateway_create_result < 0) return com.gateway_create_result;
  object = std::make_unique<SimGateway>(server_.com);
  return hresult::kOk;
}

std::wstring SimComObjects::NewGuidText() {
  wchar_t text[40];
  std::swprintf(text, 40, L"{00000000-0000-4000-8000-%012llX}",
                static_cast<unsigned long long>(++server_.guids_made));
  return text;
}

}  // namespace platform::sim
