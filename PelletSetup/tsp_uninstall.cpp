// The TSP uninstall: confirmation and the running-product check in verbose mode, the provider
// removed from TAPI, and only after that its three files renamed to ".OLD".
#include "PelletSetup/tsp_uninstall.h"

#include "PelletSetup/tsp_common.h"

namespace pellet {

namespace {

// Verbose only: the administrator's confirmation and the product's running state.
bool MayGoOn(SetupApp& app) {
  if (!app.verbose()) return true;
  if (app.Box(text::kConfirmRemoval, text::kConfirmCaption,
              platform::mb::kOkCancel | platform::mb::kIconQuestion) == platform::mb::kIdCancel) {
    return false;
  }
  if (!IsVelmarRunning(app)) return true;
  app.Box(text::kProductRunning, text::kErrorCaption, platform::mb::kOk | platform::mb::kIconError);
  app.Trace(L"Velmar is currently running.  Bailing...\n");
  return false;
}

std::int32_t RemoveProvider(SetupApp& app) {
  const ProvidersFound found = FindProviders(app, Purpose::kRemoval);
  if (!found.pellet) {
    app.Trace(L"Could not find the Pellet TSP on the system.  TSP removal will do nothing.\n");
    return 0;
  }
  const std::int32_t result = app.tapi().RemoveProvider(*found.pellet);
  if (result != 0) {
    app.Trace(L"lineRemoveProvider failed with 0x" + Hex(static_cast<std::uint32_t>(result)) +
              L"\n");
    return result;
  }
  app.Trace(L"lineRemoveProvider succeeded.  Now I'll remove the files\n");
  RenameDlls(app, false);
  return 0;
}

}  // namespace

int UninstallTsp(SetupApp& app) {
  app.Trace(L"Performing TSP uninstallation\n");
  if (!MayGoOn(app)) return 0;
  const std::int32_t result = RemoveProvider(app);
  app.Box(result == 0 ? text::kRemovalSucceeded : text::kRemovalFailed, text::kConfirmCaption,
          platform::mb::kOk |
              (result == 0 ? platform::mb::kIconInformation : platform::mb::kIconError));
  return result;
}

}  // namespace pellet
