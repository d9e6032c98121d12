// The Win32 side of the windows: a generic window built from a form's control table. No
// exception may unwind through user32's frames, so every event reaches the form through Guard,
// which ends the process on ProgramEnd (the program ends at once) and drops run-time errors
// (no window handler traps anything itself).
#include "common/ui/win32/win32_form_view.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace velmar::ui::win32 {
namespace {

constexpr wchar_t kClass[] = L"VelmarForm";
constexpr wchar_t kBrowserChild[] = L"browserHelp";
constexpr int kFirstId = 100;
constexpr int kFirstDynamicId = 1000;

template <typename Handler>
void Guard(Handler&& handler) {
  try {
    handler();
  } catch (const platform::ProgramEnd& end) {
    ::ExitProcess(end.exit_code);
  } catch (const platform::RuntimeError&) {
  }
}

DWORD StyleOf(Border border) {
  switch (border) {
    case Border::kFixed: return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    case Border::kSizable: return WS_OVERLAPPEDWINDOW;
    case Border::kNone: return WS_POPUP;
  }
  return WS_OVERLAPPED;
}

bool IsMenuKind(Kind kind) {
  return kind == Kind::kMenu || kind == Kind::kMenuItem || kind == Kind::kSeparator;
}

// The shell's browser control, hosted through atl.dll's AtlAxWin class, which the library
// registers when it is initialised; loaded only when the help window first needs it.
bool BrowserHostReady() {
  static const bool ready = [] {
    HMODULE atl = ::LoadLibraryW(L"atl.dll");
    if (atl == nullptr) return false;
    using Init = BOOL(WINAPI*)();
    auto init =
        reinterpret_cast<Init>(reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxWinInit")));
    return init != nullptr && init() != FALSE;
  }();
  return ready;
}

}  // namespace

void Win32FormView::RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = Proc;
  cls.hInstance = instance;
  cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.hIcon = ::LoadIconW(instance, L"APPICON");
  if (cls.hIcon == nullptr) cls.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  cls.lpszClassName = kClass;
  ::RegisterClassExW(&cls);
}

Win32FormView::Win32FormView(Form& form, HINSTANCE instance, HWND owner, int dpi)
    : form_(form), instance_(instance), owner_(owner), dpi_(dpi) {
  const FormTable& table = form.table();
  const DWORD style = StyleOf(table.border);
  CreateMenus();
  RECT outer{0, 0, Px(table.client_width), Px(table.client_height)};
  ::AdjustWindowRectEx(&outer, style, menu_bar_ != nullptr, 0);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  RECT area{};
  if (owner_ != nullptr && ::IsWindowVisible(owner_)) {
    ::GetWindowRect(owner_, &area);
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  const int left = area.left + ((area.right - area.left) - width) / 2;
  const int top = area.top + ((area.bottom - area.top) - height) / 2;
  window_ = ::CreateWindowExW(table.border == Border::kNone ? WS_EX_TOOLWINDOW : 0, kClass, L"",
                              style, left < 0 ? 0 : left, top < 0 ? 0 : top, width, height, owner_,
                              menu_bar_, instance_, this);
  CreateControls();
  creating_ = false;
}

Win32FormView::~Win32FormView() {
  if (window_ != nullptr && ::IsWindow(window_)) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
  DeleteFonts();
  for (HBITMAP bitmap : bitmaps_) {
    if (bitmap != nullptr) ::DeleteObject(bitmap);
  }
}

void Win32FormView::CreateMenus() {
  int id = kFirstId;
  for (const ControlRow& control : form_.table().controls) {
    const int command = id++;
    if (!IsMenuKind(control.kind)) continue;
    if (control.kind == Kind::kMenu) {
      HMENU popup = ::CreatePopupMenu();
      menus_[std::string(control.name)] = popup;
      if (control.in_menu_bar) {
        if (menu_bar_ == nullptr) menu_bar_ = ::CreateMenu();
        ::AppendMenuW(menu_bar_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), L"");
      }
    } else {
      const auto parent = menus_.find(control.parent);
      if (parent == menus_.end()) continue;
      ::AppendMenuW(parent->second, control.kind == Kind::kSeparator ? MF_SEPARATOR : MF_STRING,
                    command, L"");
    }
    commands_[command] = control.name;
    ids_[std::string(control.name)] = command;
  }
}

RECT Win32FormView::PixelsOf(const ControlRow& control) const {
  Rect place = form_.Place(control.name);
  // Children of a frame are placed relative to it; a group box is no real container.
  int frame_right = 0;  // twips, of the innermost frame; 0 when none
  for (const ControlRow* parent = form_.Control(control.parent); parent != nullptr;
       parent = form_.Control(parent->parent)) {
    const Rect frame = form_.Place(parent->name);
    place.left += frame.left;
    place.top += frame.top;
    frame_right += frame.left + (frame_right == 0 ? frame.width : 0);
  }
  int right = Px(place.left + place.width);
  // A child that reaches its frame's edge stops short of the frame's etched line (2 pixels),
  // which it would otherwise paint over.
  if (frame_right != 0) right = std::min(right, Px(frame_right) - 2);
  return {Px(place.left), Px(place.top), right, Px(place.top + place.height)};
}

void Win32FormView::CreateControls() {
  int id = kFirstId;
  int bitmap = 0;
  for (const ControlRow& control : form_.table().controls) {
    const int command = id++;
    if (IsMenuKind(control.kind) || control.kind == Kind::kBrowser) continue;
    const wchar_t* cls = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    switch (control.kind) {
      case Kind::kFrame: style |= BS_GROUPBOX; break;
      // Only a captioned box is the user's to tick; the progress rows are display only.
      case Kind::kCheckBox:
        style |= (control.caption_id ? BS_AUTOCHECKBOX : BS_CHECKBOX) | WS_TABSTOP;
        break;
      case Kind::kButton: style |= BS_PUSHBUTTON | WS_TABSTOP; break;
      case Kind::kLabel:
        cls = L"STATIC";
        style |= SS_LEFT | SS_NOPREFIX;
        break;
      case Kind::kLink:
        cls = L"STATIC";
        style |= SS_LEFT | SS_NOTIFY;
        break;
      case Kind::kPicture:
        cls = L"STATIC";
        style |= SS_BITMAP | SS_CENTERIMAGE;
        break;
      case Kind::kProgressBar: cls = PROGRESS_CLASSW; break;
      default: continue;
    }
    const RECT r = PixelsOf(control);
    HWND child = ::CreateWindowExW(
        0, cls, L"", style, r.left, r.top, r.right - r.left, r.bottom - r.top, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(command)), instance_, nullptr);
    children_[std::string(control.name)] = child;
    commands_[command] = control.name;
    ids_[std::string(control.name)] = command;
    if (control.kind == Kind::kPicture && bitmap < static_cast<int>(std::size(bitmaps_))) {
      // The artwork drawn for 144 DPI where the boxes are that large, else the 96 DPI one.
      const std::wstring resource(control.name.begin(), control.name.end());
      if (dpi_ >= 132) {
        bitmaps_[bitmap] = static_cast<HBITMAP>(::LoadImageW(
            instance_, (resource + L"_144").c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
      }
      if (bitmaps_[bitmap] == nullptr) {
        bitmaps_[bitmap] = static_cast<HBITMAP>(
            ::LoadImageW(instance_, resource.c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
      }
      ::SendMessageW(child, STM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(bitmaps_[bitmap++]));
    }
  }
  // A frame is drawn behind the controls placed on it: the first child created is on top.
  for (const ControlRow& control : form_.table().controls) {
    if (control.kind != Kind::kFrame) continue;
    ::SetWindowPos(children_[std::string(control.name)], HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  ApplyFont({}, velmar::FontTarget::kFontAndNameProperty);
}

void Win32FormView::Refresh(std::string_view control) {
  const std::wstring& caption = form_.Caption(control);
  if (control.empty()) {
    ::SetWindowTextW(window_, caption.c_str());
    return;
  }
  const ControlRow* row = form_.Control(control);
  if (row == nullptr) return;
  if (IsMenuKind(row->kind)) {
    const auto id = ids_.find(control);
    if (id == ids_.end()) return;
    const UINT enabled = form_.Enabled(control) ? MF_ENABLED : MF_GRAYED;
    if (row->kind == Kind::kMenu && row->in_menu_bar && menu_bar_ != nullptr) {
      // A bar entry is found by its position among the bar's pop-ups.
      int position = 0;
      for (const ControlRow& other : form_.table().controls) {
        if (other.name == control) break;
        if (other.kind == Kind::kMenu && other.in_menu_bar) ++position;
      }
      ::ModifyMenuW(menu_bar_, position, MF_BYPOSITION | MF_POPUP | MF_STRING | enabled,
                    reinterpret_cast<UINT_PTR>(menus_[std::string(control)]), caption.c_str());
      ::DrawMenuBar(window_);
    } else if (row->kind == Kind::kMenuItem) {
      const auto parent = menus_.find(row->parent);
      if (parent != menus_.end()) {
        ::ModifyMenuW(parent->second, id->second, MF_BYCOMMAND | MF_STRING | enabled, id->second,
                      caption.c_str());
      }
    }
    return;
  }
  if (row->kind == Kind::kBrowser) {
    if (caption != navigated_) Navigate(caption);  // a move or resize does not reload the page
    const auto browser = children_.find(control);
    if (browser != children_.end()) {
      const RECT r = PixelsOf(*row);
      ::MoveWindow(browser->second, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    return;
  }
  const auto child = children_.find(control);
  if (child == children_.end()) return;
  HWND hwnd = child->second;
  if (row->kind == Kind::kProgressBar) {
    ::SendMessageW(hwnd, PBM_SETRANGE32, form_.progress_min(), form_.progress_max());
    ::SendMessageW(hwnd, PBM_SETPOS, form_.progress_value(), 0);
  } else if (row->kind != Kind::kPicture) {
    ::SetWindowTextW(hwnd, caption.c_str());
  }
  if (row->kind == Kind::kCheckBox) {
    ::SendMessageW(hwnd, BM_SETCHECK, form_.Checked(control) ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  ::EnableWindow(hwnd, form_.Enabled(control) ? TRUE : FALSE);
  const RECT r = PixelsOf(*row);
  ::MoveWindow(hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  ::UpdateWindow(hwnd);
}

void Win32FormView::Navigate(const std::wstring& address) {
  navigated_ = address;
  if (address.empty() || !BrowserHostReady()) return;
  auto& browser = children_[std::string("browserHelp")];
  if (browser != nullptr) ::DestroyWindow(browser);
  // A URL as the window text makes AtlAxWin create the browser control and navigate to it.
  browser = ::CreateWindowExW(0, L"AtlAxWin", address.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                              window_, nullptr, instance_, nullptr);
  (void)kBrowserChild;
}

HFONT Win32FormView::MakeFont(const std::wstring& face, BYTE charset, bool bold,
                              bool underline) const {
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(8, dpi_, 72);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfCharSet = charset;
  lstrcpynW(font.lfFaceName, face.empty() ? L"MS Shell Dlg" : face.c_str(), LF_FACESIZE);
  return ::CreateFontIndirectW(&font);
}

void Win32FormView::DeleteFonts() {
  for (HFONT font : fonts_) ::DeleteObject(font);
  fonts_.clear();
}

void Win32FormView::ApplyFont(const velmar::LanguageFont& font, velmar::FontTarget) {
  // The form hands over the face the controls keep; it is empty only until a language has
  // named one, and then the dialog face stays.
  HFONT normal = MakeFont(font.name, font.charset, false, false);
  HFONT bold = MakeFont(font.name, font.charset, true, false);
  HFONT link = MakeFont(font.name, font.charset, false, true);
  std::vector<HFONT> old = std::move(fonts_);
  fonts_ = {normal, bold, link};
  for (const auto& [name, hwnd] : children_) {
    const ControlRow* row = form_.Control(name);
    HFONT chosen = row && row->bold ? bold : row && row->kind == Kind::kLink ? link : normal;
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), TRUE);
  }
  for (HFONT f : old) ::DeleteObject(f);
}

void Win32FormView::RepaintAll() {
  ::RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32FormView::ShowModal(FormView* from) {
  // The window it was opened from is the one disabled, and owns it for the display so that it
  // stays above it: About over the failover warning leaves neither the warning's buttons nor
  // its menu clickable underneath.
  HWND opener = from != nullptr ? reinterpret_cast<HWND>(from->NativeHandle()) : owner_;
  if (opener == window_) opener = owner_;
  if (opener != owner_) {
    ::SetWindowLongPtrW(window_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(opener));
  }
  const bool opener_enabled = opener != nullptr && ::IsWindowEnabled(opener);
  if (opener_enabled) ::EnableWindow(opener, FALSE);
  Show(false);
  MSG message;
  while (visible_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(window_, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  if (opener_enabled) {
    ::EnableWindow(opener, TRUE);
    ::SetActiveWindow(opener);
  }
  if (opener != owner_ && ::IsWindow(window_)) {
    ::SetWindowLongPtrW(window_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_));
  }
}

void Win32FormView::Show(bool topmost) {
  visible_ = true;
  if (topmost) {
    ::SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  ::ShowWindow(window_, SW_SHOW);
  ::UpdateWindow(window_);
}

void Win32FormView::PlaceTopmostNoActivate(const Rect& pixels) {
  visible_ = true;
  ::SetWindowPos(window_, HWND_TOPMOST, pixels.left, pixels.top, pixels.width, pixels.height,
                 SWP_NOACTIVATE | SWP_DRAWFRAME | SWP_SHOWWINDOW);
  ::UpdateWindow(window_);
}

void Win32FormView::Hide() {
  visible_ = false;
  if (window_ != nullptr) ::ShowWindow(window_, SW_HIDE);
}

void Win32FormView::SetBusyCursor(bool busy) {
  busy_ = busy;
  ::SetCursor(::LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

Rect Win32FormView::OuterRect() {
  RECT r{};
  ::GetWindowRect(window_, &r);
  return {Twips(r.left), Twips(r.top), Twips(r.right - r.left), Twips(r.bottom - r.top)};
}

void Win32FormView::SetOuterRect(const Rect& rect) {
  ::MoveWindow(window_, Px(rect.left), Px(rect.top), Px(rect.width), Px(rect.height), TRUE);
}

void Win32FormView::PopupMenu(std::string_view menu) {
  HMENU popup = ::CreatePopupMenu();
  const auto& entries = form_.DynamicMenu();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    ::AppendMenuW(popup, MF_STRING, kFirstDynamicId + i, entries[i].caption.c_str());
  }
  POINT at{};
  ::GetCursorPos(&at);
  ::SetForegroundWindow(window_);
  const int chosen = static_cast<int>(::TrackPopupMenu(
      popup, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, window_, nullptr));
  ::DestroyMenu(popup);
  if (chosen >= kFirstDynamicId) {
    const std::string name(menu);
    Guard([&] { form_.OnMenuItem(name, static_cast<std::size_t>(chosen - kFirstDynamicId)); });
  }
}

LRESULT CALLBACK Win32FormView::Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
    auto* self = static_cast<Win32FormView*>(create->lpCreateParams);
    self->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32FormView*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  return self != nullptr ? self->Handle(message, w, l) : ::DefWindowProcW(window, message, w, l);
}

LRESULT Win32FormView::Handle(UINT message, WPARAM w, LPARAM l) {
  Form& form = form_;  // the view may be retired by the handler it calls; the form stays
  switch (message) {
    case WM_COMMAND: {
      const auto command = commands_.find(LOWORD(w));
      if (command == commands_.end()) break;
      const std::string name = command->second;
      const ControlRow* row = form.Control(name);
      if (row && row->kind == Kind::kCheckBox) {
        if (!row->caption_id) return 0;  // display-only rows ignore clicks
        form.SetChecked(
            name, ::SendMessageW(reinterpret_cast<HWND>(l), BM_GETCHECK, 0, 0) == BST_CHECKED);
      }
      Guard([&] { form.OnClick(name); });
      return 0;
    }
    case WM_CLOSE: Guard([&] { form.OnClose(); }); return 0;
    case WM_SIZE:
      if (!creating_) Guard([&] { form.OnResize(); });
      return 0;
    case WM_SETCURSOR:
      if (busy_) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    // Labels and check boxes sit on the window's face colour; the link is blue.
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(w);
      const auto link = children_.find(std::string("lblChangeLanguage"));
      const bool is_link = link != children_.end() && reinterpret_cast<HWND>(l) == link->second;
      ::SetTextColor(dc, is_link ? RGB(0, 0, 255) : ::GetSysColor(COLOR_BTNTEXT));
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    // Themed controls ask their parent to paint the background behind them.
    case WM_PRINTCLIENT: {
      RECT client{};
      ::GetClientRect(window_, &client);
      ::FillRect(reinterpret_cast<HDC>(w), &client, ::GetSysColorBrush(COLOR_BTNFACE));
      return 0;
    }
    default: break;
  }
  return ::DefWindowProcW(window_, message, w, l);
}

Win32ViewFactory::Win32ViewFactory(HINSTANCE instance) : instance_(instance) {
  // The progress bar is the one common control here (buttons and labels are user32's). Its flag
  // is known to every common controls version since 4.70. Should the call still fail, the old
  // call is the fallback: versions before 6 register every class as the library loads, and
  // importing it is what loads the library.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  if (!::InitCommonControlsEx(&controls)) ::InitCommonControls();
  HDC screen = ::GetDC(nullptr);
  dpi_ = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  Win32FormView::RegisterWindowClass(instance_);
}

std::unique_ptr<FormView> Win32ViewFactory::Create(Form& form) {
  auto view = std::make_unique<Win32FormView>(form, instance_, main_, dpi_);
  if (main_ == nullptr) main_ = view->window();
  return view;
}

}  // namespace velmar::ui::win32
