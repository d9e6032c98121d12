// The directory server's objects through their vtables: each member called at its slot, out
// objects queried for the next interface, walks through _NewEnum and IEnumVARIANT, and every
// failing HRESULT raised with the object's description.
#include "platform/win32/win32_directory_objects.h"

#include <oaidl.h>
#include <objbase.h>
#include <windows.h>

#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/win32/win32_automation_values.h"
#include "platform/win32/win32_com_ptr.h"

namespace platform::win32 {

// The server's dual interfaces as their vtables lay them out: IDispatch's seven entries, then
// the members in order. Members never called keep their slot with a placeholder. These must not
// live in an unnamed namespace: a type no other unit can derive from, with no overrider here,
// lets the compiler turn every call through it into a pure virtual call.
#define DOH_SLOT(n) STDMETHOD(Slot##n)() = 0

struct DohManagerInterface : public IDispatch {
  DOH_SLOT(1);
  STDMETHOD(get_Doh)(IDispatch** doh) = 0;  // 2
  DOH_SLOT(3);
  DOH_SLOT(4);
  DOH_SLOT(5);
  DOH_SLOT(6);
  DOH_SLOT(7);
  DOH_SLOT(8);
  STDMETHOD(Connect)(IDispatch* object) = 0;  // 9
};

struct DohInterface : public IDispatch {
  DOH_SLOT(1);
  STDMETHOD(get_Directory)(IDispatch** directory) = 0;  // 2
  DOH_SLOT(3);
  DOH_SLOT(4);
  DOH_SLOT(5);
  DOH_SLOT(6);
  DOH_SLOT(7);
  DOH_SLOT(8);
  DOH_SLOT(9);
  DOH_SLOT(10);
  DOH_SLOT(11);
  DOH_SLOT(12);
  DOH_SLOT(13);
  STDMETHOD(LogOn)(LONG mode) = 0;  // 14
};

struct DirectoryInterface : public IDispatch {
  DOH_SLOT(1);
  DOH_SLOT(2);
  DOH_SLOT(3);
  DOH_SLOT(4);
  DOH_SLOT(5);
  DOH_SLOT(6);
  DOH_SLOT(7);
  DOH_SLOT(8);
  DOH_SLOT(9);
  DOH_SLOT(10);
  DOH_SLOT(11);
  DOH_SLOT(12);
  DOH_SLOT(13);
  DOH_SLOT(14);
  DOH_SLOT(15);
  STDMETHOD(get_Locations)(IDispatch** locations) = 0;      // 16
  STDMETHOD(get_Subscribers)(IDispatch** subscribers) = 0;  // 17
  DOH_SLOT(18);
  DOH_SLOT(19);
  DOH_SLOT(20);
  DOH_SLOT(21);
  DOH_SLOT(22);
  DOH_SLOT(23);
  STDMETHOD(get_SystemObject)(IDispatch** system_object) = 0;  // 24
};

struct SubscribersInterface : public IDispatch {
  DOH_SLOT(1);
  DOH_SLOT(2);
  DOH_SLOT(3);
  STDMETHOD(get_Members)(IDispatch** members) = 0;  // 4
  DOH_SLOT(5);
  DOH_SLOT(6);
  DOH_SLOT(7);
  STDMETHOD(RemoveCustomProperties)(IDispatch* subscriber) = 0;  // 8
};

// A subscriber's property interface and the location item share this layout.
struct PropertyInterface : public IDispatch {
  DOH_SLOT(1);
  STDMETHOD(GetProperty)(LONG tag, VARIANT* value) = 0;  // 2
};

struct SystemObjectInterface : public IDispatch {
  DOH_SLOT(1);
  STDMETHOD(get_Properties)(IDispatch** properties) = 0;  // 2
};

struct LocationsInterface : public IDispatch {
  DOH_SLOT(1);
  DOH_SLOT(2);
  STDMETHOD(get_Count)(LONG* count) = 0;        // 3
  STDMETHOD(get_Items)(IDispatch** items) = 0;  // 4
  DOH_SLOT(5);
  DOH_SLOT(6);
  DOH_SLOT(7);
  DOH_SLOT(8);
  STDMETHOD(Delete)(IDispatch* location) = 0;  // 9
};

struct LocationItemsInterface : public IDispatch {
  DOH_SLOT(1);
  DOH_SLOT(2);
  STDMETHOD(get_Count)(LONG* count) = 0;  // 3
};

#undef DOH_SLOT

namespace {

using doh::PropertyValue;

constexpr IID kDohManagerIid = {
    0x0BBFE6F4, 0x0770, 0x11D1, {0x96, 0x9F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0x46}};
constexpr IID kDohIid = {
    0x29C7CEA9, 0xF303, 0x11D0, {0xA6, 0x5E, 0x00, 0xC0, 0x4F, 0xC9, 0xEF, 0x1D}};
constexpr IID kDirectoryIid = {
    0x29C7CEAB, 0xF303, 0x11D0, {0xA6, 0x5E, 0x00, 0xC0, 0x4F, 0xC9, 0xEF, 0x1D}};
constexpr IID kSubscribersIid = {
    0x29C7CEB2, 0xF303, 0x11D0, {0xA6, 0x5E, 0x00, 0xC0, 0x4F, 0xC9, 0xEF, 0x1D}};
constexpr IID kSubscriberItemIid = {
    0x421060A0, 0xF305, 0x11D0, {0xA6, 0x5E, 0x00, 0xC0, 0x4F, 0xC9, 0xEF, 0x1D}};
constexpr IID kPropertiesIid = {
    0xDD3BEE2C, 0xFECD, 0x11D0, {0x96, 0x82, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0x46}};
constexpr IID kSystemObjectIid = {
    0x38AE5AA2, 0x7FF8, 0x11D2, {0xAE, 0x4B, 0x00, 0xC0, 0x4F, 0xAD, 0x6B, 0x4C}};
constexpr IID kLocationsIid = {
    0xF11A928F, 0x0375, 0x11D1, {0x96, 0x94, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0x46}};
constexpr IID kLocationItemsIid = {
    0xF11A928D, 0x0375, 0x11D1, {0x96, 0x94, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0x46}};
constexpr IID kLocationItemIid = {
    0xF11A928B, 0x0375, 0x11D1, {0x96, 0x94, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0x46}};

// Clears a VARIANT filled by a call on every path out.
class ScopedVariant {
 public:
  ScopedVariant() { ::VariantInit(&value_); }
  ~ScopedVariant() { ::VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* get() { return &value_; }

  // The object it holds, with its own reference; nothing when it holds no object.
  ComPtr<IDispatch> Dispatch() {
    ComPtr<IDispatch> object;
    if (value_.vt == VT_DISPATCH && value_.pdispVal) {
      value_.pdispVal->AddRef();
      object = ComPtr<IDispatch>(value_.pdispVal);
    } else if (value_.vt == VT_UNKNOWN && value_.punkVal) {
      value_.punkVal->QueryInterface(IID_IDispatch, object.ReceiveVoid());
    }
    return object;
  }
  ComPtr<IUnknown> Unknown() {
    ComPtr<IUnknown> object;
    if ((value_.vt == VT_UNKNOWN || value_.vt == VT_DISPATCH) && value_.punkVal) {
      value_.punkVal->AddRef();
      object = ComPtr<IUnknown>(value_.punkVal);
    }
    return object;
  }

 private:
  VARIANT value_;
};

template <typename Interface>
ComPtr<Interface> Query(IUnknown* object, const IID& iid) {
  if (object == nullptr) RaiseNoObject();
  ComPtr<Interface> result;
  CheckResult(object->QueryInterface(iid, result.ReceiveVoid()), object, iid);
  if (!result) RaiseNoObject();
  return result;
}

// An object a member hands out, asked for the interface the next step uses.
template <typename Interface, typename Member>
ComPtr<Interface> Fetch(IUnknown* from, const IID& from_iid, const IID& iid, Member member) {
  ComPtr<IDispatch> object;
  CheckResult(member(object.Receive()), from, from_iid);
  return Query<Interface>(object.get(), iid);
}

// A walked item: its own interface (for the members that take it) and the interface its
// properties are read through.
class Win32PropertyObject final : public doh::PropertyObject {
 public:
  Win32PropertyObject(ComPtr<IDispatch> item, const IID& property_iid)
      : item_(std::move(item)), property_iid_(property_iid) {}
  IDispatch* item() const { return item_.get(); }

  PropertyValue GetProperty(std::uint32_t tag) override {
    const auto properties = Query<PropertyInterface>(item_.get(), property_iid_);
    ScopedVariant value;
    CheckResult(properties->GetProperty(static_cast<LONG>(tag), value.get()), properties.get(),
                property_iid_);
    return PropertyValueOf(*value.get());
  }

 private:
  ComPtr<IDispatch> item_;
  IID property_iid_;
};

// The item as the interface a member expects it, for passing it back to the server.
ComPtr<IDispatch> ItemAs(doh::PropertyObject& object, const IID& iid) {
  const auto* item = dynamic_cast<const Win32PropertyObject*>(&object);
  if (item == nullptr) Raise(13, L"Type mismatch");
  return Query<IDispatch>(item->item(), iid);
}

class Win32Enumeration final : public doh::Enumeration {
 public:
  Win32Enumeration(ComPtr<IEnumVARIANT> items, const IID& property_iid)
      : items_(std::move(items)), property_iid_(property_iid) {}

  std::unique_ptr<doh::PropertyObject> Next() override {
    ScopedVariant item;
    ULONG fetched = 0;
    const HRESULT hr = items_->Next(1, item.get(), &fetched);
    CheckResult(hr, items_.get(), IID_IEnumVARIANT);
    if (hr != S_OK || fetched == 0) return nullptr;
    ComPtr<IDispatch> object = item.Dispatch();
    if (!object) Raise(424, L"Object required");
    return std::make_unique<Win32PropertyObject>(std::move(object), property_iid_);
  }

 private:
  ComPtr<IEnumVARIANT> items_;
  IID property_iid_;
};

// For Each over a collection: its _NewEnum, then one item at a time.
std::unique_ptr<doh::Enumeration> WalkCollection(IDispatch* collection, const IID& collection_iid,
                                                 const IID& property_iid) {
  if (collection == nullptr) RaiseNoObject();
  DISPPARAMS no_arguments{};
  ScopedVariant result;
  EXCEPINFO exception{};
  const HRESULT hr = collection->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                                        DISPATCH_METHOD | DISPATCH_PROPERTYGET, &no_arguments,
                                        result.get(), &exception, nullptr);
  if (FAILED(hr)) RaiseInvokeFailure(hr, exception, collection, collection_iid);
  const ComPtr<IUnknown> enumerator = result.Unknown();
  return std::make_unique<Win32Enumeration>(Query<IEnumVARIANT>(enumerator.get(), IID_IEnumVARIANT),
                                            property_iid);
}

class Win32Subscribers final : public doh::Subscribers {
 public:
  explicit Win32Subscribers(ComPtr<SubscribersInterface> subscribers)
      : subscribers_(std::move(subscribers)) {}
  std::unique_ptr<doh::Enumeration> Members() override {
    const auto members =
        Fetch<IDispatch>(subscribers_.get(), kSubscribersIid, IID_IDispatch,
                         [&](IDispatch** out) { return subscribers_->get_Members(out); });
    return WalkCollection(members.get(), IID_IDispatch, kPropertiesIid);
  }
  std::unique_ptr<doh::Enumeration> Walk() override {
    return WalkCollection(subscribers_.get(), kSubscribersIid, kPropertiesIid);
  }
  void RemoveCustomProperties(doh::PropertyObject& subscriber) override {
    const auto item = ItemAs(subscriber, kSubscriberItemIid);
    CheckResult(subscribers_->RemoveCustomProperties(item.get()), subscribers_.get(),
                kSubscribersIid);
  }

 private:
  ComPtr<SubscribersInterface> subscribers_;
};

class Win32LocationItems final : public doh::LocationItems {
 public:
  explicit Win32LocationItems(ComPtr<LocationItemsInterface> items) : items_(std::move(items)) {}
  std::int32_t Count() override {
    LONG count = 0;
    CheckResult(items_->get_Count(&count), items_.get(), kLocationItemsIid);
    return count;
  }
  std::unique_ptr<doh::Enumeration> Walk() override {
    return WalkCollection(items_.get(), kLocationItemsIid, kLocationItemIid);
  }

 private:
  ComPtr<LocationItemsInterface> items_;
};

class Win32Locations final : public doh::Locations {
 public:
  explicit Win32Locations(ComPtr<LocationsInterface> locations)
      : locations_(std::move(locations)) {}
  std::int32_t Count() override {
    LONG count = 0;
    CheckResult(locations_->get_Count(&count), locations_.get(), kLocationsIid);
    return count;
  }
  std::unique_ptr<doh::LocationItems> Items() override {
    return std::make_unique<Win32LocationItems>(
        Fetch<LocationItemsInterface>(locations_.get(), kLocationsIid, kLocationItemsIid,
                                      [&](IDispatch** out) { return locations_->get_Items(out); }));
  }
  void Delete(doh::PropertyObject& location) override {
    const auto item = ItemAs(location, kLocationItemIid);
    CheckResult(locations_->Delete(item.get()), locations_.get(), kLocationsIid);
  }

 private:
  ComPtr<LocationsInterface> locations_;
};

class Win32SystemObject final : public doh::SystemObject {
 public:
  explicit Win32SystemObject(ComPtr<SystemObjectInterface> system) : system_(std::move(system)) {}
  std::unique_ptr<doh::PropertyObject> Properties() override {
    auto properties =
        Fetch<IDispatch>(system_.get(), kSystemObjectIid, IID_IDispatch,
                         [&](IDispatch** out) { return system_->get_Properties(out); });
    return std::make_unique<Win32PropertyObject>(std::move(properties), kPropertiesIid);
  }

 private:
  ComPtr<SystemObjectInterface> system_;
};

class Win32Directory final : public doh::Directory {
 public:
  explicit Win32Directory(ComPtr<DirectoryInterface> directory)
      : directory_(std::move(directory)) {}
  std::unique_ptr<doh::Locations> GetLocations() override {
    return std::make_unique<Win32Locations>(
        Fetch<LocationsInterface>(directory_.get(), kDirectoryIid, kLocationsIid,
                                  [&](IDispatch** out) { return directory_->get_Locations(out); }));
  }
  std::unique_ptr<doh::Subscribers> GetSubscribers() override {
    return std::make_unique<Win32Subscribers>(Fetch<SubscribersInterface>(
        directory_.get(), kDirectoryIid, kSubscribersIid,
        [&](IDispatch** out) { return directory_->get_Subscribers(out); }));
  }
  std::unique_ptr<doh::SystemObject> GetSystemObject() override {
    return std::make_unique<Win32SystemObject>(Fetch<SystemObjectInterface>(
        directory_.get(), kDirectoryIid, kSystemObjectIid,
        [&](IDispatch** out) { return directory_->get_SystemObject(out); }));
  }

 private:
  ComPtr<DirectoryInterface> directory_;
};

class Win32Doh final : public doh::Doh {
 public:
  explicit Win32Doh(ComPtr<DohInterface> doh) : doh_(std::move(doh)) {}
  std::unique_ptr<doh::Directory> GetDirectory() override {
    return std::make_unique<Win32Directory>(
        Fetch<DirectoryInterface>(doh_.get(), kDohIid, kDirectoryIid,
                                  [&](IDispatch** out) { return doh_->get_Directory(out); }));
  }
  void LogOn(std::int32_t mode) override {
    CheckResult(doh_->LogOn(static_cast<LONG>(mode)), doh_.get(), kDohIid);
  }

 private:
  ComPtr<DohInterface> doh_;
};

class Win32DohManager final : public doh::DohManager {
 public:
  explicit Win32DohManager(ComPtr<DohManagerInterface> manager) : manager_(std::move(manager)) {}
  std::unique_ptr<doh::Doh> GetDoh() override {
    return std::make_unique<Win32Doh>(
        Fetch<DohInterface>(manager_.get(), kDohManagerIid, kDohIid,
                            [&](IDispatch** out) { return manager_->get_Doh(out); }));
  }
  void Connect() override {
    CheckResult(manager_->Connect(nullptr), manager_.get(), kDohManagerIid);
  }

 private:
  ComPtr<DohManagerInterface> manager_;
};

}  // namespace

std::unique_ptr<doh::DohManager> Win32DirectoryObjects::CreateDohManager(std::wstring_view progid) {
  apartment_.Enter();
  const std::wstring name(progid);  // the parser wants a terminated text
  CLSID class_id{};
  if (FAILED(::CLSIDFromProgID(name.c_str(), &class_id))) Raise(VbError::kCantCreateObject);
  ComPtr<DohManagerInterface> manager;
  const HRESULT hr =
      ::CoCreateInstance(class_id, nullptr, CLSCTX_SERVER, kDohManagerIid, manager.ReceiveVoid());
  if (FAILED(hr) || !manager) Raise(VbError::kCantCreateObject);
  return std::make_unique<Win32DohManager>(std::move(manager));
}

}  // namespace platform::win32
