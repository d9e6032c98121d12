// What both backends agree on for the database and COM objects: with no SQL Server, opening
// the product's query raises a number and a text; new GUIDs are in registry notation, each new.
#include <cstdio>
#include <cwctype>
#include <string>

#include "platform/com_objects.h"
#include "platform/database.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

using DatabaseConformance = Conformance;

TEST_F(DatabaseConformance, OpeningAQueryWithoutAServerRaisesANumberAndAText) {
  backend().MakeSqlServerUnreachable();
  try {
    host().database.OpenRecordset(L"Select Alias, DisplayName, UID, SubscriberType from Subscriber",
                                  L"Driver={SQL Server};server=;database=VelmarDb",
                                  platform::ado::kOpenKeyset, platform::ado::kLockReadOnly,
                                  platform::ado::kUseServer);
    FAIL() << "the open succeeded without a server";
  } catch (const platform::RuntimeError& error) {
    EXPECT_NE(error.number(), 0);
    EXPECT_FALSE(error.description().empty());
    std::printf("open failed as expected: %s\n", error.what());
  }
}

TEST_F(DatabaseConformance, NewGuidsAreInRegistryNotationAndEachOneNew) {
  const std::wstring first = host().com.NewGuidText();
  const std::wstring second = host().com.NewGuidText();
  for (const std::wstring& guid : {first, second}) {
    ASSERT_EQ(guid.size(), 38u);
    EXPECT_EQ(guid.front(), L'{');
    EXPECT_EQ(guid.back(), L'}');
    for (std::size_t i = 1; i < 37; ++i) {
      if (i == 9 || i == 14 || i == 19 || i == 24) {
        EXPECT_EQ(guid[i], L'-') << "at " << i;
      } else {
        EXPECT_TRUE(std::iswxdigit(guid[i])) << "at " << i;
      }
    }
  }
  EXPECT_NE(first, second);
}

}  // namespace
}  // namespace conformance
