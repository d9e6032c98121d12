// Starting and waiting on processes of the simulated server, with the platform's search order
// for the program file.
#include "platform/sim/sim_facilities.h"

#include "platform/error.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

bool HasExtension(std::wstring_view name) {
  const auto slash = name.find_last_of(L"\\/");
  const auto dot = name.find_last_of(L'.');
  return dot != std::wstring_view::npos && (slash == std::wstring_view::npos || dot > slash);
}

// The names the first token of a command line may stand for: a quoted name, or for an
// unquoted one every prefix that ends before a blank, shortest first, as CreateProcess tries.
std::vector<std::wstring> CandidateNames(std::wstring_view line) {
  std::vector<std::wstring> names;
  if (!line.empty() && line[0] == L'"') {
    const auto close = line.find(L'"', 1);
    names.emplace_back(line.substr(1, close == std::wstring_view::npos ? line.npos : close - 1));
    return names;
  }
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == L' ' || line[i] == L'\t') {
      if (i > 0) names.emplace_back(line.substr(0, i));
      if (i < line.size() && line.find_first_not_of(L" \t", i) == std::wstring_view::npos) break;
    }
  }
  return names;
}

// The handle a start returns keeps the process waitable after it has ended.
class SimChild final : public ChildProcess {
 public:
  SimChild(Server& server, std::uint32_t id) : server_(server), id_(id) {}
  std::uint32_t id() const override { return id_; }
  WaitResult Wait(std::uint32_t limit_ms) override {
    ProcessRecord* record = server_.FindProcess(id_);
    if (record == nullptr) return WaitResult::kFailed;
    if (record->ended) return WaitResult::kEnded;
    if (record->ends_ms &&
        (limit_ms == kInfinite || *record->ends_ms <= server_.now_ms() + limit_ms)) {
      server_.AdvanceTo(*record->ends_ms);
      return WaitResult::kEnded;
    }
    if (limit_ms == kInfinite) throw Deadlock{record->command_line};
    server_.AdvanceBy(limit_ms);
    return server_.FindProcess(id_)->ended ? WaitResult::kEnded : WaitResult::kTimedOut;
  }

 private:
  Server& server_;
  std::uint32_t id_;
};

}  // namespace

std::wstring SimProcesses::FindImage(std::wstring_view command_line) const {
  std::vector<std::wstring> folders{ProgramFolder(const_cast<SimProcesses&>(*this)), current_dir_};
  for (const auto& folder : server_.machine.search_path) folders.push_back(folder);
  for (std::wstring name : CandidateNames(command_line)) {
    if (!HasExtension(name)) name += L".exe";
    const bool has_folder = name.find_first_of(L"\\/:") != std::wstring::npos;
    for (const auto& folder : has_folder ? std::vector<std::wstring>{current_dir_} : folders) {
      ParsedPath parsed;
      if (!FileSystemState::Parse(name, folder, parsed)) continue;
      const FileNode* node = server_.files.Find(parsed);
      if (node != nullptr && !node->is_folder) return parsed.Text();
    }
  }
  return L"";
}

std::unique_ptr<ChildProcess> SimProcesses::Start(std::wstring_view command_line, int show_window) {
  const std::wstring image = FindImage(command_line);
  if (image.empty()) Raise(VbError::kFileNotFound);
  if (const Program* program = server_.ProgramAt(image); program && program->fails_to_start) {
    Raise(VbError::kFileNotFound);  // CreateProcess refuses it; the run time reports 53
  }
  const std::uint32_t id =
      server_.StartProcess(image, std::wstring(command_line), current_dir_, show_window);
  return std::make_unique<SimChild>(server_, id);
}

void SimProcesses::ChangeDirectory(std::wstring_view path) {
  ParsedPath parsed;
  if (!FileSystemState::Parse(path, current_dir_, parsed)) Raise(VbError::kPathNotFound);
  const FileNode* node = server_.files.Find(parsed);
  if (node == nullptr || !node->is_folder) Raise(VbError::kPathNotFound);
  current_dir_ = parsed.Text();
}

}  // namespace platform::sim
