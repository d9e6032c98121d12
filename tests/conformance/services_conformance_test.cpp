// Creating a service through the service control manager: the handle rules and the error for
// a name that is taken.
#include "platform/services.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

namespace svc = platform::svc;
namespace win = platform::win;

constexpr std::uint32_t kManagerConnect = 0x0001;  // SC_MANAGER_CONNECT

platform::ServiceConfig DriverNamed(const std::wstring& name) {
  platform::ServiceConfig config;
  config.name = name;
  config.display_name = L"Velmar conformance driver";
  config.access = 0xF01FF;  // SERVICE_ALL_ACCESS
  config.service_type = svc::kKernelDriver;
  config.start_type = 3;  // SERVICE_DEMAND_START
  config.error_control = svc::kErrorNormal;
  config.image_path = L"\\SystemRoot\\System32\\drivers\\velmar_none.sys";
  return config;
}

class ServicesConformance : public Conformance {};

TEST_F(ServicesConformance, CreatingNeedsAManagerHandleWithCreateRights) {
  auto& scm = host().services;
  EXPECT_EQ(scm.CreateServiceEntry(0, DriverNamed(L"VelmarConformanceDriver")), 0u);
  EXPECT_EQ(scm.LastError(), win::kInvalidHandle);
  platform::ScopedScHandle connect_only(scm, scm.OpenManager(kManagerConnect));
  ASSERT_NE(connect_only.get(), 0u);
  EXPECT_EQ(scm.CreateServiceEntry(connect_only.get(), DriverNamed(L"VelmarConformanceDriver")),
            0u);
  EXPECT_EQ(scm.LastError(), win::kAccessDenied);
}

TEST_F(ServicesConformance, AnExistingServiceNameIsRefused) {
  auto& scm = host().services;
  platform::ScopedScHandle manager(scm, scm.OpenManager(svc::kManagerAllAccess));
  ASSERT_NE(manager.get(), 0u);
  EXPECT_EQ(scm.CreateServiceEntry(manager.get(), DriverNamed(L"RpcSs")), 0u);
  EXPECT_EQ(scm.LastError(), svc::kServiceExists);
}

}  // namespace
}  // namespace conformance
