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

// An open handle to a named event; the event goes with its last handle.
class SimNamedEvent final : public NamedEvent {
 public:
  SimNamedEvent(Server& server, std::wstring name) : server_(server), name_(std::move(name)) {}
  ~SimNamedEvent() override { server_.CloseNamedEvent(name_); }
  SimNamedEvent(const SimNamedEvent&) = delete;
  SimNamedEvent& operator=(const SimNamedEvent&) = delete;

 private:
  Server& server_;
  std::wstring name_;
};

// An open handle to a named mutex; the mutex goes with its last handle.
class SimNamedMutex final : public NamedMutex {
 public:
  SimNamedMutex(Server& server, std::wstring name) : server_(server), name_(std::move(name)) {}
  ~SimNamedMutex() override { server_.CloseNamedMutex(name_); }
  SimNamedMutex(const SimNamedMutex&) = delete;
  SimNamedMutex& operator=(const SimNamedMutex&) = delete;

 private:
  Server& server_;
  std::wstring name_;
};

}  // namespace

std::wstring SimProcesses::FindImage(std::wstring_view command_line) const {
  // A batch file is found where a program is (and then handed to the interpreter by the path
  // it was found at).
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

std::wstring SimProcesses::CommandLine() {
  if (command_line_) return *command_line_;
  return L"\"" + module_path_ + L"\"" + (args_.empty() ? L"" : L" " + args_);
}

std::optional<std::wstring> SimProcesses::EnvironmentVariable(std::wstring_view name) {
  if (auto own = own_environment_.Get(name)) return own;
  return server_.environment.Get(name);
}

void SimProcesses::set_command_line(std::wstring line) {
  args_ = ArgumentsOf(line);
  command_line_ = std::move(line);
}

// CreateProcessW with an application name: the name is taken as it is, relative to the
// current directory and never searched for; without a command line the name is the line.
std::unique_ptr<ChildProcess> SimProcesses::StartImage(std::wstring_view application,
                                                       std::wstring_view command_line,
                                                       Status& error) {
  constexpr Status kBadExeFormat = 193;
  ParsedPath parsed;
  if (!FileSystemState::Parse(application, current_dir_, parsed) || parsed.parts.empty()) {
    error = win::kPathNotFound;
    return nullptr;
  }
  const FileNode* node = server_.files.Find(parsed);
  if (node == nullptr || node->is_folder) {
    ParsedPath folder = parsed;
    folder.parts.pop_back();
    const FileNode* parent = server_.files.Find(folder);
    error = parent != nullptr && parent->is_folder ? win::kFileNotFound : win::kPathNotFound;
    return nullptr;
  }
  const std::wstring image = parsed.Text();
  if (const Program* program = server_.ProgramAt(image); program && program->fails_to_start) {
    error = kBadExeFormat;
    return nullptr;
  }
  error = win::kSuccess;
  const std::wstring line(command_line.empty() ? application : command_line);
  constexpr int kNoShowState = -1;  // no STARTUPINFO show flag is given
  const std::uint32_t id = server_.StartProcess(image, line, current_dir_, kNoShowState);
  return std::make_unique<SimChild>(server_, id);
}

std::unique_ptr<NamedEvent> SimProcesses::MakeNamedEvent(std::wstring_view name, bool signalled) {
  if (server_.OpenNamedEvent(name, signalled) == nullptr) return nullptr;
  return std::make_unique<SimNamedEvent>(server_, std::wstring(name));
}

std::unique_ptr<NamedMutex> SimProcesses::MakeNamedMutex(std::wstring_view name,
                                                         bool& already_existed) {
  server_.OpenNamedMutex(name, already_existed);
  return std::make_unique<SimNamedMutex>(server_, std::wstring(name));
}

}  // namespace platform::sim
