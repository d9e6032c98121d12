// The shared window model (forms, control tables, views) seen from the uninstaller's windows
// as their own namespace's.
#pragma once

#include "common/ui/form.h"

namespace uninstaller::ui {
using namespace velmar::ui;
}  // namespace uninstaller::ui
