// The uninstaller's application object: the program-wide state every part of the run shares
// (log, language, product version, start-up flags) and the facilities it was handed.
#pragma once

#include <cstdint>
#include <string>

#include "common/localize.h"
#include "common/velmar_version.h"
#include "platform/host.h"
#include "uninstaller/sequence/uninstall_log.h"

namespace uninstaller {

enum class FailoverChoice { kProceed, kCancel };

// The windows, as far as the program's logic needs them; the Win32 windows and the tests'
// stand-ins implement it.
class UninstallerUi {
 public:
  virtual ~UninstallerUi() = default;
  virtual void frmMain_Auto_Init() = 0;
  virtual FailoverChoice ShowFailoverWarning() = 0;  // modal
};

class UninstallerApp {
 public:
  UninstallerApp(platform::Host& host, UninstallerUi& ui);

  // The closing line, the log closed, the program ended at once; never returns.
  [[noreturn]] void ExitApplication();
  // A message box with the program's title.
  int Message(const std::wstring& text, std::uint32_t style);
  std::wstring Text(std::uint32_t id) { return localize.LoadLocalizedString(id); }
  bool IsVelmarVersionAtLeast(std::int16_t major, std::int16_t minor, std::int16_t build,
                              std::int16_t revision) const;

  platform::Host& host;
  UninstallerUi& ui;
  UninstallLog log;
  velmar::Localizer localize;
  velmar::VelmarVersionInfo version;
  bool VelmarServicesRunning = false;
  bool NotRunningAccepted = false;
};

}  // namespace uninstaller
