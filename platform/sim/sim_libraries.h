// Code libraries loaded by one simulated process: the loader's search, reference counts, the
// files held in use while loaded, and exports called through the addresses handed out.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/libraries.h"
#include "platform/sim/code_library.h"
#include "platform/sim/sim_files.h"

namespace platform::sim {

namespace loader {
inline constexpr Status kModNotFound = 126;   // ERROR_MOD_NOT_FOUND
inline constexpr Status kProcNotFound = 127;  // ERROR_PROC_NOT_FOUND
inline constexpr Status kBadExeFormat = 193;  // ERROR_BAD_EXE_FORMAT
}  // namespace loader

class SimLibraries : public Libraries {
 public:
  // `last_error` is the process's last error, shared with its other Win32-style facilities.
  SimLibraries(Process& process, Status& last_error) : process_(process), last_error_(last_error) {}
  ~SimLibraries() override;
  SimLibraries(const SimLibraries&) = delete;
  SimLibraries& operator=(const SimLibraries&) = delete;

  ModuleHandle Load(std::wstring_view path) override;
  bool Free(ModuleHandle module) override;
  ProcAddress Find(ModuleHandle module, std::string_view name) override;
  Status LastError() override { return last_error_; }

  std::int32_t CallRegisterServer(ProcAddress proc) override;
  std::int32_t CallProviderInstall(ProcAddress proc, std::uint32_t permanent_id) override;
  std::int32_t CallGetProviderList(ProcAddress proc, std::uint32_t api_version,
                                   std::uint8_t* list) override;
  std::int32_t CallRemoveProvider(ProcAddress proc, std::uint32_t permanent_id) override;
  std::int32_t CallAddProvider(ProcAddress proc, std::wstring_view file,
                               std::uint32_t& permanent_id) override;

  std::optional<std::wstring> LoadText(ModuleHandle module, std::uint32_t id,
                                       std::uint32_t room) override;
  std::optional<std::wstring> FormatModuleMessage(ModuleHandle module, std::uint32_t id,
                                                  std::uint32_t language) override;

  std::size_t LoadedCount() const { return loaded_.size(); }
  int References(ModuleHandle module) const;  // 0 when not loaded

 private:
  struct Loaded {
    std::shared_ptr<FileNode> file;  // held in use while loaded
    std::shared_ptr<const CodeLibrary> library;
    int references = 0;
  };
  struct Export {
    ModuleHandle module;
    std::string name;
  };
  FileNode* Locate(std::wstring_view path) const;
  std::vector<std::wstring> SearchFolders() const;
  ModuleHandle LoadedByName(std::wstring_view name) const;
  std::int32_t Invoke(ProcAddress proc, ExportCall& call);

  Process& process_;
  Status& last_error_;
  std::map<ModuleHandle, Loaded> loaded_;
  std::map<ProcAddress, Export> exports_;
  ModuleHandle next_module_ = 0x10000000;
  ProcAddress next_proc_ = 0x7C801000;
};

}  // namespace platform::sim
