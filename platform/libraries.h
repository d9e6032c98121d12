// Library facility: code libraries loaded at run time (LoadLibraryW, GetProcAddress), their
// exports called with the signatures the programs know them by, and their string and message
// tables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/resources.h"
#include "platform/win_status.h"

namespace platform {

using ProcAddress = std::uintptr_t;  // 0 is the failure value

class Libraries {
 public:
  virtual ~Libraries() = default;

  // LoadLibraryW: a relative name is found as Windows finds it (the program's folder, the
  // current directory, the system folders, the search path). 0 and LastError when it fails.
  virtual ModuleHandle Load(std::wstring_view path) = 0;
  virtual bool Free(ModuleHandle module) = 0;                                // FreeLibrary
  virtual ProcAddress Find(ModuleHandle module, std::string_view name) = 0;  // GetProcAddress
  virtual Status LastError() = 0;  // the thread's last error after Load or Find

  // Exports called through an address from Find; each names the signature it assumes.
  // HRESULT DllRegisterServer(void)
  virtual std::int32_t CallRegisterServer(ProcAddress proc) = 0;
  // LONG TUISPI_providerInstall(TUISPIDLLCALLBACK, HWND, DWORD): no callback, no owner window.
  virtual std::int32_t CallProviderInstall(ProcAddress proc, std::uint32_t permanent_id) = 0;
  // LONG lineGetProviderListW(DWORD api_version, LINEPROVIDERLIST* list): the list's first
  // DWORD (dwTotalSize) says how many bytes the buffer holds; nothing beyond is written.
  virtual std::int32_t CallGetProviderList(ProcAddress proc, std::uint32_t api_version,
                                           std::uint8_t* list) = 0;
  // LONG lineRemoveProvider(DWORD permanent_id, HWND owner): no owner window.
  virtual std::int32_t CallRemoveProvider(ProcAddress proc, std::uint32_t permanent_id) = 0;
  // LONG lineAddProviderW(LPCWSTR file, HWND owner, LPDWORD permanent_id): no owner window.
  virtual std::int32_t CallAddProvider(ProcAddress proc, std::wstring_view file,
                                       std::uint32_t& permanent_id) = 0;

  // LoadStringW into a buffer of `room` characters (terminator included): nothing when the
  // entry is missing or empty; a longer text comes back cut to room - 1 characters.
  virtual std::optional<std::wstring> LoadText(ModuleHandle module, std::uint32_t id,
                                               std::uint32_t room) = 0;
  // FormatMessageW from the module's message table (FROM_HMODULE, ALLOCATE_BUFFER,
  // IGNORE_INSERTS) in the given language (0x0400: the user's default); nothing on failure.
  virtual std::optional<std::wstring> FormatModuleMessage(ModuleHandle module, std::uint32_t id,
                                                          std::uint32_t language) = 0;
};

// Owns one loaded library for the length of one operation.
class ScopedLibrary {
 public:
  ScopedLibrary(Libraries& libraries, ModuleHandle module)
      : libraries_(libraries), module_(module) {}
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;
  ~ScopedLibrary() {
    if (module_ != 0) libraries_.Free(module_);
  }
  ModuleHandle get() const { return module_; }
  // Keeps the library loaded for the rest of the process (as a failed registration does).
  ModuleHandle Leak() {
    const ModuleHandle module = module_;
    module_ = 0;
    return module;
  }

 private:
  Libraries& libraries_;
  ModuleHandle module_;
};

}  // namespace platform
