// The decorators of the plain facilities (registry, files, processes, services, boxes, system,
// locale, resources, file calls, internet) and the FaultyHost that puts them all together.
#include "platform/sim/fault_injection.h"

#include <optional>

namespace platform::sim {
namespace fault {

void RaiseComFailure() {
  Raise(kComFailure, L"Automation error");
}

void RaiseDatabaseFailure() {
  Raise(static_cast<std::int32_t>(0x80004005),
        L"General network error. Check your network documentation.");
}

}  // namespace fault

namespace {

// An open or create that fails hands back no key.
Status Denied(RegHandle& key) {
  key = 0;
  return win::kAccessDenied;
}

class FaultyRegistry : public Registry {
 public:
  FaultyRegistry(FaultPoint& plan, Registry& inner) : plan_(plan), inner_(inner) {}

  Status OpenKey(RegHandle root, std::string_view path, std::uint32_t access,
                 RegHandle& key) override {
    if (plan_.Fail("RegOpenKeyExA", std::wstring(path.begin(), path.end()))) return Denied(key);
    return inner_.OpenKey(root, path, access, key);
  }
  Status CreateKey(RegHandle root, std::string_view path, RegHandle& key) override {
    if (plan_.Fail("RegCreateKeyExA")) return Denied(key);
    return inner_.CreateKey(root, path, key);
  }
  // Closing a valid handle cannot fail.
  Status CloseKey(RegHandle key) override { return inner_.CloseKey(key); }
  Status QueryValue(RegHandle key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override {
    if (plan_.Fail("RegQueryValueExA", std::wstring(name.begin(), name.end())))
      return win::kFileNotFound;
    return inner_.QueryValue(key, name, type, data, size);
  }
  Status SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override {
    if (plan_.Fail("RegSetValueExA")) return win::kAccessDenied;
    return inner_.SetValue(key, name, type, data, size);
  }
  Status DeleteValue(RegHandle key, std::string_view name) override {
    if (plan_.Fail("RegDeleteValueA")) return win::kAccessDenied;
    return inner_.DeleteValue(key, name);
  }
  Status DeleteKey(RegHandle root, std::string_view path) override {
    if (plan_.Fail("RegDeleteKeyA", std::wstring(path.begin(), path.end())))
      return win::kAccessDenied;
    return inner_.DeleteKey(root, path);
  }
  Status EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t name_size) override {
    if (plan_.Fail("RegEnumKeyA")) return win::kAccessDenied;
    return inner_.EnumKey(key, index, name, name_size);
  }
  Status EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* name_length,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* data_size) override {
    if (plan_.Fail("RegEnumValueA")) return win::kAccessDenied;
    return inner_.EnumValue(key, index, name, name_length, type, data, data_size);
  }
  Status OpenKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                  RegHandle& key) override {
    if (plan_.Fail("RegOpenKeyExW", path)) return Denied(key);
    return inner_.OpenKeyW(root, path, access, key);
  }
  Status CreateKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                    RegHandle& key) override {
    if (plan_.Fail("RegCreateKeyExW")) return Denied(key);
    return inner_.CreateKeyW(root, path, access, key);
  }
  Status QueryValueW(RegHandle key, std::wstring_view name, std::uint32_t* type, std::uint8_t* data,
                     std::uint32_t* size) override {
    if (plan_.Fail("RegQueryValueExW", name)) return win::kFileNotFound;
    return inner_.QueryValueW(key, name, type, data, size);
  }
  Status SetValueW(RegHandle key, std::wstring_view name, std::uint32_t type,
                   const std::uint8_t* data, std::uint32_t size) override {
    if (plan_.Fail("RegSetValueExW")) return win::kAccessDenied;
    return inner_.SetValueW(key, name, type, data, size);
  }

 private:
  FaultPoint& plan_;
  Registry& inner_;
};

class FaultyTextFile : public TextFile {
 public:
  FaultyTextFile(FaultPoint& plan, std::unique_ptr<TextFile> inner, std::wstring_view path)
      : plan_(plan), inner_(std::move(inner)), path_(path) {}
  void WriteLine(std::wstring_view text) override {
    if (plan_.Fail("Print #", path_)) Raise(VbError::kDiskFull);
    inner_->WriteLine(text);
  }
  bool AtEnd() override { return inner_->AtEnd(); }
  std::wstring ReadLine() override {
    if (plan_.Fail("Line Input #", path_)) Raise(VbError::kInputPastEndOfFile);
    return inner_->ReadLine();
  }

 private:
  FaultPoint& plan_;
  std::unique_ptr<TextFile> inner_;
  std::wstring path_;
};

class FaultyFileSystem : public FileSystem {
 public:
  FaultyFileSystem(FaultPoint& plan, FileSystem& inner) : plan_(plan), inner_(inner) {}

  // The file-system object answers False when it cannot look.
  bool FileExists(std::wstring_view path) override {
    return !plan_.Fail("FileExists", path) && inner_.FileExists(path);
  }
  bool FolderExists(std::wstring_view path) override {
    return !plan_.Fail("FolderExists", path) && inner_.FolderExists(path);
  }
  void RemoveFile(std::wstring_view path, bool force) override {
    RaiseIf("DeleteFile", VbError::kPermissionDenied, path);
    inner_.RemoveFile(path, force);
  }
  void RemoveFolder(std::wstring_view path, bool force) override {
    RaiseIf("DeleteFolder", VbError::kPermissionDenied, path);
    inner_.RemoveFolder(path, force);
  }
  void Move(std::wstring_view from, std::wstring_view to) override {
    RaiseIf("MoveFile", VbError::kPermissionDenied, from);
    inner_.Move(from, to);
  }
  void Copy(std::wstring_view from, std::wstring_view to, bool overwrite) override {
    RaiseIf("CopyFile", VbError::kDiskFull, to);
    inner_.Copy(from, to, overwrite);
  }
  void MakeFolder(std::wstring_view path) override {
    RaiseIf("CreateFolder", VbError::kPermissionDenied, path);
    inner_.MakeFolder(path);
  }
  std::uint32_t Attributes(std::wstring_view path) override {
    RaiseIf("GetAttr", VbError::kFileNotFound, path);
    return inner_.Attributes(path);
  }
  void SetAttributes(std::wstring_view path, std::uint32_t attributes) override {
    RaiseIf("SetAttr", VbError::kPermissionDenied, path);
    inner_.SetAttributes(path, attributes);
  }
  // GetFileInformationByHandle fails as the open before it does: access denied.
  std::uint32_t LinkCount(std::wstring_view path) override {
    RaiseIf("LinkCount", VbError::kPermissionDenied, path);
    return inner_.LinkCount(path);
  }
  std::vector<std::wstring> ListFiles(std::wstring_view folder) override {
    RaiseIf("Folder.Files", VbError::kPermissionDenied, folder);
    return inner_.ListFiles(folder);
  }
  std::vector<std::wstring> ListFolders(std::wstring_view folder) override {
    RaiseIf("Folder.SubFolders", VbError::kPermissionDenied, folder);
    return inner_.ListFolders(folder);
  }
  std::unique_ptr<TextFile> OpenText(std::wstring_view path, OpenMode mode) override {
    RaiseIf("Open", mode == OpenMode::kInput ? VbError::kFileNotFound : VbError::kPermissionDenied,
            path);
    return std::make_unique<FaultyTextFile>(plan_, inner_.OpenText(path, mode), path);
  }
  std::string ReadBytes(std::wstring_view path) override {
    RaiseIf("Get", VbError::kPermissionDenied, path);
    return inner_.ReadBytes(path);
  }
  void WriteBytes(std::wstring_view path, std::string_view bytes) override {
    RaiseIf("Put", VbError::kDiskFull, path);
    inner_.WriteBytes(path, bytes);
  }
  // CreateFileW with security attributes fails as any create does: access denied.
  std::unique_ptr<TextFile> CreateText(std::wstring_view path, const AccessList& access) override {
    RaiseIf("CreateNew", VbError::kPermissionDenied, path);
    return std::make_unique<FaultyTextFile>(plan_, inner_.CreateText(path, access), path);
  }
  void CreateBytes(std::wstring_view path, std::string_view bytes,
                   const AccessList& access) override {
    RaiseIf("CreateNew", VbError::kPermissionDenied, path);
    inner_.CreateBytes(path, bytes, access);
  }
  AccessList ReadAccess(std::wstring_view path) override {
    RaiseIf("GetFileSecurity", VbError::kPermissionDenied, path);
    return inner_.ReadAccess(path);
  }

 private:
  void RaiseIf(const char* site, VbError error, std::wstring_view path) {
    if (plan_.Fail(site, path)) Raise(error);
  }

  FaultPoint& plan_;
  FileSystem& inner_;
};

class FaultyChild : public ChildProcess {
 public:
  FaultyChild(FaultPoint& plan, std::unique_ptr<ChildProcess> inner)
      : plan_(plan), inner_(std::move(inner)) {}
  std::uint32_t id() const override { return inner_->id(); }
  WaitResult Wait(std::uint32_t limit_ms) override {
    if (plan_.Fail("WaitForSingleObject")) return WaitResult::kFailed;
    return inner_->Wait(limit_ms);
  }

 private:
  FaultPoint& plan_;
  std::unique_ptr<ChildProcess> inner_;
};

class FaultyProcesses : public Processes {
 public:
  FaultyProcesses(FaultPoint& plan, Processes& inner) : plan_(plan), inner_(inner) {}

  std::unique_ptr<ChildProcess> Start(std::wstring_view command_line, int show_window) override {
    if (plan_.Fail("CreateProcess", command_line)) Raise(VbError::kFileNotFound);
    return Wrap(inner_.Start(command_line, show_window));
  }
  // The program's own context is always there.
  std::wstring ModulePath() override { return inner_.ModulePath(); }
  std::wstring CommandArgs() override { return inner_.CommandArgs(); }
  std::wstring CurrentDirectory() override { return inner_.CurrentDirectory(); }
  std::wstring CommandLine() override { return inner_.CommandLine(); }
  void ChangeDirectory(std::wstring_view path) override {
    if (plan_.Fail("ChDir", path)) Raise(VbError::kPathNotFound);
    inner_.ChangeDirectory(path);
  }
  std::optional<std::wstring> EnvironmentVariable(std::wstring_view name) override {
    if (plan_.Fail("GetEnvironmentVariableW")) return std::nullopt;
    return inner_.EnvironmentVariable(name);
  }
  std::unique_ptr<ChildProcess> StartImage(std::wstring_view application,
                                           std::wstring_view command_line, Status& error) override {
    if (plan_.Fail("CreateProcessW", command_line)) {
      error = win::kAccessDenied;
      return nullptr;
    }
    return Wrap(inner_.StartImage(application, command_line, error));
  }
  std::unique_ptr<NamedEvent> MakeNamedEvent(std::wstring_view name, bool signalled) override {
    if (plan_.Fail("CreateEventW")) return nullptr;
    return inner_.MakeNamedEvent(name, signalled);
  }
  std::unique_ptr<NamedMutex> MakeNamedMutex(std::wstring_view name,
                                             bool& already_existed) override {
    if (plan_.Fail("CreateMutexW")) return nullptr;
    return inner_.MakeNamedMutex(name, already_existed);
  }

 private:
  std::unique_ptr<ChildProcess> Wrap(std::unique_ptr<ChildProcess> child) {
    if (!child) return child;
    return std::make_unique<FaultyChild>(plan_, std::move(child));
  }

  FaultPoint& plan_;
  Processes& inner_;
};

class FaultyServices : public Services {
 public:
  FaultyServices(FaultPoint& plan, Services& inner) : plan_(plan), inner_(inner) {}

  ScHandle OpenManager(std::uint32_t access) override {
    if (plan_.Fail("OpenSCManagerA")) return error_.Failed(win::kAccessDenied, ScHandle{0});
    return error_.Passed(inner_.OpenManager(access));
  }
  ScHandle OpenServiceHandle(ScHandle manager, std::string_view name,
                             std::uint32_t access) override {
    if (plan_.Fail("OpenServiceA", std::wstring(name.begin(), name.end())))
      return error_.Failed(win::kAccessDenied, ScHandle{0});
    return error_.Passed(inner_.OpenServiceHandle(manager, name, access));
  }
  bool QueryStatus(ScHandle service, ServiceStatus& status) override {
    if (plan_.Fail("QueryServiceStatus")) return error_.Failed(win::kAccessDenied, false);
    return error_.Passed(inner_.QueryStatus(service, status));
  }
  bool CloseHandle(ScHandle handle) override { return inner_.CloseHandle(handle); }
  Status LastError() override { return error_.Or(inner_.LastError()); }
  ScHandle CreateServiceEntry(ScHandle manager, const ServiceConfig& config) override {
    if (plan_.Fail("CreateServiceW")) return error_.Failed(win::kAccessDenied, ScHandle{0});
    return error_.Passed(inner_.CreateServiceEntry(manager, config));
  }

 private:
  FaultPoint& plan_;
  Services& inner_;
  fault::LastErrorOverride error_;
};

class FaultyEventLog : public EventLog {
 public:
  FaultyEventLog(FaultPoint& plan, EventLog& inner) : plan_(plan), inner_(inner) {}
  bool Report(std::wstring_view source, std::uint16_t type, std::wstring_view text) override {
    if (plan_.Fail("ReportEventW", text)) return false;
    return inner_.Report(source, type, text);
  }

 private:
  FaultPoint& plan_;
  EventLog& inner_;
};

class FaultyBoxes : public MessageBoxes {
 public:
  FaultyBoxes(FaultPoint& plan, MessageBoxes& inner) : plan_(plan), inner_(inner) {}
  // MessageBox answers 0 when it cannot show the box (no desktop, out of memory).
  int Show(std::wstring_view text, std::wstring_view caption, std::uint32_t style) override {
    if (plan_.Fail("MessageBox")) return 0;
    return inner_.Show(text, caption, style);
  }

 private:
  FaultPoint& plan_;
  MessageBoxes& inner_;
};

class FaultySystemInfo : public SystemInfo {
 public:
  FaultySystemInfo(FaultPoint& plan, SystemInfo& inner) : plan_(plan), inner_(inner) {}

  bool Version(OsVersion& version) override {
    return !plan_.Fail("GetVersionExA") && inner_.Version(version);
  }
  Status WorkstationInfo(WorkstationRecord& record) override {
    if (plan_.Fail("NetWkstaGetInfo")) return win::kAccessDenied;
    return inner_.WorkstationInfo(record);
  }
  Status WorkstationUserInfo(WorkstationUserRecord& record) override {
    if (plan_.Fail("NetWkstaUserGetInfo")) return win::kAccessDenied;
    return inner_.WorkstationUserInfo(record);
  }
  // The folders and GetVersion are read from the process's own memory: they cannot fail.
  std::wstring WindowsFolder() override { return inner_.WindowsFolder(); }
  std::wstring SystemFolder() override { return inner_.SystemFolder(); }
  std::uint32_t VersionWord() override { return inner_.VersionWord(); }
  bool TokenGroupSids(std::vector<std::wstring>& sids) override {
    return !plan_.Fail("GetTokenInformation") && inner_.TokenGroupSids(sids);
  }

 private:
  FaultPoint& plan_;
  SystemInfo& inner_;
};

class FaultyLocale : public Locale {
 public:
  FaultyLocale(FaultPoint& plan, Locale& inner) : plan_(plan), inner_(inner) {}

  std::uint16_t UserDefaultLangId() override { return inner_.UserDefaultLangId(); }
  std::string LocaleInfo(std::uint32_t lcid, std::uint32_t lctype) override {
    if (plan_.Fail("GetLocaleInfoA")) return {};
    return inner_.LocaleInfo(lcid, lctype);
  }
  std::string LanguageName(std::uint32_t lang_id) override {
    if (plan_.Fail("VerLanguageNameA")) return {};
    return inner_.LanguageName(lang_id);
  }
  // The run time's own conversions: nothing outside the process is asked.
  std::wstring FormatGeneralDate(const LocalTime& time) override {
    return inner_.FormatGeneralDate(time);
  }
  std::string ToAnsi(std::wstring_view text) override { return inner_.ToAnsi(text); }
  std::wstring FromAnsi(std::string_view bytes) override { return inner_.FromAnsi(bytes); }
  bool EqualIgnoringCaseAndWidth(std::wstring_view a, std::wstring_view b) override {
    return !plan_.Fail("CompareStringW") && inner_.EqualIgnoringCaseAndWidth(a, b);
  }

 private:
  FaultPoint& plan_;
  Locale& inner_;
};

class FaultyResources : public Resources {
 public:
  FaultyResources(FaultPoint& plan, Resources& inner) : plan_(plan), inner_(inner) {}

  ModuleHandle LoadDataFile(std::wstring_view path) override {
    if (plan_.Fail("LoadLibraryExW")) return 0;
    return inner_.LoadDataFile(path);
  }
  void ReleaseModule(ModuleHandle module) override { inner_.ReleaseModule(module); }
  std::array<std::uint16_t, 4> FileVersion() override {
    if (plan_.Fail("GetFileVersionInfoW")) return {};
    return inner_.FileVersion();
  }
  std::optional<std::wstring> LoadText(ModuleHandle module, std::uint32_t id) override {
    if (plan_.Fail("LoadStringW")) return std::nullopt;
    return inner_.LoadText(module, id);
  }

 private:
  FaultPoint& plan_;
  Resources& inner_;
};

class FaultyFileCalls : public FileCalls {
 public:
  FaultyFileCalls(FaultPoint& plan, FileCalls& inner) : plan_(plan), inner_(inner) {}

  std::uint32_t GetAttributes(std::wstring_view path) override {
    if (plan_.Fail("GetFileAttributesW", path))
      return error_.Failed(win::kAccessDenied, kInvalidAttributes);
    return error_.Passed(inner_.GetAttributes(path));
  }
  bool PutAttributes(std::wstring_view path, std::uint32_t attributes) override {
    if (plan_.Fail("SetFileAttributesW", path)) return error_.Failed(win::kAccessDenied, false);
    return error_.Passed(inner_.PutAttributes(path, attributes));
  }
  bool CopyTo(std::wstring_view from, std::wstring_view to, bool fail_if_exists) override {
    if (plan_.Fail("CopyFileW", from)) return error_.Failed(fault::kDiskFull, false);
    return error_.Passed(inner_.CopyTo(from, to, fail_if_exists));
  }
  bool DeleteOne(std::wstring_view path) override {
    if (plan_.Fail("DeleteFileW", path)) return error_.Failed(win::kAccessDenied, false);
    return error_.Passed(inner_.DeleteOne(path));
  }
  bool MoveOne(std::wstring_view from, std::wstring_view to) override {
    if (plan_.Fail("MoveFileW", from)) return error_.Failed(win::kAccessDenied, false);
    return error_.Passed(inner_.MoveOne(from, to));
  }
  std::wstring LongPathName(std::wstring_view path) override {
    if (plan_.Fail("GetLongPathNameW", path))
      return error_.Failed(win::kAccessDenied, std::wstring());
    return error_.Passed(inner_.LongPathName(path));
  }
  Status LastError() override { return error_.Or(inner_.LastError()); }
  int CrtRemove(std::wstring_view path) override {
    if (plan_.Fail("_wremove", path)) return crt::kAccess;
    return inner_.CrtRemove(path);
  }
  int CrtRename(std::wstring_view from, std::wstring_view to) override {
    if (plan_.Fail("_wrename", from)) return crt::kAccess;
    return inner_.CrtRename(from, to);
  }

 private:
  FaultPoint& plan_;
  FileCalls& inner_;
  fault::LastErrorOverride error_;
};

class FaultyInternet : public Internet {
 public:
  FaultyInternet(FaultPoint& plan, Internet& inner) : plan_(plan), inner_(inner) {}

  InternetHandle Open(std::wstring_view agent, std::uint32_t access_type) override {
    if (plan_.Fail("InternetOpenW")) return 0;
    return inner_.Open(agent, access_type);
  }
  InternetHandle OpenUrl(InternetHandle root, std::wstring_view url) override {
    if (plan_.Fail("InternetOpenUrlW")) return 0;
    return inner_.OpenUrl(root, url);
  }
  bool Read(InternetHandle file, std::uint8_t* buffer, std::uint32_t size,
            std::uint32_t& read) override {
    if (plan_.Fail("InternetReadFile")) {
      read = 0;
      return false;
    }
    return inner_.Read(file, buffer, size, read);
  }
  bool Close(InternetHandle handle) override { return inner_.Close(handle); }
  // ShellExecuteW's failure is not reported to the program (the open is fire and forget).
  void ShellOpen(std::uintptr_t owner, std::wstring_view file, std::wstring_view directory,
                 int show) override {
    if (plan_.Fail("ShellExecuteW")) return;
    inner_.ShellOpen(owner, file, directory, show);
  }

 private:
  FaultPoint& plan_;
  Internet& inner_;
};

}  // namespace

struct FaultyHost::Facilities {
  Facilities(FaultPoint& plan, Host& inner)
      : registry(plan, inner.registry),
        files(plan, inner.files),
        processes(plan, inner.processes),
        services(plan, inner.services),
        boxes(plan, inner.boxes),
        system(plan, inner.system),
        locale(plan, inner.locale),
        resources(plan, inner.resources),
        file_calls(plan, inner.file_calls),
        internet(plan, inner.internet),
        events(plan, inner.events),
        database(FaultyDatabase(plan, inner.database)),
        com(FaultyComObjects(plan, inner.com)),
        iis(FaultyIisAdmin(plan, inner.iis)),
        libraries(FaultyLibraries(plan, inner.libraries)),
        directory(FaultyDirectoryObjects(plan, inner.directory)) {}

  FaultyRegistry registry;
  FaultyFileSystem files;
  FaultyProcesses processes;
  FaultyServices services;
  FaultyBoxes boxes;
  FaultySystemInfo system;
  FaultyLocale locale;
  FaultyResources resources;
  FaultyFileCalls file_calls;
  FaultyInternet internet;
  FaultyEventLog events;
  std::unique_ptr<Database> database;
  std::unique_ptr<ComObjects> com;
  std::unique_ptr<IisAdmin> iis;
  std::unique_ptr<Libraries> libraries;
  std::unique_ptr<doh::DirectoryObjects> directory;
};

// The clock and the debug trace pass through: sleeping and tracing cannot fail.
FaultyHost::FaultyHost(FaultPlan& plan, std::wstring program, Host& inner)
    : point_(plan, std::move(program)),
      facilities_(std::make_unique<Facilities>(point_, inner)),
      host_(std::make_unique<Host>(Host{
          facilities_->registry, facilities_->files, facilities_->processes, facilities_->services,
          inner.clock, facilities_->boxes, inner.trace, facilities_->system, facilities_->locale,
          facilities_->resources, *facilities_->database, *facilities_->com, *facilities_->iis,
          *facilities_->libraries, facilities_->file_calls, *facilities_->directory,
          facilities_->internet, facilities_->events})) {}

FaultyHost::~FaultyHost() = default;

}  // namespace platform::sim
