// The simulated directory server's objects: each member checks its injected failure, needs a
// logged-on session where the real server would, and works on the machine's DohDirectory.
#include "platform/sim/sim_directory_objects.h"

#include <stdexcept>
#include <string>

#include "platform/error.h"
#include "platform/sim/server.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

using doh::PropertyValue;

// What the objects of one manager share: how far the program got with connecting.
struct Session {
  DohDirectory& directory;
  bool connected = false;
  bool logged_on = false;
};
using SessionRef = std::shared_ptr<Session>;

// Counts itself among the objects a program holds.
class Held {
 public:
  explicit Held(SessionRef session) : session_(std::move(session)) {
    ++session_->directory.objects_alive;
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() { --session_->directory.objects_alive; }

 protected:
  DohDirectory& directory() const { return session_->directory; }
  const SessionRef& session() const { return session_; }
  void Check(const std::string& member) const { directory().Check(member); }
  // Members that reach into the directory fail until the program has logged on.
  void CheckLoggedOn(const std::string& member) const {
    Check(member);
    if (!session_->logged_on) Raise(doh_result::kFail, L"Automation error");
  }

 private:
  SessionRef session_;
};

PropertyValue Bytes(const DirectoryId& id) {
  return std::vector<std::uint8_t>(id.begin(), id.end());
}

void CheckReadable(const std::set<std::uint32_t>& unreadable, std::uint32_t tag) {
  if (unreadable.count(tag) != 0) Raise(doh_result::kFail, L"Automation error");
}

// A value as the directory answers its tag: in its own form, or in the other one.
PropertyValue Answer(const DohDirectory& directory, std::uint32_t tag, PropertyValue value) {
  if (directory.other_form.count(tag) == 0) return value;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_wstring(*number);
  if (const auto* text = std::get_if<std::wstring>(&value)) {
    try {
      return static_cast<std::int32_t>(std::stol(*text));
    } catch (const std::exception&) {
      return std::int32_t{0};
    }
  }
  return value;
}

[[noreturn]] void RaiseNotFound() {
  Raise(doh_result::kNotFound, L"Automation error");
}

class SubscriberItem final : public doh::PropertyObject, public Held {
 public:
  SubscriberItem(SessionRef session, std::size_t index) : Held(std::move(session)), index_(index) {}
  std::size_t index() const { return index_; }

  PropertyValue GetProperty(std::uint32_t tag) override {
    directory().CheckProperty("Subscriber.GetProperty", tag);
    const DohSubscriber& subscriber = directory().subscribers.at(index_);
    CheckReadable(subscriber.unreadable, tag);
    switch (tag) {
      case doh_tag::kLocation: return Bytes(subscriber.location);
      case doh_tag::kKind: return subscriber.kind;
      case doh_tag::kObjectId: return Answer(directory(), tag, subscriber.object_id);
      case doh_tag::kAlias: return Answer(directory(), tag, subscriber.alias);
      default: RaiseNotFound();
    }
  }

 private:
  std::size_t index_;
};

// A location as a walk found it; Delete finds it again by its identifier and alias.
class LocationItem final : public doh::PropertyObject, public Held {
 public:
  LocationItem(SessionRef session, DohLocation location)
      : Held(std::move(session)), location_(std::move(location)) {}
  const DohLocation& location() const { return location_; }

  PropertyValue GetProperty(std::uint32_t tag) override {
    directory().CheckProperty("Location.GetProperty", tag);
    CheckReadable(location_.unreadable, tag);
    switch (tag) {
      case doh_tag::kLocation: return Bytes(location_.id);
      case doh_tag::kAlias: return Answer(directory(), tag, location_.alias);
      default: RaiseNotFound();
    }
  }

 private:
  DohLocation location_;
};

class SystemProperties final : public doh::PropertyObject, public Held {
 public:
  using Held::Held;
  PropertyValue GetProperty(std::uint32_t tag) override {
    directory().CheckProperty("SystemProperties.GetProperty", tag);
    switch (tag) {
      case doh_tag::kSystemId: return Answer(directory(), tag, directory().system_id);
      case doh_tag::kLocalLocation: return Bytes(directory().local_location);
      default: RaiseNotFound();
    }
  }
};

// Subscribers are walked live (the collection does not change under a walk); locations from
// the list as it was when the walk began, so a deletion does not shift it.
class SubscriberWalk final : public doh::Enumeration, public Held {
 public:
  SubscriberWalk(SessionRef session, std::string next_member)
      : Held(std::move(session)), next_member_(std::move(next_member)) {}
  std::unique_ptr<doh::PropertyObject> Next() override {
    Check("Enumeration.Next");
    Check(next_member_);
    if (next_ >= directory().subscribers.size()) return nullptr;
    return std::make_unique<SubscriberItem>(session(), next_++);
  }

 private:
  std::string next_member_;
  std::size_t next_ = 0;
};

class LocationWalk final : public doh::Enumeration, public Held {
 public:
  explicit LocationWalk(SessionRef session)
      : Held(std::move(session)), locations_(directory().locations) {}
  std::unique_ptr<doh::PropertyObject> Next() override {
    Check("Enumeration.Next");
    Check("Items.Next");
    if (next_ >= locations_.size()) return nullptr;
    return std::make_unique<LocationItem>(session(), locations_[next_++]);
  }

 private:
  std::vector<DohLocation> locations_;
  std::size_t next_ = 0;
};

class SimSubscribers final : public doh::Subscribers, public Held {
 public:
  using Held::Held;
  std::unique_ptr<doh::Enumeration> Members() override {
    CheckLoggedOn("Subscribers.Members");
    return std::make_unique<SubscriberWalk>(session(), "Members.Next");
  }
  std::unique_ptr<doh::Enumeration> Walk() override {
    CheckLoggedOn("Subscribers.Walk");
    return std::make_unique<SubscriberWalk>(session(), "Subscribers.Next");
  }
  void RemoveCustomProperties(doh::PropertyObject& subscriber) override {
    CheckLoggedOn("RemoveCustomProperties");
    const auto* item = dynamic_cast<const SubscriberItem*>(&subscriber);
    if (item == nullptr) Raise(doh_result::kInvalidArg, L"Automation error");
    DohSubscriber& target = directory().subscribers.at(item->index());
    if (target.removal_fails != 0) {
      directory().failed.push_back("RemoveCustomProperties");
      Raise(target.removal_fails, L"Automation error");
    }
    target.custom_properties_removed = true;
    directory().calls.push_back(L"RemoveCustomProperties " + target.alias);
  }
};

class SimLocationItems final : public doh::LocationItems, public Held {
 public:
  using Held::Held;
  std::int32_t Count() override {
    CheckLoggedOn("Items.Count");
    const DohDirectory& d = directory();
    return d.items_count.value_or(static_cast<std::int32_t>(d.locations.size()));
  }
  std::unique_ptr<doh::Enumeration> Walk() override {
    CheckLoggedOn("Items.Walk");
    return std::make_unique<LocationWalk>(session());
  }
};

class SimLocations final : public doh::Locations, public Held {
 public:
  using Held::Held;
  std::int32_t Count() override {
    CheckLoggedOn("Locations.Count");
    const DohDirectory& d = directory();
    return d.locations_count.value_or(static_cast<std::int32_t>(d.locations.size()));
  }
  std::unique_ptr<doh::LocationItems> Items() override {
    CheckLoggedOn("Locations.Items");
    return std::make_unique<SimLocationItems>(session());
  }
  void Delete(doh::PropertyObject& location) override {
    CheckLoggedOn("Locations.Delete");
    const auto* item = dynamic_cast<const LocationItem*>(&location);
    if (item == nullptr) Raise(doh_result::kInvalidArg, L"Automation error");
    auto& all = directory().locations;
    for (auto it = all.begin(); it != all.end(); ++it) {
      if (it->id == item->location().id && it->alias == item->location().alias) {
        directory().calls.push_back(L"Delete " + it->alias);
        all.erase(it);
        return;
      }
    }
    Raise(doh_result::kNotFound, L"Automation error");  // deleted already
  }
};

class SimSystemObject final : public doh::SystemObject, public Held {
 public:
  using Held::Held;
  std::unique_ptr<doh::PropertyObject> Properties() override {
    CheckLoggedOn("SystemObject.Properties");
    return std::make_unique<SystemProperties>(session());
  }
};

class SimDirectory final : public doh::Directory, public Held {
 public:
  using Held::Held;
  std::unique_ptr<doh::Locations> GetLocations() override {
    CheckLoggedOn("GetLocations");
    return std::make_unique<SimLocations>(session());
  }
  std::unique_ptr<doh::Subscribers> GetSubscribers() override {
    CheckLoggedOn("GetSubscribers");
    return std::make_unique<SimSubscribers>(session());
  }
  std::unique_ptr<doh::SystemObject> GetSystemObject() override {
    CheckLoggedOn("GetSystemObject");
    return std::make_unique<SimSystemObject>(session());
  }
};

class SimDoh final : public doh::Doh, public Held {
 public:
  using Held::Held;
  std::unique_ptr<doh::Directory> GetDirectory() override {
    CheckLoggedOn("GetDirectory");
    return std::make_unique<SimDirectory>(session());
  }
  void LogOn(std::int32_t mode) override {
    Check("LogOn");
    if (!session()->connected) Raise(doh_result::kFail, L"Automation error");
    session()->logged_on = true;
    directory().calls.push_back(L"LogOn " + std::to_wstring(mode));
  }
};

class SimDohManager final : public doh::DohManager, public Held {
 public:
  using Held::Held;
  std::unique_ptr<doh::Doh> GetDoh() override {
    Check("GetDoh");
    return std::make_unique<SimDoh>(session());
  }
  void Connect() override {
    Check("Connect");
    session()->connected = true;
    directory().calls.push_back(L"Connect");
  }
};

}  // namespace

DirectoryId DirectoryIdFor(std::wstring_view text) {
  DirectoryId bytes;
  for (const wchar_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
  }
  for (const std::size_t i : {std::size_t{0}, std::size_t{2}}) {
    if (i < bytes.size()) bytes[i] = static_cast<std::uint8_t>(bytes[i] - 45);
  }
  return bytes;
}

void DohDirectory::Check(const std::string& member) {
  const auto it = failures.find(member);
  if (it == failures.end()) return;
  failed.push_back(member);
  Raise(it->second, L"Automation error");
}

void DohDirectory::CheckProperty(const std::string& member, std::uint32_t tag) {
  Check(member);
  const auto it = property_failures.find({member, tag});
  if (it == property_failures.end()) return;
  failed.push_back(member);
  Raise(it->second, L"Automation error");
}

std::unique_ptr<doh::DohManager> SimDirectoryObjects::CreateDohManager(std::wstring_view progid) {
  DohDirectory& directory = server_.doh;
  if (!directory.registered || !EqualsNoCase(progid, kDohProgId)) {
    Raise(VbError::kCantCreateObject);
  }
  ++directory.managers_created;
  return std::make_unique<SimDohManager>(std::make_shared<Session>(Session{directory}));
}

}  // namespace platform::sim
