// The simulated loader and telephony library: a code library keeps what it is through copies
// and renames, stays in use while loaded, and TAPI32.DLL fills provider lists as TAPI does.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/sim/process.h"

namespace {

using platform::sim::CodeLibrary;
using platform::sim::ExportCall;
using platform::sim::Process;
using platform::sim::Server;
namespace attr = platform::attr;

constexpr wchar_t kSystem[] = L"C:\\WINDOWS\\system32";

std::uint32_t Read32(const std::vector<std::uint8_t>& list, std::size_t at) {
  std::uint32_t value = 0;
  std::memcpy(&value, list.data() + at, 4);
  return value;
}

std::wstring ReadName(const std::vector<std::uint8_t>& list, std::size_t at) {
  std::wstring name;
  for (; list[at] != 0 || list[at + 1] != 0; at += 2) {
    name.push_back(static_cast<wchar_t>(list[at] | list[at + 1] << 8));
  }
  return name;
}

CodeLibrary Registering(std::int32_t result) {
  CodeLibrary library;
  library.exports["DllRegisterServer"] = [result](ExportCall&) { return result; };
  return library;
}

class SimLibraries : public ::testing::Test {
 protected:
  Server server;
  Process app{server, L"C:\\Setup\\PelletSetup.exe"};
  platform::Libraries& libs = app.host().libraries;
  platform::FileCalls& calls = app.host().file_calls;
};

TEST_F(SimLibraries, ACodeLibraryKeepsItsIdentityThroughCopiesAndRenames) {
  server.InstallCodeLibrary(L"C:\\Setup\\System32\\ZqSilenceMonitor.dll", Registering(0));
  const std::wstring installed = std::wstring(kSystem) + L"\\ZqSilenceMonitor.dll";
  ASSERT_TRUE(calls.CopyTo(L"System32\\ZqSilenceMonitor.dll", installed, false));
  ASSERT_EQ(calls.CrtRename(installed, std::wstring(kSystem) + L"\\Renamed.dll"), 0);
  const platform::ModuleHandle module = libs.Load(L"renamed");
  ASSERT_NE(module, 0u) << "found in the system folder with the default extension";
  EXPECT_EQ(libs.CallRegisterServer(libs.Find(module, "DllRegisterServer")), 0);
  EXPECT_EQ(server.export_calls,
            std::vector<std::wstring>{L"C:\\WINDOWS\\system32\\Renamed.dll!DllRegisterServer"});
}

TEST_F(SimLibraries, ALoadedLibraryIsInUseUntilItsLastFree) {
  const std::wstring path = std::wstring(kSystem) + L"\\ZqPellet.tsp";
  server.InstallCodeLibrary(path, Registering(0));
  const platform::ModuleHandle module = libs.Load(path);
  EXPECT_EQ(libs.Load(L"ZQPELLET.TSP"), module) << "a loaded module is found by its name";
  EXPECT_EQ(app.LibraryReferences(module), 2);
  EXPECT_FALSE(calls.DeleteOne(path));
  EXPECT_EQ(calls.LastError(), platform::win::kAccessDenied);
  EXPECT_EQ(calls.CrtRemove(path), platform::crt::kAccess);
  EXPECT_FALSE(calls.CopyTo(L"C:\\Setup\\PelletSetup.exe", path, false));
  EXPECT_EQ(calls.LastError(), 32) << "a mapped file cannot be overwritten";
  ASSERT_TRUE(calls.MoveOne(path, std::wstring(kSystem) + L"\\ZqPellet.OLD"));
  EXPECT_EQ(libs.CallRegisterServer(libs.Find(module, "DllRegisterServer")), 0);
  EXPECT_EQ(server.export_calls.back(), L"C:\\WINDOWS\\system32\\ZqPellet.OLD!DllRegisterServer")
      << "the renamed file is still the loaded module";
  EXPECT_TRUE(libs.Free(module));
  EXPECT_FALSE(calls.DeleteOne(std::wstring(kSystem) + L"\\ZqPellet.OLD"));
  EXPECT_TRUE(libs.Free(module));
  EXPECT_TRUE(calls.DeleteOne(std::wstring(kSystem) + L"\\ZqPellet.OLD"));
  EXPECT_FALSE(libs.Free(module));
  EXPECT_EQ(libs.LastError(), 126);
  EXPECT_THROW(libs.CallRegisterServer(0x7C801000), std::logic_error)
      << "an address of a freed library";
}

TEST_F(SimLibraries, ALibraryNeverFreedIsReportedWhenItsProcessEnds) {
  const std::wstring path = std::wstring(kSystem) + L"\\DravexNTWave.dll";
  server.InstallCodeLibrary(path, Registering(static_cast<std::int32_t>(0x80004005)));
  {
    Process setup(server, L"C:\\Setup\\Other.exe");
    platform::ScopedLibrary library(setup.host().libraries, setup.host().libraries.Load(path));
    library.Leak();  // as a failed registration does
  }
  EXPECT_EQ(server.libraries_left_loaded, std::vector<std::wstring>{path});
  EXPECT_TRUE(calls.DeleteOne(path)) << "the file is free once its process has gone";
  EXPECT_TRUE(server.Problems().empty());
}

TEST_F(SimLibraries, TheSearchOrderAndTheLoadersErrors) {
  server.InstallCodeLibrary(L"C:\\Setup\\twin.dll", {});
  server.InstallCodeLibrary(std::wstring(kSystem) + L"\\twin.dll", {});
  server.InstallCodeLibrary(L"C:\\Work\\ENU\\cwd.dll", {});
  server.InstallCodeLibrary(std::wstring(kSystem) + L"\\ENU\\cwd.dll", {});
  server.InstallProgram(L"C:\\Setup\\tool.exe", {});
  app.host().processes.ChangeDirectory(L"C:\\Work");
  const platform::ModuleHandle twin = libs.Load(L"twin.dll");
  EXPECT_EQ(libs.Find(twin, "x"), 0u);
  EXPECT_EQ(libs.LastError(), 127);
  ASSERT_TRUE(calls.DeleteOne(std::wstring(kSystem) + L"\\twin.dll"))
      << "the program's folder came first, so the system folder's twin is not in use";
  ASSERT_NE(libs.Load(L"ENU\\cwd.dll"), 0u);
  EXPECT_FALSE(calls.DeleteOne(std::wstring(kSystem) + L"\\ENU\\cwd.dll"))
      << "with safe search the system folder comes before the current directory";
  EXPECT_EQ(libs.Load(L"absent.dll"), 0u);
  EXPECT_EQ(libs.LastError(), 126);
  EXPECT_EQ(libs.Load(L"C:\\Setup\\tool.exe"), 0u);
  EXPECT_EQ(libs.LastError(), 193);
}

TEST_F(SimLibraries, StringAndMessageTables) {
  CodeLibrary resources;
  resources.strings = {{32802, L"Pellet Setup"}, {32803, L""}};
  resources.messages = {{1, L"Call\r\n"}, {3, L"Last Category\r\n"}};
  server.InstallCodeLibrary(L"C:\\Setup\\ENU\\ZqPelletRes.dll", resources);
  server.InstallLanguageLibrary(L"C:\\Setup\\ENU\\Plain.dll", {{7, L"plain text"}});
  platform::ScopedLibrary res(libs, libs.Load(L"ENU\\ZqPelletRes.dll"));
  EXPECT_EQ(libs.LoadText(res.get(), 32802, 256), L"Pellet Setup");
  EXPECT_EQ(libs.LoadText(res.get(), 32802, 7), L"Pellet") << "cut to room - 1 characters";
  EXPECT_FALSE(libs.LoadText(res.get(), 32802, 1));
  EXPECT_FALSE(libs.LoadText(res.get(), 32803, 256)) << "an empty entry reads as missing";
  EXPECT_EQ(libs.FormatModuleMessage(res.get(), 3, 0x0400), L"Last Category\r\n");
  EXPECT_FALSE(libs.FormatModuleMessage(res.get(), 2, 0x0400));
  platform::ScopedLibrary plain(libs, libs.Load(L"C:\\Setup\\ENU\\Plain.dll"));
  EXPECT_EQ(libs.LoadText(plain.get(), 7, 256), L"plain text")
      << "a language library loads as a resource-only library";
}

class SimTelephony : public SimLibraries {
 protected:
  void SetUp() override {
    server.InstallTelephony();
    tapi = libs.Load(L"TAPI32.DLL");
    ASSERT_NE(tapi, 0u);
  }
  std::int32_t List(std::vector<std::uint8_t>& list, std::uint32_t size) {
    list.assign(size, 0xCC);
    std::memcpy(list.data(), &size, 4);
    return libs.CallGetProviderList(libs.Find(tapi, "lineGetProviderListW"), 0x00020000,
                                    list.data());
  }
  platform::ModuleHandle tapi = 0;
};

TEST_F(SimTelephony, TheProviderListLayout) {
  server.telephony.Add(L"unimdm.tsp");
  server.telephony.Add(L"C:\\WINNT\\System32\\ZQPELLET.TSP");
  std::vector<std::uint8_t> list;
  ASSERT_EQ(List(list, 4028), 0);
  const std::uint32_t needed = 24 + 2 * 12 + 11 * 2 + 31 * 2;
  EXPECT_EQ(Read32(list, 4), needed);
  EXPECT_EQ(Read32(list, 8), needed) << "dwUsedSize";
  EXPECT_EQ(Read32(list, 12), 2u);
  EXPECT_EQ(Read32(list, 16), 24u) << "dwProviderListSize";
  ASSERT_EQ(Read32(list, 20), 24u);
  EXPECT_EQ(Read32(list, 24 + 12), 2u) << "the second entry's permanent identifier";
  EXPECT_EQ(Read32(list, 24 + 12 + 4), 62u) << "file name bytes with the terminator";
  EXPECT_EQ(ReadName(list, Read32(list, 24 + 12 + 8)), L"C:\\WINNT\\System32\\ZQPELLET.TSP");
  EXPECT_EQ(ReadName(list, Read32(list, 24 + 8)), L"unimdm.tsp");
  EXPECT_EQ(list[needed], 0xCC) << "nothing is written beyond the list";
}

TEST_F(SimTelephony, TooSmallBuffers) {
  server.telephony.Add(L"ZqPellet.tsp");
  std::vector<std::uint8_t> list;
  EXPECT_EQ(List(list, 20), static_cast<std::int32_t>(0x8000004D));
  ASSERT_EQ(List(list, 40), 0) << "TAPI succeeds and asks for more room";
  EXPECT_EQ(Read32(list, 4), 24u + 12 + 26);
  EXPECT_EQ(Read32(list, 8), 24u);
  EXPECT_EQ(Read32(list, 12), 0u) << "no providers in a list that did not fit";
  EXPECT_EQ(list[24], 0xCC);
}

TEST_F(SimTelephony, AddingAndRemovingProvidersIsRecorded) {
  std::uint32_t id = 0;
  const auto add = libs.Find(tapi, "lineAddProviderW");
  ASSERT_EQ(libs.CallAddProvider(add, L"C:\\WINDOWS\\system32\\ZqPellet.tsp", id), 0);
  EXPECT_EQ(id, 1u);
  const auto remove = libs.Find(tapi, "lineRemoveProvider");
  EXPECT_EQ(libs.CallRemoveProvider(remove, 9), static_cast<std::int32_t>(0x80000032));
  EXPECT_EQ(libs.CallRemoveProvider(remove, 1), 0);
  EXPECT_TRUE(server.telephony.providers.empty());
  EXPECT_EQ(server.telephony.calls,
            (std::vector<std::wstring>{L"lineAddProviderW C:\\WINDOWS\\system32\\ZqPellet.tsp",
                                       L"lineRemoveProvider 9", L"lineRemoveProvider 1"}));
  EXPECT_EQ(server.export_calls.front(), L"C:\\WINDOWS\\system32\\TAPI32.DLL!lineAddProviderW");
}

TEST_F(SimTelephony, AnInjectedListIsHandedTheCallersBuffer) {
  server.telephony.list_override = [](std::uint8_t* list) {
    const std::uint32_t count = 5;  // entries that lie beyond the buffer
    std::memcpy(list + 12, &count, 4);
    return 0;
  };
  std::vector<std::uint8_t> list;
  ASSERT_EQ(List(list, 64), 0);
  EXPECT_EQ(Read32(list, 12), 5u);
  EXPECT_EQ(server.telephony.calls, std::vector<std::wstring>{L"lineGetProviderListW"});
}

}  // namespace
