// The decorators of the facilities that hand out objects: database connections, recordsets and
// commands, the gateway, IIS objects, code libraries and the directory server's objects.
#include "platform/sim/fault_injection.h"

namespace platform::sim {
namespace {

// Every decorator keeps the plan and the object it stands in front of.
template <typename Interface>
class Decorator : public Interface {
 public:
  Decorator(FaultPoint& plan, std::unique_ptr<Interface> inner)
      : plan_(plan), owned_(std::move(inner)), inner_(owned_.get()) {}
  // A facility of the process, decorated without being owned.
  Decorator(FaultPoint& plan, Interface& facility) : plan_(plan), inner_(&facility) {}
  Interface& inner() { return *inner_; }

 protected:
  // Numbers the call; raises the failure when it is the chosen one.
  void RaiseDb(const char* site) {
    if (plan_.Fail(site)) fault::RaiseDatabaseFailure();
  }
  void RaiseCom(const char* site) {
    if (plan_.Fail(site)) fault::RaiseComFailure();
  }
  template <typename Wrapper, typename Object>
  std::unique_ptr<Object> Wrap(std::unique_ptr<Object> object) {
    if (!object) return object;
    return std::make_unique<Wrapper>(plan_, std::move(object));
  }

  FaultPoint& plan_;
  std::unique_ptr<Interface> owned_;
  Interface* inner_;
};

class FaultyRecordset : public Decorator<Recordset> {
 public:
  using Decorator::Decorator;
  bool IsOpen() override { return inner_->IsOpen(); }
  std::int32_t RecordCount() override {
    RaiseDb("Recordset.RecordCount");
    return inner_->RecordCount();
  }
  bool Eof() override { return inner_->Eof(); }
  void MoveFirst() override {
    RaiseDb("Recordset.MoveFirst");
    inner_->MoveFirst();
  }
  void MoveNext() override {
    RaiseDb("Recordset.MoveNext");
    inner_->MoveNext();
  }
  void Find(std::wstring_view criterion) override {
    RaiseDb("Recordset.Find");
    inner_->Find(criterion);
  }
  void Filter(std::wstring_view criterion) override {
    RaiseDb("Recordset.Filter");
    inner_->Filter(criterion);
  }
  DbValue Field(std::wstring_view name) override {
    RaiseDb("Recordset.Fields");
    return inner_->Field(name);
  }
  void Close() override { inner_->Close(); }
};

class FaultyConnection : public Decorator<Connection> {
 public:
  using Decorator::Decorator;
  void Execute(std::wstring_view command_text) override {
    if (plan_.Fail("Connection.Execute", command_text)) fault::RaiseDatabaseFailure();
    inner_->Execute(command_text);
  }
  void Close() override { inner_->Close(); }
};

class FaultyCommand : public Decorator<Command> {
 public:
  using Decorator::Decorator;
  void SetProcedure(std::wstring_view name) override { inner_->SetProcedure(name); }
  const std::vector<DbParameterInfo>& Parameters() override {
    RaiseDb("Parameters.Refresh");
    return inner_->Parameters();
  }
  void SetParameter(std::wstring_view name, const DbValue& value) override {
    RaiseDb("Parameter.Value");
    inner_->SetParameter(name, value);
  }
  void Execute() override {
    RaiseDb("Command.Execute");
    inner_->Execute();
  }
};

class FaultyDatabaseImpl : public Decorator<platform::Database> {
 public:
  using Decorator::Decorator;
  std::unique_ptr<Connection> Open(std::wstring_view connection_text, std::wstring_view user,
                                   std::wstring_view password) override {
    RaiseDb("Connection.Open");
    return Wrap<FaultyConnection>(inner_->Open(connection_text, user, password));
  }
  std::unique_ptr<Recordset> OpenRecordset(std::wstring_view query,
                                           std::wstring_view connection_text, int cursor_type,
                                           int lock_type, int cursor_location) override {
    RaiseDb("Recordset.Open");
    return Wrap<FaultyRecordset>(
        inner_->OpenRecordset(query, connection_text, cursor_type, lock_type, cursor_location));
  }
  std::unique_ptr<Command> NewCommand(std::wstring_view connection_text) override {
    RaiseDb("Command.ActiveConnection");
    return Wrap<FaultyCommand>(inner_->NewCommand(connection_text));
  }
};

class FaultyGateway : public Decorator<GatewayObject> {
 public:
  using Decorator::Decorator;
  std::int32_t LastStatus(std::uint32_t& status) override {
    if (plan_.Fail("Gateway.LastStatus")) return fault::kDisconnected;
    return inner_->LastStatus(status);
  }
  std::int32_t Shutdown() override {
    if (plan_.Fail("Gateway.Shutdown")) return fault::kDisconnected;
    return inner_->Shutdown();
  }
};

class FaultyCom : public Decorator<ComObjects> {
 public:
  using Decorator::Decorator;
  std::int32_t InitializeMultithreaded() override {
    if (plan_.Fail("CoInitializeEx")) return static_cast<std::int32_t>(0x8007000E);
    return inner_->InitializeMultithreaded();
  }
  void Uninitialize() override { inner_->Uninitialize(); }
  std::int32_t CreateGateway(std::wstring_view clsid, std::wstring_view iid,
                             std::unique_ptr<GatewayObject>& object) override {
    if (plan_.Fail("CoCreateInstance")) return object.reset(), fault::kAccessDeniedHr;
    const std::int32_t result = inner_->CreateGateway(clsid, iid, object);
    object = Wrap<FaultyGateway>(std::move(object));
    return result;
  }
  std::wstring NewGuidText() override { return inner_->NewGuidText(); }
};

class FaultyIisObject : public Decorator<IisObject> {
 public:
  using Decorator::Decorator;
  void Delete(std::wstring_view class_name, std::wstring_view name) override {
    RaiseCom("IADsContainer.Delete");
    inner_->Delete(class_name, name);
  }
  std::wstring Path() override {
    RaiseCom("IADs.Get Path");
    return inner_->Path();
  }
};

class FaultyIis : public Decorator<IisAdmin> {
 public:
  using Decorator::Decorator;
  std::unique_ptr<IisObject> Bind(std::wstring_view adsi_path) override {
    RaiseCom("GetObject");
    return Wrap<FaultyIisObject>(inner_->Bind(adsi_path));
  }
};

class FaultyLibrariesImpl : public Decorator<Libraries> {
 public:
  using Decorator::Decorator;
  ModuleHandle Load(std::wstring_view path) override {
    if (plan_.Fail("LoadLibraryW", path)) {
      return error_.Failed(fault::kModuleNotFound, ModuleHandle{0});
    }
    return error_.Passed(inner_->Load(path));
  }
  bool Free(ModuleHandle module) override { return inner_->Free(module); }
  ProcAddress Find(ModuleHandle module, std::string_view name) override {
    if (plan_.Fail("GetProcAddress")) return error_.Failed(fault::kProcNotFound, ProcAddress{0});
    return error_.Passed(inner_->Find(module, name));
  }
  Status LastError() override { return error_.Or(inner_->LastError()); }
  // A failing export answers its own failure code.
  std::int32_t CallRegisterServer(ProcAddress proc) override {
    if (plan_.Fail("DllRegisterServer")) return fault::kComFailure;
    return inner_->CallRegisterServer(proc);
  }
  std::int32_t CallProviderInstall(ProcAddress proc, std::uint32_t permanent_id) override {
    if (plan_.Fail("TUISPI_providerInstall")) return fault::kTapiFailed;
    return inner_->CallProviderInstall(proc, permanent_id);
  }
  std::int32_t CallGetProviderList(ProcAddress proc, std::uint32_t api_version,
                                   std::uint8_t* list) override {
    if (plan_.Fail("lineGetProviderListW")) return fault::kTapiFailed;
    return inner_->CallGetProviderList(proc, api_version, list);
  }
  std::int32_t CallRemoveProvider(ProcAddress proc, std::uint32_t permanent_id) override {
    if (plan_.Fail("lineRemoveProvider")) return fault::kTapiFailed;
    return inner_->CallRemoveProvider(proc, permanent_id);
  }
  std::int32_t CallAddProvider(ProcAddress proc, std::wstring_view file,
                               std::uint32_t& permanent_id) override {
    if (plan_.Fail("lineAddProviderW")) return fault::kTapiFailed;
    return inner_->CallAddProvider(proc, file, permanent_id);
  }
  std::optional<std::wstring> LoadText(ModuleHandle module, std::uint32_t id,
                                       std::uint32_t room) override {
    if (plan_.Fail("LoadStringW")) return std::nullopt;
    return inner_->LoadText(module, id, room);
  }
  std::optional<std::wstring> FormatModuleMessage(ModuleHandle module, std::uint32_t id,
                                                  std::uint32_t language) override {
    if (plan_.Fail("FormatMessageW")) return std::nullopt;
    return inner_->FormatModuleMessage(module, id, language);
  }

 private:
  fault::LastErrorOverride error_;
};

}  // namespace

namespace {
namespace doh_faults {

using namespace platform::doh;

class Property : public Decorator<PropertyObject> {
 public:
  using Decorator::Decorator;
  PropertyValue GetProperty(std::uint32_t tag) override {
    RaiseCom("GetProperty");
    return inner_->GetProperty(tag);
  }
};

// Objects handed back to the directory server go back as the server's own.
PropertyObject& Unwrapped(PropertyObject& object) {
  auto* decorated = dynamic_cast<Property*>(&object);
  return decorated != nullptr ? decorated->inner() : object;
}

class Items : public Decorator<Enumeration> {
 public:
  using Decorator::Decorator;
  std::unique_ptr<PropertyObject> Next() override {
    RaiseCom("IEnumVARIANT.Next");
    return Wrap<Property>(inner_->Next());
  }
};

class SubscriberSet : public Decorator<Subscribers> {
 public:
  using Decorator::Decorator;
  std::unique_ptr<Enumeration> Members() override {
    RaiseCom("Subscribers.Members");
    return Wrap<Items>(inner_->Members());
  }
  std::unique_ptr<Enumeration> Walk() override {
    RaiseCom("Subscribers._NewEnum");
    return Wrap<Items>(inner_->Walk());
  }
  void RemoveCustomProperties(PropertyObject& subscriber) override {
    RaiseCom("Subscriber.RemoveCustomProperties");
    inner_->RemoveCustomProperties(Unwrapped(subscriber));
  }
};

class LocationItemSet : public Decorator<LocationItems> {
 public:
  using Decorator::Decorator;
  std::int32_t Count() override {
    RaiseCom("LocationItems.Count");
    return inner_->Count();
  }
  std::unique_ptr<Enumeration> Walk() override {
    RaiseCom("LocationItems._NewEnum");
    return Wrap<Items>(inner_->Walk());
  }
};

class LocationSet : public Decorator<Locations> {
 public:
  using Decorator::Decorator;
  std::int32_t Count() override {
    RaiseCom("Locations.Count");
    return inner_->Count();
  }
  std::unique_ptr<LocationItems> Items() override {
    RaiseCom("Locations.Items");
    return Wrap<LocationItemSet>(inner_->Items());
  }
  void Delete(PropertyObject& location) override {
    RaiseCom("Locations.Delete");
    inner_->Delete(Unwrapped(location));
  }
};

class System : public Decorator<SystemObject> {
 public:
  using Decorator::Decorator;
  std::unique_ptr<PropertyObject> Properties() override {
    RaiseCom("SystemObject.Properties");
    return Wrap<Property>(inner_->Properties());
  }
};

class DirectoryView : public Decorator<Directory> {
 public:
  using Decorator::Decorator;
  std::unique_ptr<Locations> GetLocations() override {
    RaiseCom("Directory.Locations");
    return Wrap<LocationSet>(inner_->GetLocations());
  }
  std::unique_ptr<Subscribers> GetSubscribers() override {
    RaiseCom("Directory.Subscribers");
    return Wrap<SubscriberSet>(inner_->GetSubscribers());
  }
  std::unique_ptr<SystemObject> GetSystemObject() override {
    RaiseCom("Directory.SystemObject");
    return Wrap<System>(inner_->GetSystemObject());
  }
};

class Session : public Decorator<Doh> {
 public:
  using Decorator::Decorator;
  std::unique_ptr<Directory> GetDirectory() override {
    RaiseCom("Doh.Directory");
    return Wrap<DirectoryView>(inner_->GetDirectory());
  }
  void LogOn(std::int32_t mode) override {
    RaiseCom("Doh.LogOn");
    inner_->LogOn(mode);
  }
};

class Manager : public Decorator<DohManager> {
 public:
  using Decorator::Decorator;
  std::unique_ptr<Doh> GetDoh() override {
    RaiseCom("DohManager.Doh");
    return Wrap<Session>(inner_->GetDoh());
  }
  void Connect() override {
    RaiseCom("DohManager.Connect");
    inner_->Connect();
  }
};

class Objects : public Decorator<DirectoryObjects> {
 public:
  using Decorator::Decorator;
  std::unique_ptr<DohManager> CreateDohManager(std::wstring_view progid) override {
    if (plan_.Fail("CreateObject")) Raise(VbError::kCantCreateObject);
    return Wrap<Manager>(inner_->CreateDohManager(progid));
  }
};

}  // namespace doh_faults
}  // namespace

std::unique_ptr<Database> FaultyDatabase(FaultPoint& plan, Database& inner) {
  return std::make_unique<FaultyDatabaseImpl>(plan, inner);
}
std::unique_ptr<ComObjects> FaultyComObjects(FaultPoint& plan, ComObjects& inner) {
  return std::make_unique<FaultyCom>(plan, inner);
}
std::unique_ptr<IisAdmin> FaultyIisAdmin(FaultPoint& plan, IisAdmin& inner) {
  return std::make_unique<FaultyIis>(plan, inner);
}
std::unique_ptr<Libraries> FaultyLibraries(FaultPoint& plan, Libraries& inner) {
  return std::make_unique<FaultyLibrariesImpl>(plan, inner);
}
std::unique_ptr<doh::DirectoryObjects> FaultyDirectoryObjects(FaultPoint& plan,
                                                              doh::DirectoryObjects& inner) {
  return std::make_unique<doh_faults::Objects>(plan, inner);
}

}  // namespace platform::sim
