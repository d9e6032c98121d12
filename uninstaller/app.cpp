// The uninstaller's application object, its start and its way out.
#include "uninstaller/app.h"

#include <tuple>

#include "uninstaller/preview_run.h"
#include "uninstaller/sequence/startup.h"
#include "uninstaller/sequence/uninstall_sequence.h"
#include "uninstaller/ui/mod_update_check.h"
#include "uninstaller/unattended_answers.h"

namespace uninstaller {
UninstallerApp::UninstallerApp(platform::Host& given, ui::ViewFactory& views)
    : options(velmar::ParseRunOptions(given.processes.CommandArgs())),
      preview_(MakePreviewHost(
          given, options,
          [this](const platform::preview::Change& change) { log.WriteLog(change.text); })),
      unattended_boxes_(given.boxes),
      host(velmar::WithBoxes(preview_ ? preview_->host() : given, unattended_boxes_)),
      log(options.preview ? given.files : host.files, host.clock,
          options.preview ? velmar::kPreviewReportPath : kLogPath),
      unattended(log, host.events, kApplicationTitle),
      localize(host, kApplicationTitle),
      forms(localize, views),
      main(forms, *this),
      about(forms, *this),
      details(forms, platform::ProgramFolder(host.processes)),
      splash(forms),
      failover(forms, *this) {
  if (options.unattended) {
    unattended_boxes_.Answer(
        [this](std::wstring_view text, std::uint32_t style) {
          return UnattendedAnswer(*this, text, style);
        },
        [this](const std::wstring& line) { unattended.Note(line); });
  }
  main.on_uninstall = [this] { UninstallSequence(*this).OnPress(); };
  main.on_check_for_update = [this] { CheckForUpdatedVersion(*this); };
  localize.SetFontHook([this](const velmar::LanguageFont&, velmar::FontTarget) {
    for (ui::Form* form : forms.loaded()) form->ApplyLanguageFonts();
  });
}

void UninstallerApp::Start() {
  main.Load();
  RunStartup(*this);
  if (options.preview) WritePreviewHeadline(*this);
  if (options.unattended || options.preview) PressUninstallYourself();
  if (main.view()) main.view()->Show(false);
}

// The press an administrator would make once start-up has passed; the option is ticked as the
// command line says, without its questions. The press ends the program; a press that returns
// was refused.
void UninstallerApp::PressUninstallYourself() {
  main.SetChecked("chkRemoveSubscriberInfo", options.remove_subscriber_info);
  main.OnClick("cmdUninstall");
  ExitApplication(exit_code::kCompletedWithErrors);
}

void UninstallerApp::ExitApplication(std::uint32_t unattended_exit_code) {
  if (!unattended.log_opened()) unattended.ReportHeld();
  try {
    log.WriteLog(L"Exiting Application at:" + host.locale.FormatGeneralDate(host.clock.Now()));
  } catch (const platform::RuntimeError&) {
  }
  log.Close();
  // A preview is as often run by a script as by hand: it always says how it ended.
  throw platform::ProgramEnd{options.unattended || options.preview ? unattended_exit_code : 0};
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
