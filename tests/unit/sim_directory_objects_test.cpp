// The simulated directory server as Dirscrub meets it: a session from creation to release,
// the order the server insists on, injected failures, deletions and the two location counts.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/process.h"

namespace {

using platform::RuntimeError;
using platform::doh::PropertyValue;
using platform::sim::DirectoryIdFor;
using platform::sim::DohLocation;
using platform::sim::DohSubscriber;
using platform::sim::Process;
using platform::sim::Server;
namespace tag = platform::sim::doh_tag;

constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);
constexpr std::int32_t kNotFound = static_cast<std::int32_t>(0x8004010F);
constexpr std::int32_t kBusy = static_cast<std::int32_t>(0x80040102);

// The number a call raises, or 0 when it returns.
std::int32_t RaisedBy(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& error) {
    return error.number();
  }
  return 0;
}

class SimDirectory : public ::testing::Test {
 protected:
  SimDirectory() {
    auto& d = server.doh;
    d.registered = true;
    d.system_id = 7;
    d.local_location = DirectoryIdFor(L"--HOME-SITE-01");
    d.subscribers = {{DirectoryIdFor(L"--HOME-SITE-01"), 1, L"OBJ-1", L"ann", false, {}},
                     {DirectoryIdFor(L"--OTHER-SITE-9"), 1, L"OBJ-2", L"bob", false, {}}};
    d.locations = {{DirectoryIdFor(L"--OTHER-SITE-9"), L"far", {}},
                   {DirectoryIdFor(L"--HOME-SITE-01"), L"home", {}}};
  }

  // Created, connected and logged on, as the program does it.
  std::unique_ptr<platform::doh::Doh> LogOn() {
    manager = host.directory.CreateDohManager(L"zqdohmanager.zqdohmanager.1");
    manager->Connect();
    auto doh = manager->GetDoh();
    doh->LogOn(3);
    return doh;
  }

  static std::vector<std::wstring> Aliases(platform::doh::Enumeration& walk) {
    std::vector<std::wstring> aliases;
    while (auto item = walk.Next()) {
      aliases.push_back(std::get<std::wstring>(item->GetProperty(tag::kAlias)));
    }
    return aliases;
  }

  Server server;
  Process app{server, L"C:\\Program Files\\Velmar\\DirscrubVelmar30.exe"};
  platform::Host& host = app.host();
  std::unique_ptr<platform::doh::DohManager> manager;
};

TEST_F(SimDirectory, ASessionReadsChangesAndReleasesEverything) {
  {
    auto doh = LogOn();
    auto system = doh->GetDirectory()->GetSystemObject()->Properties();
    EXPECT_EQ(system->GetProperty(tag::kSystemId), PropertyValue(7));
    const auto local =
        std::get<std::vector<std::uint8_t>>(system->GetProperty(tag::kLocalLocation));
    EXPECT_EQ(local.size(), 28u);
    EXPECT_EQ(local[0], 0);
    EXPECT_EQ(local[2], 0) << "the leading hyphens are stored as zero bytes";

    auto members = doh->GetDirectory()->GetSubscribers()->Members();
    EXPECT_EQ(Aliases(*members), (std::vector<std::wstring>{L"ann", L"bob"}));

    auto subscribers = doh->GetDirectory()->GetSubscribers();
    auto walk = subscribers->Walk();
    auto first = walk->Next();
    EXPECT_EQ(first->GetProperty(tag::kKind), PropertyValue(1));
    EXPECT_EQ(first->GetProperty(tag::kObjectId), PropertyValue(L"OBJ-1"));
    EXPECT_EQ(RaisedBy([&] { first->GetProperty(0x12340003); }), kNotFound);
    doh->GetDirectory()->GetSubscribers()->RemoveCustomProperties(*first);

    auto locations = doh->GetDirectory()->GetLocations();
    auto items = locations->Items()->Walk();
    auto far = items->Next();
    EXPECT_EQ(RaisedBy([&] { subscribers->RemoveCustomProperties(*far); }),
              platform::sim::doh_result::kInvalidArg)
        << "a location is no subscriber";
    locations->Delete(*far);
  }
  const auto& d = server.doh;
  EXPECT_EQ(d.calls, (std::vector<std::wstring>{L"Connect", L"LogOn 3",
                                                L"RemoveCustomProperties ann", L"Delete far"}));
  EXPECT_TRUE(d.subscribers[0].custom_properties_removed);
  EXPECT_FALSE(d.subscribers[1].custom_properties_removed);
  ASSERT_EQ(d.locations.size(), 1u);
  EXPECT_EQ(d.locations[0].alias, L"home");
  EXPECT_EQ(d.objects_alive, 1) << "only the manager is still held";
  manager.reset();
  EXPECT_EQ(d.objects_alive, 0);
  EXPECT_EQ(d.managers_created, 1);
  EXPECT_TRUE(d.failed.empty());
}

TEST_F(SimDirectory, NothingWorksWithoutTheClassOrBeforeLogOn) {
  EXPECT_EQ(RaisedBy([&] { host.directory.CreateDohManager(L"ZqDohManager.Other.1"); }), 429);
  server.doh.registered = false;
  EXPECT_EQ(RaisedBy([&] { host.directory.CreateDohManager(platform::sim::kDohProgId); }), 429);
  server.doh.registered = true;

  manager = host.directory.CreateDohManager(platform::sim::kDohProgId);
  auto doh = manager->GetDoh();
  EXPECT_EQ(RaisedBy([&] { doh->GetDirectory(); }), kFail) << "not logged on";
  EXPECT_EQ(RaisedBy([&] { doh->LogOn(3); }), kFail) << "not connected";
  manager->Connect();
  doh->LogOn(3);
  EXPECT_EQ(RaisedBy([&] { doh->GetDirectory(); }), 0);
  EXPECT_EQ(server.doh.calls, (std::vector<std::wstring>{L"Connect", L"LogOn 3"}));
}

TEST_F(SimDirectory, InjectedFailuresHitOnlyTheirMember) {
  auto& d = server.doh;
  d.Fail("LogOn", kBusy);
  manager = host.directory.CreateDohManager(platform::sim::kDohProgId);
  manager->Connect();
  auto doh = manager->GetDoh();
  EXPECT_EQ(RaisedBy([&] { doh->LogOn(3); }), kBusy);
  EXPECT_EQ(RaisedBy([&] { doh->GetDirectory(); }), kFail) << "a failed log-on leaves no session";
  d.failures.clear();
  doh->LogOn(3);

  d.FailProperty("Subscriber.GetProperty", tag::kKind);
  d.subscribers[1].unreadable.insert(tag::kLocation);
  auto walk = doh->GetDirectory()->GetSubscribers()->Walk();
  auto ann = walk->Next();
  auto bob = walk->Next();
  EXPECT_EQ(RaisedBy([&] { ann->GetProperty(tag::kKind); }), kFail);
  EXPECT_EQ(RaisedBy([&] { ann->GetProperty(tag::kLocation); }), 0);
  EXPECT_EQ(RaisedBy([&] { bob->GetProperty(tag::kLocation); }), kFail);
  EXPECT_EQ(RaisedBy([&] { bob->GetProperty(tag::kAlias); }), 0);

  d.Fail("Members.Next");
  EXPECT_EQ(RaisedBy([&] { doh->GetDirectory()->GetSubscribers()->Members()->Next(); }), kFail);
  EXPECT_EQ(RaisedBy([&] { doh->GetDirectory()->GetSubscribers()->Walk()->Next(); }), 0);
  d.Fail("Enumeration.Next");
  EXPECT_EQ(RaisedBy([&] { doh->GetDirectory()->GetLocations()->Items()->Walk()->Next(); }), kFail);
  d.Fail("Locations.Count");
  EXPECT_EQ(RaisedBy([&] { doh->GetDirectory()->GetLocations()->Count(); }), kFail);
  EXPECT_EQ(RaisedBy([&] { doh->GetDirectory()->GetLocations()->Items()->Count(); }), 0);
  EXPECT_EQ(d.failed, (std::vector<std::string>{"LogOn", "Subscriber.GetProperty", "Members.Next",
                                                "Enumeration.Next", "Locations.Count"}));
}

TEST_F(SimDirectory, DeletionsLeaveTheCollectionButNotARunningWalk) {
  auto doh = LogOn();
  auto locations = doh->GetDirectory()->GetLocations();
  EXPECT_EQ(locations->Count(), 2);
  EXPECT_EQ(locations->Items()->Count(), 2) << "both counts follow the locations by default";

  auto walk = locations->Items()->Walk();
  std::vector<std::wstring> seen;
  std::unique_ptr<platform::doh::PropertyObject> last;
  while (auto item = walk->Next()) {
    seen.push_back(std::get<std::wstring>(item->GetProperty(tag::kAlias)));
    locations->Delete(*item);
    last = std::move(item);
  }
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"far", L"home"}));
  EXPECT_TRUE(server.doh.locations.empty());
  EXPECT_EQ(locations->Count(), 0);
  EXPECT_EQ(RaisedBy([&] { locations->Delete(*last); }), kNotFound) << "deleted already";

  server.doh.locations_count = 3;
  server.doh.items_count = 1;
  EXPECT_EQ(locations->Count(), 3);
  EXPECT_EQ(doh->GetDirectory()->GetLocations()->Items()->Count(), 1);
}

TEST(SimDirectoryIds, ReadBackAsTheirTextOnceTheFirstAndThirdByteRegain45) {
  auto bytes = DirectoryIdFor(L"--AB");
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0, 0, 0, 0, 'A', 0, 'B', 0}));
  bytes = DirectoryIdFor(L"X");
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'X' - 45, 0}));
}

TEST(SimGateway, ShutDownCountsItsCallsAndAnswersAsSet) {
  Server server;
  Process app{server, L"C:\\Program Files\\Velmar\\DirscrubVelmar30.exe"};
  auto& com = app.host().com;
  server.com.gateway_clsid = L"{60EB7702-6A7A-11D1-8029-00C04FAD610B}";
  server.com.gateway_iid = L"{1461F2E1-6A76-11D1-8029-00C04FAD610B}";
  ASSERT_GE(com.InitializeMultithreaded(), 0);
  std::unique_ptr<platform::GatewayObject> gateway;
  ASSERT_EQ(com.CreateGateway(server.com.gateway_clsid, server.com.gateway_iid, gateway), 0);
  EXPECT_EQ(gateway->Shutdown(), 0);
  server.com.shutdown_result = kFail;
  EXPECT_EQ(gateway->Shutdown(), kFail);
  EXPECT_EQ(server.com.gateway_shutdowns, 2);
}

}  // namespace
