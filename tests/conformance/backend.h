// The conformance suite's view of the backend under test: the same cases run natively against
// the simulated server and under Wine against the real Windows API.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"

namespace conformance {

struct IisLayout {
  std::wstring home_folder;
  std::vector<std::wstring> virtual_directories;  // IIsWebVirtualDir below W3SVC/1/ROOT
  std::vector<std::wstring> application_pools;    // IIsApplicationPool in W3SVC/AppPools
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual platform::Host& host() = 0;
  virtual bool under_wine() const = 0;
  // A program at the path that answers the child protocol: "child report FILE" writes
  // "<its module path>|<its show state>|<its current directory>" to FILE; "child sleep MS"
  // runs for that long.
  virtual void InstallChildProgram(const std::wstring& path) = 0;
  // A batch file that writes MARKER (a file name) into the current directory.
  virtual void InstallMarkerBatch(const std::wstring& path, const std::wstring& marker) = 0;
  // No SQL Server answers from here on: the simulation takes its server off the network;
  // under Wine the suite's stand-in ADO gets a machine without one.
  virtual void MakeSqlServerUnreachable() { LayOutSql({L"reachable\t0"}); }
  // SQL Server holding the product's and the system's databases and what the lay-out lines add
  // (tests/support/sql_layout.h); its record starts empty. Under Wine the backend registers
  // the suite's stand-in ADO, which runs the same simulated server in the suite's process.
  virtual void LayOutSql(const std::vector<std::wstring>& lines) = 0;
  // The statements SQL Server received since the lay-out, in order, as
  // "query|execute|procedure <TAB> database <TAB> text".
  virtual std::vector<std::string> SqlStatements() = 0;
  // What the server holds now: "database|device|job <TAB> name" lines, each kind sorted; then
  // "released" when the program holds no ADO object any more, else "unreleased <count>"; each
  // call answers as things stand then.
  virtual std::vector<std::string> SqlHoldings() = 0;
  // The product's directory server holding what the lay-out lines say
  // (tests/support/directory_layout.h), registered under its class name; its record starts
  // empty. Under Wine the backend registers the suite's stand-in directory server, which runs
  // the same simulated directory in the suite's process.
  virtual void LayOutDirectory(const std::vector<std::wstring>& lines) = 0;
  // No directory server from here on: its class name leads nowhere.
  virtual void MakeDirectoryServerAbsent() = 0;
  // The calls that took effect on the directory since the lay-out, in order ("Connect",
  // "LogOn 3", "RemoveCustomProperties <alias>", "Delete <alias>"), then "released" when the
  // program holds none of the server's objects any more, else "unreleased <count>".
  virtual std::vector<std::string> DirectoryCalls() = 0;
  // No IIS from here on: the simulation takes it off the machine. Windows cannot, so there the
  // answer is whether the machine has none (Wine never has); false when IIS is installed.
  virtual bool MakeIisAbsent() { return false; }
  // IIS with the default web site's root (W3SVC/1/ROOT, its Path the home folder) and the
  // application pools (W3SVC/AppPools), holding these children and no others; the record of
  // calls starts empty. Under Wine the backend registers the suite's stand-in provider; false
  // when the machine's own IIS is installed and must not be touched.
  virtual bool LayOutIis(const IisLayout& layout) = 0;
  // The calls IIS received since the lay-out, in order: "bind <path>", "Delete <class> <name>",
  // "Path", each with " refused <HRESULT>" when it failed, then "released" when every object
  // handed out is back, else "unreleased <count>".
  virtual std::vector<std::string> IisCalls() = 0;
  // The product's gateway server registered as a local server for its class and interface,
  // answering get_LastStatus with the status and its shut-down member with the HRESULT; its
  // record starts empty. Under Wine the backend registers the bench's stand-in gateway server.
  virtual void LayOutGateway(std::uint32_t status, std::int32_t shutdown_result) = 0;
  // The calls the gateway received since the lay-out, in order: "created",
  // "get_LastStatus -> <status>", "Shutdown -> <HRESULT as 0x%08x>", then "released" when every
  // gateway handed out is back, else "unreleased <count>".
  virtual std::vector<std::string> GatewayCalls() = 0;
  // Serves the page over HTTP on this machine for as long as the backend lives and returns its
  // address; empty when no server can be started.
  virtual std::wstring ServePage(const std::string& bytes) = 0;
  // The existing entry's path with its last step written as its short (8.3) name, as Windows
  // makes one for a long name; the simulation gives the entry one the way NTFS forms them.
  virtual std::wstring ShortPath(const std::wstring& path) = 0;
  // A second name for the existing file's data, as CreateHardLinkW makes one.
  virtual void PlantHardLink(const std::wstring& link, const std::wstring& existing) = 0;
  // Sets the variable in the environment the program under test reads; nothing removes it.
  virtual void SetEnvironment(const std::wstring& name,
                              const std::optional<std::wstring>& value) = 0;
};

std::unique_ptr<Backend> MakeBackend();

// Each case gets an empty registry key under HKCU and an empty folder under C:\, removed
// again afterwards, so cases never see each other's leftovers.
class Conformance : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  platform::Host& host() { return backend_->host(); }
  platform::Registry& reg() { return backend_->host().registry; }
  platform::FileSystem& fs() { return backend_->host().files; }
  bool under_wine() const { return backend_->under_wine(); }
  Backend& backend() { return *backend_; }

  std::string key_;       // ANSI path below HKEY_CURRENT_USER
  std::wstring scratch_;  // folder without a trailing separator

 private:
  std::unique_ptr<Backend> backend_;
};

// The gateway's record ("created", its calls, one "released" per object that went) as
// Backend::GatewayCalls answers: the calls in order, then "released" or "unreleased <count>".
std::vector<std::string> GatewayCallsFromRecord(const std::vector<std::string>& record);

// Deletes a key and everything below it (test housekeeping only).
void DeleteTree(platform::Registry& registry, platform::RegHandle root, const std::string& path);

}  // namespace conformance

// Marks a case where Wine departs from documented Windows behaviour: skipped under Wine with
// the reason shown, never deleted.
#define WINE_DIFFERS(reason)                                      \
  do {                                                            \
    if (under_wine()) GTEST_SKIP() << "Wine differs: " << reason; \
  } while (0)
