// The conformance suite's backend under Wine (or Windows): the real API, one host per case.
// The test program is its own child program: started as "child ...", it answers the child
// protocol instead of running the cases.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_host.h"
#include "tests/conformance/backend.h"
#include "tests/conformance/win32_page_server.h"

namespace conformance {
namespace {

std::wstring OwnPath() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, length);
}

class Win32Backend : public Backend {
 public:
  platform::Host& host() override { return host_.host(); }
  bool under_wine() const override { return platform::win32::RunningUnderWine(); }
  void InstallChildProgram(const std::wstring& path) override {
    ::CopyFileW(OwnPath().c_str(), path.c_str(), FALSE);
  }
  void InstallMarkerBatch(const std::wstring& path, const std::wstring& marker) override {
    const std::string text = "@echo ran> " + std::string(marker.begin(), marker.end()) + "\r\n";
    host().files.WriteBytes(path, text);
  }
  bool MakeIisAbsent() override {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\InetStp", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return true;
    }
    ::RegCloseKey(key);
    return false;
  }
  std::wstring ServePage(const std::string& bytes) override {
    page_server_ = std::make_unique<PageServer>(bytes);
    if (!page_server_->listening()) return L"";
    return L"http://127.0.0.1:" + std::to_wstring(page_server_->port()) + L"/velmar/page.htm";
  }
  std::wstring ShortPath(const std::wstring& path) override {
    const std::size_t cut = path.find_last_of(L'\\');
    wchar_t short_path[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameW(path.c_str(), short_path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return path;
    // Only the last step in its short form; the steps before it as the caller wrote them.
    const std::wstring all(short_path, length);
    return path.substr(0, cut + 1) + all.substr(all.find_last_of(L'\\') + 1);
  }
  void SetEnvironment(const std::wstring& name, const std::optional<std::wstring>& value) override {
    ::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
  }

 private:
  platform::win32::Win32Host host_;
  std::unique_ptr<PageServer> page_server_;  // after the host: it goes first
};

int RunChild(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 2 ? argv[2] : L"";
  if (verb == L"sleep" && argc > 3) {
    ::Sleep(static_cast<DWORD>(std::stoul(argv[3])));
    return 0;
  }
  if (verb == L"report" && argc > 3) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    wchar_t folder[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, folder);
    const std::wstring report =
        OwnPath() + L"|" + std::to_wstring(show) + L"|" + std::wstring(folder, length);
    platform::win32::Win32Host host;
    host.host().files.WriteBytes(argv[3], host.host().locale.ToAnsi(report));
    return 0;
  }
  return 2;
}

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<Win32Backend>();
}

}  // namespace conformance

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wstring(argv[1]) == L"child") return conformance::RunChild(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
