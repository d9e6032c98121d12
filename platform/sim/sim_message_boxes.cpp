// The message-box script: answers in order, and reports every box the test did not foresee.
#include "platform/sim/sim_message_boxes.h"

#include "platform/text.h"

namespace platform::sim {
namespace {

// The answer a box gets when nobody foresaw it: the safest button it has.
int SafeAnswer(std::uint32_t style) {
  switch (style & mb::kButtonMask) {
    case mb::kOkCancel:
    case mb::kYesNoCancel: return mb::kIdCancel;
    case mb::kYesNo: return mb::kIdNo;
    default: return mb::kIdOk;
  }
}

}  // namespace

void BoxScript::Expect(std::wstring text, int answer) {
  script_.push_back({std::move(text), answer});
}

void BoxScript::ExpectAny(int answer) {
  script_.push_back({std::nullopt, answer});
}

int BoxScript::Answer(const ShownBox& box) {
  shown_.push_back(box);
  if (script_.empty() && otherwise) return otherwise(box);
  if (script_.empty()) {
    problems_.push_back("unexpected message box: \"" + Utf8FromWide(box.text) + "\"");
    return SafeAnswer(box.style);
  }
  const Entry entry = script_.front();
  script_.pop_front();
  if (entry.text && *entry.text != box.text) {
    problems_.push_back("message box showed \"" + Utf8FromWide(box.text) + "\" where \"" +
                        Utf8FromWide(*entry.text) + "\" was expected");
  }
  return entry.answer;
}

std::vector<std::string> BoxScript::Problems() const {
  std::vector<std::string> all = problems_;
  for (const auto& entry : script_) {
    all.push_back("expected message box never shown: \"" +
                  (entry.text ? Utf8FromWide(*entry.text) : std::string("(any)")) + "\"");
  }
  return all;
}

}  // namespace platform::sim
