// Dirscrub's application object.
#include "dirscrub/app.h"

#include "dirscrub/main_flow.h"

#include <utility>

namespace dirscrub {
namespace {

namespace mb = platform::mb;

// The answers of a run nobody watches, by the box's buttons: Dirscrub's boxes only inform.
constexpr std::pair<std::uint32_t, int> kUnattendedAnswers[] = {
    {mb::kOk, mb::kIdOk},
    {mb::kOkCancel, mb::kIdCancel},
    {mb::kYesNo, mb::kIdNo},
};

int UnattendedAnswer(std::uint32_t style) {
  for (const auto& [buttons, answer] : kUnattendedAnswers) {
    if ((style & mb::kButtonMask) == buttons) return answer;
  }
  return mb::kIdCancel;
}

}  // namespace

DirscrubApp::DirscrubApp(platform::Host& given, ui::ViewFactory& views)
    : options(velmar::ParseRunOptions(given.processes.CommandArgs())),
      preview_(options.preview ? std::make_unique<platform::preview::RecordingHost>(
                                     given, platform::preview::Mode::kPreview,
                                     [this](const platform::preview::Change& change) {
                                       log.WriteEvenWhenClosed(change.text);
                                     })
                               : nullptr),
      unattended_boxes_(given.boxes),
      host(velmar::WithBoxes(preview_ ? preview_->host() : given, unattended_boxes_)),
      log(host, options.preview ? given.files : host.files,
          options.preview ? velmar::kPreviewReportPath : kLogPath),
      unattended(log, host.events, kTitle),
      localize(host, kTitle, velmar::DirscrubLocalizeVariant()),
      runner(host, log, options.unattended),
      forms(localize, views),
      main(forms, *this) {
  if (options.unattended) {
    unattended_boxes_.Answer(
        [](std::wstring_view, std::uint32_t style) { return UnattendedAnswer(style); },
        [this](const std::wstring& line) { unattended.Note(line); });
  }
  localize.SetFontHook([this](const velmar::LanguageFont&, velmar::FontTarget) {
    for (ui::Form* form : forms.loaded()) form->ApplyLanguageFonts();
  });
}

namespace {
// COM for the whole run, as the run time gives every program of its kind.
class ComScope {
 public:
  explicit ComScope(platform::ComObjects& com)
      : com_(com), ok_(com.InitializeMultithreaded() >= 0) {}
  ~ComScope() {
    if (ok_) com_.Uninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  platform::ComObjects& com_;
  bool ok_;
};
}  // namespace

void DirscrubApp::Run() {
  const ComScope com(host.com);
  main.Load();
  RunMainFlow(*this);
  End();
}

void DirscrubApp::End() {
  if (!unattended.log_opened()) unattended.ReportHeld();
  if (preview_) {
    for (const std::wstring& line :
         preview_->CountLines(L"Changes Dirscrub would make, by kind:")) {
      log.WriteEvenWhenClosed(line);
    }
  }
  log.Close();
  throw platform::ProgramEnd{0};
}

int DirscrubApp::Message(const std::wstring& text) {
  return host.boxes.Show(text, kTitle, platform::mb::kOk);
}

}  // namespace dirscrub
