// Stand-in views for the uninstaller's windows in native tests: they record what the program
// asked of its windows and let a test act as the user inside a modal display.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "uninstaller/ui/window_model.h"

namespace uninstaller::testing {

class FakeViews;

class FakeView : public ui::FormView {
 public:
  FakeView(ui::Form& form, FakeViews& factory) : form_(form), factory_(factory) {}

  void Refresh(std::string_view control) override {
    ++refreshes[std::string(control)];
    refresh_order.emplace_back(control);
    if (on_refresh) on_refresh(control);
  }
  void ApplyFont(const velmar::LanguageFont& font, velmar::FontTarget) override {
    fonts.push_back(font);
  }
  void RepaintAll() override { ++repaints; }
  void ShowModal(ui::FormView* from) override;
  void Show(bool on_top) override {
    visible = true;
    topmost = on_top;
  }
  void Hide() override { visible = false; }
  void SetBusyCursor(bool busy) override { busy_changes.push_back(busy); }
  ui::Rect OuterRect() override { return outer; }
  void SetOuterRect(const ui::Rect& rect) override { outer = rect; }
  bool Minimized() override { return minimized; }
  void PopupMenu(std::string_view menu) override { popups.emplace_back(menu); }
  std::uintptr_t NativeHandle() override { return 0x1000; }
  void PlaceTopmostNoActivate(const ui::Rect& pixels) override {
    visible = true;
    topmost = true;
    pixel_places.push_back(pixels);
  }

  std::map<std::string, int> refreshes;
  std::vector<std::string> refresh_order;            // every control refreshed, in order
  std::function<void(std::string_view)> on_refresh;  // called at every refresh, when set
  std::vector<velmar::LanguageFont> fonts;
  std::vector<bool> busy_changes;
  std::vector<std::string> popups;
  std::vector<ui::Rect> pixel_places;  // each PlaceTopmostNoActivate, in order
  int repaints = 0;
  int modal_shows = 0;
  bool visible = false;
  bool enabled = true;  // false while a modal window opened from it is shown
  bool topmost = false;
  bool minimized = false;
  ui::Rect outer{1000, 2000, 7740, 5100};

 private:
  ui::Form& form_;
  FakeViews& factory_;
};

// Creates FakeViews and runs, when a window is shown modally, what the test said the user
// does there (by window name, in order); a modal window nobody acts on is simply closed.
class FakeViews : public ui::ViewFactory {
 public:
  std::unique_ptr<ui::FormView> Create(ui::Form& form) override {
    auto view = std::make_unique<FakeView>(form, *this);
    views[std::string(form.name())] = view.get();
    ++loads[std::string(form.name())];
    return view;
  }
  void WhenShown(std::string form, std::function<void(ui::Form&)> act) {
    actions[std::move(form)].push_back(std::move(act));
  }
  FakeView* Of(std::string_view form) {
    const auto it = views.find(std::string(form));
    return it == views.end() ? nullptr : it->second;
  }

  std::map<std::string, FakeView*> views;  // the latest view of each window
  std::map<std::string, int> loads;
  std::map<std::string, std::vector<std::function<void(ui::Form&)>>> actions;
  std::vector<std::string> modal_order;
  std::vector<std::string> modal_over;  // "<window> over <the window it was opened from>"
};

}  // namespace uninstaller::testing
