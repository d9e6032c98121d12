// The library facility on Windows: LoadLibraryW, FreeLibrary and GetProcAddress; exports called
// through function pointer types that spell out each signature with its WINAPI convention;
// LoadStringW into a caller-sized buffer and FormatMessageW from a module's message table.
#include "platform/win32/win32_libraries.h"

#include <windows.h>

#include <string>
#include <vector>

namespace platform::win32 {
namespace {

// The exports as their libraries declare them. Handles and callbacks the programs never pass
// are plain pointers here, so that no telephony header is needed for these four signatures.
using RegisterServerFn = HRESULT(WINAPI*)();
using ProviderCallbackFn = LONG(WINAPI*)(HWND, HWND, DWORD, LPVOID);  // TUISPIDLLCALLBACK
using ProviderInstallFn = LONG(WINAPI*)(ProviderCallbackFn, HWND, DWORD);
using GetProviderListFn = LONG(WINAPI*)(DWORD, LPVOID);  // LPLINEPROVIDERLIST
using RemoveProviderFn = LONG(WINAPI*)(DWORD, HWND);
using AddProviderFn = LONG(WINAPI*)(LPCWSTR, HWND, LPDWORD);

HMODULE ToModule(ModuleHandle module) {
  return reinterpret_cast<HMODULE>(module);
}

// An address from GetProcAddress turned into the one signature the caller vouches for.
template <typename Fn>
Fn As(ProcAddress proc) {
  return reinterpret_cast<Fn>(proc);
}

// Owns a buffer FormatMessageW allocated with LocalAlloc.
class LocalBuffer {
 public:
  LocalBuffer() = default;
  LocalBuffer(const LocalBuffer&) = delete;
  LocalBuffer& operator=(const LocalBuffer&) = delete;
  ~LocalBuffer() {
    if (text_ != nullptr) ::LocalFree(text_);
  }
  // What FormatMessageW wants in place of a buffer when it allocates one itself.
  LPWSTR out() { return reinterpret_cast<LPWSTR>(&text_); }
  const wchar_t* get() const { return text_; }

 private:
  wchar_t* text_ = nullptr;
};

}  // namespace

ModuleHandle Win32Libraries::Load(std::wstring_view path) {
  const HMODULE module = ::LoadLibraryW(std::wstring(path).c_str());
  last_error_ = static_cast<Status>(::GetLastError());
  return reinterpret_cast<ModuleHandle>(module);
}

bool Win32Libraries::Free(ModuleHandle module) {
  return ::FreeLibrary(ToModule(module)) != FALSE;
}

ProcAddress Win32Libraries::Find(ModuleHandle module, std::string_view name) {
  const FARPROC proc = ::GetProcAddress(ToModule(module), std::string(name).c_str());
  last_error_ = static_cast<Status>(::GetLastError());
  return reinterpret_cast<ProcAddress>(proc);
}

Status Win32Libraries::LastError() {
  return last_error_;
}

std::int32_t Win32Libraries::CallRegisterServer(ProcAddress proc) {
  return As<RegisterServerFn>(proc)();
}

std::int32_t Win32Libraries::CallProviderInstall(ProcAddress proc, std::uint32_t permanent_id) {
  return As<ProviderInstallFn>(proc)(nullptr, nullptr, permanent_id);
}

std::int32_t Win32Libraries::CallGetProviderList(ProcAddress proc, std::uint32_t api_version,
                                                 std::uint8_t* list) {
  return As<GetProviderListFn>(proc)(api_version, list);
}

std::int32_t Win32Libraries::CallRemoveProvider(ProcAddress proc, std::uint32_t permanent_id) {
  return As<RemoveProviderFn>(proc)(permanent_id, nullptr);
}

std::int32_t Win32Libraries::CallAddProvider(ProcAddress proc, std::wstring_view file,
                                             std::uint32_t& permanent_id) {
  const std::wstring terminated(file);
  DWORD id = 0;
  const LONG result = As<AddProviderFn>(proc)(terminated.c_str(), nullptr, &id);
  permanent_id = id;
  return result;
}

std::optional<std::wstring> Win32Libraries::LoadText(ModuleHandle module, std::uint32_t id,
                                                     std::uint32_t room) {
  if (room == 0) return std::nullopt;
  std::vector<wchar_t> buffer(room, L'\0');
  const int length = ::LoadStringW(ToModule(module), id, buffer.data(), static_cast<int>(room));
  if (length <= 0) return std::nullopt;
  return std::wstring(buffer.data(), static_cast<std::size_t>(length));
}

std::optional<std::wstring> Win32Libraries::FormatModuleMessage(ModuleHandle module,
                                                                std::uint32_t id,
                                                                std::uint32_t language) {
  LocalBuffer text;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
      ToModule(module), id, language, text.out(), 0, nullptr);
  if (length == 0 || text.get() == nullptr) return std::nullopt;
  return std::wstring(text.get(), length);
}

}  // namespace platform::win32
