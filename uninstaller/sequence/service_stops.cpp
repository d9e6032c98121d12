// The first pass of service stops as a table of steps.
#include "uninstaller/sequence/service_stops.h"

namespace uninstaller {
namespace {

using velmar::ProcessStep;

struct Wording {
  std::wstring_view failure;
  std::wstring_view success;
};

// The two wordings the rows use, "n" and "N".
constexpr Wording n{L"(error) net stop process took longer than 30 seconds, task terminated",
                    L"    net stop process completed"};
constexpr Wording N{L"(error) Net stop took longer than 30 seconds, task terminated",
                    L"    Net stop process completed"};

constexpr ProcessStep Stop(std::wstring_view line, std::wstring_view command, Wording words) {
  return {line, command, velmar::show::kNormal, 30'000, words.failure, words.success};
}

constexpr ProcessStep kFirstPass[] = {
    Stop(L"    Stopping TomCat (if installed)", L"Net Stop TomCat", n),
    Stop(L"    Stopping ZqSQLChangeWriter (if installed)", L"Net Stop ZqSQLChangeWriter", n),
    Stop(L"    Stopping ZqMsgStoreMonitorSvr (if installed)", L"Net Stop ZqMsgStoreMonitorSvr", n),
    Stop(L"    Stopping ZqKtGateway", L"Net Stop ZqKtGateway", N),
    Stop(L"    Stopping WyMessageAgingSvr", L"Net Stop WyMessageAgingSvr", n),
    Stop(L"    Stopping WyVrt", L"Net Stop WyVrt", n),
    Stop(L"    Stopping KtVpimConnector", L"Net Stop KtVpimConnector", n),
    Stop(L"    Stopping ZqKtMgr", L"Net Stop ZqktMgr", N),
    Stop(L"    Stopping ZqDSAD", L"Net Stop ZqDSAD", N),
    Stop(L"    Stopping ZqDSDomino", L"Net Stop ZqDSDomino", N),
    Stop(L"    Stopping ZqDSEx55", L"Net Stop ZqDSEx55", N),
    Stop(L"    Stopping ZqDirChangeWriter", L"Net Stop ZqDirChangeWriter", N),
    Stop(L"    Stopping ZqDsGlobalCatalog service", L"Net STop ZqDSGlobalCatalog", n),
    Stop(L"    Stopping ZqGAENsvr service", L"Net STop ZqGAENsvr", n),
    Stop(L"    Stopping ktBridgeConnector (if installed)", L"Net Stop ktBridgeConnector", n),
    Stop(L"    Stopping ZqUMRSyncSvr", L"Net Stop ZqUMRSync", n),
    Stop(L"    Stopping ZqTTSSvr", L"Net Stop ZqTTSSvr", n),
    Stop(L"    Stopping ZqRepDirSvrSvc", L"Net Stop ZqRepDirSvrSvc", n),
    Stop(L"    Stopping ZqMMProxySvr", L"Net Stop ZqMMProxysvr", n),
    Stop(L"    Stopping ZqNotifierMgr", L"Net Stop ZqNotifierMgr", n),
    Stop(L"    Stopping KTEMSSvc", L"Net Stop KTEMSSvc", n),
    Stop(L"    Stopping BrannockVelmarBellhop", L"Net Stop BrannockVelmarBellhop", n),
    Stop(L"    Stopping ktIPFaxSvc (if installed)", L"Net Stop ktIPFaxSvc", n),
    Stop(L"    Stopping wypidsvc", L"Net Stop wypidsvc", n),
    Stop(L"    Stopping brannockVelmarTDSProxy", L"Net Stop BrannockVelmarTDSProxy", n),
    Stop(L"    Stopping KtBMsgConnector", L"Net Stop KtBMsgConnector", n),
    {L"    running Kill ZQ*", L"kill.exe zq*", velmar::show::kMinimizedNoFocus, 40'000,
     L"(error) Kill process took longer than 40 seconds, task terminated",
     L"    Kill process completed"},
    Stop(L"    Stopping WyDohMgr service", L"Net Stop WyDohMgr", n),
    Stop(L"    Stopping WyMDBStoreMonitor service", L"Net Stop WyMDBStoreMonitor", n),
    Stop(L"    Stopping TAPISrv", L"Net Stop tapisrv /y", n),
};

static_assert(std::size(kFirstPass) == 30);

}  // namespace

std::span<const ProcessStep> FirstPassOfServiceStops() {
  return kFirstPass;
}

}  // namespace uninstaller
