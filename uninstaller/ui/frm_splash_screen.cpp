// frmSplashScreen: its controls, captions and placement.
#include "uninstaller/ui/frm_splash_screen.h"

namespace uninstaller::ui {
namespace {

constexpr ControlRow kControls[] = {
    {"frameMain", Kind::kFrame, "", {0, 0, 7215, 915}, 2056},
    {"ProgressBar1", Kind::kProgressBar, "frameMain", {60, 540, 7155, 255}},
};

constexpr FormTable kTable{"frmSplashScreen", 7245, 945, Border::kNone, kControls};

}  // namespace

FrmSplashScreen::FrmSplashScreen(Forms& forms) : Form(kTable, forms) {}

void FrmSplashScreen::Auto_Init() {
  ApplyLanguageFonts();
  SetCaption("frameMain", forms().Text(2056));
}

void FrmSplashScreen::ShowOver(Form& main) {
  Load();
  if (view() == nullptr || main.view() == nullptr) return;
  const Rect anchor = main.view()->OuterRect();
  Rect place = view()->OuterRect();
  place.left = anchor.left + 200;
  place.top = anchor.top + 500;
  view()->SetOuterRect(place);
  view()->Show(true);
}

}  // namespace uninstaller::ui
