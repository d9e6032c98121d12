// The stand-in views' modal display: the test's scripted user acts, or the window is closed.
#include "tests/unit/uninstaller/fake_views.h"

namespace uninstaller::testing {

void FakeView::ShowModal() {
  ++modal_shows;
  visible = true;
  const std::string name(form_.name());
  factory_.modal_order.push_back(name);
  auto& pending = factory_.actions[name];
  if (pending.empty()) {
    form_.OnClose();
    return;
  }
  auto act = std::move(pending.front());
  pending.erase(pending.begin());
  act(form_);
}

}  // namespace uninstaller::testing
