// The conformance suite's backend under Wine (or Windows): the real API, one host per case.
// The test program is its own child program: started as "child ...", it answers the child
// protocol instead of running the cases.
#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"
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

// Where the suite lies, with its trailing separator: its stand-in libraries are built beside it.
std::wstring OwnFolder() {
  const std::wstring own = OwnPath();
  return own.substr(0, own.find_last_of(L'\\') + 1);
}

// The suite's stand-in IIS administration provider (tests/conformance/iis_standin/), built beside
// the suite and registered as ADSI's "IIS" provider while a case lays out IIS.
constexpr wchar_t kStandInProgId[] = L"VelmarTests.IisStandIn";
constexpr wchar_t kStandInClsid[] = L"{106666BB-71B5-4143-972C-21303D6290E4}";
constexpr wchar_t kIisProviderKey[] = L"SOFTWARE\\Microsoft\\ADs\\Providers\\IIS";
constexpr wchar_t kStandInFolder[] = L"C:\\iis-standin";

// The suite's stand-in ADO (tests/conformance/ado_standin/), registered under ADO's own class
// identifiers while a case lays out SQL Server; its settings name the lay-out and record files.
constexpr const wchar_t* kAdoClasses[] = {
    L"{00000514-0000-0010-8000-00AA006D2EA4}",  // ADODB.Connection
    L"{00000535-0000-0010-8000-00AA006D2EA4}",  // ADODB.Recordset
    L"{00000507-0000-0010-8000-00AA006D2EA4}",  // ADODB.Command
};
constexpr wchar_t kAdoSettingsKey[] = L"SOFTWARE\\VelmarTests\\AdoStandIn";
constexpr wchar_t kAdoFolder[] = L"C:\\ado-standin";

// The suite's stand-in directory server (tests/conformance/directory_standin/), registered under
// the manager's class name while a case lays out the directory; its settings name the lay-out
// and record files.
constexpr wchar_t kDohProgId[] = L"ZqDohManager.ZqDohManager.1";
constexpr wchar_t kDohStandInClsid[] = L"{FFE1631D-9E86-4FA7-8FC9-1CB80953466C}";
constexpr wchar_t kDohSettingsKey[] = L"SOFTWARE\\VelmarTests\\DirectoryStandIn";
constexpr wchar_t kDohFolder[] = L"C:\\directory-standin";

// The bench's stand-in gateway server (tests/e2e/programs/pellet/gateway_standin.cpp), copied
// beside the suite and registered as the product's gateway class with this folder of settings.
constexpr wchar_t kGatewayFolder[] = L"C:\\gateway-standin";

bool IisInstalled() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\InetStp", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  ::RegCloseKey(key);
  return true;
}

bool SetText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status =
      ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return status == ERROR_SUCCESS;
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
    if (IisInstalled()) return false;
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kIisProviderKey);  // an earlier case's stand-in
    return true;
  }
  bool LayOutIis(const IisLayout& layout) override {
    if (IisInstalled()) return false;
    const std::wstring folder = kStandInFolder;
    const std::wstring state = folder + L"\\state.txt";
    calls_ = folder + L"\\calls.txt";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::DeleteFileW(calls_.c_str());
    std::wstring text = L"object\tW3SVC/1/ROOT\t" + layout.home_folder + L"\r\n";
    text += L"object\tW3SVC/AppPools\r\n";
    for (const auto& name : layout.virtual_directories) {
      text += L"child\tW3SVC/1/ROOT\tIIsWebVirtualDir\t" + name + L"\r\n";
    }
    for (const auto& name : layout.application_pools) {
      text += L"child\tW3SVC/AppPools\tIIsApplicationPool\t" + name + L"\r\n";
    }
    host().files.WriteBytes(state, platform::Utf8FromWide(text));

    const std::wstring library = OwnFolder() + L"iis_standin.dll";
    EXPECT_NE(::GetFileAttributesW(library.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the stand-in IIS provider is not built beside the suite";
    const std::wstring classes = L"SOFTWARE\\Classes\\";
    const std::wstring clsid_key = classes + L"CLSID\\" + kStandInClsid;
    const bool registered =
        SetText(kIisProviderKey, nullptr, kStandInProgId) &&
        SetText(classes + kStandInProgId + L"\\CLSID", nullptr, kStandInClsid) &&
        SetText(clsid_key + L"\\InprocServer32", nullptr, library) &&
        SetText(clsid_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
        SetText(clsid_key, L"StateFile", state) && SetText(clsid_key, L"CallsFile", calls_);
    EXPECT_TRUE(registered) << "cannot register the stand-in IIS provider";
    return true;
  }
  std::vector<std::string> IisCalls() override {
    // COM asks the library whether it can go; it records then what was never released.
    ::CoFreeUnusedLibraries();
    return ReadLines(calls_);
  }
  void LayOutSql(const std::vector<std::wstring>& lines) override {
    sql_record_ = std::wstring(kAdoFolder) + L"\\record.txt";
    const std::wstring layout = WriteLayout(kAdoFolder, lines);
    const std::wstring library = OwnFolder() + L"ado_standin.dll";
    EXPECT_NE(::GetFileAttributesW(library.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the stand-in ADO is not built beside the suite";
    bool registered = SetText(kAdoSettingsKey, L"LayoutFile", layout) &&
                      SetText(kAdoSettingsKey, L"RecordFile", sql_record_);
    for (const wchar_t* clsid : kAdoClasses) {
      const std::wstring key = std::wstring(L"SOFTWARE\\Classes\\CLSID\\") + clsid;
      registered = registered && SetText(key + L"\\InprocServer32", nullptr, library) &&
                   SetText(key + L"\\InprocServer32", L"ThreadingModel", L"Both");
    }
    EXPECT_TRUE(registered) << "cannot register the stand-in ADO";
  }
  void LayOutDirectory(const std::vector<std::wstring>& lines) override {
    directory_record_ = std::wstring(kDohFolder) + L"\\record.txt";
    const std::wstring layout = WriteLayout(kDohFolder, lines);
    const std::wstring library = OwnFolder() + L"directory_standin.dll";
    EXPECT_NE(::GetFileAttributesW(library.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the stand-in directory server is not built beside the suite";
    const std::wstring classes = L"SOFTWARE\\Classes\\";
    const std::wstring clsid_key = classes + L"CLSID\\" + kDohStandInClsid;
    const bool registered = SetText(kDohSettingsKey, L"LayoutFile", layout) &&
                            SetText(kDohSettingsKey, L"RecordFile", directory_record_) &&
                            SetText(classes + kDohProgId + L"\\CLSID", nullptr, kDohStandInClsid) &&
                            SetText(clsid_key + L"\\InprocServer32", nullptr, library) &&
                            SetText(clsid_key + L"\\InprocServer32", L"ThreadingModel", L"Both");
    EXPECT_TRUE(registered) << "cannot register the stand-in directory server";
  }
  void MakeDirectoryServerAbsent() override {
    const std::wstring key = std::wstring(L"SOFTWARE\\Classes\\") + kDohProgId;
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (key + L"\\CLSID").c_str());
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
  }
  std::vector<std::string> DirectoryCalls() override {
    // The library records whether anything is still held when COM asks whether it can go.
    ::CoFreeUnusedLibraries();
    std::vector<std::string> calls;
    std::string held = "no answer from the stand-in";
    for (const auto& line : ReadLines(directory_record_)) {
      if (line.starts_with("done\t")) calls.push_back(line.substr(5));
      if (line == "released") held = line;
      if (line.starts_with("unreleased\t")) held = "unreleased " + line.substr(11);
    }
    calls.push_back(held);
    return calls;
  }
  std::vector<std::string> SqlStatements() override {
    std::vector<std::string> statements;
    for (const auto& line : ReadLines(sql_record_)) {
      for (const char* kind : {"query\t", "execute\t", "procedure\t"}) {
        if (line.starts_with(kind)) statements.push_back(line);
      }
    }
    return statements;
  }
  std::vector<std::string> SqlHoldings() override {
    // The library records what the server holds when COM may unload it, or that it may not.
    // A case may ask more than once (objects still held, then none): the last answer counts.
    ::CoFreeUnusedLibraries();
    std::vector<std::string> holdings;
    std::vector<std::string> answer;
    for (const auto& line : ReadLines(sql_record_)) {
      if (line.starts_with("holds\t")) holdings.push_back(line.substr(6));
      if (line == "released" || line.starts_with("unreleased\t")) {
        holdings.push_back(line == "released" ? line : "unreleased " + line.substr(11));
        answer = std::move(holdings);
        holdings.clear();
      }
    }
    return answer.empty() ? holdings : answer;
  }
  void LayOutGateway(std::uint32_t status, std::int32_t shutdown_result) override {
    const std::wstring folder = kGatewayFolder;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    gateway_record_ = folder + L"\\gateway-calls.txt";
    ::DeleteFileW(gateway_record_.c_str());
    char hresult[16];
    std::snprintf(hresult, sizeof hresult, "0x%08lx", static_cast<unsigned long>(shutdown_result));
    host().files.WriteBytes(folder + L"\\gateway-status.txt", std::to_string(status));
    host().files.WriteBytes(folder + L"\\gateway-shutdown.txt", hresult);
    if (gateway_registered_) return;
    // The stand-in registers its type library and the class's local server itself.
    const std::wstring program = OwnFolder() + L"pelletgateway.exe";
    std::wstring command = L"\"" + program + L"\" /regserver " + folder;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, nullptr, &startup, &process))
        << "the stand-in gateway is not built beside the suite";
    ::CloseHandle(process.hThread);
    DWORD exit_code = 1;
    if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
      ::GetExitCodeProcess(process.hProcess, &exit_code);
    }
    ::CloseHandle(process.hProcess);
    ASSERT_EQ(exit_code, 0u) << "the stand-in gateway did not register";
    gateway_registered_ = true;
  }
  std::vector<std::string> GatewayCalls() override {
    return GatewayCallsFromRecord(ReadLines(gateway_record_));
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
  void PlantHardLink(const std::wstring& link, const std::wstring& existing) override {
    ASSERT_TRUE(::CreateHardLinkW(link.c_str(), existing.c_str(), nullptr)) << ::GetLastError();
  }
  void SetEnvironment(const std::wstring& name, const std::optional<std::wstring>& value) override {
    ::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
  }

 private:
  platform::win32::Win32Host host_;
  // A stand-in's lay-out file in its folder, its record there emptied; returns the file's path.
  // The first line is new each time: a stand-in lays its machine out again when the text
  // changes, so no case sees the one before it.
  std::wstring WriteLayout(const wchar_t* folder, const std::vector<std::wstring>& lines) {
    ::CreateDirectoryW(folder, nullptr);
    ::DeleteFileW((std::wstring(folder) + L"\\record.txt").c_str());
    static int generation = 0;
    std::wstring text = L"# lay-out " + std::to_wstring(::GetCurrentProcessId()) + L"." +
                        std::to_wstring(++generation) + L"\r\n";
    for (const auto& line : lines) text += line + L"\r\n";
    const std::wstring layout = std::wstring(folder) + L"\\layout.txt";
    host().files.WriteBytes(layout, platform::Utf8FromWide(text));
    return layout;
  }
  std::vector<std::string> ReadLines(const std::wstring& path) {
    std::vector<std::string> lines;
    std::string bytes;
    try {
      bytes = host().files.ReadBytes(path);
    } catch (const platform::RuntimeError&) {
      return lines;
    }
    std::size_t start = 0;
    while (start < bytes.size()) {
      std::size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      std::string line = bytes.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }

  std::wstring calls_;           // the stand-in IIS provider's record
  std::wstring gateway_record_;  // the stand-in gateway's record
  bool gateway_registered_ = false;
  std::wstring sql_record_;                  // the stand-in ADO's record
  std::wstring directory_record_;            // the stand-in directory server's record
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
