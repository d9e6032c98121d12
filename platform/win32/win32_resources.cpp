// The resource facility on Windows: LoadLibraryExW as a data file, FreeLibrary, and LoadStringW
// read in place so that entries of any length come back whole.
#include "platform/win32/win32_resources.h"

#include <windows.h>

#include <vector>

namespace platform::win32 {
namespace {

HMODULE ToModule(ModuleHandle module) {
  return module == 0 ? ::GetModuleHandleW(nullptr) : reinterpret_cast<HMODULE>(module);
}

}  // namespace

ModuleHandle Win32Resources::LoadDataFile(std::wstring_view path) {
  const HMODULE module =
      ::LoadLibraryExW(std::wstring(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  return reinterpret_cast<ModuleHandle>(module);
}

void Win32Resources::ReleaseModule(ModuleHandle module) {
  if (module != 0) ::FreeLibrary(reinterpret_cast<HMODULE>(module));
}

std::optional<std::wstring> Win32Resources::LoadText(ModuleHandle module, std::uint32_t id) {
  // With no buffer size LoadStringW hands back a pointer into the mapped table and the entry's
  // length; entries are not terminated there, so the length is what bounds the copy.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(ToModule(module), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return std::nullopt;
  return std::wstring(text, static_cast<std::size_t>(length));
}

std::array<std::uint16_t, 4> Win32Resources::FileVersion() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return {};
  std::vector<std::uint8_t> block(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (!::GetFileVersionInfoW(path, 0, size, block.data()) ||
      !::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &info_size) ||
      info == nullptr) {
    return {};
  }
  return {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
          HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

}  // namespace platform::win32
