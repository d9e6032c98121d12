// Dirscrub's log writer.
#include "dirscrub/dirscrub_log.h"

#include "common/root_file.h"
#include "platform/error.h"

namespace dirscrub {

// A name planted at the log's place is refused as a file the program may not write, so no line
// is ever appended to what it leads to.
void DirscrubLog::Open() {
  if (velmar::IsPlantedName(files_, path_)) platform::Raise(platform::VbError::kPermissionDenied);
  file_ = files_.OpenText(path_, platform::OpenMode::kAppend);
}

void DirscrubLog::Close() {
  file_.reset();
}

void DirscrubLog::WriteLog(std::wstring_view text) {
  try {
    if (!file_) platform::Raise(52, L"Bad file name or number");
    file_->WriteLine(text);
  } catch (const platform::RuntimeError&) {
    // The line is lost; the log is no reason to stop cleaning.
  }
  host_.clock.PumpMessages();
}

void DirscrubLog::WriteEvenWhenClosed(std::wstring_view text) {
  if (file_) {
    WriteLog(text);
    return;
  }
  try {
    Open();
  } catch (const platform::RuntimeError&) {
    return;  // the line is lost, as any line that cannot be written
  }
  WriteLog(text);
  Close();
}

}  // namespace dirscrub
