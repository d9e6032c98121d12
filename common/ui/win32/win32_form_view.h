// One Win32 window built from a form's control table: frames, check boxes, labels, links,
// buttons, pictures, a progress bar, a browser and menus, laid out from twips at the system DPI.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "common/ui/form.h"

namespace velmar::ui::win32 {

class Win32FormView : public FormView {
 public:
  Win32FormView(Form& form, HINSTANCE instance, HWND owner, int dpi);
  ~Win32FormView() override;

  void Refresh(std::string_view control) override;
  void ApplyFont(const velmar::LanguageFont& font, velmar::FontTarget target) override;
  void RepaintAll() override;
  void ShowModal(FormView* from) override;
  void Show(bool topmost) override;
  void Hide() override;
  void SetBusyCursor(bool busy) override;
  Rect OuterRect() override;
  void SetOuterRect(const Rect& rect) override;
  void PlaceTopmostNoActivate(const Rect& pixels) override;
  std::uintptr_t NativeHandle() override { return reinterpret_cast<std::uintptr_t>(window_); }
  bool Minimized() override { return ::IsIconic(window_) != FALSE; }
  void PopupMenu(std::string_view menu) override;

  HWND window() const { return window_; }
  static void RegisterWindowClass(HINSTANCE instance);

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  void CreateControls();
  void CreateMenus();
  void Navigate(const std::wstring& address);
  RECT PixelsOf(const ControlRow& control) const;
  int Px(int twips) const { return ::MulDiv(twips, dpi_, 1440); }
  int Twips(int pixels) const { return ::MulDiv(pixels, 1440, dpi_); }
  HFONT MakeFont(const std::wstring& face, BYTE charset, bool bold, bool underline) const;
  void DeleteFonts();

  Form& form_;
  HINSTANCE instance_;
  HWND owner_;
  int dpi_;
  HWND window_ = nullptr;
  HMENU menu_bar_ = nullptr;
  std::map<std::string, HWND, std::less<>> children_;
  std::map<std::string, HMENU, std::less<>> menus_;  // pop-up menus by name
  std::map<int, std::string> commands_;              // command id -> control name
  std::map<std::string, int, std::less<>> ids_;      // control name -> command id
  std::vector<HFONT> fonts_;
  std::wstring navigated_;  // the address the browser was last sent to
  HBITMAP bitmaps_[4] = {};
  bool visible_ = false;
  bool busy_ = false;
  bool creating_ = true;
};

// Makes the Win32 views; the first window it makes (the main window) owns the later ones.
class Win32ViewFactory : public ViewFactory {
 public:
  explicit Win32ViewFactory(HINSTANCE instance);
  std::unique_ptr<FormView> Create(Form& form) override;

 private:
  HINSTANCE instance_;
  int dpi_ = 96;
  HWND main_ = nullptr;
};

}  // namespace velmar::ui::win32
