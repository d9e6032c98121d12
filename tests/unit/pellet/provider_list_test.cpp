// Reading TAPI's provider list: malformed lists from outside the program are read only where
// they are sound, and a list that needs more room is read again with the room it asks for.
#include "PelletSetup/provider_list.h"

#include <cstring>

#include "tests/unit/pellet/pellet_fixture.h"

namespace pellet::testing {
namespace {

void PutDword(std::vector<std::uint8_t>& list, std::size_t at, std::uint32_t value) {
  std::memcpy(list.data() + at, &value, sizeof value);
}

// A list with one entry named "ZqPellet.tsp", laid out as TAPI lays it out.
std::vector<std::uint8_t> OneEntry() {
  std::vector<std::uint8_t> list(200, 0);
  const std::wstring_view name = L"ZqPellet.tsp";
  PutDword(list, 0, 200);
  PutDword(list, 8, 24 + 12 + 26);
  PutDword(list, 12, 1);
  PutDword(list, 16, 12);
  PutDword(list, 20, 24);
  PutDword(list, 24, 7);
  PutDword(list, 28, 26);
  PutDword(list, 32, 36);
  for (std::size_t i = 0; i < name.size(); ++i)
    list[36 + 2 * i] = static_cast<std::uint8_t>(name[i]);
  return list;
}

TEST(ProviderList, ASoundListIsRead) {
  const auto list = OneEntry();
  const auto entries = ParseProviderList(list.data(), 200);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].permanent_id, 7u);
  EXPECT_EQ(entries[0].file, L"ZqPellet.tsp");
}

TEST(ProviderList, CountsOffsetsAndSizesOutsideTheBufferAreNeverRead) {
  auto list = OneEntry();
  PutDword(list, 12, 0x20000000);  // a count whose array would run far past the end
  EXPECT_TRUE(ParseProviderList(list.data(), 200).empty());
  list = OneEntry();
  PutDword(list, 20, 0xFFFFFFF0);  // the array's offset wraps around
  EXPECT_TRUE(ParseProviderList(list.data(), 200).empty());
  list = OneEntry();
  PutDword(list, 32, 190);  // the name starts inside but runs past the end
  EXPECT_TRUE(ParseProviderList(list.data(), 200).empty());
  list = OneEntry();
  PutDword(list, 28, 0xFFFFFFFF);
  EXPECT_TRUE(ParseProviderList(list.data(), 200).empty());
  EXPECT_TRUE(ParseProviderList(list.data(), 20).empty());  // not even the header
}

TEST(ProviderList, ANameWithoutTerminatorEndsAtItsSize) {
  auto list = OneEntry();
  PutDword(list, 28, 16);  // eight characters, no terminator
  EXPECT_EQ(ParseProviderList(list.data(), 200).at(0).file, L"ZqPellet");
}

TEST(ProviderList, BaseNames) {
  EXPECT_EQ(BaseName(L"C:\\WINNT\\System32\\ZQPELLET.TSP"), L"ZQPELLET");
  EXPECT_EQ(BaseName(L"C:ZqPellet.tsp"), L"ZqPellet");
  EXPECT_EQ(BaseName(L"dir.v2/ZqPellet"), L"ZqPellet");
  EXPECT_EQ(BaseName(L"ZqPellet.tsp.bak"), L"ZqPellet.tsp");
  EXPECT_TRUE(EqualsAsciiNoCase(L"zqPELLET", L"ZqPellet"));
  EXPECT_FALSE(EqualsAsciiNoCase(L"ZqPellet2", L"ZqPellet"));
}

class ManyProviders : public PelletSetupTest {};

TEST_F(ManyProviders, TheProviderIsFoundAfterHundredsOfOthers) {
  for (int n = 0; n < 300; ++n) {
    server.telephony.Add(L"C:\\Program Files\\Board Vendor\\Providers\\line" + std::to_wstring(n) +
                         L".tsp");
  }
  const std::uint32_t ours = server.telephony.Add(L"ZqPellet.tsp").permanent_id;
  EXPECT_EQ(Run(L"-uninstall -silent"), 0);
  EXPECT_EQ(server.telephony.calls.back(), L"lineRemoveProvider " + std::to_wstring(ours));
}

TEST_F(ManyProviders, AListThatKeepsAskingForMoreRoomFindsNothing) {
  server.telephony.Add(L"ZqPellet.tsp");
  int calls = 0;
  server.telephony.list_override = [&](std::uint8_t* list) {
    std::uint32_t total;
    std::memcpy(&total, list, 4);
    const std::uint32_t needed = total + 100;
    std::memcpy(list + 4, &needed, 4);
    ++calls;
    return 0;
  };
  EXPECT_EQ(Run(L"-uninstall -silent"), 0);
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(
      Traced(L"Could not find the Pellet TSP on the system.  TSP removal will do nothing.\n"));
}

}  // namespace
}  // namespace pellet::testing
