// The product's mail directory as its directory server shows it on the simulated machine:
// subscribers, locations and the system object, with failure injection and a record of calls.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/directory_objects.h"

namespace platform::sim {

class Server;

// The class name programs create the directory server's manager by.
inline constexpr wchar_t kDohProgId[] = L"ZqDohManager.ZqDohManager.1";

// The property tags the directory answers.
namespace doh_tag {
inline constexpr std::uint32_t kSystemId = 0x71D30003;
inline constexpr std::uint32_t kLocalLocation = 0x0FFF2011;
inline constexpr std::uint32_t kLocation = 0x61762011;
inline constexpr std::uint32_t kKind = 0x61810002;
inline constexpr std::uint32_t kObjectId = 0x30A30008;
inline constexpr std::uint32_t kAlias = 0x3A000008;
}  // namespace doh_tag

namespace doh_result {
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);  // also: not logged on
inline constexpr std::int32_t kNotFound =
    static_cast<std::int32_t>(0x8004010F);  // no such property
inline constexpr std::int32_t kInvalidArg = static_cast<std::int32_t>(0x80070057);
}  // namespace doh_result

using DirectoryId = std::vector<std::uint8_t>;

// The bytes of a binary identifier that programs read back as `text`: the text as UTF-16 with
// 45 taken from its first and third byte (so "--" at the front gives the usual zero bytes).
DirectoryId DirectoryIdFor(std::wstring_view text);

struct DohSubscriber {
  DirectoryId location;  // the location identifier of the server it is homed on
  std::int32_t kind = 1;
  std::wstring object_id;
  std::wstring alias;
  bool custom_properties_removed = false;
  std::set<std::uint32_t> unreadable;  // tags whose GetProperty fails (kFail) on this one
  std::int32_t removal_fails = 0;      // RemoveCustomProperties of this one fails with it, if set
};

struct DohLocation {
  DirectoryId id;
  std::wstring alias;
  std::set<std::uint32_t> unreadable;
};

// The directory behind the server. Member names for `failures`, one per member a program
// calls: "Connect", "GetDoh", "LogOn", "GetDirectory", "GetLocations", "GetSubscribers",
// "GetSystemObject", "Subscribers.Members", "Subscribers.Walk", "RemoveCustomProperties",
// "Subscriber.GetProperty", "SystemObject.Properties", "SystemProperties.GetProperty",
// "Locations.Count", "Locations.Items", "Locations.Delete", "Items.Count", "Items.Walk",
// "Location.GetProperty", and for the walks "Enumeration.Next" (any walk) or "Members.Next",
// "Subscribers.Next", "Items.Next" (one walk).
struct DohDirectory {
  bool registered = false;                 // the manager's class name is registered on the machine
  std::vector<DohSubscriber> subscribers;  // in enumeration order
  std::int32_t system_id = 0;
  DirectoryId local_location;          // the system object's identifier of this server's location
  std::vector<DohLocation> locations;  // a deleted location leaves the collection
  // What Locations.Count and Locations.Items.Count read; nothing: the number of locations.
  std::optional<std::int32_t> locations_count;
  std::optional<std::int32_t> items_count;
  // Tags answered in the other automation form: a number as its decimal text, a text as the
  // number it reads as (0 when it reads as none). The server's own choice of VARIANT type.
  std::set<std::uint32_t> other_form;

  std::map<std::string, std::int32_t> failures;  // member name -> HRESULT it fails with
  // (member name, tag) -> HRESULT, for the three GetProperty members.
  std::map<std::pair<std::string, std::uint32_t>, std::int32_t> property_failures;

  // Calls that took effect, in order: "Connect", "LogOn 3", "RemoveCustomProperties <alias>",
  // "Delete <alias>".
  std::vector<std::wstring> calls;
  std::vector<std::string> failed;  // member names, each time an injected failure was raised
  int managers_created = 0;
  int objects_alive = 0;  // every object a program holds; 0 once it has released them all

  void Fail(std::string member, std::int32_t hresult = doh_result::kFail) {
    failures[std::move(member)] = hresult;
  }
  void FailProperty(std::string member, std::uint32_t tag,
                    std::int32_t hresult = doh_result::kFail) {
    property_failures[{std::move(member), tag}] = hresult;
  }
  // Raises the failure set for the member, if any (and notes it in `failed`).
  void Check(const std::string& member);
  void CheckProperty(const std::string& member, std::uint32_t tag);
};

class SimDirectoryObjects final : public doh::DirectoryObjects {
 public:
  explicit SimDirectoryObjects(Server& server) : server_(server) {}
  std::unique_ptr<doh::DohManager> CreateDohManager(std::wstring_view progid) override;

 private:
  Server& server_;
};

}  // namespace platform::sim
