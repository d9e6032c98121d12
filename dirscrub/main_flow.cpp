// Dirscrub's main flow as a table of steps run by one error handler: an error is logged with
// its description and number (one code of the directory server passed over) and the next step
// runs.
#include "dirscrub/main_flow.h"

#include <array>
#include <memory>
#include <string>

#include "common/root_file.h"
#include "common/workstation_info.h"
#include "dirscrub/app.h"
#include "dirscrub/directory_cleaning.h"
#include "platform/error.h"

namespace dirscrub {
namespace {

constexpr std::wstring_view kMarkerPath = L"c:\\VelmarUninstallTemp.xxx";
constexpr std::uint32_t kStatusRunning = 32;
// The directory server's own "nothing to do" code, which the flow has always passed over.
constexpr std::int32_t kPassedOver = static_cast<std::int32_t>(0x80040102);

struct Flow {
  DirscrubApp& app;
  std::unique_ptr<platform::GatewayObject> gateway;
  bool running = true;  // also when the gateway could not be asked
};

enum class When { kAlways, kRunning, kShutDown };

struct FlowStep {
  void (*run)(Flow&);
  When when = When::kAlways;
};

void Log(Flow& flow, std::wstring_view line) {
  flow.app.log.WriteLog(line);
}

void AskGateway(Flow& flow) {
  platform::ComObjects& com = flow.app.host.com;
  if (com.CreateGateway(platform::gateway::kClassId, platform::gateway::kInterfaceId,
                        flow.gateway) < 0 ||
      !flow.gateway) {
    platform::Raise(platform::VbError::kCantCreateObject);
  }
  std::uint32_t status = 0;
  if (const std::int32_t result = flow.gateway->LastStatus(status); result < 0) {
    platform::Raise(result, L"Automation error");
  }
  flow.running = status == kStatusRunning;
}

void StopMonitor(Flow& flow) {
  flow.app.runner.Run({L"    Stopping ZqMsgStoreMonitorSvr (if installed)",
                       L"Net Stop ZqMsgStoreMonitorSvr", velmar::show::kMinimizedNoFocus, 30000,
                       L"(error) net stop process took longer than 30 seconds, task terminated",
                       L"    net stop process completed"});
}

void ShutDownProduct(Flow& flow) {
  if (!flow.gateway) platform::Raise(91, L"Object variable or With block variable not set");
  if (const std::int32_t result = flow.gateway->Shutdown(); result < 0) {
    platform::Raise(result, L"Automation error");
  }
}

std::wstring AppVersion(DirscrubApp& app) {
  const auto v = app.host.resources.FileVersion();
  return std::to_wstring(v[0]) + L"." + std::to_wstring(v[1]) + L"." + std::to_wstring(v[3]);
}

// Versions from 4.0(2.0) on have their directory data removed by the uninstaller through SQL.
bool CleanedThroughSql(const velmar::VelmarVersionInfo& v) {
  return v.Major > 4 || (v.Major == 4 && v.Minor > 0) ||
         (v.Major == 4 && v.Minor == 0 && v.Build >= 2);
}

void WriteMarker(Flow& flow) {
  velmar::WriteRootFile(flow.app.host.files, kMarkerPath,
                        flow.app.main.multiple_servers ? "MVSLIES\r\n\r\n" : "NOMVSLIES\r\n\r\n");
}

constexpr std::array<FlowStep, 16> kSteps{{
    {[](Flow& f) { f.app.main.PlaceWide(); }},
    {[](Flow& f) {
      f.app.log.Open();
      f.app.unattended.LogOpened();
    }},
    {AskGateway},
    {[](Flow& f) { Log(f, L"    Shutting down Velmar"); }, When::kRunning},
    {[](Flow& f) { f.app.main.SetActivity(1003); }, When::kRunning},
    {StopMonitor, When::kRunning},
    {ShutDownProduct, When::kRunning},
    {[](Flow& f) { Log(f, L"    Velmar is shut down, proceeding to clean subscriber info"); },
     When::kShutDown},
    {[](Flow& f) { f.app.main.SetActivity(1001); }},
    {[](Flow& f) { Log(f, L"Dirscrub app version=" + AppVersion(f.app)); }},
    {[](Flow& f) { Log(f, L""); }},
    {[](Flow& f) {
      Log(f, L"Starting directory cleaning at:" +
                 f.app.host.locale.FormatGeneralDate(f.app.host.clock.Now()) + L"\r\n");
    }},
    {[](Flow& f) {
      Log(f, L"Computer name=" + velmar::WorkStationInfo(f.app.host.system).ComputerName());
    }},
    {[](Flow& f) {
      if (!CleanedThroughSql(f.app.version)) CleanDirectory(f.app);
    }},
    {[](Flow& f) {
      Log(f, L"******** Subscriber removal complete **********");
      f.app.log.Close();
    }},
    {WriteMarker},
}};

void RunGuarded(Flow& flow, const FlowStep& step) {
  try {
    step.run(flow);
  } catch (const platform::RuntimeError& error) {
    if (error.number() == kPassedOver) return;
    Log(flow, L"(error) in Dirscrub routine.  Error=" + error.description() + L" number=" +
                  std::to_wstring(error.number()));
  }
}

bool LogExists(DirscrubApp& app) {
  try {
    return app.host.files.FileExists(app.log.path());
  } catch (const platform::RuntimeError&) {
    return false;  // a failed test ends the run as a missing log does
  }
}

}  // namespace

void RunMainFlow(DirscrubApp& app) {
  Flow flow{app, nullptr};
  RunGuarded(flow, kSteps[0]);
  if (!LogExists(app)) {
    app.Message(L"Error! Unable to find c:\\VelmarUninstall.log file! Exiting Dirscrub...");
    app.End();
  }
  for (std::size_t i = 1; i < kSteps.size(); ++i) {
    const FlowStep& step = kSteps[i];
    if (step.when == When::kRunning && !flow.running) continue;
    if (step.when == When::kShutDown && flow.running) continue;
    RunGuarded(flow, step);
  }
}

}  // namespace dirscrub
