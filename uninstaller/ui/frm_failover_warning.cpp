// frmFailoverWarning: its controls, the texts set once at load, and its two answers.
#include "uninstaller/ui/frm_failover_warning.h"

#include <utility>

#include "uninstaller/app.h"

namespace uninstaller::ui {
namespace {

constexpr ControlRow kControls[] = {
    {"Label1", Kind::kLabel, "", {180, 270, 7575, 975}, 2046},
    {"Label2", Kind::kLabel, "", {150, 1440, 7605, 765}, 2047},
    {"cmdProceed", Kind::kButton, "", {120, 3000, 3315, 495}, 2048},
    {"cmdCancel", Kind::kButton, "", {4680, 3000, 3105, 495}, 2049},
    {"mnuHelp", Kind::kMenu, "", {}, 1004},
    {"Help", Kind::kMenuItem, "mnuHelp", {}, 1004},
    {"seperator", Kind::kSeparator, "mnuHelp", {}},
    {"About", Kind::kMenuItem, "mnuHelp", {}, 1005},
};

constexpr FormTable kTable{"frmFailoverWarning", 7845, 3570, Border::kFixed, kControls};

constexpr std::pair<std::string_view, std::uint32_t> kLoadOrder[] = {
    {"Label1", 2046}, {"Label2", 2047},  {"cmdProceed", 2048}, {"cmdCancel", 2049},
    {"", 2050},       {"mnuHelp", 1004}, {"Help", 1004},       {"About", 1005},
};

}  // namespace

FrmFailoverWarning::FrmFailoverWarning(Forms& forms, UninstallerApp& app)
    : Form(kTable, forms), app_(app) {}

void FrmFailoverWarning::OnLoad() {
  for (const auto& [control, id] : kLoadOrder) SetCaption(control, forms().Text(id));
}

void FrmFailoverWarning::OnClick(std::string_view control) {
  if (control == "cmdProceed") {
    Hide();
  } else if (control == "cmdCancel") {
    throw platform::ProgramEnd{0};  // no log exists yet: nothing to write or close
  } else if (control == "Help") {
    app_.details.ShowModal(*this);
  } else if (control == "About") {
    app_.about.ShowModal(*this);
  }
}

}  // namespace uninstaller::ui
