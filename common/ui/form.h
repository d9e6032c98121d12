// A window of the program as its logic sees it: named controls laid out in twips with their
// captions, ticks and enabled states, and the view that puts it on a screen (Win32 or a test's).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/localize.h"

namespace velmar::ui {

enum class Kind {
  kFrame,
  kCheckBox,
  kLabel,
  kLink,
  kButton,
  kPicture,
  kProgressBar,
  kBrowser,
  kMenu,  // a pop-up menu: in the menu bar, or shown at the mouse when not in it
  kMenuItem,
  kSeparator,
};

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

// One row of a window's control table. Positions are twips relative to the parent (the window
// or a frame); menu entries name their menu as parent.
struct ControlRow {
  std::string_view name;
  Kind kind;
  std::string_view parent;
  Rect rect;
  std::uint32_t caption_id = 0;  // 0: the caption is set by the window's logic, if at all
  bool bold = false;
  bool in_menu_bar = true;  // for kMenu only
};

enum class Border { kFixed, kSizable, kNone };

struct FormTable {
  std::string_view name;
  int client_width;  // twips
  int client_height;
  Border border;
  std::span<const ControlRow> controls;
};

// Puts a form on a screen. The form tells it what changed; the view calls the form's event
// handlers (OnClick, OnClose, OnResize, OnMenuItem) as the user acts.
class FormView {
 public:
  virtual ~FormView() = default;
  virtual void Refresh(std::string_view control) = 0;  // caption, tick, state or place changed
  virtual void ApplyFont(const velmar::LanguageFont& font, velmar::FontTarget target) = 0;
  virtual void RepaintAll() = 0;
  // Shows the form modally over the window it was opened from (none: the first window made),
  // which is disabled until the display ends; returns once the form is hidden or unloaded.
  virtual void ShowModal(FormView* from) = 0;
  virtual void Show(bool topmost) = 0;
  virtual void Hide() = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  virtual Rect OuterRect() = 0;  // twips, screen coordinates
  virtual void SetOuterRect(const Rect& rect) = 0;
  virtual bool Minimized() = 0;
  virtual void PopupMenu(std::string_view menu) = 0;  // at the mouse position
  // Topmost without taking the focus, at a place given in pixels, frame redrawn and shown.
  virtual void PlaceTopmostNoActivate(const Rect& pixels) = 0;
  // The window's native handle (an HWND) for calls that want an owner window; 0 when none.
  virtual std::uintptr_t NativeHandle() = 0;
};

class Form;

// Creates the view of a form when the form loads; the Win32 windows and the tests' stand-ins.
class ViewFactory {
 public:
  virtual ~ViewFactory() = default;
  virtual std::unique_ptr<FormView> Create(Form& form) = 0;
};

struct MenuEntry {
  std::wstring caption;
  std::wstring tag;
};

class Forms;

class Form {
 public:
  Form(const FormTable& table, Forms& forms);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const FormTable& table() const { return table_; }
  std::string_view name() const { return table_.name; }
  const ControlRow* Control(std::string_view name) const;

  // The window's own caption is the control named "".
  const std::wstring& Caption(std::string_view control) const;
  void SetCaption(std::string_view control, std::wstring text);
  bool Checked(std::string_view control) const;
  void SetChecked(std::string_view control, bool checked);
  bool Enabled(std::string_view control) const;
  void SetEnabled(std::string_view control, bool enabled);
  // Enabled, and so is every menu it sits in: a click on anything else cannot happen.
  bool Clickable(std::string_view control) const;
  Rect Place(std::string_view control) const;  // current place, twips
  void SetPlace(std::string_view control, const Rect& rect);
  void SetProgress(int minimum, int maximum, int value);
  int progress_min() const { return progress_min_; }
  int progress_max() const { return progress_max_; }
  int progress_value() const { return progress_value_; }
  // Entries of a menu whose items are made at run time (the About window's language list).
  const std::vector<MenuEntry>& DynamicMenu() const { return dynamic_menu_; }
  void SetDynamicMenu(std::vector<MenuEntry> entries) { dynamic_menu_ = std::move(entries); }

  // The public caption operation "<name>_Auto_Init"; windows without one say so.
  virtual bool HasAutoInit() const { return false; }
  virtual void Auto_Init() {}

  // Events, raised by the view.
  virtual void OnClick(std::string_view /*control*/) {}
  virtual void OnMenuItem(std::string_view /*menu*/, std::size_t /*index*/) {}
  virtual void OnClose() { Unload(); }
  virtual void OnResize() {}

  bool loaded() const { return view_ != nullptr; }
  FormView* view() { return view_.get(); }
  void Load();                 // creates the view and runs OnLoad, once
  void Unload();               // destroys the view; the form may load again later
  void ShowModal(Form& from);  // from: the window whose click or start opened it
  void Hide();
  void ApplyLanguageFonts();

 protected:
  virtual void OnLoad() {}
  Forms& forms() { return forms_; }
  void Refresh(std::string_view control);

 private:
  struct State {
    std::wstring caption;
    bool checked = false;
    bool enabled = true;
    Rect place;
  };
  State& StateOf(std::string_view control);
  const State* Find(std::string_view control) const;

  const FormTable& table_;
  Forms& forms_;
  std::map<std::string, State, std::less<>> states_;
  std::vector<MenuEntry> dynamic_menu_;
  int progress_min_ = 0, progress_max_ = 100, progress_value_ = 0;
  std::wstring face_;  // the face the controls took last; empty: the view's dialog face
  std::unique_ptr<FormView> view_;
};

// The program's loaded windows in load order (the window list the language change walks), the
// view factory and the language state every window takes its texts and fonts from.
class Forms {
 public:
  Forms(velmar::Localizer& localize, ViewFactory& views) : localize_(localize), views_(views) {}

  velmar::Localizer& localize() { return localize_; }
  ViewFactory& views() { return views_; }
  std::wstring Text(std::uint32_t id) { return localize_.LoadLocalizedString(id); }

  void Loaded(Form& form);
  void Unloaded(Form& form);
  const std::vector<Form*>& loaded() const { return loaded_; }
  // An unloaded form's view may still be running one of its own handlers or a modal loop;
  // it is kept until the next form loads.
  void Retire(std::unique_ptr<FormView> view) { retired_.push_back(std::move(view)); }
  void CollectRetired() { retired_.clear(); }

 private:
  velmar::Localizer& localize_;
  ViewFactory& views_;
  std::vector<Form*> loaded_;
  std::vector<std::unique_ptr<FormView>> retired_;
};

}  // namespace velmar::ui
