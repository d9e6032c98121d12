// The uninstaller's Win32 windows: the main window (plain for now: caption and Exit) and the
// failover warning shown modally during start-up. Logic stays in the portable application.
#pragma once

#include <windows.h>

#include "uninstaller/app.h"

namespace uninstaller::win32 {

class Win32Ui : public UninstallerUi {
 public:
  explicit Win32Ui(HINSTANCE instance);
  void Attach(UninstallerApp& app) { app_ = &app; }

  void frmMain_Auto_Init() override;
  FailoverChoice ShowFailoverWarning() override;

  HWND CreateMainWindow();
  int RunMessageLoop();

 private:
  static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK FailoverProc(HWND window, UINT message, WPARAM w, LPARAM l);
  int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }
  HWND Child(HWND parent, const wchar_t* cls, DWORD style, int id, int l, int t, int w, int h);

  HINSTANCE instance_;
  UninstallerApp* app_ = nullptr;
  HWND main_ = nullptr;
  HWND exit_button_ = nullptr;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  enum class Pending { kOpen, kProceed, kCancel } failover_ = Pending::kOpen;
};

}  // namespace uninstaller::win32
