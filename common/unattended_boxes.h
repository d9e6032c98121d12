// Message boxes in a run nobody watches: each box is answered by the program's own answer
// table instead of being shown, and written down as one "(unattended)" line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "platform/message_boxes.h"

namespace velmar {

// "(unattended) " + the text with each line break as one blank + " -> " + the answer.
std::wstring UnattendedLine(std::wstring_view text, std::wstring_view answer);

// The name of a box's button as the line shows it: Yes, No, OK, Cancel.
std::wstring_view ButtonName(int answer);

// The given facilities with another box facility.
platform::Host WithBoxes(const platform::Host& host, platform::MessageBoxes& boxes);

class UnattendedBoxes final : public platform::MessageBoxes {
 public:
  using Answerer = std::function<int(std::wstring_view text, std::uint32_t style)>;
  using Recorder = std::function<void(const std::wstring& line)>;

  explicit UnattendedBoxes(platform::MessageBoxes& shown) : shown_(shown) {}

  // Until both are set, every box is shown as usual.
  void Answer(Answerer answerer, Recorder recorder) {
    answerer_ = std::move(answerer);
    recorder_ = std::move(recorder);
  }
  int Show(std::wstring_view text, std::wstring_view caption, std::uint32_t style) override;

 private:
  platform::MessageBoxes& shown_;
  Answerer answerer_;
  Recorder recorder_;
};

}  // namespace velmar
