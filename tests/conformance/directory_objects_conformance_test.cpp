// The product's directory server as Dirscrub reaches it: creation by class name, log-on, the
// walks, property values in each form the server may give them, removals and deletions, the
// failures a server can answer with, and every object handed back at the end. Natively the
// simulated directory answers; under Wine the suite's stand-in server runs the same directory
// behind the real COM calls.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/directory_objects.h"
#include "platform/error.h"
#include "tests/conformance/backend.h"

namespace conformance {
namespace {

using platform::doh::PropertyValue;
using Bytes = std::vector<std::uint8_t>;

constexpr wchar_t kProgId[] = L"ZqDohManager.ZqDohManager.1";
constexpr std::uint32_t kSystemId = 0x71D30003;
constexpr std::uint32_t kLocalLocation = 0x0FFF2011;
constexpr std::uint32_t kLocation = 0x61762011;
constexpr std::uint32_t kKind = 0x61810002;
constexpr std::uint32_t kObjectId = 0x30A30008;
constexpr std::uint32_t kAlias = 0x3A000008;
constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);
constexpr std::int32_t kDenied = static_cast<std::int32_t>(0x80070005);
constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x8004010F);

// This server's directory: four subscribers (two kinds homed here, one elsewhere, one of kind 6
// without custom properties) and two locations.
std::vector<std::wstring> Directory(std::vector<std::wstring> more = {}) {
  std::vector<std::wstring> lines = {
      L"system\t4711\t--HERE-LOCATION",
      L"subscriber\tann\tOBJ-ANN\t--HERE-LOCATION\t1",
      L"subscriber\tbob\tOBJ-BOB\t--here-location\t2",
      L"subscriber\tcy\tOBJ-CY\t--ELSEWHERE-LOC\t1",
      L"subscriber\tdee\tOBJ-DEE\t--HERE-LOCATION\t6\tplain",
      L"location\tOther\t--ELSEWHERE-LOC",
      L"location\tHere\t--HERE-LOCATION",
  };
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

// The bytes the server keeps for an identifier read back as "--" + rest: two zero characters,
// then the rest as UTF-16.
Bytes IdBytes(const std::string& rest) {
  Bytes bytes = {0, 0, 0, 0};
  for (const char c : rest) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(0);
  }
  return bytes;
}

std::int32_t RaisedBy(const std::function<void()>& call) {
  try {
    call();
  } catch (const platform::RuntimeError& error) {
    return error.number();
  }
  return 0;
}

std::vector<std::string> With(std::vector<std::string> calls, const char* last) {
  calls.emplace_back(last);
  return calls;
}

class DirectoryObjectsConformance : public Conformance {
 protected:
  // Created, connected and logged on with mode 3, as Dirscrub begins.
  void LogOn() {
    manager_ = host().directory.CreateDohManager(kProgId);
    manager_->Connect();
    doh_ = manager_->GetDoh();
    doh_->LogOn(3);
  }
  void Release() {
    doh_.reset();
    manager_.reset();
  }
  // Every subscriber of the Subscribers walk by alias, with what the visitor did.
  void EachSubscriber(const std::function<void(platform::doh::Subscribers&,
                                               platform::doh::PropertyObject&)>& visit) {
    auto subscribers = doh_->GetDirectory()->GetSubscribers();
    auto walk = subscribers->Walk();
    while (auto subscriber = walk->Next()) visit(*subscribers, *subscriber);
  }

  std::unique_ptr<platform::doh::DohManager> manager_;
  std::unique_ptr<platform::doh::Doh> doh_;
};

TEST_F(DirectoryObjectsConformance, AnAbsentServerCannotBeCreated) {
  backend().MakeDirectoryServerAbsent();
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

TEST_F(DirectoryObjectsConformance, LogsOnAndHandsEveryObjectBack) {
  backend().LayOutDirectory(Directory());
  LogOn();
  auto directory = doh_->GetDirectory();
  // Objects still held show as such; once let go, nothing is left.
  const auto held = backend().DirectoryCalls();
  ASSERT_FALSE(held.empty());
  EXPECT_TRUE(held.back().starts_with("unreleased ")) << held.back();
  directory.reset();
  Release();
  EXPECT_EQ(backend().DirectoryCalls(),
            (std::vector<std::string>{"Connect", "LogOn 3", "released"}));
}

TEST_F(DirectoryObjectsConformance, WalksSubscribersInOrderReadingTheirProperties) {
  backend().LayOutDirectory(Directory());
  LogOn();
  int members = 0;
  {
    auto walk = doh_->GetDirectory()->GetSubscribers()->Members();
    while (walk->Next()) ++members;
  }
  EXPECT_EQ(members, 4);
  std::vector<PropertyValue> seen;
  EachSubscriber([&](platform::doh::Subscribers&, platform::doh::PropertyObject& subscriber) {
    for (const auto tag : {kLocation, kKind, kObjectId, kAlias}) {
      seen.push_back(subscriber.GetProperty(tag));
    }
  });
  const std::vector<PropertyValue> expected = {IdBytes("HERE-LOCATION"), 1, L"OBJ-ANN", L"ann",
                                               IdBytes("here-location"), 2, L"OBJ-BOB", L"bob",
                                               IdBytes("ELSEWHERE-LOC"), 1, L"OBJ-CY",  L"cy",
                                               IdBytes("HERE-LOCATION"), 6, L"OBJ-DEE", L"dee"};
  EXPECT_EQ(seen, expected);
  Release();
  EXPECT_EQ(backend().DirectoryCalls(),
            (std::vector<std::string>{"Connect", "LogOn 3", "released"}));
}

TEST_F(DirectoryObjectsConformance, TextPropertiesMayComeAsNumbersAndNumbersAsText) {
  backend().LayOutDirectory({L"system\t4711\t--HERE-LOCATION",
                             L"subscriber\t4120\t70001\t--HERE-LOCATION\t1", L"form\t30a30008",
                             L"form\t3a000008", L"form\t71d30003"});
  LogOn();
  std::vector<PropertyValue> seen;
  EachSubscriber([&](platform::doh::Subscribers&, platform::doh::PropertyObject& subscriber) {
    seen.push_back(subscriber.GetProperty(kObjectId));
    seen.push_back(subscriber.GetProperty(kAlias));
    seen.push_back(subscriber.GetProperty(kKind));  // not listed: still a number
  });
  EXPECT_EQ(seen, (std::vector<PropertyValue>{70001, 4120, 1}));
  const auto properties = doh_->GetDirectory()->GetSystemObject()->Properties();
  EXPECT_EQ(properties->GetProperty(kSystemId), PropertyValue(L"4711"));
  Release();
}

TEST_F(DirectoryObjectsConformance, RemovesCustomPropertiesOfExactlyTheChosenSubscribers) {
  backend().LayOutDirectory(Directory());
  LogOn();
  EachSubscriber(
      [&](platform::doh::Subscribers& subscribers, platform::doh::PropertyObject& subscriber) {
        const auto alias = std::get<std::wstring>(subscriber.GetProperty(kAlias));
        if (alias == L"ann" || alias == L"cy") subscribers.RemoveCustomProperties(subscriber);
      });
  Release();
  EXPECT_EQ(backend().DirectoryCalls(),
            (std::vector<std::string>{"Connect", "LogOn 3", "RemoveCustomProperties ann",
                                      "RemoveCustomProperties cy", "released"}));
}

TEST_F(DirectoryObjectsConformance, WalksAndDeletesLocations) {
  backend().LayOutDirectory(Directory({L"counts\t3\t-"}));
  LogOn();
  {
    auto locations = doh_->GetDirectory()->GetLocations();
    EXPECT_EQ(locations->Count(), 3);           // as the lay-out says
    EXPECT_EQ(locations->Items()->Count(), 2);  // the locations there are
    auto walk = locations->Items()->Walk();
    std::vector<PropertyValue> seen;
    while (auto location = walk->Next()) {
      seen.push_back(location->GetProperty(kAlias));
      seen.push_back(location->GetProperty(kLocation));
      if (location->GetProperty(kAlias) == PropertyValue(L"Here")) locations->Delete(*location);
    }
    EXPECT_EQ(seen, (std::vector<PropertyValue>{L"Other", IdBytes("ELSEWHERE-LOC"), L"Here",
                                                IdBytes("HERE-LOCATION")}));
  }
  {
    auto walk = doh_->GetDirectory()->GetLocations()->Items()->Walk();
    auto first = walk->Next();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetProperty(kAlias), PropertyValue(L"Other"));
    EXPECT_EQ(walk->Next(), nullptr);
  }
  Release();
  EXPECT_EQ(backend().DirectoryCalls(),
            (std::vector<std::string>{"Connect", "LogOn 3", "Delete Here", "released"}));
}

TEST_F(DirectoryObjectsConformance, SystemObjectPropertiesGiveTheIdAndTheLocalLocation) {
  backend().LayOutDirectory(Directory());
  LogOn();
  {
    const auto properties = doh_->GetDirectory()->GetSystemObject()->Properties();
    EXPECT_EQ(properties->GetProperty(kSystemId), PropertyValue(4711));
    EXPECT_EQ(properties->GetProperty(kLocalLocation), PropertyValue(IdBytes("HERE-LOCATION")));
    EXPECT_EQ(RaisedBy([&] { properties->GetProperty(kAlias); }), kNotFound);
  }
  Release();
  EXPECT_EQ(backend().DirectoryCalls().back(), "released");
}

TEST_F(DirectoryObjectsConformance, RefusedLogOnLeavesTheDirectoryClosed) {
  backend().LayOutDirectory(Directory({L"fail\tLogOn\t80004005"}));
  manager_ = host().directory.CreateDohManager(kProgId);
  manager_->Connect();
  doh_ = manager_->GetDoh();
  EXPECT_EQ(RaisedBy([&] { doh_->LogOn(3); }), kFail);
  EXPECT_EQ(RaisedBy([&] { doh_->GetDirectory(); }), kFail);
  Release();
  EXPECT_EQ(backend().DirectoryCalls(), (std::vector<std::string>{"Connect", "released"}));
}

TEST_F(DirectoryObjectsConformance, RefusedConnectionRefusesTheLogOn) {
  backend().LayOutDirectory(Directory({L"fail\tConnect\t80070005"}));
  manager_ = host().directory.CreateDohManager(kProgId);
  EXPECT_EQ(RaisedBy([&] { manager_->Connect(); }), kDenied);
  doh_ = manager_->GetDoh();
  EXPECT_EQ(RaisedBy([&] { doh_->LogOn(3); }), kFail);
  Release();
  EXPECT_EQ(backend().DirectoryCalls(), (std::vector<std::string>{"released"}));
}

TEST_F(DirectoryObjectsConformance, OneFailedRemovalLeavesTheOthersDone) {
  backend().LayOutDirectory(Directory({L"removal-fails\tbob\t80070005"}));
  LogOn();
  std::vector<std::int32_t> results;
  EachSubscriber(
      [&](platform::doh::Subscribers& subscribers, platform::doh::PropertyObject& subscriber) {
        results.push_back(RaisedBy([&] { subscribers.RemoveCustomProperties(subscriber); }));
      });
  EXPECT_EQ(results, (std::vector<std::int32_t>{0, kDenied, 0, 0}));
  Release();
  EXPECT_EQ(backend().DirectoryCalls(),
            With({"Connect", "LogOn 3", "RemoveCustomProperties ann", "RemoveCustomProperties cy",
                  "RemoveCustomProperties dee"},
                 "released"));
}

TEST_F(DirectoryObjectsConformance, UnreadableCountsAndPropertiesAreRefused) {
  backend().LayOutDirectory(
      Directory({L"fail\tItems.Count\t80004005", L"unreadable\tsubscriber\tcy\t61762011",
                 L"unreadable\tlocation\tHere\t3a000008"}));
  LogOn();
  {
    auto locations = doh_->GetDirectory()->GetLocations();
    EXPECT_EQ(locations->Count(), 2);
    EXPECT_EQ(RaisedBy([&] { locations->Items()->Count(); }), kFail);
    auto walk = locations->Items()->Walk();
    std::vector<std::int32_t> results;
    while (auto location = walk->Next()) {
      results.push_back(RaisedBy([&] { location->GetProperty(kAlias); }));
    }
    EXPECT_EQ(results, (std::vector<std::int32_t>{0, kFail}));
  }
  std::vector<std::int32_t> results;
  EachSubscriber([&](platform::doh::Subscribers&, platform::doh::PropertyObject& subscriber) {
    results.push_back(RaisedBy([&] { subscriber.GetProperty(kLocation); }));
  });
  EXPECT_EQ(results, (std::vector<std::int32_t>{0, 0, kFail, 0}));
  Release();
  EXPECT_EQ(backend().DirectoryCalls(),
            (std::vector<std::string>{"Connect", "LogOn 3", "released"}));
}

}  // namespace
}  // namespace conformance
