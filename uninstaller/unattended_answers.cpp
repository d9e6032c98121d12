// The answer table. The first row whose text and buttons match answers; a row without a text
// matches every box with its buttons.
#include "uninstaller/unattended_answers.h"

#include "platform/message_boxes.h"
#include "uninstaller/app.h"

namespace uninstaller {
namespace {

namespace mb = platform::mb;

struct AnswerRow {
  std::uint32_t text_id;  // the string the box's text starts with; 0: any box
  std::uint32_t buttons;
  bool velmar::RunOptions::*option;  // the word that turns the answer; nullptr: none does
  int with_option;
  int without_option;
};

constexpr AnswerRow kAnswers[] = {
    // Not running: Yes ends the run, unless the administrator allowed it.
    {2063, mb::kYesNo, &velmar::RunOptions::allow_not_running, mb::kIdNo, mb::kIdYes},
    {kFailoverWarningText, mb::kOkCancel, &velmar::RunOptions::proceed_on_failover, mb::kIdOk,
     mb::kIdCancel},
    // The four confirmations: the word itself is the administrator's consent.
    {2012, mb::kYesNo, nullptr, mb::kIdYes, mb::kIdYes},
    {2002, mb::kYesNo, nullptr, mb::kIdYes, mb::kIdYes},
    {2003, mb::kYesNo, nullptr, mb::kIdYes, mb::kIdYes},
    {2004, mb::kYesNo, nullptr, mb::kIdYes, mb::kIdYes},
    // The summary: nobody reads Notepad on a server nobody watches.
    {2008, mb::kOkCancel, nullptr, mb::kIdCancel, mb::kIdCancel},
    // Every notice and error box (2067, 2057, 2018, the account list, the refusals).
    {0, mb::kOk, nullptr, mb::kIdOk, mb::kIdOk},
    // Anything else asks for something nobody gave: the cautious answer.
    {0, mb::kOkCancel, nullptr, mb::kIdCancel, mb::kIdCancel},
    {0, mb::kYesNo, nullptr, mb::kIdNo, mb::kIdNo},
    {0, mb::kYesNoCancel, nullptr, mb::kIdCancel, mb::kIdCancel},
};

bool Matches(UninstallerApp& app, const AnswerRow& row, std::wstring_view text,
             std::uint32_t buttons) {
  if (row.buttons != buttons) return false;
  if (row.text_id == 0) return true;
  const std::wstring start = app.Text(row.text_id);
  return !start.empty() && text.substr(0, start.size()) == start;
}

}  // namespace

int UnattendedAnswer(UninstallerApp& app, std::wstring_view text, std::uint32_t style) {
  const std::uint32_t buttons = style & mb::kButtonMask;
  for (const AnswerRow& row : kAnswers) {
    if (!Matches(app, row, text, buttons)) continue;
    const bool given = row.option != nullptr && app.options.*row.option;
    return given ? row.with_option : row.without_option;
  }
  return mb::kIdCancel;
}

}  // namespace uninstaller
