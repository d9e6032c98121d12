// The gateway check and the ".OLD" renames, with their traces.
#include "PelletSetup/tsp_common.h"

#include <array>
#include <memory>

#include "PelletSetup/provider_list.h"

namespace pellet {

namespace {

constexpr std::uint32_t kStatusStopped = 64;
constexpr std::uint32_t kStatusNotStarted = 255;

// One file RenameDlls moves out of the way.
struct RenameRow {
  std::wstring_view base;
  std::wstring_view extension;
  bool in_drivers;  // in system32\drivers rather than system32
  bool only_all;    // renamed only when everything goes
};

constexpr std::array<RenameRow, 7> kRenames{{
    {L"ZqPellet", L".TSP", false, false},
    {L"ZqPelletRes", L".DLL", false, false},
    {L"BrannockVelmar_TSP", L".DLL", false, false},
    {L"ZqSilenceMonitor", L".DLL", false, true},
    {L"ZqAudio32", L".DLL", false, true},
    {L"DravexNTWave", L".DLL", false, true},
    {L"ZqAudio", L".SYS", true, true},
}};

void TraceAttributes(SetupApp& app, const std::wstring& path) {
  app.Trace(L"GetFileAttributes() for ");
  app.Trace(L"\"" + path);
  app.Trace(L"\" are 0x");
  app.Trace(Hex(app.host().file_calls.GetAttributes(path)));
  app.Trace(L".\n");
}

}  // namespace

bool IsVelmarRunning(SetupApp& app) {
  std::unique_ptr<platform::GatewayObject> gateway;
  const std::int32_t created = app.host().com.CreateGateway(
      platform::gateway::kClassId, platform::gateway::kInterfaceId, gateway);
  if (created < 0 || !gateway) {
    app.Trace(L"CoCreate(ZqKtGateway) failed with 0x" + Hex(static_cast<std::uint32_t>(created)) +
              L".  I'm going assume that Velmar is not present on the box.\n");
    return false;
  }
  app.Trace(L"CoCreateInstance(ZqKtGateway) succeeded\n");
  std::uint32_t status = 0;
  const std::int32_t read = gateway->LastStatus(status);
  gateway.reset();  // released once, before the answer is weighed
  if (read < 0) {
    app.Trace(L"ZqKtGateway::get_LastStatus failed with 0x" +
              Hex(static_cast<std::uint32_t>(read)) +
              L".  I'm going assume that Velmar is not running.\n");
    return false;
  }
  if (status == kStatusStopped || status == kStatusNotStarted) {
    app.Trace(L"Velmar is not running... \n");
    return false;
  }
  app.Trace(L"Velmar is running... \n");
  return true;
}

ProvidersFound FindProviders(SetupApp& app, Purpose purpose) {
  ProvidersFound found;
  const auto entries = ReadProviderList(app.tapi());
  if (!entries) return found;
  app.Trace(L"Looking for the Pellet TSP ...\n");
  for (const ProviderEntry& entry : *entries) {
    app.Trace(L"   ... Looking at " + entry.file + L"\n");
    const std::wstring_view base = BaseName(entry.file);
    if (EqualsAsciiNoCase(base, L"ZqPellet")) {
      app.Trace(purpose == Purpose::kRemoval
                    ? L"   ... Pellet TSP in the control panel.  Proceeding with removal.\n"
                    : L"   ... Pellet TSP already in the control panel.  Proceeding with "
                      L"installation.\n");
      found.pellet = entry.permanent_id;
    } else if (purpose == Purpose::kInstallation && EqualsAsciiNoCase(base, L"d41mt")) {
      app.Trace(L"   ... Found the Dialogic TSP.\n");
      found.d41mt = entry.permanent_id;
    }
  }
  return found;
}

int RenameDll(SetupApp& app, std::wstring_view base, std::wstring_view directory,
              std::wstring_view extension) {
  platform::FileCalls& files = app.host().file_calls;
  app.Trace(std::wstring(kSourceName) + L": RenameDll(Dll " + std::wstring(base) + L", Dir " +
            std::wstring(directory) + L", Ext " + std::wstring(extension) + L")\r\n");
  const std::wstring stem = std::wstring(directory) + std::wstring(base);
  const std::wstring target = stem + std::wstring(extension);
  const std::wstring backup = stem + L".OLD";
  app.Trace(L"Renaming \"" + target + L"\" to \"" + backup + L"\"\n");
  TraceAttributes(app, target);
  TraceAttributes(app, backup);
  // Expected to fail when a file is absent; the rename below decides.
  if (!files.PutAttributes(target, platform::attr::kNormal)) {
    app.Trace(L"Setting FILE_ATTRIBUTE_NORMAL on the old target file failed!");
  }
  if (!files.PutAttributes(backup, platform::attr::kNormal)) {
    app.Trace(L"Setting FILE_ATTRIBUTE_NORMAL on the old backup file failed!");
  }
  if (const int error = files.CrtRemove(backup); error != 0) {
    app.Trace(L"delete existing .old file failed with errno set to 0x" +
              Hex(static_cast<std::uint32_t>(error)) + L"\n");
  }
  const int error = files.CrtRename(target, backup);
  if (error != 0) {
    app.Trace(L"rename dll to .old failed with errno set to 0x" +
              Hex(static_cast<std::uint32_t>(error)) + L"\n");
  }
  return error;
}

int RenameDlls(SetupApp& app, bool all) {
  app.Trace(std::wstring(kSourceName) + L": RenameDlls()\r\n");
  const std::wstring windows = app.host().system.WindowsFolder();
  if (windows.empty()) return 0;
  const std::wstring system32 = windows + L"\\system32\\";
  int result = 0;
  for (const RenameRow& row : kRenames) {
    if (row.only_all && !all) continue;
    result = RenameDll(app, row.base, row.in_drivers ? system32 + L"drivers\\" : system32,
                       row.extension);
  }
  return result;
}

}  // namespace pellet
