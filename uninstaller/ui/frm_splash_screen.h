// frmSplashScreen: the borderless progress window that stays on top of the main window while
// the directory data is removed.
#pragma once

#include "uninstaller/ui/window_model.h"

namespace uninstaller::ui {

class FrmSplashScreen : public Form {
 public:
  explicit FrmSplashScreen(Forms& forms);

  bool HasAutoInit() const override { return true; }
  void Auto_Init() override;  // frmSplashScreen_Auto_Init
  // Loads it if needed, makes it topmost without moving it, then places it 200 twips right of
  // and 500 twips below the main window's top left corner and shows it, not modally.
  void ShowOver(Form& main);

 protected:
  void OnLoad() override { Auto_Init(); }
};

}  // namespace uninstaller::ui
