// What both backends agree on for the database and COM objects: with no SQL Server, opening
// the product's query raises a number and a text; new GUIDs are in registry notation, each new.
#include <cstdio>
#include <cwctype>
#include <string>

#include "platform/com_objects.h"
#include "platform/database.h"
#include "platform/text.h"
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

constexpr wchar_t kProduct[] = L"Driver={SQL Server};server=;database=VelmarDb";

TEST_F(DatabaseConformance, AClientCursorCountsFindsAndReadsTheProductsRows) {
  backend().LayOutSql({
      L"subscriber\tESubscriber\tExample "
      L"Subscriber\tESubscriber_A\t1\t{11111111-0000-0000-0000-000000000001}",
      L"subscriber\tjdoe\tJane Doe\tjdoe_A\t1\t{11111111-0000-0000-0000-000000000002}",
      L"subscriber\tnotype\tNo Type\tnotype_A\tNULL\t{11111111-0000-0000-0000-000000000003}",
  });
  auto rows = host().database.OpenRecordset(
      L"Select Alias, DisplayName, UID, SubscriberType from Subscriber", kProduct,
      platform::ado::kOpenStatic, platform::ado::kLockReadOnly, platform::ado::kUseClient);
  ASSERT_TRUE(rows->IsOpen());
  EXPECT_EQ(rows->RecordCount(), 3);
  rows->MoveFirst();
  rows->Find(L"Alias = 'jdoe'");
  ASSERT_FALSE(rows->Eof());
  EXPECT_EQ(platform::DbText(rows->Field(L"DisplayName")), L"Jane Doe");
  EXPECT_EQ(platform::DbInt(rows->Field(L"SubscriberType")), 1);
  rows->Filter(L"Alias = 'notype'");
  EXPECT_EQ(rows->RecordCount(), 1);
  EXPECT_TRUE(platform::IsNull(rows->Field(L"SubscriberType")));
  rows->MoveNext();
  EXPECT_TRUE(rows->Eof());
  rows->Close();
  EXPECT_FALSE(rows->IsOpen());
  rows.reset();
  const auto statements = backend().SqlStatements();
  ASSERT_EQ(statements.size(), 1u);
  EXPECT_EQ(statements[0],
            "query\tVelmarDB\tSelect Alias, DisplayName, UID, SubscriberType from Subscriber");
}

}  // namespace
}  // namespace conformance
