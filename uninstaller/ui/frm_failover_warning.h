// frmFailoverWarning: shown modally at start-up on the primary server of a failover pair;
// Proceed lets start-up go on, Cancel ends the program before the log exists.
#pragma once

#include "uninstaller/ui/window_model.h"

namespace uninstaller {
class UninstallerApp;
}

namespace uninstaller::ui {

class FrmFailoverWarning : public Form {
 public:
  FrmFailoverWarning(Forms& forms, UninstallerApp& app);

  void OnClick(std::string_view control) override;
  // Closing the warning counts as Cancel: nothing is removed from a failover primary without
  // the administrator's explicit go-ahead.
  void OnClose() override { OnClick("cmdCancel"); }

 protected:
  void OnLoad() override;

 private:
  UninstallerApp& app_;
};

}  // namespace uninstaller::ui
