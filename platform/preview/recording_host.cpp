// The preview host's own members: its record, the starts it allows and the files it assumes.
#include "platform/preview/recording_host.h"

#include <algorithm>

#include "platform/preview/ledger.h"

namespace platform::preview {

Host& RecordingHost::host() {
  return *host_;
}

const std::vector<Change>& RecordingHost::changes() const {
  return ledger_->changes();
}

void RecordingHost::AllowStart(std::function<bool(std::wstring_view)> allowed) {
  ledger_->AllowStart(std::move(allowed));
}

void RecordingHost::AssumeWritten(std::wstring_view path) {
  ledger_->AssumeWritten(path);
}

std::vector<std::pair<std::wstring, std::size_t>> RecordingHost::Counts() const {
  std::vector<std::pair<std::wstring, std::size_t>> counts;
  for (const Change& change : ledger_->changes()) {
    auto it = std::find_if(counts.begin(), counts.end(),
                           [&](const auto& count) { return count.first == change.kind; });
    if (it == counts.end()) {
      counts.emplace_back(change.kind, 1);
    } else {
      ++it->second;
    }
  }
  return counts;
}

std::vector<std::wstring> RecordingHost::CountLines(std::wstring_view headline) const {
  std::vector<std::wstring> lines{std::wstring(headline)};
  std::size_t all = 0;
  for (const auto& [kind, count] : Counts()) {
    lines.push_back(L"  " + kind + L": " + std::to_wstring(count));
    all += count;
  }
  lines.push_back(L"  in all: " + std::to_wstring(all));
  return lines;
}

}  // namespace platform::preview
