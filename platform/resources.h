// Resource facility: string tables of the program itself and of language libraries loaded as
// data files.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

using ModuleHandle = std::uintptr_t;  // 0: the running program itself

class Resources {
 public:
  virtual ~Resources() = default;
  // LoadLibraryExW with LOAD_LIBRARY_AS_DATAFILE; 0 when the file cannot be loaded.
  virtual ModuleHandle LoadDataFile(std::wstring_view path) = 0;
  virtual void ReleaseModule(ModuleHandle module) = 0;
  // The running program's file version from its version resource (major, minor, build,
  // revision); zeros when it has none.
  virtual std::array<std::uint16_t, 4> FileVersion() = 0;
  // LoadStringW; nothing when the table has no such entry.
  virtual std::optional<std::wstring> LoadText(ModuleHandle module, std::uint32_t id) = 0;
};

// Owns a loaded data-file module for the length of one operation.
class ScopedModule {
 public:
  ScopedModule(Resources& resources, ModuleHandle module)
      : resources_(resources), module_(module) {}
  ScopedModule(const ScopedModule&) = delete;
  ScopedModule& operator=(const ScopedModule&) = delete;
  ~ScopedModule() {
    if (module_ != 0) resources_.ReleaseModule(module_);
  }
  ModuleHandle get() const { return module_; }

 private:
  Resources& resources_;
  ModuleHandle module_;
};

}  // namespace platform
