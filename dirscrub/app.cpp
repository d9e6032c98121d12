// Dirscrub's application object.
#include "dirscrub/app.h"

#include "dirscrub/main_flow.h"

namespace dirscrub {

DirscrubApp::DirscrubApp(platform::Host& host, ui::ViewFactory& views)
    : host(host),
      log(host),
      localize(host, kTitle, velmar::DirscrubLocalizeVariant()),
      runner(host, log),
      forms(localize, views),
      main(forms, *this) {
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
  log.Close();
  throw platform::ProgramEnd{0};
}

int DirscrubApp::Message(const std::wstring& text) {
  return host.boxes.Show(text, kTitle, platform::mb::kOk);
}

}  // namespace dirscrub
