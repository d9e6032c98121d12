// The directory cleaning: which subscribers lose the product's properties, the progress bar,
// the other servers' test and the marker it decides, the location object, the version limits
// and the directory server that cannot be reached.
#include "dirscrub/id_text.h"
#include "platform/error.h"
#include "tests/support/root_file_access.h"
#include "tests/unit/dirscrub/dirscrub_fixture.h"

namespace dirscrub::testing {
namespace {

namespace mb = platform::mb;
using platform::sim::doh_tag::kKind;
using platform::sim::doh_tag::kLocation;

class Cleaning : public DirscrubTest {
 protected:
  std::string CleaningLines() const {
    const std::string added = Added();
    const auto from = added.find("Logged on to DOH");
    const auto to = added.find("******** Subscriber removal complete");
    return from == std::string::npos ? "" : added.substr(from, to - from);
  }
  std::vector<std::wstring> Removed() const {
    std::vector<std::wstring> out;
    for (const auto& s : server.doh.subscribers) {
      if (s.custom_properties_removed) out.push_back(s.alias);
    }
    return out;
  }
};

TEST_F(Cleaning, SubscribersHomedHereLoseTheirPropertiesAndTheLocationGoes) {
  Subscriber(kHere, 1, L"ann");
  Subscriber(kElsewhere, 1, L"bob");              // homed on another server: counted, left alone
  Subscriber(L"--LOCATION-HERE-0001", 2, L"cy");  // letter case does not matter here
  Subscriber(kHere, 6, L"dee");
  Subscriber(kHere, 0, L"eve");
  Subscriber(kHere, -3, L"fay");
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(CleaningLines(),
            "Logged on to DOH\r\n"
            "Velmar version number detected=3.1(2.0)\r\n"
            "Total subscriber count=6\r\n"
            "System ID=4711\r\n"
            "Local Location Object ID=--Location-Here-0001\r\n"
            "Starting removal of subscriber properties\r\n"
            "    Removing custom properties from user with OBJECT_ID=OID-ann and alias=ann\r\n"
            "    Removing custom properties from user with OBJECT_ID=OID-cy and alias=cy\r\n"
            "Completed removal of subscriber properties\r\n"
            "    Multiple Velmar servers detected in directory\r\n"
            "    Deleting location object with Alias=ThisServer\r\n");
  EXPECT_EQ(Removed(), (std::vector<std::wstring>{L"ann", L"cy"}));
  EXPECT_EQ(progress, (std::array<int, 3>{0, 6, 6}));
  ASSERT_EQ(server.doh.locations.size(), 1u);
  EXPECT_EQ(server.doh.locations[0].alias, L"OtherServer");
  EXPECT_TRUE(MarkerIs("MVSLIES\r\n\r\n"));
  EXPECT_EQ(server.doh.calls.front(), L"Connect");
  EXPECT_EQ(server.doh.calls.at(1), L"LogOn 3");
  EXPECT_EQ(server.doh.objects_alive, 0);
}

TEST_F(Cleaning, TheLocationComparisonCountsLetterCase) {
  server.doh.locations = {{DirectoryIdFor(L"--LOCATION-HERE-0001"), L"ThisServerUpper", {}}};
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(server.doh.locations.size(), 1u);
  EXPECT_EQ(CleaningLines().find("Deleting location object"), std::string::npos);
}

TEST_F(Cleaning, ShortIdentifiersReadAsEmptyAndEmptiesAreEqual) {
  server.doh.local_location = DirectoryIdFor(L"--short");
  Subscriber(L"--tiny", 1, L"gus");
  server.doh.locations = {{DirectoryIdFor(L"--wee"), L"Short", {}}};
  server.doh.locations_count = std::nullopt;
  EXPECT_EQ(Run(), 0u);
  EXPECT_NE(CleaningLines().find("Local Location Object ID=\r\n"), std::string::npos);
  EXPECT_EQ(Removed(), std::vector<std::wstring>{L"gus"});
  EXPECT_TRUE(server.doh.locations.empty());
}

TEST_F(Cleaning, OnlyThisServerGivesNoMvsliesAndTheLocationIsStillDeleted) {
  server.doh.locations_count = std::nullopt;  // both counts read the same
  EXPECT_EQ(Run(), 0u);
  EXPECT_NE(CleaningLines().find("    This is the only Velmar server detected in directory.\r\n"
                                 "    Deleting location object with Alias=ThisServer\r\n"),
            std::string::npos);
  EXPECT_TRUE(MarkerIs("NOMVSLIES\r\n\r\n"));
}

TEST_F(Cleaning, UnreadableLocationCountsAssumeOtherServers) {
  server.doh.locations_count = std::nullopt;
  server.doh.Fail("Items.Count");
  EXPECT_EQ(Run(), 0u);
  EXPECT_NE(CleaningLines().find("    Multiple Velmar servers detected in directory\r\n"),
            std::string::npos);
  EXPECT_TRUE(MarkerIs("MVSLIES\r\n\r\n"));
}

TEST_F(Cleaning, UnreadableSubscribersAndLocationsAreSkippedAndKeptSilently) {
  Subscriber(kHere, 1, L"ann");
  Subscriber(kHere, 1, L"bob");
  server.doh.subscribers[0].unreadable = {kLocation};
  server.doh.subscribers[1].unreadable = {kKind};
  server.doh.locations[1].unreadable = {kLocation};
  EXPECT_EQ(Run(), 0u);
  EXPECT_TRUE(Removed().empty());
  EXPECT_EQ(server.doh.locations.size(), 2u);
  EXPECT_EQ(Added().find("(error)"), std::string::npos);
  EXPECT_EQ(progress[2], 2);  // skipped ones still move the bar
}

TEST_F(Cleaning, AFailedRemovalIsPassedOverAndTheWalkGoesOn) {
  Subscriber(kHere, 1, L"ann");
  Subscriber(kHere, 1, L"bob");
  server.doh.Fail("RemoveCustomProperties");
  EXPECT_EQ(Run(), 0u);
  EXPECT_NE(CleaningLines().find("alias=bob\r\n"), std::string::npos);
  EXPECT_EQ(Added().find("(error)"), std::string::npos);
}

TEST_F(Cleaning, AProductOlderThanThreeEndsAfterTheTwoLinesWithoutMarker) {
  Version(0x00020005, 0x00010000);
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(CleaningLines(),
            "Logged on to DOH\r\n"
            "(error) A version prior to Velmar 3.0 detected, this version of Dirscrub only works "
            "with 3.0 and later.\r\n"
            "exiting application\r\n");
  EXPECT_EQ(Added().find("Subscriber removal complete"), std::string::npos);
  EXPECT_EQ(server.files.Find(kMarker), nullptr);
}

TEST_F(Cleaning, ADirectoryServerThatCannotBeReachedTakesTheConnectionFailedPath) {
  for (const char* failing : {"", "Connect", "LogOn"}) {
    server.files.WriteFile(kLog, "VelmarRemoval version = 4. 0. 34\r\n");
    server.doh.registered = *failing != '\0';
    server.doh.failures.clear();
    if (*failing != '\0') server.doh.Fail(failing);
    Subscriber(kHere, 1, L"ann");
    server.boxes.Expect(DirscrubStrings().at(1002), mb::kIdOk);
    EXPECT_EQ(Run(), 0u) << failing;
    const std::string added = Added();
    EXPECT_EQ(added.substr(added.find("Computer name=")),
              "Computer name=VMSRV01\r\nDOH Connection failed.  Exiting subscriber removal.\r\n")
        << failing;
    EXPECT_TRUE(MarkerIs("NODOH\r\n")) << failing;
    EXPECT_TRUE(Removed().empty());
  }
}

TEST_F(Cleaning, TheConnectionFailedMarkerIsNotWrittenThroughAPlantedLink) {
  server.files.WriteFile(L"C:\\WINDOWS\\system32\\zqauth.dll", "MZ system");
  server.files.PlantHardLink(kMarker, L"C:\\WINDOWS\\system32\\zqauth.dll");
  server.doh.registered = false;
  Subscriber(kHere, 1, L"ann");
  server.boxes.Expect(DirscrubStrings().at(1002), mb::kIdOk);
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(server.files.ReadFile(L"C:\\WINDOWS\\system32\\zqauth.dll"), "MZ system");
  EXPECT_TRUE(MarkerIs("NODOH\r\n"));
  EXPECT_EQ(server.files.Find(kMarker)->data.use_count(), 1);
  EXPECT_EQ(velmar::testing::OwnAccessOf(server.files, kMarker),
            velmar::testing::ExpectedRootFileAccess());
}

// Identifiers as the directory hands them over, byte by byte.
using Bytes = std::vector<std::uint8_t>;
// "Loc-000001" as UTF-16 with its first two characters' low bytes zero: 20 bytes.
const Bytes kTwenty = {0x00, 0x00, 0x00, 0x00, 'c', 0, '-', 0, '0', 0,
                       '0',  0,    '0',  0,    '0', 0, '0', 0, '1', 0};

TEST(IdText, TheFirstAndThirdBytesTurnIntoHyphensFromTenCharactersOn) {
  EXPECT_EQ(IdToText(kTwenty), L"--c-000001");
  Bytes raised = kTwenty;
  raised[0] = 0x20;  // 0x20 + 45 = 'M'
  raised[2] = 0x01;  // 0x01 + 45 = '.'
  raised[3] = 0x30;  // the high bytes stay as they are: U+302E
  EXPECT_EQ(IdToText(raised),
            L"M\x302E"
            L"c-000001");
  EXPECT_EQ(IdToText(Bytes(kTwenty.begin(), kTwenty.end() - 2)), L"") << "18 bytes: 9 characters";
}

TEST(IdText, AnOddLastByteMakesNoCharacter) {
  EXPECT_EQ(IdToText(Bytes(kTwenty.begin(), kTwenty.end() - 1)), L"") << "19 bytes: 9 characters";
  Bytes twenty_one = kTwenty;
  twenty_one.push_back('Z');
  EXPECT_EQ(IdToText(twenty_one), L"--c-000001") << "21 bytes: 10 characters";
  EXPECT_EQ(PropertyText(Bytes{'a', 0, 'b', 0, 'c'}), L"ab");
  EXPECT_EQ(PropertyText(Bytes{'x'}), L"");
}

TEST(IdText, ANumberIsATypeMismatchAndTextIsReadAsItsBytes) {
  try {
    IdToText(std::int32_t{7});
    ADD_FAILURE() << "no error";
  } catch (const platform::RuntimeError& error) {
    EXPECT_EQ(error.number(), 13);
  }
  EXPECT_EQ(IdToText(std::wstring(L"\0\0c-000001", 10)), L"--c-000001");
  EXPECT_EQ(PropertyText(std::int32_t{-12}), L"-12");
}

}  // namespace
}  // namespace dirscrub::testing
