// The command-line words, one table for all of them.
#include "common/run_options.h"

#include "platform/text.h"

namespace velmar {
namespace {

struct Word {
  std::wstring_view upper;  // as the upper-cased argument text holds it
  bool RunOptions::*option;
};

constexpr Word kWords[] = {
    {L"UNATTENDED", &RunOptions::unattended},
    {L"REMOVESUBSCRIBERINFO", &RunOptions::remove_subscriber_info},
    {L"ALLOWNOTRUNNING", &RunOptions::allow_not_running},
    {L"PROCEEDONFAILOVER", &RunOptions::proceed_on_failover},
    {L"PREVIEW", &RunOptions::preview},
};

}  // namespace

RunOptions ParseRunOptions(std::wstring_view argument_text) {
  const std::wstring upper = platform::Upcase(argument_text);
  RunOptions options;
  for (const Word& word : kWords) {
    options.*word.option = upper.find(word.upper) != std::wstring::npos;
  }
  return options;
}

}  // namespace velmar
