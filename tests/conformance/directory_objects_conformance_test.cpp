// Creating the product's directory server by its class name: a machine without the server
// raises the run time's 429, as CreateObject does.
#include <string>

#include "platform/directory_objects.h"
#include "platform/error.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

class DirectoryObjectsConformance : public Conformance {};

TEST_F(DirectoryObjectsConformance, AnAbsentServerCannotBeCreated) {
  for (const std::wstring progid : {L"ZqDohManager.ZqDohManager.1", L"Not.A.ClassName.1"}) {
    try {
      host().directory.CreateDohManager(progid);
      ADD_FAILURE() << "created without a server";
    } catch (const platform::RuntimeError& error) {
      EXPECT_EQ(error.number(), 429);
      EXPECT_EQ(error.description(), L"ActiveX component can't create object");
    }
  }
}

}  // namespace
}  // namespace conformance
