// Binding the IIS administration objects on a machine without IIS: the default web site's root
// and the application pools are not there, and the bind raises an error with its number.
#include <string>

#include "platform/error.h"
#include "platform/iis_admin.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

class IisAdminConformance : public Conformance {};

TEST_F(IisAdminConformance, WithoutIisNothingCanBeBound) {
  if (!backend().MakeIisAbsent()) GTEST_SKIP() << "IIS is installed on this machine";
  for (const std::wstring path :
       {L"IIS://LocalHost/W3SVC/1/ROOT", L"IIS://LocalHost/W3SVC/AppPools"}) {
    try {
      host().iis.Bind(path);
      ADD_FAILURE() << "bound without IIS";
    } catch (const platform::RuntimeError& error) {
      EXPECT_NE(error.number(), 0);
    }
  }
}

}  // namespace
}  // namespace conformance
