// The simulated loader: LoadLibraryW's search and errors, FreeLibrary's reference counts,
// GetProcAddress, and the exports of code libraries run as actions on the machine.
#include "platform/sim/sim_libraries.h"

#include <stdexcept>

#include "platform/sim/process.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

bool HasFolder(std::wstring_view name) {
  return name.find_first_of(L"\\/:") != std::wstring_view::npos;
}

bool IsAbsolute(std::wstring_view name) {
  return (name.size() >= 2 && name[1] == L':') || (!name.empty() && (name[0] == L'\\'));
}

// The loader adds ".dll" to a name without an extension; a trailing "." means "no extension".
std::wstring WithExtension(std::wstring_view path) {
  std::wstring name(path);
  const auto slash = name.find_last_of(L"\\/");
  const auto dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) {
    if (dot + 1 == name.size()) name.pop_back();
    return name;
  }
  return name + L".dll";
}

}  // namespace

SimLibraries::~SimLibraries() {
  for (auto& [handle, loaded] : loaded_) {
    process_.server().libraries_left_loaded.push_back(FileSystemState::PathOf(*loaded.file));
    --loaded.file->in_use;
  }
}

std::vector<std::wstring> SimLibraries::SearchFolders() const {
  const Server& server = process_.server();
  const std::wstring windows = server.machine.windows_folder;
  const std::wstring current = process_.current_dir();
  std::vector<std::wstring> folders{ProgramFolder(process_.host().processes)};
  if (!server.machine.safe_dll_search_mode) folders.push_back(current);
  for (const auto& folder : {windows + L"\\system32", windows + L"\\system", windows}) {
    folders.push_back(folder);
  }
  if (server.machine.safe_dll_search_mode) folders.push_back(current);
  for (const auto& folder : server.machine.search_path) folders.push_back(folder);
  return folders;
}

FileNode* SimLibraries::Locate(std::wstring_view path) const {
  const std::wstring name = WithExtension(path);
  const FileSystemState& files = process_.server().files;
  const std::vector<std::wstring> folders =
      IsAbsolute(name) ? std::vector<std::wstring>{process_.current_dir()} : SearchFolders();
  for (const auto& folder : folders) {
    ParsedPath parsed;
    if (!FileSystemState::Parse(name, folder, parsed)) continue;
    FileNode* node = files.Find(parsed);
    if (node != nullptr && !node->is_folder) return node;
  }
  return nullptr;
}

// A bare name stands for a module already loaded under that file name, wherever it was found.
ModuleHandle SimLibraries::LoadedByName(std::wstring_view name) const {
  if (HasFolder(name)) return 0;
  const std::wstring wanted = WithExtension(name);
  for (const auto& [handle, loaded] : loaded_) {
    if (EqualsNoCase(loaded.file->name, wanted)) return handle;
  }
  return 0;
}

ModuleHandle SimLibraries::Load(std::wstring_view path) {
  ModuleHandle handle = LoadedByName(path);
  FileNode* node = handle != 0 ? loaded_[handle].file.get() : Locate(path);
  if (node == nullptr) {
    last_error_ = loader::kModNotFound;
    return 0;
  }
  for (auto& [existing, loaded] : loaded_) {
    if (loaded.file.get() == node) {
      ++loaded.references;
      return existing;
    }
  }
  if (node->deny_access) {
    last_error_ = win::kAccessDenied;
    return 0;
  }
  std::shared_ptr<const CodeLibrary> library = process_.server().CodeLibraryOf(*node);
  if (library == nullptr) {
    // A language library is a resource-only library: it loads, with strings and no exports.
    const StringTable* strings = process_.server().LibraryAt(FileSystemState::PathOf(*node));
    if (strings == nullptr) {
      last_error_ = loader::kBadExeFormat;
      return 0;
    }
    library = std::make_shared<const CodeLibrary>(CodeLibrary{*strings, {}, {}});
  }
  handle = next_module_;
  next_module_ += 0x10000;
  loaded_[handle] = {FileSystemState::Share(*node), std::move(library), 1};
  ++node->in_use;
  return handle;
}

bool SimLibraries::Free(ModuleHandle module) {
  const auto it = loaded_.find(module);
  if (it == loaded_.end()) {
    last_error_ = loader::kModNotFound;
    return false;
  }
  if (--it->second.references > 0) return true;
  --it->second.file->in_use;
  loaded_.erase(it);
  std::erase_if(exports_, [module](const auto& entry) { return entry.second.module == module; });
  return true;
}

int SimLibraries::References(ModuleHandle module) const {
  const auto it = loaded_.find(module);
  return it == loaded_.end() ? 0 : it->second.references;
}

ProcAddress SimLibraries::Find(ModuleHandle module, std::string_view name) {
  const auto it = loaded_.find(module);
  if (it == loaded_.end()) {
    // The program itself (module 0) exports nothing.
    last_error_ = module == 0 ? loader::kProcNotFound : loader::kModNotFound;
    return 0;
  }
  if (it->second.library->exports.count(std::string(name)) == 0) {
    last_error_ = loader::kProcNotFound;
    return 0;
  }
  for (const auto& [address, entry] : exports_) {
    if (entry.module == module && entry.name == name) return address;
  }
  const ProcAddress address = next_proc_;
  next_proc_ += 0x10;
  exports_[address] = {module, std::string(name)};
  return address;
}

// A call through an address that is not a live export would crash the real program; here it
// stops the test.
std::int32_t SimLibraries::Invoke(ProcAddress proc, ExportCall& call) {
  const auto entry = exports_.find(proc);
  if (entry == exports_.end()) {
    throw std::logic_error("call through an address that is not an export of a loaded library");
  }
  const Loaded& loaded = loaded_.at(entry->second.module);
  const std::wstring path = FileSystemState::PathOf(*loaded.file);
  process_.server().export_calls.push_back(path + L"!" + WideFromUtf8(entry->second.name));
  const std::shared_ptr<const CodeLibrary> library = loaded.library;  // the call may free it
  return library->exports.at(entry->second.name)(call);
}

std::int32_t SimLibraries::CallRegisterServer(ProcAddress proc) {
  ExportCall call{process_, {}};
  return Invoke(proc, call);
}

std::int32_t SimLibraries::CallProviderInstall(ProcAddress proc, std::uint32_t permanent_id) {
  ExportCall call{process_, {0, 0, permanent_id}};  // no callback, no owner window
  return Invoke(proc, call);
}

std::int32_t SimLibraries::CallGetProviderList(ProcAddress proc, std::uint32_t api_version,
                                               std::uint8_t* list) {
  ExportCall call{process_, {api_version}};
  call.buffer = list;
  return Invoke(proc, call);
}

std::int32_t SimLibraries::CallRemoveProvider(ProcAddress proc, std::uint32_t permanent_id) {
  ExportCall call{process_, {permanent_id, 0}};  // no owner window
  return Invoke(proc, call);
}

std::int32_t SimLibraries::CallAddProvider(ProcAddress proc, std::wstring_view file,
                                           std::uint32_t& permanent_id) {
  ExportCall call{process_, {0}};  // no owner window
  call.text = std::wstring(file);
  const std::int32_t result = Invoke(proc, call);
  if (result == 0) permanent_id = call.out;
  return result;
}

std::optional<std::wstring> SimLibraries::LoadText(ModuleHandle module, std::uint32_t id,
                                                   std::uint32_t room) {
  std::optional<std::wstring> text;
  if (module == 0) {
    text = process_.host().resources.LoadText(0, id);
  } else if (const auto it = loaded_.find(module); it != loaded_.end()) {
    const auto entry = it->second.library->strings.find(id);
    if (entry != it->second.library->strings.end()) text = entry->second;
  }
  if (!text || room == 0) return std::nullopt;
  text->resize(std::min<std::size_t>(text->size(), room - 1));
  if (text->empty()) return std::nullopt;  // LoadString copies nothing: the same as missing
  return text;
}

std::optional<std::wstring> SimLibraries::FormatModuleMessage(ModuleHandle module, std::uint32_t id,
                                                              std::uint32_t /*language*/) {
  const auto it = loaded_.find(module);
  if (it == loaded_.end()) return std::nullopt;
  const auto entry = it->second.library->messages.find(id);
  if (entry == it->second.library->messages.end() || entry->second.empty()) return std::nullopt;
  return entry->second;
}

}  // namespace platform::sim
