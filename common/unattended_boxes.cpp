// The unattended box answers and their log lines.
#include "common/unattended_boxes.h"

namespace velmar {

std::wstring UnattendedLine(std::wstring_view text, std::wstring_view answer) {
  std::wstring line = L"(unattended) ";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    line += text[i] == L'\r' || text[i] == L'\n' ? L' ' : text[i];
  }
  return line + L" -> " + std::wstring(answer);
}

std::wstring_view ButtonName(int answer) {
  switch (answer) {
    case platform::mb::kIdYes: return L"Yes";
    case platform::mb::kIdNo: return L"No";
    case platform::mb::kIdCancel: return L"Cancel";
    default: return L"OK";
  }
}

platform::Host WithBoxes(const platform::Host& h, platform::MessageBoxes& boxes) {
  return platform::Host{h.registry, h.files,     h.processes,  h.services,  h.clock,    boxes,
                        h.trace,    h.system,    h.locale,     h.resources, h.database, h.com,
                        h.iis,      h.libraries, h.file_calls, h.directory, h.internet, h.events};
}

int UnattendedBoxes::Show(std::wstring_view text, std::wstring_view caption, std::uint32_t style) {
  if (!answerer_ || !recorder_) return shown_.Show(text, caption, style);
  const int answer = answerer_(text, style);
  recorder_(UnattendedLine(text, ButtonName(answer)));
  return answer;
}

}  // namespace velmar
