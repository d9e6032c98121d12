// Dirscrub's only window: a frame whose caption names the current activity and the progress
// bar the subscriber loop moves; topmost, never taking the focus.
#pragma once

#include "common/ui/form.h"

namespace dirscrub {

namespace ui = velmar::ui;

class DirscrubApp;

class FrmMain : public ui::Form {
 public:
  FrmMain(ui::Forms& forms, DirscrubApp& app);

  bool multiple_servers = false;  // set by the directory cleaning, read for the marker

  // Topmost without activation at its first (narrow) or working (wide) size.
  void PlaceNarrow();
  void PlaceWide();
  void SetActivity(std::uint32_t text_id);  // the frame's caption

 protected:
  void OnLoad() override;

 private:
  DirscrubApp& app_;
};

}  // namespace dirscrub
