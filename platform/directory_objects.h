// Directory objects facility: the product's directory COM server as Dirscrub uses it, object by
// object, member by member. Every call raises RuntimeError with the call's HRESULT when it fails.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform::doh {

// A property's value as the automation variant brings it: nothing, a number, a text or bytes.
using PropertyValue =
    std::variant<std::monostate, std::int32_t, std::wstring, std::vector<std::uint8_t>>;

// Anything read through GetProperty: a subscriber, a location, the system object's properties.
class PropertyObject {
 public:
  virtual ~PropertyObject() = default;
  virtual PropertyValue GetProperty(std::uint32_t tag) = 0;
};

// A For Each walk (IEnumVARIANT): the next item, nothing at the end.
class Enumeration {
 public:
  virtual ~Enumeration() = default;
  virtual std::unique_ptr<PropertyObject> Next() = 0;
};

class Subscribers {
 public:
  virtual ~Subscribers() = default;
  virtual std::unique_ptr<Enumeration> Members() = 0;  // the Members collection, walked
  virtual std::unique_ptr<Enumeration> Walk() = 0;     // the object itself, walked
  virtual void RemoveCustomProperties(PropertyObject& subscriber) = 0;
};

class LocationItems {
 public:
  virtual ~LocationItems() = default;
  virtual std::int32_t Count() = 0;
  virtual std::unique_ptr<Enumeration> Walk() = 0;
};

class Locations {
 public:
  virtual ~Locations() = default;
  virtual std::int32_t Count() = 0;
  virtual std::unique_ptr<LocationItems> Items() = 0;
  virtual void Delete(PropertyObject& location) = 0;
};

class SystemObject {
 public:
  virtual ~SystemObject() = default;
  virtual std::unique_ptr<PropertyObject> Properties() = 0;
};

class Directory {
 public:
  virtual ~Directory() = default;
  virtual std::unique_ptr<Locations> GetLocations() = 0;
  virtual std::unique_ptr<Subscribers> GetSubscribers() = 0;
  virtual std::unique_ptr<SystemObject> GetSystemObject() = 0;
};

// The directory handler.
class Doh {
 public:
  virtual ~Doh() = default;
  virtual std::unique_ptr<Directory> GetDirectory() = 0;
  virtual void LogOn(std::int32_t mode) = 0;
};

class DohManager {
 public:
  virtual ~DohManager() = default;
  virtual std::unique_ptr<Doh> GetDoh() = 0;
  virtual void Connect() = 0;  // with an empty object
};

class DirectoryObjects {
 public:
  virtual ~DirectoryObjects() = default;
  // CreateObject of the ProgID; raises 429 "ActiveX component can't create object" when the
  // class is not registered or its server cannot start.
  virtual std::unique_ptr<DohManager> CreateDohManager(std::wstring_view progid) = 0;
};

}  // namespace platform::doh
