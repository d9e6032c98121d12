// Every member of every facility, classified: a reading member passes to the machine (seeing
// the ledger's overlay), a changing member is recorded and, in kPassThrough only, made. Each
// decorator is final and implements every member, so a new member does not compile until it is
// placed here. Boxes, debug trace, system info, locale and resources pass through untouched, and
// so does the event log: like the report, it is how a program that shows nothing reports.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <variant>
#include <vector>

#include "platform/error.h"
#include "platform/preview/later.h"
#include "platform/preview/names.h"
#include "platform/preview/recorder.h"
#include "platform/preview/report_text.h"
#include "platform/preview/sync_tickets.h"
#include "platform/text.h"

namespace platform::preview {
namespace {

constexpr Status kFileExists = 80;  // ERROR_FILE_EXISTS

// ---------------------------------------------------------------------------------- registry
class RecordingRegistry final : public Registry, Recorder {
 public:
  RecordingRegistry(Ledger& ledger, Registry& inner) : Recorder(ledger), inner_(inner) {}

  // reading
  Status OpenKey(RegHandle root, std::string_view path, std::uint32_t access,
                 RegHandle& key) override {
    return Open(root, Wide(path), key, [&] { return inner_.OpenKey(root, path, access, key); });
  }
  Status OpenKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                  RegHandle& key) override {
    return Open(root, path, key, [&] { return inner_.OpenKeyW(root, path, access, key); });
  }
  Status CloseKey(RegHandle key) override {
    if (own_.erase(key) != 0) return win::kSuccess;
    paths_.erase(key);
    return inner_.CloseKey(key);
  }
  Status QueryValue(RegHandle key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override {
    if (Hidden(key, Wide(name))) return win::kFileNotFound;
    return inner_.QueryValue(key, name, type, data, size);
  }
  Status QueryValueW(RegHandle key, std::wstring_view name, std::uint32_t* type, std::uint8_t* data,
                     std::uint32_t* size) override {
    if (Hidden(key, name)) return win::kFileNotFound;
    return inner_.QueryValueW(key, name, type, data, size);
  }
  Status EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t name_size) override {
    if (own_.contains(key)) return win::kNoMoreItems;
    if (!ledger_.AnyKeyGone()) return inner_.EnumKey(key, index, name, name_size);
    std::uint32_t at = 0;
    if (const Status status = VisibleSubkey(key, index, at); status != win::kSuccess) return status;
    return inner_.EnumKey(key, at, name, name_size);
  }
  Status EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* name_length,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* data_size) override {
    if (own_.contains(key)) return win::kNoMoreItems;
    if (!ledger_.AnyValueGone(PathOf(key))) {
      return inner_.EnumValue(key, index, name, name_length, type, data, data_size);
    }
    std::uint32_t at = 0;
    if (const Status status = VisibleValue(key, index, at); status != win::kSuccess) return status;
    return inner_.EnumValue(key, at, name, name_length, type, data, data_size);
  }

  // reading when the key exists, else changing
  Status CreateKey(RegHandle root, std::string_view path, RegHandle& key) override {
    return Create(
        root, Wide(path), key, [&] { return inner_.OpenKey(root, path, reg::kAllAccess, key); },
        [&] { return inner_.CreateKey(root, path, key); });
  }
  Status CreateKeyW(RegHandle root, std::wstring_view path, std::uint32_t access,
                    RegHandle& key) override {
    return Create(
        root, path, key, [&] { return inner_.OpenKeyW(root, path, access, key); },
        [&] { return inner_.CreateKeyW(root, path, access, key); });
  }

  // changing
  Status SetValue(RegHandle key, std::string_view name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override {
    return Set(key, Wide(name), ValueText(type, data, size, false),
               [&] { return inner_.SetValue(key, name, type, data, size); });
  }
  Status SetValueW(RegHandle key, std::wstring_view name, std::uint32_t type,
                   const std::uint8_t* data, std::uint32_t size) override {
    return Set(key, std::wstring(name), ValueText(type, data, size, true),
               [&] { return inner_.SetValueW(key, name, type, data, size); });
  }
  Status DeleteValue(RegHandle key, std::string_view name) override {
    const std::wstring path = PathOf(key), wide = Wide(name);
    if (Hidden(key, wide)) return win::kFileNotFound;
    if (const Status status = ProbeValue(path, wide); status != win::kSuccess) return status;
    const Status status = ChangeStatus(Kind(Subject::kValueDeleted, path),
                                       Line(L"delete registry value", Join(path, wide)),
                                       [&] { return inner_.DeleteValue(key, name); });
    if (status == win::kSuccess) ledger_.RemoveValue(path, wide);
    return status;
  }
  Status DeleteKey(RegHandle root, std::string_view path) override {
    const std::wstring full = Join(PathOf(root), Wide(path));
    if (own_.contains(root) || ledger_.KeyGone(full)) return win::kFileNotFound;
    if (path.empty()) return ledger_.passes() ? inner_.DeleteKey(root, path) : win::kAccessDenied;
    RegHandle key = 0;
    if (const Status status = inner_.OpenKey(root, path, reg::kRead, key);
        status != win::kSuccess) {
      return status;
    }
    paths_[key] = full;
    std::uint32_t first = 0;
    const bool has_subkeys = VisibleSubkey(key, 0, first) == win::kSuccess;
    CloseKey(key);
    if (has_subkeys) return win::kAccessDenied;  // as RegDeleteKey on NT answers
    const Status status =
        ChangeStatus(Kind(Subject::kKeyDeleted, full), Line(L"delete registry key", full),
                     [&] { return inner_.DeleteKey(root, path); });
    if (status == win::kSuccess) ledger_.RemoveKey(full);
    return status;
  }

 private:
  std::wstring PathOf(RegHandle key) const {
    if (key == reg::kLocalMachine) return L"HKLM";
    if (key == reg::kCurrentUser) return L"HKCU";
    if (key == reg::kUsers) return L"HKU";
    if (const auto it = paths_.find(key); it != paths_.end()) return it->second;
    if (const auto it = own_.find(key); it != own_.end()) return it->second;
    return L"(key " + std::to_wstring(key) + L")";
  }
  // Whether the value is there, read through a key of our own: the caller's handle may have
  // been opened for writing only.
  Status ProbeValue(const std::wstring& full, std::wstring_view name) {
    static constexpr std::pair<std::wstring_view, RegHandle> kRoots[] = {
        {L"HKLM", reg::kLocalMachine}, {L"HKCU", reg::kCurrentUser}, {L"HKU", reg::kUsers}};
    const std::wstring_view root_name = std::wstring_view(full).substr(0, full.find(L'\\'));
    const auto root = std::find_if(std::begin(kRoots), std::end(kRoots),
                                   [&](const auto& known) { return known.first == root_name; });
    if (root == std::end(kRoots)) return win::kInvalidHandle;
    const std::wstring rest =
        root_name.size() < full.size() ? full.substr(root_name.size() + 1) : L"";
    RegHandle probe = 0;
    Status status = inner_.OpenKeyW(root->second, rest, reg::kRead, probe);
    if (status != win::kSuccess) return status;
    std::uint32_t size = 0;
    status = inner_.QueryValueW(probe, name, nullptr, nullptr, &size);
    inner_.CloseKey(probe);
    return status;
  }
  bool Hidden(RegHandle key, std::wstring_view name) const {
    return own_.contains(key) || ledger_.ValueGone(PathOf(key), name);
  }
  // The machine's index of the index-th subkey (value) the ledger has not removed.
  Status VisibleSubkey(RegHandle key, std::uint32_t index, std::uint32_t& at) {
    const std::wstring path = PathOf(key);
    for (std::uint32_t seen = 0;; ++at) {
      char found[256];
      const Status status = inner_.EnumKey(key, at, found, sizeof found);
      if (status != win::kSuccess) return status;
      if (!ledger_.KeyGone(Join(path, Wide(found))) && seen++ == index) return win::kSuccess;
    }
  }
  Status VisibleValue(RegHandle key, std::uint32_t index, std::uint32_t& at) {
    const std::wstring path = PathOf(key);
    std::vector<char> found(16384);
    for (std::uint32_t seen = 0;; ++at) {
      std::uint32_t length = static_cast<std::uint32_t>(found.size());
      const Status status =
          inner_.EnumValue(key, at, found.data(), &length, nullptr, nullptr, nullptr);
      if (status != win::kSuccess) return status;
      const std::wstring name = Wide(std::string_view(found.data(), length));
      if (!ledger_.ValueGone(path, name) && seen++ == index) return win::kSuccess;
    }
  }
  template <typename Call>
  Status Open(RegHandle root, std::wstring_view path, RegHandle& key, Call call) {
    const std::wstring full = Join(PathOf(root), path);
    if (own_.contains(root) || ledger_.KeyGone(full)) {
      key = 0;
      return win::kFileNotFound;
    }
    const Status status = call();
    if (status == win::kSuccess) paths_[key] = full;
    return status;
  }
  template <typename OpenCall, typename CreateCall>
  Status Create(RegHandle root, std::wstring_view path, RegHandle& key, OpenCall open,
                CreateCall create) {
    const std::wstring full = Join(PathOf(root), path);
    if (!own_.contains(root) && !ledger_.KeyGone(full)) {
      const Status status = open();
      if (status == win::kSuccess) paths_[key] = full;
      if (status != win::kFileNotFound) return status;
    }
    if (ledger_.passes()) {
      if (const Status status = create(); status != win::kSuccess) return status;
      paths_[key] = full;
      ledger_.RestoreKey(full);
    } else {
      key = kOwnHandleBase + next_own_++;  // its reads find nothing
      own_[key] = full;
    }
    ledger_.Record(L"registry keys created", Line(L"create registry key", full));
    return win::kSuccess;
  }
  template <typename Call>
  Status Set(RegHandle key, const std::wstring& name, const std::wstring& shown, Call call) {
    const std::wstring path = PathOf(key);
    const Status status =
        ChangeStatus(Kind(Subject::kValueSet, path),
                     Line(L"set registry value", Join(path, name.empty() ? L"(default)" : name)) +
                         L" = " + shown,
                     call);
    if (status == win::kSuccess && ledger_.passes()) ledger_.RestoreValue(path, name);
    return status;
  }

  Registry& inner_;
  std::map<RegHandle, std::wstring> paths_;  // the machine's keys open through here
  std::map<RegHandle, std::wstring> own_;    // keys that exist only in the record
  std::uint32_t next_own_ = 1;
};

// ------------------------------------------------------------------------------------- files
class DiscardingTextFile final : public TextFile {
 public:
  void WriteLine(std::wstring_view) override {}
  bool AtEnd() override { return true; }
  std::wstring ReadLine() override { Raise(VbError::kInputPastEndOfFile); }
};

class RecordingFiles final : public FileSystem, Recorder {
 public:
  RecordingFiles(Ledger& ledger, FileSystem& inner) : Recorder(ledger), inner_(inner) {}

  // reading
  bool FileExists(std::wstring_view path) override {
    return ledger_.Written(path) || (!ledger_.PathGone(path) && inner_.FileExists(path));
  }
  bool FolderExists(std::wstring_view path) override {
    return !ledger_.PathGone(path) && inner_.FolderExists(path);
  }
  std::uint32_t Attributes(std::wstring_view path) override {
    if (ledger_.PathGone(path)) Raise(VbError::kFileNotFound);
    if (ledger_.Written(path) && !inner_.FileExists(path)) return attr::kArchive;
    return inner_.Attributes(path);
  }
  // A file the run wrote in the record alone has the one name it was written under.
  std::uint32_t LinkCount(std::wstring_view path) override {
    if (ledger_.PathGone(path)) Raise(VbError::kFileNotFound);
    if (ledger_.Written(path) && !inner_.FileExists(path)) return 1;
    return inner_.LinkCount(path);
  }
  std::vector<std::wstring> ListFiles(std::wstring_view folder) override {
    return Visible(folder, [&] { return inner_.ListFiles(folder); });
  }
  std::vector<std::wstring> ListFolders(std::wstring_view folder) override {
    return Visible(folder, [&] { return inner_.ListFolders(folder); });
  }
  std::string ReadBytes(std::wstring_view path) override {
    if (ledger_.PathGone(path)) Raise(VbError::kFileNotFound);
    return inner_.ReadBytes(path);
  }
  // A file the run wrote in the record alone has the list it was created with.
  AccessList ReadAccess(std::wstring_view path) override {
    if (ledger_.PathGone(path)) Raise(VbError::kFileNotFound);
    if (const AccessList* created = ledger_.CreatedAccess(path)) return *created;
    return inner_.ReadAccess(path);
  }
  // reading for input, changing for output and append
  std::unique_ptr<TextFile> OpenText(std::wstring_view path, OpenMode mode) override {
    if (mode == OpenMode::kInput) {
      if (ledger_.PathGone(path)) Raise(VbError::kFileNotFound);
      return inner_.OpenText(path, mode);
    }
    std::unique_ptr<TextFile> file;
    ChangeOrRaise(L"files written", Line(L"write file", path),
                  [&] { file = inner_.OpenText(path, mode); });
    ledger_.AssumeWritten(path);
    if (!file) file = std::make_unique<DiscardingTextFile>();
    return file;
  }

  // changing
  void RemoveFile(std::wstring_view path, bool force) override {
    const std::wstring_view folder = Parent(path);
    const std::wstring_view pattern = path.substr(path.find_last_of(L'\\') + 1);
    std::vector<std::wstring> targets{std::wstring(path)};
    if (HasWildcard(pattern)) {
      if (!FolderExists(folder)) Raise(VbError::kPathNotFound);
      targets.clear();
      for (const std::wstring& name : ListFiles(folder)) {
        if (WildcardMatch(pattern, name)) targets.push_back(Join(folder, name));
      }
      if (targets.empty()) Raise(VbError::kFileNotFound);
    } else if (!FileExists(path)) {
      Raise(VbError::kFileNotFound);
    }
    for (const std::wstring& target : targets) {
      if (!force && (Attributes(target) & attr::kReadOnly) != 0) Raise(VbError::kPermissionDenied);
    }
    if (ledger_.passes()) inner_.RemoveFile(path, force);
    for (const std::wstring& target : targets) {
      ledger_.Record(Subject::kFileDeleted, target, Line(L"delete file", target));
      ledger_.RemovePath(target);
    }
  }
  void RemoveFolder(std::wstring_view path, bool force) override {
    if (!FolderExists(path)) Raise(VbError::kPathNotFound);
    ChangeOrRaise(Kind(Subject::kFolderDeleted, path), Line(L"delete folder", path),
                  [&] { inner_.RemoveFolder(path, force); });
    ledger_.RemovePath(path);
  }
  void Move(std::wstring_view from, std::wstring_view to) override {
    if (!FileExists(from) && !FolderExists(from)) Raise(VbError::kFileNotFound);
    if (FileExists(to) || FolderExists(to)) Raise(VbError::kFileAlreadyExists);
    ChangeOrRaise(L"files moved", Line(L"move", from) + L" -> " + std::wstring(to),
                  [&] { inner_.Move(from, to); });
    ledger_.RemovePath(from);
    ledger_.AssumeWritten(to);
  }
  void Copy(std::wstring_view from, std::wstring_view to, bool overwrite) override {
    if (!FileExists(from)) Raise(VbError::kFileNotFound);
    if (!overwrite && FileExists(to)) Raise(VbError::kFileAlreadyExists);
    ChangeOrRaise(L"files copied", Line(L"copy file", from) + L" -> " + std::wstring(to),
                  [&] { inner_.Copy(from, to, overwrite); });
    ledger_.AssumeWritten(to);
  }
  void MakeFolder(std::wstring_view path) override {
    if (FolderExists(path)) Raise(VbError::kFileAlreadyExists);
    ChangeOrRaise(L"folders created", Line(L"create folder", path),
                  [&] { inner_.MakeFolder(path); });
  }
  void SetAttributes(std::wstring_view path, std::uint32_t attributes) override {
    if (!FileExists(path) && !FolderExists(path)) Raise(VbError::kFileNotFound);
    ChangeOrRaise(L"attributes set",
                  Line(L"set attributes", path) + L" = " + std::to_wstring(attributes),
                  [&] { inner_.SetAttributes(path, attributes); });
  }
  void WriteBytes(std::wstring_view path, std::string_view bytes) override {
    ChangeOrRaise(L"files written", Line(L"write file", path),
                  [&] { inner_.WriteBytes(path, bytes); });
    ledger_.AssumeWritten(path);
  }
  // Creation refuses a name that is there, as the machine would, before anything is recorded.
  std::unique_ptr<TextFile> CreateText(std::wstring_view path, const AccessList& access) override {
    if (FileExists(path) || FolderExists(path)) Raise(VbError::kFileAlreadyExists);
    std::unique_ptr<TextFile> file;
    ChangeOrRaise(L"files written", Line(L"write file", path),
                  [&] { file = inner_.CreateText(path, access); });
    ledger_.AssumeCreated(path, access);
    if (!file) file = std::make_unique<DiscardingTextFile>();
    return file;
  }
  void CreateBytes(std::wstring_view path, std::string_view bytes,
                   const AccessList& access) override {
    if (FileExists(path) || FolderExists(path)) Raise(VbError::kFileAlreadyExists);
    ChangeOrRaise(L"files written", Line(L"write file", path),
                  [&] { inner_.CreateBytes(path, bytes, access); });
    ledger_.AssumeCreated(path, access);
  }

 private:
  template <typename List>
  std::vector<std::wstring> Visible(std::wstring_view folder, List list) {
    if (ledger_.PathGone(folder)) Raise(VbError::kPathNotFound);
    std::vector<std::wstring> names = list();
    std::erase_if(names,
                  [&](const std::wstring& name) { return ledger_.PathGone(Join(folder, name)); });
    return names;
  }

  FileSystem& inner_;
};

// -------------------------------------------------------------------------------- file calls
class RecordingFileCalls final : public FileCalls, Recorder {
 public:
  RecordingFileCalls(Ledger& ledger, FileCalls& inner) : Recorder(ledger), inner_(inner) {}

  // reading
  std::uint32_t GetAttributes(std::wstring_view path) override {
    if (ledger_.PathGone(path)) return error_.Failed(win::kFileNotFound, kInvalidAttributes);
    const std::uint32_t attributes = inner_.GetAttributes(path);
    if (attributes == kInvalidAttributes && ledger_.Written(path)) {
      return error_.Passed(attr::kArchive);
    }
    return error_.Passed(attributes);
  }
  std::wstring LongPathName(std::wstring_view path) override {
    if (ledger_.PathGone(path)) return error_.Failed(win::kFileNotFound, std::wstring());
    return error_.Passed(inner_.LongPathName(path));
  }
  Status LastError() override { return error_.Or(inner_.LastError()); }

  // changing
  bool PutAttributes(std::wstring_view path, std::uint32_t attributes) override {
    if (GetAttributes(path) == kInvalidAttributes) return false;
    return error_.Passed(ChangeBool(
        L"attributes set", Line(L"set attributes", path) + L" = " + std::to_wstring(attributes),
        [&] { return inner_.PutAttributes(path, attributes); }));
  }
  bool CopyTo(std::wstring_view from, std::wstring_view to, bool fail_if_exists) override {
    if (GetAttributes(from) == kInvalidAttributes) return false;
    if (fail_if_exists && GetAttributes(to) != kInvalidAttributes) {
      return error_.Failed(kFileExists, false);
    }
    return error_.Passed(Arrived(
        to, ChangeBool(L"files copied", Line(L"copy file", from) + L" -> " + std::wstring(to),
                       [&] { return inner_.CopyTo(from, to, fail_if_exists); })));
  }
  bool DeleteOne(std::wstring_view path) override {
    if (const Status refused = Removable(path); refused != win::kSuccess) {
      return error_.Failed(refused, false);
    }
    return error_.Passed(
        Removed(path, ChangeBool(Kind(Subject::kFileDeleted, path), Line(L"delete file", path),
                                 [&] { return inner_.DeleteOne(path); })));
  }
  bool MoveOne(std::wstring_view from, std::wstring_view to) override {
    if (GetAttributes(from) == kInvalidAttributes) return false;
    if (GetAttributes(to) != kInvalidAttributes) return error_.Failed(win::kAlreadyExists, false);
    return error_.Passed(Arrived(
        to,
        Removed(from, ChangeBool(L"files moved", Line(L"move", from) + L" -> " + std::wstring(to),
                                 [&] { return inner_.MoveOne(from, to); }))));
  }
  int CrtRemove(std::wstring_view path) override {
    if (const Status refused = Removable(path); refused != win::kSuccess) {
      return refused == win::kAccessDenied ? crt::kAccess : crt::kNoEntry;
    }
    const int result = ledger_.passes() ? inner_.CrtRemove(path) : 0;
    if (result == 0)
      Removed(path, ChangeBool(Kind(Subject::kFileDeleted, path), Line(L"delete file", path),
                               [] { return true; }));
    return result;
  }
  int CrtRename(std::wstring_view from, std::wstring_view to) override {
    if (GetAttributes(from) == kInvalidAttributes) return crt::kNoEntry;
    if (GetAttributes(to) != kInvalidAttributes) return crt::kExists;
    const int result = ledger_.passes() ? inner_.CrtRename(from, to) : 0;
    if (result == 0) {
      Arrived(to, Removed(from, ChangeBool(L"files moved",
                                           Line(L"move", from) + L" -> " + std::wstring(to),
                                           [] { return true; })));
    }
    return result;
  }

 private:
  // What DeleteFileW would refuse: a missing file, a read-only one.
  Status Removable(std::wstring_view path) {
    const std::uint32_t attributes = GetAttributes(path);
    if (attributes == kInvalidAttributes) return win::kFileNotFound;
    if ((attributes & (attr::kReadOnly | attr::kDirectory)) != 0) return win::kAccessDenied;
    return win::kSuccess;
  }
  bool Removed(std::wstring_view path, bool done) {
    if (done) ledger_.RemovePath(path);
    return done;
  }
  bool Arrived(std::wstring_view path, bool done) {
    if (done) ledger_.AssumeWritten(path);
    return done;
  }

  FileCalls& inner_;
  LastErrorOverride error_;
};

// -------------------------------------------------------------------------------- processes
// A child that exists only in the record: it has ended the moment it was started.
class RecordedChild final : public ChildProcess {
 public:
  explicit RecordedChild(std::uint32_t id) : id_(id) {}
  std::uint32_t id() const override { return id_; }
  WaitResult Wait(std::uint32_t) override { return WaitResult::kEnded; }

 private:
  std::uint32_t id_;
};

class RecordingProcesses final : public Processes, Recorder {
 public:
  RecordingProcesses(Ledger& ledger, Processes& inner) : Recorder(ledger), inner_(inner) {}

  // reading: the program's own context and process-local objects
  std::wstring ModulePath() override { return inner_.ModulePath(); }
  std::wstring CommandArgs() override { return inner_.CommandArgs(); }
  std::wstring CurrentDirectory() override { return inner_.CurrentDirectory(); }
  void ChangeDirectory(std::wstring_view path) override { inner_.ChangeDirectory(path); }
  std::wstring CommandLine() override { return inner_.CommandLine(); }
  std::optional<std::wstring> EnvironmentVariable(std::wstring_view name) override {
    return inner_.EnvironmentVariable(name);
  }
  std::unique_ptr<NamedEvent> MakeNamedEvent(std::wstring_view name, bool signalled) override {
    return inner_.MakeNamedEvent(name, signalled);
  }
  std::unique_ptr<NamedMutex> MakeNamedMutex(std::wstring_view name,
                                             bool& already_existed) override {
    return inner_.MakeNamedMutex(name, already_existed);
  }

  // changing, unless the start is allowed
  std::unique_ptr<ChildProcess> Start(std::wstring_view command_line, int show_window) override {
    if (ledger_.StartAllowed(command_line)) return inner_.Start(command_line, show_window);
    std::unique_ptr<ChildProcess> child =
        ledger_.passes() ? inner_.Start(command_line, show_window) : Recorded();
    RecordCommand(command_line);
    return child;
  }
  std::unique_ptr<ChildProcess> StartImage(std::wstring_view application,
                                           std::wstring_view command_line, Status& error) override {
    const std::wstring_view shown = command_line.empty() ? application : command_line;
    if (ledger_.StartAllowed(shown)) return inner_.StartImage(application, command_line, error);
    std::unique_ptr<ChildProcess> child;
    if (ledger_.passes()) {
      child = inner_.StartImage(application, command_line, error);
      if (!child) return child;
    } else {
      child = Recorded();
      error = win::kSuccess;
    }
    RecordCommand(shown);
    return child;
  }

 private:
  std::unique_ptr<ChildProcess> Recorded() {
    return std::make_unique<RecordedChild>(kOwnHandleBase + next_id_++);
  }
  void RecordCommand(std::wstring_view command_line) {
    ledger_.Record(Subject::kCommand, command_line, Line(L"run", command_line));
    ledger_.NoteCommand(command_line);
  }

  Processes& inner_;
  std::uint32_t next_id_ = 1;
};

// --------------------------------------------------------------------------------- services
class RecordingServices final : public Services, Recorder {
 public:
  RecordingServices(Ledger& ledger, Services& inner) : Recorder(ledger), inner_(inner) {}

  // reading
  ScHandle OpenManager(std::uint32_t access) override {
    return error_.Passed(inner_.OpenManager(access));
  }
  ScHandle OpenServiceHandle(ScHandle manager, std::string_view name,
                             std::uint32_t access) override {
    const std::wstring wide = Wide(name);
    if (ledger_.ServiceRemoved(wide)) return error_.Failed(win::kServiceDoesNotExist, ScHandle{0});
    const ScHandle handle = inner_.OpenServiceHandle(manager, name, access);
    if (handle != 0) names_[handle] = wide;
    return error_.Passed(handle);
  }
  bool QueryStatus(ScHandle service, ServiceStatus& status) override {
    if (own_.contains(service)) {
      status = ServiceStatus{};
      status.current_state = svc::kStopped;
      return error_.Passed(true);
    }
    const bool answered = inner_.QueryStatus(service, status);
    const auto name = names_.find(service);
    if (answered && name != names_.end() && ledger_.ServiceStopped(name->second)) {
      status.current_state = svc::kStopped;
    }
    return error_.Passed(answered);
  }
  bool CloseHandle(ScHandle handle) override {
    if (own_.erase(handle) != 0) return error_.Passed(true);
    names_.erase(handle);
    return error_.Passed(inner_.CloseHandle(handle));
  }
  Status LastError() override { return error_.Or(inner_.LastError()); }

  // changing
  ScHandle CreateServiceEntry(ScHandle manager, const ServiceConfig& config) override {
    ScHandle handle = 0;
    if (ledger_.passes()) {
      handle = inner_.CreateServiceEntry(manager, config);
      if (handle == 0) return error_.Passed(handle);
      names_[handle] = config.name;
    } else {
      handle = kOwnHandleBase + next_own_++;
      own_.insert(handle);
    }
    ledger_.Record(L"services created",
                   Line(L"create service", config.name) + L" (" + config.image_path + L")");
    return error_.Passed(handle);
  }

 private:
  Services& inner_;
  std::map<ScHandle, std::wstring> names_;
  std::set<ScHandle> own_;
  std::uint32_t next_own_ = 1;
  LastErrorOverride error_;
};

// ------------------------------------------------------------------------------------ clock
// In kPreview waiting takes no time; the time read moves on by what was skipped, so polls
// bounded by the clock still end. In kPassThrough the clock is the machine's.
class RecordingClock final : public Clock, Recorder {
 public:
  RecordingClock(Ledger& ledger, Clock& inner) : Recorder(ledger), inner_(inner) {}

  LocalTime Now() override { return Later(inner_.Now(), skipped_ms_); }
  float SecondsSinceMidnight() override {
    const double seconds = inner_.SecondsSinceMidnight() + static_cast<double>(skipped_ms_) / 1000;
    return static_cast<float>(std::fmod(seconds, 86400.0));
  }
  std::uint32_t TickCount() override {
    return inner_.TickCount() + static_cast<std::uint32_t>(skipped_ms_);
  }
  void Sleep(std::uint32_t ms) override {
    Skip(ms, [&] { inner_.Sleep(ms); });
  }
  // The message loop still runs (a window must answer); a pass counts as a millisecond.
  void PumpMessages() override {
    inner_.PumpMessages();
    if (!ledger_.passes()) ++skipped_ms_;
  }
  void WaitForMessages(std::uint32_t ms) override {
    Skip(ms, [&] { inner_.WaitForMessages(ms); });
  }

 private:
  template <typename Wait>
  void Skip(std::uint32_t ms, Wait wait) {
    if (ledger_.passes()) {
      wait();
    } else {
      skipped_ms_ += ms;
    }
  }

  Clock& inner_;
  std::uint64_t skipped_ms_ = 0;
};

// --------------------------------------------------------------------------------- database
// Recordsets only read: they are handed out as the machine makes them.
class RecordingConnection final : public Connection, Recorder {
 public:
  RecordingConnection(Ledger& ledger, std::unique_ptr<Connection> inner)
      : Recorder(ledger), inner_(std::move(inner)) {}
  void Execute(std::wstring_view command_text) override {  // changing
    ChangeOrRaise(Kind(Subject::kSql, command_text), Line(L"execute SQL", command_text),
                  [&] { inner_->Execute(command_text); });
  }
  void Close() override { inner_->Close(); }

 private:
  std::unique_ptr<Connection> inner_;
};

class RecordingCommand final : public Command, Recorder {
 public:
  RecordingCommand(Ledger& ledger, SyncTickets& tickets, std::unique_ptr<Command> inner)
      : Recorder(ledger), tickets_(tickets), inner_(std::move(inner)) {}
  // reading: setting up the call
  void SetProcedure(std::wstring_view name) override {
    inner_->SetProcedure(name);
    procedure_ = name;
    set_.clear();
    ticket_.clear();
  }
  const std::vector<DbParameterInfo>& Parameters() override { return inner_->Parameters(); }
  void SetParameter(std::wstring_view name, const DbValue& value) override {
    inner_->SetParameter(name, value);
    set_.emplace_back(std::wstring(name), ShownValue(value));
    const auto* text = std::get_if<std::wstring>(&value);
    if (text && Upcase(name) == Upcase(kTicketParameter)) ticket_ = *text;
  }
  // changing; in a preview a ticket it hands on is answered as a synchronisation that succeeded
  void Execute() override {
    ChangeOrRaise(Kind(Subject::kProcedure, procedure_),
                  Line(L"call procedure", ProcedureCall(procedure_, set_)),
                  [&] { inner_->Execute(); });
    if (!ledger_.passes() && !ticket_.empty()) tickets_.Handed(ticket_);
  }

 private:
  SyncTickets& tickets_;
  std::unique_ptr<Command> inner_;
  std::wstring procedure_;
  std::vector<std::pair<std::wstring, std::wstring>> set_;  // name, value as shown
  std::wstring ticket_;
};

class RecordingDatabase final : public Database, Recorder {
 public:
  RecordingDatabase(Ledger& ledger, Database& inner) : Recorder(ledger), inner_(inner) {}
  std::unique_ptr<Connection> Open(std::wstring_view connection_text, std::wstring_view user,
                                   std::wstring_view password) override {
    return Wrap<RecordingConnection>(inner_.Open(connection_text, user, password));
  }
  std::unique_ptr<Recordset> OpenRecordset(std::wstring_view query,
                                           std::wstring_view connection_text, int cursor_type,
                                           int lock_type, int cursor_location) override {
    if (auto answered = tickets_.Answer(query)) return answered;
    return inner_.OpenRecordset(query, connection_text, cursor_type, lock_type, cursor_location);
  }
  std::unique_ptr<Command> NewCommand(std::wstring_view connection_text) override {
    auto inner = inner_.NewCommand(connection_text);
    if (!inner) return inner;
    return std::make_unique<RecordingCommand>(ledger_, tickets_, std::move(inner));
  }

 private:
  template <typename Wrapper, typename Object>
  std::unique_ptr<Object> Wrap(std::unique_ptr<Object> object) {
    if (!object) return object;
    return std::make_unique<Wrapper>(ledger_, std::move(object));
  }
  Database& inner_;
  SyncTickets tickets_;
};

// -------------------------------------------------------------------------------------- COM
class RecordingGateway final : public GatewayObject, Recorder {
 public:
  RecordingGateway(Ledger& ledger, std::unique_ptr<GatewayObject> inner)
      : Recorder(ledger), inner_(std::move(inner)) {}
  std::int32_t LastStatus(std::uint32_t& status) override { return inner_->LastStatus(status); }
  std::int32_t Shutdown() override {  // changing
    return ChangeCode(L"product shut down", Line(L"shut down", L"the product, through its gateway"),
                      [&] { return inner_->Shutdown(); });
  }

 private:
  std::unique_ptr<GatewayObject> inner_;
};

class RecordingCom final : public ComObjects, Recorder {
 public:
  RecordingCom(Ledger& ledger, ComObjects& inner) : Recorder(ledger), inner_(inner) {}
  std::int32_t InitializeMultithreaded() override { return inner_.InitializeMultithreaded(); }
  void Uninitialize() override { inner_.Uninitialize(); }
  std::int32_t CreateGateway(std::wstring_view clsid, std::wstring_view iid,
                             std::unique_ptr<GatewayObject>& object) override {
    const std::int32_t result = inner_.CreateGateway(clsid, iid, object);
    if (object) object = std::make_unique<RecordingGateway>(ledger_, std::move(object));
    return result;
  }
  std::wstring NewGuidText() override { return inner_.NewGuidText(); }

 private:
  ComObjects& inner_;
};

// -------------------------------------------------------------------------------------- IIS
class RecordingIisObject final : public IisObject, Recorder {
 public:
  RecordingIisObject(Ledger& ledger, std::unique_ptr<IisObject> inner, std::wstring_view bound)
      : Recorder(ledger), inner_(std::move(inner)), bound_(bound) {}
  void Delete(std::wstring_view class_name, std::wstring_view name) override {  // changing
    ChangeOrRaise(L"IIS objects",
                  Line(L"delete IIS object", bound_) + L" " + std::wstring(class_name) + L" " +
                      std::wstring(name),
                  [&] { inner_->Delete(class_name, name); });
  }
  std::wstring Path() override { return inner_->Path(); }

 private:
  std::unique_ptr<IisObject> inner_;
  std::wstring bound_;
};

class RecordingIis final : public IisAdmin, Recorder {
 public:
  RecordingIis(Ledger& ledger, IisAdmin& inner) : Recorder(ledger), inner_(inner) {}
  std::unique_ptr<IisObject> Bind(std::wstring_view adsi_path) override {
    std::unique_ptr<IisObject> object = inner_.Bind(adsi_path);
    if (!object) return object;
    return std::make_unique<RecordingIisObject>(ledger_, std::move(object), adsi_path);
  }

 private:
  IisAdmin& inner_;
};

// -------------------------------------------------------------------------------- libraries
class RecordingLibraries final : public Libraries, Recorder {
 public:
  RecordingLibraries(Ledger& ledger, Libraries& inner) : Recorder(ledger), inner_(inner) {}

  // reading
  ModuleHandle Load(std::wstring_view path) override {
    const ModuleHandle module = inner_.Load(path);
    if (module != 0) modules_[module] = path;
    return module;
  }
  bool Free(ModuleHandle module) override { return inner_.Free(module); }
  ProcAddress Find(ModuleHandle module, std::string_view name) override {
    const ProcAddress proc = inner_.Find(module, name);
    if (proc != 0) procs_[proc] = modules_[module];
    return proc;
  }
  Status LastError() override { return inner_.LastError(); }
  std::int32_t CallGetProviderList(ProcAddress proc, std::uint32_t api_version,
                                   std::uint8_t* list) override {
    return inner_.CallGetProviderList(proc, api_version, list);
  }
  std::optional<std::wstring> LoadText(ModuleHandle module, std::uint32_t id,
                                       std::uint32_t room) override {
    return inner_.LoadText(module, id, room);
  }
  std::optional<std::wstring> FormatModuleMessage(ModuleHandle module, std::uint32_t id,
                                                  std::uint32_t language) override {
    return inner_.FormatModuleMessage(module, id, language);
  }

  // changing
  std::int32_t CallRegisterServer(ProcAddress proc) override {
    return ChangeCode(L"COM libraries registered", Line(L"register COM library", procs_[proc]),
                      [&] { return inner_.CallRegisterServer(proc); });
  }
  std::int32_t CallProviderInstall(ProcAddress proc, std::uint32_t permanent_id) override {
    return ChangeCode(L"telephony providers installed",
                      Line(L"install telephony provider", procs_[proc]) + L" (" +
                          std::to_wstring(permanent_id) + L")",
                      [&] { return inner_.CallProviderInstall(proc, permanent_id); });
  }
  std::int32_t CallRemoveProvider(ProcAddress proc, std::uint32_t permanent_id) override {
    return ChangeCode(L"telephony providers removed",
                      Line(L"remove telephony provider", std::to_wstring(permanent_id)),
                      [&] { return inner_.CallRemoveProvider(proc, permanent_id); });
  }
  std::int32_t CallAddProvider(ProcAddress proc, std::wstring_view file,
                               std::uint32_t& permanent_id) override {
    if (!ledger_.passes()) permanent_id = kOwnHandleBase + next_id_++;
    return ChangeCode(L"telephony providers added", Line(L"add telephony provider", file),
                      [&] { return inner_.CallAddProvider(proc, file, permanent_id); });
  }

 private:
  Libraries& inner_;
  std::map<ModuleHandle, std::wstring> modules_;  // the path each library was loaded by
  std::map<ProcAddress, std::wstring> procs_;     // the library each export lives in
  std::uint32_t next_id_ = 1;
};

// --------------------------------------------------------------------------------- internet
class RecordingInternet final : public Internet, Recorder {
 public:
  RecordingInternet(Ledger& ledger, Internet& inner) : Recorder(ledger), inner_(inner) {}
  // reading: the GET
  InternetHandle Open(std::wstring_view agent, std::uint32_t access_type) override {
    return inner_.Open(agent, access_type);
  }
  InternetHandle OpenUrl(InternetHandle root, std::wstring_view url) override {
    return inner_.OpenUrl(root, url);
  }
  bool Read(InternetHandle file, std::uint8_t* buffer, std::uint32_t size,
            std::uint32_t& read) override {
    return inner_.Read(file, buffer, size, read);
  }
  bool Close(InternetHandle handle) override { return inner_.Close(handle); }
  // changing
  void ShellOpen(std::uintptr_t owner, std::wstring_view file, std::wstring_view directory,
                 int show) override {
    ChangeOrRaise(L"documents opened", Line(L"open", file),
                  [&] { inner_.ShellOpen(owner, file, directory, show); });
  }

 private:
  Internet& inner_;
};

// ------------------------------------------------------------------------ directory objects
// Subscribers and locations walked are handed out as they are (they only read); the two
// removals are recorded, naming the object by its alias or, without one, by its position.
struct DirectoryCounts {
  int subscribers = 0, locations = 0;
};

class RecordingSubscribers final : public doh::Subscribers, Recorder {
 public:
  RecordingSubscribers(Ledger& ledger, std::unique_ptr<doh::Subscribers> inner,
                       DirectoryCounts& counts)
      : Recorder(ledger), inner_(std::move(inner)), counts_(counts) {}
  std::unique_ptr<doh::Enumeration> Members() override { return inner_->Members(); }
  std::unique_ptr<doh::Enumeration> Walk() override { return inner_->Walk(); }
  void RemoveCustomProperties(doh::PropertyObject& subscriber) override {  // changing
    ChangeOrRaise(L"directory data removed",
                  Line(L"remove directory data",
                       L"subscriber " + DirectoryName(subscriber, ++counts_.subscribers)),
                  [&] { inner_->RemoveCustomProperties(subscriber); });
  }

 private:
  std::unique_ptr<doh::Subscribers> inner_;
  DirectoryCounts& counts_;
};

class RecordingLocations final : public doh::Locations, Recorder {
 public:
  RecordingLocations(Ledger& ledger, std::unique_ptr<doh::Locations> inner, DirectoryCounts& counts)
      : Recorder(ledger), inner_(std::move(inner)), counts_(counts) {}
  std::int32_t Count() override { return inner_->Count(); }
  std::unique_ptr<doh::LocationItems> Items() override { return inner_->Items(); }
  void Delete(doh::PropertyObject& location) override {  // changing
    ChangeOrRaise(
        L"directory data removed",
        Line(L"remove directory data", L"location " + DirectoryName(location, ++counts_.locations)),
        [&] { inner_->Delete(location); });
  }

 private:
  std::unique_ptr<doh::Locations> inner_;
  DirectoryCounts& counts_;
};

class RecordingDirectory final : public doh::Directory, Recorder {
 public:
  RecordingDirectory(Ledger& ledger, std::unique_ptr<doh::Directory> inner, DirectoryCounts& counts)
      : Recorder(ledger), inner_(std::move(inner)), counts_(counts) {}
  std::unique_ptr<doh::Locations> GetLocations() override {
    return std::make_unique<RecordingLocations>(ledger_, inner_->GetLocations(), counts_);
  }
  std::unique_ptr<doh::Subscribers> GetSubscribers() override {
    return std::make_unique<RecordingSubscribers>(ledger_, inner_->GetSubscribers(), counts_);
  }
  std::unique_ptr<doh::SystemObject> GetSystemObject() override {
    return inner_->GetSystemObject();
  }

 private:
  std::unique_ptr<doh::Directory> inner_;
  DirectoryCounts& counts_;
};

class RecordingDoh final : public doh::Doh, Recorder {
 public:
  RecordingDoh(Ledger& ledger, std::unique_ptr<doh::Doh> inner, DirectoryCounts& counts)
      : Recorder(ledger), inner_(std::move(inner)), counts_(counts) {}
  std::unique_ptr<doh::Directory> GetDirectory() override {
    return std::make_unique<RecordingDirectory>(ledger_, inner_->GetDirectory(), counts_);
  }
  void LogOn(std::int32_t mode) override { inner_->LogOn(mode); }

 private:
  std::unique_ptr<doh::Doh> inner_;
  DirectoryCounts& counts_;
};

class RecordingDohManager final : public doh::DohManager, Recorder {
 public:
  RecordingDohManager(Ledger& ledger, std::unique_ptr<doh::DohManager> inner,
                      DirectoryCounts& counts)
      : Recorder(ledger), inner_(std::move(inner)), counts_(counts) {}
  std::unique_ptr<doh::Doh> GetDoh() override {
    return std::make_unique<RecordingDoh>(ledger_, inner_->GetDoh(), counts_);
  }
  void Connect() override { inner_->Connect(); }

 private:
  std::unique_ptr<doh::DohManager> inner_;
  DirectoryCounts& counts_;
};

class RecordingDirectoryObjects final : public doh::DirectoryObjects, Recorder {
 public:
  RecordingDirectoryObjects(Ledger& ledger, doh::DirectoryObjects& inner)
      : Recorder(ledger), inner_(inner) {}
  std::unique_ptr<doh::DohManager> CreateDohManager(std::wstring_view progid) override {
    return std::make_unique<RecordingDohManager>(ledger_, inner_.CreateDohManager(progid), counts_);
  }

 private:
  doh::DirectoryObjects& inner_;
  DirectoryCounts counts_;
};

}  // namespace

// ------------------------------------------------------------------------- the host as a whole
struct Facilities {
  Facilities(Ledger& ledger, Host& machine)
      : registry(ledger, machine.registry),
        files(ledger, machine.files),
        processes(ledger, machine.processes),
        services(ledger, machine.services),
        clock(ledger, machine.clock),
        database(ledger, machine.database),
        com(ledger, machine.com),
        iis(ledger, machine.iis),
        libraries(ledger, machine.libraries),
        file_calls(ledger, machine.file_calls),
        directory(ledger, machine.directory),
        internet(ledger, machine.internet) {}

  Host Assemble(Host& machine) {
    return Host{
        registry,      files,          processes,      services,          clock,    machine.boxes,
        machine.trace, machine.system, machine.locale, machine.resources, database, com,
        iis,           libraries,      file_calls,     directory,         internet, machine.events};
  }

  RecordingRegistry registry;
  RecordingFiles files;
  RecordingProcesses processes;
  RecordingServices services;
  RecordingClock clock;
  RecordingDatabase database;
  RecordingCom com;
  RecordingIis iis;
  RecordingLibraries libraries;
  RecordingFileCalls file_calls;
  RecordingDirectoryObjects directory;
  RecordingInternet internet;
};

RecordingHost::RecordingHost(Host& machine, Mode mode, Note note)
    : ledger_(std::make_unique<Ledger>(mode, std::move(note))),
      facilities_(std::make_unique<Facilities>(*ledger_, machine)),
      host_(std::make_unique<Host>(facilities_->Assemble(machine))) {}

RecordingHost::~RecordingHost() = default;

}  // namespace platform::preview
