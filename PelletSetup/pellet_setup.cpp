// The TSP setup from start to exit code: mode, language, resource library, preflight, COM, the
// working folder, then the uninstall or the install procedure and the clean-up after it.
#include <memory>
#include <optional>

#include "PelletSetup/startup.h"
#include "PelletSetup/tsp_install.h"
#include "PelletSetup/tsp_uninstall.h"
#include "platform/error.h"

namespace pellet {

namespace {

constexpr std::wstring_view kModeEvent = L"Global\\PelletSetupInSilentModeFlag";
constexpr std::size_t kMaxPath = 260;
constexpr int kPreflightFailed = 1;

// The working folder for the procedures: the program's own folder. Restores the one it was
// started in when the procedure is over, if it could be kept.
class WorkingFolder {
 public:
  explicit WorkingFolder(SetupApp& app) : app_(app) {
    platform::Processes& processes = app.host().processes;
    const std::wstring current = processes.CurrentDirectory();
    if (current.size() < kMaxPath) saved_ = current;
    const std::wstring program = processes.ModulePath();
    if (program.size() >= kMaxPath) {
      changed_ = true;  // nothing was changed, but the saved folder is set again all the same
      return;
    }
    // The folder is what stands before the program's name, so a renamed program still finds
    // its files beside it.
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
    app.Trace(L"Changing working directory to: " + folder + L"\n");
    changed_ = Change(folder);
  }
  ~WorkingFolder() {
    if (!saved_ || !changed_) return;
    app_.Trace(L"Changing working directory back to: " + *saved_ + L"\n");
    Change(*saved_);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  bool Change(const std::wstring& folder) {
    try {
      app_.host().processes.ChangeDirectory(folder);
      return true;
    } catch (const platform::RuntimeError&) {
      return false;
    }
  }

  SetupApp& app_;
  std::optional<std::wstring> saved_;
  bool changed_ = false;
};

// COM for the length of the procedures.
class ComInitialized {
 public:
  explicit ComInitialized(platform::ComObjects& com) : com_(com) {}
  ~ComInitialized() { com_.Uninitialize(); }
  ComInitialized(const ComInitialized&) = delete;
  ComInitialized& operator=(const ComInitialized&) = delete;

 private:
  platform::ComObjects& com_;
};

class ResourceLibrary {
 public:
  explicit ResourceLibrary(SetupApp& app) : app_(app) {}
  ~ResourceLibrary() {
    if (app_.resources != 0) app_.host().libraries.Free(app_.resources);
  }
  ResourceLibrary(const ResourceLibrary&) = delete;
  ResourceLibrary& operator=(const ResourceLibrary&) = delete;

  bool Load() {
    const std::wstring name = app_.language + L"\\ZqPelletRes.dll";
    app_.resources = app_.host().libraries.Load(name);
    if (app_.resources != 0) return true;
    app_.Trace(L"Problems finding the Resource Dll: \"" + name + L"\"!\n");
    app_.host().boxes.Show(
        L"Could not find installation text.  This setup may be missing the file "
        L"ZqPelletRes.dll.  Aborting install.",
        L"Could not find localized TSP resources", platform::mb::kOk | platform::mb::kIconError);
    return false;
  }

 private:
  SetupApp& app_;
};

// The operating-system, administrator and COM checks; false stops the run with exit code 1.
bool Preflight(SetupApp& app) {
  platform::Host& host = app.host();
  if (!IsNtFamily(host.system)) {
    app.Box(text::kNeedsNt, text::kErrorCaption, platform::mb::kOk | platform::mb::kIconError);
    app.Trace(
        L"The Brannock Velmar-TQ TSP is only supported on Windows NT (NT4, Win2k, WinXP, etc.)  "
        L"Aborting install.\n");
    return false;
  }
  if (!IsAdministrator(host.system)) {
    if (app.verbose()) {
      app.Box(text::kNeedsAdministrator, text::kErrorCaption,
              platform::mb::kOk | platform::mb::kIconError);
      app.Trace(
          L"Administrator privileges are required to complete the setup.  Aborting install...\n");
      return false;
    }
    app.Trace(
        L"Administrator privileges are required to complete the setup.  But, this is a silent "
        L"install so I'm going ahead anyway...\n");
  }
  return true;
}

int RunProcedure(SetupApp& app) {
  const std::int32_t result = app.host().com.InitializeMultithreaded();
  if (result < 0) {
    app.Trace(L"CoInitializeEx() failed with 0x" + Hex(static_cast<std::uint32_t>(result)) +
              L".  I'm going to bail on this install!\n");
    app.Box(text::kSetupFailed, text::kErrorCaption, platform::mb::kOk | platform::mb::kIconError);
    return kPreflightFailed;
  }
  app.Trace(L"CoInititializeEx() succeeded\n");
  ComInitialized com(app.host().com);
  WorkingFolder folder(app);
  return app.modes.uninstall ? UninstallTsp(app) : InstallTsp(app);
}

}  // namespace

int PelletSetup(platform::Host& host) {
  SetupApp app(host);
  app.modes = ScanCommandLine(host.processes.CommandLine(), host.locale);
  app.Trace(app.verbose() ? L"Pellet Setup running in verbose mode\n"
                          : L"Pellet Setup running in silent mode\n");
  ResourceLibrary resources(app);  // released last, after the mode event is closed
  // Held open for the whole run: other programs learn the mode from its state.
  const std::unique_ptr<platform::NamedEvent> mode_event =
      host.processes.MakeNamedEvent(kModeEvent, !app.verbose());
  app.language = DecideLanguage(app);
  if (app.verbose() && !resources.Load()) return kPreflightFailed;
  if (!Preflight(app)) return kPreflightFailed;
  return RunProcedure(app);
}

}  // namespace pellet
