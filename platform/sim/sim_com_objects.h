// COM on the simulated server: the machine's initialisation results and the product's gateway
// server, and one process's view of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com_objects.h"

namespace platform::sim {

class Server;

namespace hresult {
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kFalse = 1;
inline constexpr std::int32_t kNoInterface = static_cast<std::int32_t>(0x80004002);
inline constexpr std::int32_t kInvalidArg = static_cast<std::int32_t>(0x80070057);
inline constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154);
inline constexpr std::int32_t kNotInitialized = static_cast<std::int32_t>(0x800401F0);
inline constexpr std::int32_t kClassString = static_cast<std::int32_t>(0x800401F3);
}  // namespace hresult

struct ComState {
  std::int32_t initialize_result = hresult::kOk;  // a failure here fails every initialisation
  int initialize_calls = 0;
  int uninitialize_calls = 0;

  // The gateway server: registered under this class for this interface (empty: not
  // registered), what creating it gives, and what get_LastStatus reads.
  std::wstring gateway_clsid;
  std::wstring gateway_iid;
  std::int32_t gateway_create_result = hresult::kOk;
  std::int32_t last_status_result = hresult::kOk;
  std::uint32_t last_status = 0;
  std::int32_t shutdown_result = hresult::kOk;  // what the gateway's shut-down member returns
  int gateway_shutdowns = 0;                    // calls of the shut-down member
  int gateways_created = 0;
  int gateways_released = 0;
  // The gateway's calls in order: "created", "get_LastStatus -> N" (or "get_LastStatus refused
  // 0x%08x"), "Shutdown -> 0x%08x", "released".
  std::vector<std::string> gateway_calls;
};

// True for a GUID in registry notation: braces around 8-4-4-4-12 hexadecimal digits.
bool IsGuidText(std::wstring_view text);

class SimComObjects : public ComObjects {
 public:
  explicit SimComObjects(Server& server) : server_(server) {}
  std::int32_t InitializeMultithreaded() override;
  void Uninitialize() override;
  std::int32_t CreateGateway(std::wstring_view clsid, std::wstring_view iid,
                             std::unique_ptr<GatewayObject>& object) override;
  // GUIDs numbered across the machine, {00000000-0000-4000-8000-000000000001} first, so tests
  // can tell which ticket a program used.
  std::wstring NewGuidText() override;

 private:
  Server& server_;
  int initialized_ = 0;  // successful initialisations not yet undone
};

}  // namespace platform::sim
