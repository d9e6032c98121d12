// frmAbout: the version, the maker's notices and logos, and the language menu that switches
// every open window to another installed language.
#pragma once

#include <array>

#include "uninstaller/ui/window_model.h"

namespace uninstaller {
class UninstallerApp;
}

namespace uninstaller::ui {

class FrmAbout : public Form {
 public:
  FrmAbout(Forms& forms, UninstallerApp& app);

  bool HasAutoInit() const override { return true; }
  void Auto_Init() override;  // frmAbout_Auto_Init
  void OnClick(std::string_view control) override;
  void OnMenuItem(std::string_view menu, std::size_t index) override;

 protected:
  void OnLoad() override;

 private:
  void ChangeLanguage(const std::wstring& tag);
  void BuildLanguageMenu();

  UninstallerApp& app_;
};

// The About window's version text: " 4.0 Build 34" for version 4.0, revision 34.
std::wstring AboutVersionText(const std::array<std::uint16_t, 4>& version);

}  // namespace uninstaller::ui
