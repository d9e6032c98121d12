// The stand-in views' modal display: the test's scripted user acts, or the window is closed.
#include "tests/unit/uninstaller/fake_views.h"

namespace uninstaller::testing {

// The window it was opened from is disabled for the display, as a modal window does it.
void FakeView::ShowModal(ui::FormView* from) {
  ++modal_shows;
  visible = true;
  const std::string name(form_.name());
  factory_.modal_order.push_back(name);
  auto* opener = dynamic_cast<FakeView*>(from);
  factory_.modal_over.push_back(name + " over " +
                                (opener ? std::string(opener->form_.name()) : "nothing"));
  const bool was_enabled = opener != nullptr && opener->enabled;
  if (was_enabled) opener->enabled = false;
  auto& pending = factory_.actions[name];
  if (pending.empty()) {
    form_.OnClose();
  } else {
    auto act = std::move(pending.front());
    pending.erase(pending.begin());
    act(form_);
  }
  if (was_enabled) opener->enabled = true;
}

}  // namespace uninstaller::testing
