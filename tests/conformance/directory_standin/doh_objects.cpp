// The stand-in directory server's objects: each interface laid out as the server's dual
// interfaces are (IDispatch's seven entries, then the members in order), each member running
// the simulated directory's member of the same name. Slots between the members answer E_NOTIMPL
// and are recorded, so a caller one slot off shows in the record instead of silently working.
#include <oaidl.h>
#include <ole2.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/error.h"
#include "tests/conformance/directory_standin/standin.h"
#include "tests/e2e/programs/pellet/standin_record.h"

namespace directory_standin {

// Declared outside an unnamed namespace so the compiler keeps their vtables as written.
#define SLOT(role, n)           \
  STDMETHOD(Slot##n)(void*) {   \
    return Unexpected(role, n); \
  }

HRESULT Unexpected(const char* role, int slot) {
  Record(std::string("slot\t") + role + "\t" + std::to_string(slot));
  return E_NOTIMPL;
}

struct DohManagerInterface : public IDispatch {
  SLOT("DohManager", 1)
  STDMETHOD(get_Doh)(IDispatch** doh) = 0;  // 2
  SLOT("DohManager", 3)
  SLOT("DohManager", 4)
  SLOT("DohManager", 5)
  SLOT("DohManager", 6)
  SLOT("DohManager", 7)
  SLOT("DohManager", 8)
  STDMETHOD(Connect)(IDispatch* object) = 0;  // 9
};

struct DohInterface : public IDispatch {
  SLOT("Doh", 1)
  STDMETHOD(get_Directory)(IDispatch** directory) = 0;  // 2
  SLOT("Doh", 3)
  SLOT("Doh", 4)
  SLOT("Doh", 5)
  SLOT("Doh", 6)
  SLOT("Doh", 7)
  SLOT("Doh", 8)
  SLOT("Doh", 9)
  SLOT("Doh", 10)
  SLOT("Doh", 11)
  SLOT("Doh", 12)
  SLOT("Doh", 13)
  STDMETHOD(LogOn)(LONG mode) = 0;  // 14
};

struct DirectoryInterface : public IDispatch {
  SLOT("Directory", 1)
  SLOT("Directory", 2)
  SLOT("Directory", 3)
  SLOT("Directory", 4)
  SLOT("Directory", 5)
  SLOT("Directory", 6)
  SLOT("Directory", 7)
  SLOT("Directory", 8)
  SLOT("Directory", 9)
  SLOT("Directory", 10)
  SLOT("Directory", 11)
  SLOT("Directory", 12)
  SLOT("Directory", 13)
  SLOT("Directory", 14)
  SLOT("Directory", 15)
  STDMETHOD(get_Locations)(IDispatch** locations) = 0;      // 16
  STDMETHOD(get_Subscribers)(IDispatch** subscribers) = 0;  // 17
  SLOT("Directory", 18)
  SLOT("Directory", 19)
  SLOT("Directory", 20)
  SLOT("Directory", 21)
  SLOT("Directory", 22)
  SLOT("Directory", 23)
  STDMETHOD(get_SystemObject)(IDispatch** system_object) = 0;  // 24
};

struct SubscribersInterface : public IDispatch {
  SLOT("Subscribers", 1)
  SLOT("Subscribers", 2)
  SLOT("Subscribers", 3)
  STDMETHOD(get_Members)(IDispatch** members) = 0;  // 4
  SLOT("Subscribers", 5)
  SLOT("Subscribers", 6)
  SLOT("Subscribers", 7)
  STDMETHOD(RemoveCustomProperties)(IDispatch* subscriber) = 0;  // 8
};

// A subscriber's own interface: the one RemoveCustomProperties takes.
struct SubscriberItemInterface : public IDispatch {};

// What properties are read through: a subscriber's property interface, the location item.
struct PropertyInterface : public IDispatch {
  SLOT("Properties", 1)
  STDMETHOD(GetProperty)(LONG tag, VARIANT* value) = 0;  // 2
};

struct SystemObjectInterface : public IDispatch {
  SLOT("SystemObject", 1)
  STDMETHOD(get_Properties)(IDispatch** properties) = 0;  // 2
};

struct LocationsInterface : public IDispatch {
  SLOT("Locations", 1)
  SLOT("Locations", 2)
  STDMETHOD(get_Count)(LONG* count) = 0;        // 3
  STDMETHOD(get_Items)(IDispatch** items) = 0;  // 4
  SLOT("Locations", 5)
  SLOT("Locations", 6)
  SLOT("Locations", 7)
  SLOT("Locations", 8)
  STDMETHOD(Delete)(IDispatch* location) = 0;  // 9
};

struct LocationItemsInterface : public IDispatch {
  SLOT("Items", 1)
  SLOT("Items", 2)
  STDMETHOD(get_Count)(LONG* count) = 0;  // 3
};

#undef SLOT

namespace {

using platform::doh::PropertyObject;
using platform::doh::PropertyValue;

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
// Asked only by the stand-in itself, to find its own object behind a pointer it is handed; the
// answer carries no reference.
constexpr IID kStandInObjectIid = {
    0x5c1b2a0e, 0x3d47, 0x4e8a, {0x9b, 0x61, 0x27, 0x0f, 0x4d, 0x88, 0xa1, 0x53}};

// Runs one member on the simulated directory: recorded as "call <TAB> name [<TAB> argument]",
// an error it raises recorded as "refused <TAB> name <TAB> HRESULT" and returned.
HRESULT Run(const std::string& name, const std::string& argument,
            const std::function<void()>& body) {
  Record("call\t" + name + (argument.empty() ? "" : "\t" + argument));
  HRESULT result = S_OK;
  try {
    body();
  } catch (const platform::RuntimeError& error) {
    result = static_cast<HRESULT>(error.number());
    Record("refused\t" + name + "\t" + pellet_bench::Hex(static_cast<unsigned long>(result)));
  }
  RecordEffects();
  return result;
}

// Reference counting and IDispatch without a type library: no names, and only _NewEnum.
class Counted {
 public:
  Counted() { ++live_objects; }
  virtual ~Counted() { --live_objects; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

 protected:
  ULONG Add() { return ++references_; }
  ULONG Drop() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  // For each collection: the enumerator _NewEnum hands out.
  virtual HRESULT NewEnum(IUnknown** /*out*/) { return DISP_E_MEMBERNOTFOUND; }
  HRESULT DispatchCall(DISPID id, WORD flags, DISPPARAMS* parameters, VARIANT* result) {
    if (id != DISPID_NEWENUM) return DISP_E_MEMBERNOTFOUND;
    if (parameters != nullptr && parameters->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return DISP_E_MEMBERNOTFOUND;
    IUnknown* enumerator = nullptr;
    const HRESULT hr = NewEnum(&enumerator);
    if (FAILED(hr)) return hr;
    if (result == nullptr) {
      enumerator->Release();
      return S_OK;
    }
    ::VariantInit(result);
    result->vt = VT_UNKNOWN;
    result->punkVal = enumerator;
    return S_OK;
  }

 private:
  std::atomic<ULONG> references_{1};
};

#define STANDIN_IDISPATCH                                                                        \
  ULONG STDMETHODCALLTYPE AddRef() override {                                                    \
    return Add();                                                                                \
  }                                                                                              \
  ULONG STDMETHODCALLTYPE Release() override {                                                   \
    return Drop();                                                                               \
  }                                                                                              \
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {                             \
    if (count == nullptr) return E_POINTER;                                                      \
    *count = 0;                                                                                  \
    return S_OK;                                                                                 \
  }                                                                                              \
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {                 \
    if (info != nullptr) *info = nullptr;                                                        \
    return DISP_E_BADINDEX;                                                                      \
  }                                                                                              \
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override { \
    if (ids != nullptr) *ids = DISPID_UNKNOWN;                                                   \
    return DISP_E_UNKNOWNNAME;                                                                   \
  }                                                                                              \
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,      \
                                   VARIANT* result, EXCEPINFO*, UINT*) override {                \
    return DispatchCall(id, flags, params, result);                                              \
  }

// One interface besides IUnknown and IDispatch.
template <typename Interface>
class Single : public Interface, public Counted {
 public:
  explicit Single(const IID& iid) : iid_(iid) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, kStandInObjectIid)) {
      *out = static_cast<Counted*>(this);
      return S_OK;
    }
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
        !IsEqualIID(riid, iid_)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<Interface*>(this);
    Add();
    return S_OK;
  }
  STANDIN_IDISPATCH

 private:
  IID iid_;
};

template <typename T>
T* StandInObject(IUnknown* pointer) {
  if (pointer == nullptr) return nullptr;
  void* object = nullptr;
  if (FAILED(pointer->QueryInterface(kStandInObjectIid, &object)) || object == nullptr) {
    return nullptr;
  }
  return dynamic_cast<T*>(static_cast<Counted*>(object));
}

std::string TagText(LONG tag) {
  return pellet_bench::Hex(static_cast<unsigned long>(tag));
}

// A property value as the automation variant carries it: bytes as VT_ARRAY|VT_UI1.
void Fill(const PropertyValue& value, VARIANT* out) {
  ::VariantInit(out);
  if (const auto* number = std::get_if<std::int32_t>(&value)) {
    out->vt = VT_I4;
    out->lVal = *number;
  } else if (const auto* text = std::get_if<std::wstring>(&value)) {
    out->vt = VT_BSTR;
    out->bstrVal = ::SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
  } else if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes->size()));
    void* data = nullptr;
    if (array != nullptr && SUCCEEDED(::SafeArrayAccessData(array, &data))) {
      if (!bytes->empty()) std::memcpy(data, bytes->data(), bytes->size());
      ::SafeArrayUnaccessData(array);
    }
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = array;
  }
}

HRESULT ReadProperty(const char* role, PropertyObject& object, LONG tag, VARIANT* value) {
  if (value == nullptr) return E_POINTER;
  ::VariantInit(value);
  return Run(std::string(role) + ".GetProperty", TagText(tag),
             [&] { Fill(object.GetProperty(static_cast<std::uint32_t>(tag)), value); });
}

// The system object's properties: read through the subscriber's property interface, the only
// interface they answer besides IDispatch.
class SystemProperties final : public Single<PropertyInterface> {
 public:
  explicit SystemProperties(std::unique_ptr<PropertyObject> object)
      : Single(kPropertiesIid), object_(std::move(object)) {}
  HRESULT STDMETHODCALLTYPE GetProperty(LONG tag, VARIANT* value) override {
    return ReadProperty("SystemProperties", *object_, tag, value);
  }

 private:
  std::unique_ptr<PropertyObject> object_;
};

class LocationItem final : public Single<PropertyInterface> {
 public:
  explicit LocationItem(std::unique_ptr<PropertyObject> object)
      : Single(kLocationItemIid), object_(std::move(object)) {}
  HRESULT STDMETHODCALLTYPE GetProperty(LONG tag, VARIANT* value) override {
    return ReadProperty("Location", *object_, tag, value);
  }
  PropertyObject& object() { return *object_; }

 private:
  std::unique_ptr<PropertyObject> object_;
};

// A subscriber answers two interfaces at two addresses, so a member handed the wrong one can
// tell: its own (IDispatch's) and its property interface.
class SubscriberItem final : public SubscriberItemInterface,
                             public PropertyInterface,
                             public Counted {
 public:
  explicit SubscriberItem(std::unique_ptr<PropertyObject> object) : object_(std::move(object)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, kStandInObjectIid)) {
      *out = static_cast<Counted*>(this);
      return S_OK;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kSubscriberItemIid)) {
      *out = static_cast<SubscriberItemInterface*>(this);
    } else if (IsEqualIID(riid, kPropertiesIid)) {
      *out = static_cast<PropertyInterface*>(this);
    } else {
      return E_NOINTERFACE;
    }
    Add();
    return S_OK;
  }
  STANDIN_IDISPATCH
  HRESULT STDMETHODCALLTYPE GetProperty(LONG tag, VARIANT* value) override {
    return ReadProperty("Subscriber", *object_, tag, value);
  }
  PropertyObject& object() { return *object_; }
  bool IsItsOwnInterface(IDispatch* pointer) {
    return pointer == static_cast<SubscriberItemInterface*>(this);
  }

 private:
  std::unique_ptr<PropertyObject> object_;
};

enum class ItemKind { kSubscriber, kLocation };

class Enumerator final : public IEnumVARIANT, public Counted {
 public:
  Enumerator(std::string role, std::unique_ptr<platform::doh::Enumeration> walk, ItemKind kind)
      : role_(std::move(role)), walk_(std::move(walk)), kind_(kind) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IEnumVARIANT)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<IEnumVARIANT*>(this);
    Add();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
  ULONG STDMETHODCALLTYPE Release() override { return Drop(); }
  HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* items, ULONG* fetched) override {
    if (items == nullptr) return E_POINTER;
    ULONG got = 0;
    HRESULT result = S_OK;
    while (got < wanted) {
      std::unique_ptr<PropertyObject> item;
      const HRESULT hr = Run(role_ + ".Next", "", [&] { item = walk_->Next(); });
      if (FAILED(hr)) {
        result = hr;
        break;
      }
      if (!item) break;
      ::VariantInit(&items[got]);
      items[got].vt = VT_DISPATCH;
      if (kind_ == ItemKind::kSubscriber) {
        items[got].pdispVal =
            static_cast<SubscriberItemInterface*>(new SubscriberItem(std::move(item)));
      } else {
        items[got].pdispVal = static_cast<PropertyInterface*>(new LocationItem(std::move(item)));
      }
      ++got;
    }
    if (fetched != nullptr) *fetched = got;
    if (FAILED(result)) {
      for (ULONG i = 0; i < got; ++i) ::VariantClear(&items[i]);
      if (fetched != nullptr) *fetched = 0;
      return result;
    }
    return got == wanted ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return Unexpected("Enumerator.Skip", 0); }
  HRESULT STDMETHODCALLTYPE Reset() override { return Unexpected("Enumerator.Reset", 0); }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (out != nullptr) *out = nullptr;
    return Unexpected("Enumerator.Clone", 0);
  }

 private:
  std::string role_;
  std::unique_ptr<platform::doh::Enumeration> walk_;
  ItemKind kind_;
};

// Subscribers.Members: a collection that is only walked.
class Members final : public Single<IDispatch> {
 public:
  explicit Members(std::shared_ptr<platform::doh::Subscribers> subscribers)
      : Single(IID_IDispatch), subscribers_(std::move(subscribers)) {}

 protected:
  HRESULT NewEnum(IUnknown** out) override {
    std::unique_ptr<platform::doh::Enumeration> walk;
    const HRESULT hr = Run("Members._NewEnum", "", [&] { walk = subscribers_->Members(); });
    if (SUCCEEDED(hr)) *out = new Enumerator("Members", std::move(walk), ItemKind::kSubscriber);
    return hr;
  }

 private:
  std::shared_ptr<platform::doh::Subscribers> subscribers_;
};

class Subscribers final : public Single<SubscribersInterface> {
 public:
  explicit Subscribers(std::shared_ptr<platform::doh::Subscribers> subscribers)
      : Single(kSubscribersIid), subscribers_(std::move(subscribers)) {}
  HRESULT STDMETHODCALLTYPE get_Members(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Run("Subscribers.Members", "", [&] { *out = new Members(subscribers_); });
  }
  HRESULT STDMETHODCALLTYPE RemoveCustomProperties(IDispatch* subscriber) override {
    auto* item = StandInObject<SubscriberItem>(subscriber);
    const char* argument = item == nullptr                        ? "not a subscriber"
                           : !item->IsItsOwnInterface(subscriber) ? "not the subscriber interface"
                                                                  : "subscriber";
    return Run("Subscribers.RemoveCustomProperties", argument, [&] {
      if (item == nullptr || !item->IsItsOwnInterface(subscriber))
        platform::Raise(E_INVALIDARG, L"Automation error");
      HoldIfAsked();
      subscribers_->RemoveCustomProperties(item->object());
    });
  }

 protected:
  HRESULT NewEnum(IUnknown** out) override {
    std::unique_ptr<platform::doh::Enumeration> walk;
    const HRESULT hr = Run("Subscribers._NewEnum", "", [&] { walk = subscribers_->Walk(); });
    if (SUCCEEDED(hr)) {
      *out = new Enumerator("Subscribers", std::move(walk), ItemKind::kSubscriber);
    }
    return hr;
  }

 private:
  std::shared_ptr<platform::doh::Subscribers> subscribers_;
};

class LocationItems final : public Single<LocationItemsInterface> {
 public:
  explicit LocationItems(std::unique_ptr<platform::doh::LocationItems> items)
      : Single(kLocationItemsIid), items_(std::move(items)) {}
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    return Run("Items.Count", "", [&] { *count = items_->Count(); });
  }

 protected:
  HRESULT NewEnum(IUnknown** out) override {
    std::unique_ptr<platform::doh::Enumeration> walk;
    const HRESULT hr = Run("Items._NewEnum", "", [&] { walk = items_->Walk(); });
    if (SUCCEEDED(hr)) *out = new Enumerator("Items", std::move(walk), ItemKind::kLocation);
    return hr;
  }

 private:
  std::unique_ptr<platform::doh::LocationItems> items_;
};

class Locations final : public Single<LocationsInterface> {
 public:
  explicit Locations(std::unique_ptr<platform::doh::Locations> locations)
      : Single(kLocationsIid), locations_(std::move(locations)) {}
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    return Run("Locations.Count", "", [&] { *count = locations_->Count(); });
  }
  HRESULT STDMETHODCALLTYPE get_Items(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Run("Locations.Items", "", [&] { *out = new LocationItems(locations_->Items()); });
  }
  HRESULT STDMETHODCALLTYPE Delete(IDispatch* location) override {
    auto* item = StandInObject<LocationItem>(location);
    const bool own = item != nullptr && location == static_cast<PropertyInterface*>(item);
    return Run("Locations.Delete", own ? "location" : "not a location", [&] {
      if (!own) platform::Raise(E_INVALIDARG, L"Automation error");
      locations_->Delete(item->object());
    });
  }

 private:
  std::unique_ptr<platform::doh::Locations> locations_;
};

class SystemObject final : public Single<SystemObjectInterface> {
 public:
  explicit SystemObject(std::unique_ptr<platform::doh::SystemObject> system)
      : Single(kSystemObjectIid), system_(std::move(system)) {}
  HRESULT STDMETHODCALLTYPE get_Properties(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Run("SystemObject.Properties", "",
               [&] { *out = new SystemProperties(system_->Properties()); });
  }

 private:
  std::unique_ptr<platform::doh::SystemObject> system_;
};

class Directory final : public Single<DirectoryInterface> {
 public:
  explicit Directory(std::unique_ptr<platform::doh::Directory> directory)
      : Single(kDirectoryIid), directory_(std::move(directory)) {}
  HRESULT STDMETHODCALLTYPE get_Locations(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Run("Directory.Locations", "",
               [&] { *out = new Locations(directory_->GetLocations()); });
  }
  HRESULT STDMETHODCALLTYPE get_Subscribers(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Run("Directory.Subscribers", "", [&] {
      *out = new Subscribers(
          std::shared_ptr<platform::doh::Subscribers>(directory_->GetSubscribers()));
    });
  }
  HRESULT STDMETHODCALLTYPE get_SystemObject(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Run("Directory.SystemObject", "",
               [&] { *out = new SystemObject(directory_->GetSystemObject()); });
  }

 private:
  std::unique_ptr<platform::doh::Directory> directory_;
};

class Doh final : public Single<DohInterface> {
 public:
  explicit Doh(std::unique_ptr<platform::doh::Doh> doh) : Single(kDohIid), doh_(std::move(doh)) {}
  HRESULT STDMETHODCALLTYPE get_Directory(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Run("Doh.Directory", "", [&] { *out = new Directory(doh_->GetDirectory()); });
  }
  HRESULT STDMETHODCALLTYPE LogOn(LONG mode) override {
    return Run("Doh.LogOn", std::to_string(mode), [&] { doh_->LogOn(mode); });
  }

 private:
  std::unique_ptr<platform::doh::Doh> doh_;
};

class DohManager final : public Single<DohManagerInterface> {
 public:
  explicit DohManager(std::unique_ptr<platform::doh::DohManager> manager)
      : Single(kDohManagerIid), manager_(std::move(manager)) {}
  HRESULT STDMETHODCALLTYPE get_Doh(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Run("DohManager.Doh", "", [&] { *out = new Doh(manager_->GetDoh()); });
  }
  HRESULT STDMETHODCALLTYPE Connect(IDispatch* object) override {
    return Run("DohManager.Connect", object == nullptr ? "nothing" : "object",
               [&] { manager_->Connect(); });
  }

 private:
  std::unique_ptr<platform::doh::DohManager> manager_;
};

}  // namespace

IDispatch* NewManager(std::unique_ptr<platform::doh::DohManager> manager) {
  return static_cast<DohManagerInterface*>(new DohManager(std::move(manager)));
}

}  // namespace directory_standin
