// COM start-up in the multithreaded model and creating a local server: the HRESULTs for a
// class that is not registered and for a class text that is no GUID.
#include <memory>

#include "platform/com_objects.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154);
constexpr std::int32_t kClassString = static_cast<std::int32_t>(0x800401F3);
constexpr wchar_t kUnregisteredClass[] = L"{6D3F2C1A-8B47-4E59-9A0C-3E1F5B7D9A24}";
constexpr wchar_t kDispatchInterface[] = L"{00020400-0000-0000-C000-000000000046}";

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

}  // namespace
}  // namespace conformance
