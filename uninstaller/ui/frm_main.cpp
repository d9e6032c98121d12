// frmMain: its control table, captions, option questions and ways out.
#include "uninstaller/ui/frm_main.h"

#include <array>
#include <utility>

#include "uninstaller/app.h"
#include "uninstaller/ui/frm_about.h"
#include "uninstaller/ui/frm_details.h"

namespace uninstaller::ui {
namespace {

// A progress row: the check box without a caption and its label, 240 twips apart.
constexpr ControlRow RowBox(std::string_view name, int row) {
  return {name, Kind::kCheckBox, "frmProgress", {240, 240 + 240 * row, 195, 195}};
}
constexpr ControlRow RowLabel(std::string_view name, int row, std::uint32_t id) {
  return {name, Kind::kLabel, "frmProgress", {540, 240 + 240 * row, 6870, 195}, id};
}

constexpr ControlRow kControls[] = {
    {"Frame1", Kind::kFrame, "", {60, 120, 7455, 555}, 2033},
    {"chkRemoveSubscriberInfo", Kind::kCheckBox, "Frame1", {240, 240, 7095, 195}, 2034},
    {"frmProgress", Kind::kFrame, "", {60, 840, 7455, 2955}, 1008},
    RowBox("chkCustomProperties", 0),
    RowLabel("lblRemoveCustomProperties", 0, 1009),
    RowBox("chkVelmarObjects", 1),
    RowLabel("lblRemoveVelmarObjects", 1, 1010),
    RowBox("chkStopServices", 2),
    RowLabel("lblStopServices", 2, 1012),
    RowBox("chkUnregisterServices", 3),
    RowLabel("lblUnregisterServices", 3, 1018),
    RowBox("chkUnregisteringDLLs", 4),
    RowLabel("Label2", 4, 2044),
    RowBox("chkRemoveVelmarFromSQL", 5),
    RowLabel("Label1", 5, 2035),
    RowBox("chkDeleteCorvaneDirectory", 6),
    RowLabel("lblDeleteCorvaneDirectory", 6, 1013),
    RowBox("chkRegistrySettings", 7),
    RowLabel("lblRemoveRegistrySettings", 7, 1014),
    RowBox("chkShortCuts", 8),
    RowLabel("lblRemoveShortCuts", 8, 1015),
    RowBox("chkWebDirectories", 9),
    RowLabel("lblRemoveWebDirectories", 9, 1016),
    RowBox("chkDLLs", 10),
    RowLabel("lblRemoveDLLs", 10, 1017),
    {"cmdUninstall", Kind::kButton, "", {60, 3960, 1455, 495}, 1006},
    {"cmdExit", Kind::kButton, "", {6300, 3960, 1215, 495}, 1003},
    {"mnuFile", Kind::kMenu, "", {}, 2030},
    {"mnuExit", Kind::kMenuItem, "mnuFile", {}, 1003},
    {"mnuHelp", Kind::kMenu, "", {}, 1004},
    {"Help", Kind::kMenuItem, "mnuHelp", {}, 1004},
    {"Seperator", Kind::kSeparator, "mnuHelp", {}},
    {"About", Kind::kMenuItem, "mnuHelp", {}, 1005},
    {"mnuCheckForUpdatedVersion", Kind::kMenuItem, "mnuHelp", {}, 2051},
};

constexpr FormTable kTable{"frmMain", 7620, 4485, Border::kFixed, kControls};

// The order in which frmMain_Auto_Init sets its captions.
constexpr std::pair<std::string_view, std::uint32_t> kCaptionOrder[] = {
    {"", 1001},
    {"Frame1", 2033},
    {"chkRemoveSubscriberInfo", 2034},
    {"cmdUninstall", 1006},
    {"frmProgress", 1008},
    {"Label2", 2044},
    {"Label1", 2035},
    {"lblStopServices", 1012},
    {"lblUnregisterServices", 1018},
    {"lblDeleteCorvaneDirectory", 1013},
    {"lblRemoveRegistrySettings", 1014},
    {"lblRemoveShortCuts", 1015},
    {"lblRemoveWebDirectories", 1016},
    {"lblRemoveDLLs", 1017},
    {"lblRemoveVelmarObjects", 1010},
    {"lblRemoveCustomProperties", 1009},
    {"cmdExit", 1003},
    {"mnuFile", 2030},
    {"mnuExit", 1003},
    {"mnuHelp", 1004},
    {"Help", 1004},
    {"About", 1005},
    {"mnuCheckForUpdatedVersion", 2051},
};

}  // namespace

FrmMain::FrmMain(Forms& forms, UninstallerApp& app) : Form(kTable, forms), app_(app) {}

void FrmMain::Auto_Init() {
  ApplyLanguageFonts();
  for (const auto& [control, id] : kCaptionOrder) SetCaption(control, forms().Text(id));
}

void FrmMain::OnClick(std::string_view control) {
  if (!Clickable(control)) return;  // while the sequence runs: no nested run, no menu
  if (control == "chkRemoveSubscriberInfo") {
    if (Checked(control)) AskOptionQuestions();  // clearing the box asks nothing
  } else if (control == "cmdExit" || control == "mnuExit") {
    app_.ExitApplication();
  } else if (control == "cmdUninstall") {
    if (on_uninstall) on_uninstall();
  } else if (control == "Help") {
    app_.details.ShowModal(*this);
  } else if (control == "About") {
    app_.about.ShowModal(*this);
  } else if (control == "mnuCheckForUpdatedVersion") {
    if (view()) view()->SetBusyCursor(true);
    if (on_check_for_update) on_check_for_update();
    if (view()) view()->SetBusyCursor(false);
  }
}

// Closing the window always writes the closing log line.
void FrmMain::OnClose() {
  app_.ExitApplication();
}

void FrmMain::AskOptionQuestions() {
  const auto ask = [&](std::uint32_t id) {
    return app_.Message(forms().Text(id), platform::mb::kYesNo) == platform::mb::kIdYes;
  };
  const auto refuse = [&](std::uint32_t notice) {
    app_.Message(forms().Text(notice), platform::mb::kOk);
    SetChecked("chkRemoveSubscriberInfo", false);
  };
  if (ask(2058)) return refuse(2062);
  if (!ask(2059)) return refuse(2061);
  if (ask(2060)) return refuse(2062);
}

void FrmMain::TickRow(int row) {
  if (row < 1 || row > static_cast<int>(std::size(kProgressRows))) return;
  SetChecked(kProgressRows[row - 1], true);
}

void FrmMain::SetSequenceRunning(bool running) {
  if (view()) view()->SetBusyCursor(running);
  for (const char* control : {"cmdUninstall", "mnuFile", "mnuHelp"}) {
    SetEnabled(control, !running);
  }
}

}  // namespace uninstaller::ui
