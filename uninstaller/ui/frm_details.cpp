// frmDetails: load, navigation and the resize rule.
#include "uninstaller/ui/frm_details.h"

namespace uninstaller::ui {
namespace {

constexpr ControlRow kControls[] = {
    {"browserHelp", Kind::kBrowser, "", {180, 180, 9615, 7995}, 0},
};

constexpr FormTable kTable{"frmDetails", 9915, 8205, Border::kSizable, kControls};

}  // namespace

DetailsLayout LayOutDetails(const Rect& window) {
  Rect outer = window;
  if (outer.width < 2500) outer.width = 2500;
  if (outer.height < 2400) outer.height = 2400;
  return {outer, {100, 1, outer.width - 200, outer.height - 400}};
}

FrmDetails::FrmDetails(Forms& forms, std::wstring program_folder)
    : Form(kTable, forms), program_folder_(std::move(program_folder)) {}

void FrmDetails::Auto_Init() {
  ApplyLanguageFonts();
  SetCaption("", forms().Text(1001));
}

void FrmDetails::OnLoad() {
  Auto_Init();
  SetCaption("", forms().Text(1001));
  SetCaption("browserHelp", L"file://" + program_folder_ + L"\\VelmarUninstall3xandUp.htm");
}

void FrmDetails::OnResize() {
  if (view() == nullptr || view()->Minimized()) return;
  const Rect current = view()->OuterRect();
  const DetailsLayout layout = LayOutDetails(current);
  if (layout.window != current) view()->SetOuterRect(layout.window);
  SetPlace("browserHelp", layout.browser);
}

}  // namespace uninstaller::ui
