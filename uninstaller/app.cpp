// The uninstaller's application object, its start and its way out.
#include "uninstaller/app.h"

#include <tuple>

#include "uninstaller/sequence/startup.h"
#include "uninstaller/sequence/uninstall_sequence.h"
#include "uninstaller/ui/mod_update_check.h"

namespace uninstaller {

UninstallerApp::UninstallerApp(platform::Host& host, ui::ViewFactory& views)
    : host(host),
      log(host.files, host.clock),
      localize(host, kApplicationTitle),
      forms(localize, views),
      main(forms, *this),
      about(forms, *this),
      details(forms, platform::ProgramFolder(host.processes)),
      splash(forms),
      failover(forms, *this) {
  main.on_uninstall = [this] { UninstallSequence(*this).OnPress(); };
  main.on_check_for_update = [this] { CheckForUpdatedVersion(*this); };
  localize.SetFontHook([this](const velmar::LanguageFont&, velmar::FontTarget) {
    for (ui::Form* form : forms.loaded()) form->ApplyLanguageFonts();
  });
}

void UninstallerApp::Start() {
  main.Load();
  RunStartup(*this);
  if (main.view()) main.view()->Show(false);
}

void UninstallerApp::ExitApplication() {
  try {
    log.WriteLog(L"Exiting Application at:" + host.locale.FormatGeneralDate(host.clock.Now()));
  } catch (const platform::RuntimeError&) {
  }
  log.Close();
  throw platform::ProgramEnd{0};
}

int UninstallerApp::Message(const std::wstring& text, std::uint32_t style) {
  return host.boxes.Show(text, kApplicationTitle, style);
}

bool UninstallerApp::IsVelmarVersionAtLeast(std::int16_t major, std::int16_t minor,
                                            std::int16_t build, std::int16_t revision) const {
  return std::tie(version.Major, version.Minor, version.Build, version.Revision) >=
         std::tie(major, minor, build, revision);
}

}  // namespace uninstaller
