// frmMain, the uninstaller's main window: the option, the eleven progress rows, Uninstall and
// Exit, and the File and Help menus.
#pragma once

#include <functional>

#include "uninstaller/ui/window_model.h"

namespace uninstaller {
class UninstallerApp;
}

namespace uninstaller::ui {

class FrmMain : public Form {
 public:
  FrmMain(Forms& forms, UninstallerApp& app);

  bool HasAutoInit() const override { return true; }
  void Auto_Init() override;  // frmMain_Auto_Init
  void OnClick(std::string_view control) override;
  void OnClose() override;

 protected:
  void OnLoad() override { Auto_Init(); }

 public:
  // Ticks progress row 1 to 11 (top to bottom) and repaints it.
  void TickRow(int row);
  // While the sequence runs: hourglass, Uninstall and the menus disabled; Exit stays.
  void SetSequenceRunning(bool running);
  bool RemoveSubscriberInfo() const { return Checked("chkRemoveSubscriberInfo"); }

  // What the Uninstall press and the update check run; set by the program.
  std::function<void()> on_uninstall;
  std::function<void()> on_check_for_update;

 private:
  void AskOptionQuestions();

  UninstallerApp& app_;
};

// The progress rows' check boxes, top to bottom.
inline constexpr std::string_view kProgressRows[] = {"chkCustomProperties",
                                                     "chkVelmarObjects",
                                                     "chkStopServices",
                                                     "chkUnregisterServices",
                                                     "chkUnregisteringDLLs",
                                                     "chkRemoveVelmarFromSQL",
                                                     "chkDeleteCorvaneDirectory",
                                                     "chkRegistrySettings",
                                                     "chkShortCuts",
                                                     "chkWebDirectories",
                                                     "chkDLLs"};

}  // namespace uninstaller::ui
