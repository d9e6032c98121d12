// Message boxes on the simulated server: answered from a script the test states in order, and
// every box shown recorded with its caption, text and buttons.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace platform::sim {

struct ShownBox {
  std::wstring caption;
  std::wstring text;
  std::uint32_t style = 0;
};

class BoxScript {
 public:
  // The next box must show exactly this text; it is answered with the button given.
  void Expect(std::wstring text, int answer);
  // The next box may show anything; it is answered with the button given.
  void ExpectAny(int answer);

  // Answers every box once the script is used up, without counting it a problem: for runs
  // whose boxes cannot be foreseen (fault injection).
  std::function<int(const ShownBox&)> otherwise;

  int Answer(const ShownBox& box);
  const std::vector<ShownBox>& shown() const { return shown_; }
  std::size_t pending() const { return script_.size(); }
  std::vector<std::string> Problems() const;  // mismatches, unexpected and unused entries

 private:
  struct Entry {
    std::optional<std::wstring> text;
    int answer;
  };
  std::deque<Entry> script_;
  std::vector<ShownBox> shown_;
  std::vector<std::string> problems_;
};

class SimMessageBoxes : public MessageBoxes {
 public:
  explicit SimMessageBoxes(BoxScript& script) : script_(script) {}
  int Show(std::wstring_view text, std::wstring_view caption, std::uint32_t style) override {
    return script_.Answer({std::wstring(caption), std::wstring(text), style});
  }

 private:
  BoxScript& script_;
};

}  // namespace platform::sim
