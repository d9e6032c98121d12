// Dirscrub's window: its control table, its captions when it loads, and its two placements.
#include "dirscrub/frm_main.h"

#include "dirscrub/app.h"

namespace dirscrub {
namespace {

using ui::ControlRow;
using ui::Kind;

constexpr ControlRow kControls[] = {
    {"Frame1", Kind::kFrame, "", {60, 0, 7080, 570}},
    {"ProgressBar1", Kind::kProgressBar, "Frame1", {120, 240, 6840, 255}},
};

constexpr ui::FormTable kTable{"frmMain", 7200, 600, ui::Border::kFixed, kControls};

// Pixels, as the window has always been placed: left, top, width, height.
constexpr ui::Rect kNarrow{30, 50, 383, 70};
constexpr ui::Rect kWide{30, 50, 486, 70};

}  // namespace

FrmMain::FrmMain(ui::Forms& forms, DirscrubApp& app) : Form(kTable, forms), app_(app) {}

void FrmMain::OnLoad() {
  PlaceNarrow();
  app_.version = velmar::GetVelmarVersion(app_.host.registry, app_.host.locale);
  app_.localize.InitializeLanguages();
  SetCaption("", forms().Text(1005));
  SetActivity(1004);
}

// A run nobody watches keeps the window unmapped: it is loaded, never placed on the screen.
void FrmMain::PlaceNarrow() {
  if (view() != nullptr && !app_.options.unattended) view()->PlaceTopmostNoActivate(kNarrow);
}

void FrmMain::PlaceWide() {
  if (view() != nullptr && !app_.options.unattended) view()->PlaceTopmostNoActivate(kWide);
}

void FrmMain::SetActivity(std::uint32_t text_id) {
  SetCaption("Frame1", forms().Text(text_id));
}

}  // namespace dirscrub
