// frmDetails, the help window: an embedded browser on the help page beside the program, kept
// filling the window as it is resized.
#pragma once

#include "uninstaller/ui/window_model.h"

namespace uninstaller::ui {

class FrmDetails : public Form {
 public:
  FrmDetails(Forms& forms, std::wstring program_folder);

  bool HasAutoInit() const override { return true; }
  void Auto_Init() override;  // frmDetails_Auto_Init
  void OnResize() override;
  // The address the browser shows (its caption in this model).
  const std::wstring& Address() const { return Caption("browserHelp"); }

 protected:
  void OnLoad() override;

 private:
  std::wstring program_folder_;
};

// The layout rule: the window at least 2500 by 2400 twips, the browser 100 twips in from the
// left and filling the width less 200 and the height less 400.
struct DetailsLayout {
  Rect window;
  Rect browser;
};
DetailsLayout LayOutDetails(const Rect& window);

}  // namespace uninstaller::ui
