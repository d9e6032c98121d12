// The Win32 windows of the uninstaller. A ProgramEnd raised inside a handler must not unwind
// through user32's frames, so every handler runs inside Guard, which ends the process there.
#include "uninstaller/ui/win32/win32_ui.h"

namespace uninstaller::win32 {
namespace {

constexpr wchar_t kMainClass[] = L"VelmarUninstallerMain";
constexpr wchar_t kFailoverClass[] = L"VelmarFailoverWarning";
constexpr int kExitId = 1;
constexpr int kProceedId = 10;
constexpr int kCancelId = 11;
constexpr int kHelpId = 20;
constexpr int kAboutId = 21;
constexpr DWORD kFixedFrame = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

template <typename Handler>
void Guard(Handler&& handler) {
  try {
    handler();
  } catch (const platform::ProgramEnd& end) {
    ::ExitProcess(end.exit_code);
  } catch (const platform::RuntimeError&) {
    // No handler of these windows traps anything itself; a failure ends only that handler.
  }
}

Win32Ui* UiOf(HWND window) {
  return reinterpret_cast<Win32Ui*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = proc;
  cls.hInstance = instance;
  cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = name;
  cls.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  ::RegisterClassExW(&cls);
}

// Outer size of a window whose client area is the given size.
SIZE OuterSize(int client_width, int client_height, DWORD style, bool menu) {
  RECT rect{0, 0, client_width, client_height};
  ::AdjustWindowRect(&rect, style, menu ? TRUE : FALSE);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

Win32Ui::Win32Ui(HINSTANCE instance) : instance_(instance) {
  HDC screen = ::GetDC(nullptr);
  dpi_ = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  font_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  RegisterWindowClass(instance_, kMainClass, MainProc);
  RegisterWindowClass(instance_, kFailoverClass, FailoverProc);
}

HWND Win32Ui::Child(HWND parent, const wchar_t* cls, DWORD style, int id, int l, int t, int w,
                    int h) {
  HWND child = ::CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, Px(l), Px(t), Px(w),
                                 Px(h), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 instance_, nullptr);
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  return child;
}

HWND Win32Ui::CreateMainWindow() {
  const SIZE size = OuterSize(Px(7620), Px(4485), kFixedFrame, false);
  main_ = ::CreateWindowExW(0, kMainClass, L"", kFixedFrame, CW_USEDEFAULT, CW_USEDEFAULT, size.cx,
                            size.cy, nullptr, nullptr, instance_, nullptr);
  ::SetWindowLongPtrW(main_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  exit_button_ =
      Child(main_, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, kExitId, 6300, 3960, 1215, 495);
  return main_;
}

void Win32Ui::frmMain_Auto_Init() {
  if (main_ == nullptr || app_ == nullptr) return;
  ::SetWindowTextW(main_, app_->Text(1001).c_str());
  ::SetWindowTextW(exit_button_, app_->Text(1003).c_str());
}

int Win32Ui::RunMessageLoop() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK Win32Ui::MainProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  Win32Ui* ui = UiOf(window);
  if (ui != nullptr && ui->app_ != nullptr) {
    if ((message == WM_COMMAND && LOWORD(w) == kExitId) || message == WM_CLOSE) {
      Guard([&] { ui->app_->ExitApplication(); });
      return 0;
    }
  }
  return ::DefWindowProcW(window, message, w, l);
}

FailoverChoice Win32Ui::ShowFailoverWarning() {
  HMENU bar = ::CreateMenu();
  HMENU help = ::CreatePopupMenu();
  ::AppendMenuW(help, MF_STRING, kHelpId, app_->Text(1004).c_str());
  ::AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(help, MF_STRING, kAboutId, app_->Text(1005).c_str());
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), app_->Text(1004).c_str());

  const SIZE size = OuterSize(Px(7845), Px(3570), kFixedFrame, true);
  HWND dialog =
      ::CreateWindowExW(WS_EX_DLGMODALFRAME, kFailoverClass, L"", kFixedFrame, CW_USEDEFAULT,
                        CW_USEDEFAULT, size.cx, size.cy, main_, bar, instance_, nullptr);
  ::SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // The texts are set once, in this order, as the window loads.
  ::SetWindowTextW(Child(dialog, L"STATIC", SS_LEFT, 0, 180, 270, 7575, 975),
                   app_->Text(2046).c_str());
  ::SetWindowTextW(Child(dialog, L"STATIC", SS_LEFT, 0, 150, 1440, 7605, 765),
                   app_->Text(2047).c_str());
  ::SetWindowTextW(
      Child(dialog, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, kProceedId, 120, 3000, 3315, 495),
      app_->Text(2048).c_str());
  ::SetWindowTextW(
      Child(dialog, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, kCancelId, 4680, 3000, 3105, 495),
      app_->Text(2049).c_str());
  ::SetWindowTextW(dialog, app_->Text(2050).c_str());

  failover_ = Pending::kOpen;
  ::ShowWindow(dialog, SW_SHOWNORMAL);
  MSG message;
  while (failover_ == Pending::kOpen && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(dialog, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  ::DestroyWindow(dialog);
  return failover_ == Pending::kProceed ? FailoverChoice::kProceed : FailoverChoice::kCancel;
}

LRESULT CALLBACK Win32Ui::FailoverProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  Win32Ui* ui = UiOf(window);
  if (ui != nullptr) {
    if (message == WM_COMMAND && LOWORD(w) == kProceedId) {
      ui->failover_ = Pending::kProceed;
      return 0;
    }
    // Closing the warning is taken as its Cancel: nothing is removed from a failover primary
    // without the administrator's explicit go-ahead.
    if ((message == WM_COMMAND && LOWORD(w) == kCancelId) || message == WM_CLOSE) {
      ui->failover_ = Pending::kCancel;
      return 0;
    }
  }
  return ::DefWindowProcW(window, message, w, l);
}

}  // namespace uninstaller::win32
