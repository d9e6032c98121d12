// COM start-up in the multithreaded model and creating a local server: the HRESULTs for a
// class that is not registered and for a class text that is no GUID; the product's gateway
// created, its status read and its shut-down called through their vtable slots, each answer as
// the server gave it, and the object given back.
#include <memory>
#include <string>
#include <vector>

#include "platform/com_objects.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154);
constexpr std::int32_t kClassString = static_cast<std::int32_t>(0x800401F3);
constexpr wchar_t kUnregisteredClass[] = L"{6D3F2C1A-8B47-4E59-9A0C-3E1F5B7D9A24}";
constexpr wchar_t kDispatchInterface[] = L"{00020400-0000-0000-C000-000000000046}";

// An interface-specific failure, so a generic one made up on the way cannot pass for it.
constexpr std::int32_t kRefusedShutdown = static_cast<std::int32_t>(0x80041234);

using Calls = std::vector<std::string>;

class ComObjectsConformance : public Conformance {};

TEST_F(ComObjectsConformance, AnUnregisteredClassIsNotCreated) {
  auto& com = host().com;
  ASSERT_GE(com.InitializeMultithreaded(), 0);
  std::unique_ptr<platform::GatewayObject> object;
  EXPECT_EQ(com.CreateGateway(kUnregisteredClass, kDispatchInterface, object), kClassNotRegistered);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(com.CreateGateway(L"not a class", kDispatchInterface, object), kClassString);
  EXPECT_EQ(object, nullptr);
  com.Uninitialize();
}

TEST_F(ComObjectsConformance, ASecondInitialisationSucceedsWithFalse) {
  auto& com = host().com;
  ASSERT_GE(com.InitializeMultithreaded(), 0);
  EXPECT_EQ(com.InitializeMultithreaded(), 1) << "S_FALSE: already initialised";
  com.Uninitialize();
  com.Uninitialize();
}

TEST_F(ComObjectsConformance, TheGatewayReportsARunningProductAndShutsItDown) {
  backend().LayOutGateway(32, 0);
  auto& com = host().com;
  ASSERT_GE(com.InitializeMultithreaded(), 0);
  std::unique_ptr<platform::GatewayObject> gateway;
  ASSERT_EQ(
      com.CreateGateway(platform::gateway::kClassId, platform::gateway::kInterfaceId, gateway), 0);
  ASSERT_NE(gateway, nullptr);
  std::uint32_t status = 0;
  EXPECT_EQ(gateway->LastStatus(status), 0);
  EXPECT_EQ(status, 32u);
  EXPECT_EQ(gateway->Shutdown(), 0);
  EXPECT_EQ(backend().GatewayCalls(),
            (Calls{"created", "get_LastStatus -> 32", "Shutdown -> 0x00000000", "unreleased 1"}))
      << "held until the object goes";
  gateway.reset();
  EXPECT_EQ(backend().GatewayCalls(),
            (Calls{"created", "get_LastStatus -> 32", "Shutdown -> 0x00000000", "released"}));
  com.Uninitialize();
}

TEST_F(ComObjectsConformance, AStoppedProductsStatusAndARefusedShutdownComeBackAsAnswered) {
  backend().LayOutGateway(64, kRefusedShutdown);
  auto& com = host().com;
  ASSERT_GE(com.InitializeMultithreaded(), 0);
  // Twice, one object after the other: each is created afresh and given back.
  for (int round = 0; round < 2; ++round) {
    std::unique_ptr<platform::GatewayObject> gateway;
    ASSERT_EQ(
        com.CreateGateway(platform::gateway::kClassId, platform::gateway::kInterfaceId, gateway),
        0);
    ASSERT_NE(gateway, nullptr);
    std::uint32_t status = 0;
    EXPECT_EQ(gateway->LastStatus(status), 0);
    EXPECT_EQ(status, 64u);
    EXPECT_EQ(gateway->Shutdown(), kRefusedShutdown);
  }
  EXPECT_EQ(backend().GatewayCalls(),
            (Calls{"created", "get_LastStatus -> 64", "Shutdown -> 0x80041234", "created",
                   "get_LastStatus -> 64", "Shutdown -> 0x80041234", "released"}));
  com.Uninitialize();
}

}  // namespace
}  // namespace conformance
