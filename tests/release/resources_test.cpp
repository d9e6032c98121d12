// Reads the shipped files' manifests and version resources back the way Windows reads them and
// checks what each must declare: the rights it asks for, DPI awareness, versions and names.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "companion_version.h"

namespace {

// The dist folder as the build knows it, or the folder VELMAR_RELEASE_CHECKED_DIR names (the
// signed copy), reached under Wine through drive Z:.
std::wstring CheckedDir() {
  wchar_t given[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"VELMAR_RELEASE_CHECKED_DIR", given, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return L"Z:" + std::wstring(given, length);
  return L"Z:" VELMAR_RELEASE_DIST_DIR;
}

struct ShippedFile {
  const wchar_t* name;
  const char* execution_level;  // nullptr: a library, which carries no manifest
  const wchar_t* version;
  WORD version_numbers[4];
  WORD language;  // the language of its version block
};

// PelletSetup, kill and mypause carry the toolkit's version.
const wchar_t* const kCompanionVersion = L"" COMPANION_VERSION_TEXT;

std::ostream& operator<<(std::ostream& out, const ShippedFile& file) {
  const std::wstring name = file.name;
  return out << std::string(name.begin(), name.end());
}

const ShippedFile kPrograms[] = {
    {L"VelmarUninstall3xandUp.exe", "requireAdministrator", L"4.0.0.34", {4, 0, 0, 34}, 0x409},
    {L"DirscrubVelmar30.exe", "asInvoker", L"1.1.0.90", {1, 1, 0, 90}, 0x409},
    {L"PelletSetup.exe", "asInvoker", kCompanionVersion, {COMPANION_VERSION_NUMBERS}, 0x409},
    {L"kill.exe", "asInvoker", kCompanionVersion, {COMPANION_VERSION_NUMBERS}, 0x409},
    {L"mypause.exe", "asInvoker", kCompanionVersion, {COMPANION_VERSION_NUMBERS}, 0x409},
};

const ShippedFile kLanguageLibraries[] = {
    {L"VelmarUninstall3xandUp_ENU.dll", nullptr, L"4.0.0.34", {4, 0, 0, 34}, 0x409},
    {L"VelmarUninstall3xandUp_DEU.dll", nullptr, L"4.0.0.34", {4, 0, 0, 34}, 0x407},
    {L"VelmarUninstall3xandUp_FRA.dll", nullptr, L"4.0.0.34", {4, 0, 0, 34}, 0x40c},
};

std::wstring PathOf(const ShippedFile& file) {
  return CheckedDir() + L"/" + file.name;
}

struct ModuleCloser {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ScopedDataFile = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser>;

// The text of the file's own manifest (RT_MANIFEST, identifier 1); empty when it has none.
std::string ManifestOf(const std::wstring& path) {
  const ScopedDataFile module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) {
    ADD_FAILURE() << "cannot open as a data file, error " << GetLastError();
    return {};
  }
  HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module.get(), found);
  const auto* bytes = static_cast<const char*>(LockResource(loaded));
  return bytes == nullptr ? std::string() : std::string(bytes, SizeofResource(module.get(), found));
}

// The quoted value that follows `key` in `text`, e.g. level="asInvoker" -> asInvoker.
std::string AttributeAfter(const std::string& text, const std::string& key) {
  const std::size_t start = text.find(key + "=\"");
  if (start == std::string::npos) return "(absent)";
  const std::size_t value = start + key.size() + 2;
  return text.substr(value, text.find('"', value) - value);
}

// The element's text, e.g. <dpiAware xmlns="...">true</dpiAware> -> true.
std::string ElementText(const std::string& text, const std::string& element) {
  const std::size_t open = text.find("<" + element);
  if (open == std::string::npos) return "(absent)";
  const std::size_t value = text.find('>', open) + 1;
  return text.substr(value, text.find("</" + element, value) - value);
}

// A file's version resource, read through the version library.
class VersionInfo {
 public:
  explicit VersionInfo(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data_.data())) data_.clear();
  }
  bool Present() const { return !data_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() { return static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\")); }
  // The languages the file's Translation list names, as LANGID.
  std::vector<WORD> Languages() {
    UINT size = 0;
    const auto* pairs = static_cast<const WORD*>(Query(L"\\VarFileInfo\\Translation", &size));
    std::vector<WORD> languages;
    for (UINT i = 0; pairs != nullptr && i + 1 < size / sizeof(WORD); i += 2) {
      languages.push_back(pairs[i]);
    }
    return languages;
  }
  // A value of the first language's string block (code page 1200, UTF-16).
  std::wstring Text(const wchar_t* name) {
    const std::vector<WORD> languages = Languages();
    if (languages.empty()) return L"(no translation)";
    wchar_t key[96];
    swprintf(key, 96, L"\\StringFileInfo\\%04x04b0\\%ls", languages.front(), name);
    UINT size = 0;
    const auto* text = static_cast<const wchar_t*>(Query(key, &size));
    return text == nullptr ? L"(absent)" : std::wstring(text);
  }

 private:
  void* Query(const wchar_t* key, UINT* size = nullptr) {
    void* value = nullptr;
    UINT length = 0;
    if (!Present() || !VerQueryValueW(data_.data(), key, &value, &length)) return nullptr;
    if (size != nullptr) *size = length;
    return value;
  }
  std::vector<BYTE> data_;
};

std::wstring StemOf(const std::wstring& name) {
  return name.substr(0, name.rfind(L'.'));
}

// Test names after the files: Dist/ShippedProgram.ManifestAsks.../kill_exe.
std::string TestNameOf(const testing::TestParamInfo<ShippedFile>& info) {
  std::string name;
  for (const wchar_t* c = info.param.name; *c != L'\0'; ++c) {
    name += iswalnum(*c) ? static_cast<char>(*c) : '_';
  }
  return name;
}

void ExpectVersionResource(const ShippedFile& file) {
  VersionInfo info(PathOf(file));
  ASSERT_TRUE(info.Present()) << "no version resource, error " << GetLastError();

  const VS_FIXEDFILEINFO* fixed = info.Fixed();
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(file.version_numbers[1], file.version_numbers[0]));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(file.version_numbers[3], file.version_numbers[2]));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

  EXPECT_EQ(info.Languages(), std::vector<WORD>{file.language});
  EXPECT_EQ(info.Text(L"FileVersion"), file.version);
  EXPECT_EQ(info.Text(L"ProductVersion"), file.version);
  EXPECT_EQ(info.Text(L"OriginalFilename"), file.name);
  EXPECT_EQ(info.Text(L"InternalName"), StemOf(file.name));
  for (const wchar_t* filled : {L"CompanyName", L"FileDescription", L"ProductName"}) {
    const std::wstring text = info.Text(filled);
    EXPECT_FALSE(text.empty() || text[0] == L'(') << "empty or absent: " << filled;
  }
}

class ShippedProgram : public testing::TestWithParam<ShippedFile> {};

TEST_P(ShippedProgram, ManifestAsksForItsRightsAndDrawsAtTheSystemDpi) {
  const ShippedFile& file = GetParam();
  const std::string manifest = ManifestOf(PathOf(file));
  ASSERT_FALSE(manifest.empty()) << "no manifest (RT_MANIFEST 1)";

  EXPECT_EQ(AttributeAfter(manifest, "level"), file.execution_level);
  EXPECT_EQ(AttributeAfter(manifest, "uiAccess"), "false");
  // The down-level namespace: XP SP2 and Server 2003 loaders mishandle the rights request in
  // asm.v3 and may refuse to start the program.
  const std::size_t trust = manifest.find("<trustInfo");
  ASSERT_NE(trust, std::string::npos) << "the manifest asks for no rights";
  EXPECT_EQ(AttributeAfter(manifest.substr(trust), "xmlns"), "urn:schemas-microsoft-com:asm.v2");
  EXPECT_EQ(ElementText(manifest, "dpiAware"), "true");
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  // Vista, 7, 8, 8.1 and 10/11.
  std::size_t supported = 0;
  for (std::size_t at = 0; (at = manifest.find("<supportedOS ", at)) != std::string::npos; ++at) {
    ++supported;
  }
  EXPECT_EQ(supported, 5u);

  const std::size_t identity_start = manifest.find("<assemblyIdentity");
  ASSERT_NE(identity_start, std::string::npos) << "the manifest names no assembly";
  const std::string identity =
      manifest.substr(identity_start, manifest.find("/>", identity_start) - identity_start);
  const std::wstring version = file.version;
  EXPECT_EQ(AttributeAfter(identity, "version"), std::string(version.begin(), version.end()))
      << "the manifest's identity names the file's own version";
  const std::wstring stem = StemOf(file.name);
  EXPECT_EQ(AttributeAfter(identity, "name"),
            "BrannockSystems.Velmar." + std::string(stem.begin(), stem.end()));
}

TEST_P(ShippedProgram, VersionResourceNamesTheFileAndItsVersion) {
  ExpectVersionResource(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Dist, ShippedProgram, testing::ValuesIn(kPrograms), TestNameOf);

class LanguageLibrary : public testing::TestWithParam<ShippedFile> {};

TEST_P(LanguageLibrary, VersionResourceNamesTheFileAndItsLanguage) {
  ExpectVersionResource(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Dist, LanguageLibrary, testing::ValuesIn(kLanguageLibraries), TestNameOf);

}  // namespace
