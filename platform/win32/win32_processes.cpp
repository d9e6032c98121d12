// The process facility on Windows. Command lines are handed to CreateProcessW untouched so
// the system's own program search and argument parsing apply, as with the run time's Shell.
#include "platform/win32/win32_processes.h"

#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/win32/win32_handle.h"

namespace platform::win32 {
namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

// The first token ends at the closing quote when it starts with one, else at the first blank.
std::size_t FirstTokenEnd(std::wstring_view command_line) {
  if (!command_line.empty() && command_line.front() == L'"') {
    const auto quote = command_line.find(L'"', 1);
    return quote == std::wstring_view::npos ? command_line.size() : quote + 1;
  }
  std::size_t end = 0;
  while (end < command_line.size() && !IsBlank(command_line[end])) ++end;
  return end;
}

bool IsBatchFile(std::wstring_view program) {
  if (program.size() < 4) return false;
  const std::wstring_view extension = program.substr(program.size() - 4);
  return EqualsNoCase(extension, L".bat") || EqualsNoCase(extension, L".cmd");
}

bool IsExistingFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring InFolder(std::wstring folder, std::wstring_view name) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder + std::wstring(name);
}

// The batch file a bare name stands for, searched for as CreateProcessW searches for a program:
// the program's own folder, the current directory, then the system folders and the path.
// Empty when there is none: the interpreter starts even when the batch file is missing, so its
// absence has to be found out beforehand.
std::wstring FindBatchFile(std::wstring_view name, const std::wstring& own_folder,
                           const std::wstring& current_dir) {
  for (const std::wstring* folder : {&own_folder, &current_dir}) {
    if (std::wstring path = InFolder(*folder, name); IsExistingFile(path)) return path;
  }
  const std::wstring terminated(name);
  std::wstring found(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::SearchPathW(nullptr, terminated.c_str(), nullptr,
                                       static_cast<DWORD>(found.size()), found.data(), nullptr);
    if (length == 0) return {};
    if (length < found.size()) {
      found.resize(length);
      return found;
    }
    found.resize(length);
  }
}

bool NamesAFolder(std::wstring_view program) {
  return program.find_first_of(L"\\/:") != std::wstring_view::npos;
}

class Win32Child final : public ChildProcess {
 public:
  Win32Child(KernelHandle process, std::uint32_t id) : process_(std::move(process)), id_(id) {}
  std::uint32_t id() const override { return id_; }
  WaitResult Wait(std::uint32_t limit_ms) override {
    switch (::WaitForSingleObject(process_.get(), limit_ms)) {
      case WAIT_OBJECT_0: return WaitResult::kEnded;
      case WAIT_TIMEOUT: return WaitResult::kTimedOut;
      default: return WaitResult::kFailed;
    }
  }

 private:
  KernelHandle process_;
  std::uint32_t id_;
};

class Win32NamedEvent final : public NamedEvent {
 public:
  explicit Win32NamedEvent(KernelHandle event) : event_(std::move(event)) {}

 private:
  KernelHandle event_;
};

class Win32NamedMutex final : public NamedMutex {
 public:
  explicit Win32NamedMutex(KernelHandle mutex) : mutex_(std::move(mutex)) {}

 private:
  KernelHandle mutex_;
};

}  // namespace

std::wstring_view ArgumentsOf(std::wstring_view command_line) {
  std::size_t start = FirstTokenEnd(command_line);
  while (start < command_line.size() && IsBlank(command_line[start])) ++start;
  return command_line.substr(start);
}

std::wstring_view ProgramOf(std::wstring_view command_line) {
  std::wstring_view program = command_line.substr(0, FirstTokenEnd(command_line));
  if (!program.empty() && program.front() == L'"') program.remove_prefix(1);
  if (!program.empty() && program.back() == L'"') program.remove_suffix(1);
  return program;
}

// The interpreter looks for a bare batch name only in the current directory and along the
// path, so a batch found elsewhere (the program's own folder) is handed over by its full path,
// quoted. One found in the current directory keeps the command line exactly as written.
std::wstring Win32Processes::BatchCommand(std::wstring_view command_line,
                                          std::wstring_view program) {
  std::wstring line(command_line);
  if (NamesAFolder(program)) {
    if (!IsExistingFile(std::wstring(program))) Raise(VbError::kFileNotFound);
  } else {
    const std::wstring current_dir = CurrentDirectory();
    const std::wstring found = FindBatchFile(program, ProgramFolder(*this), current_dir);
    if (found.empty()) Raise(VbError::kFileNotFound);
    if (!EqualsNoCase(found, InFolder(current_dir, program))) {
      line = L"\"" + found + L"\"" + std::wstring(command_line.substr(FirstTokenEnd(command_line)));
    }
  }
  return L"cmd.exe /s /c \"" + line + L"\"";
}

std::unique_ptr<ChildProcess> Win32Processes::Start(std::wstring_view command_line,
                                                    int show_window) {
  // CreateProcessW may write into the command line, so it gets a private, terminated copy.
  // A batch file is no image: the command interpreter runs it. /s with the outer quotes makes
  // cmd strip exactly those quotes and keep every quote of the command line as written.
  std::wstring buffer(command_line);
  const std::wstring_view program = ProgramOf(command_line);
  if (IsBatchFile(program)) {
    buffer = BatchCommand(command_line, program);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_window);
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
    Raise(VbError::kFileNotFound);
  }
  KernelHandle thread(started.hThread);
  return std::make_unique<Win32Child>(KernelHandle(started.hProcess), started.dwProcessId);
}

std::wstring Win32Processes::ModulePath() {
  // The path may exceed MAX_PATH; a full buffer means it was cut, so grow and ask again.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring Win32Processes::CommandArgs() {
  return std::wstring(ArgumentsOf(::GetCommandLineW()));
}

std::wstring Win32Processes::CurrentDirectory() {
  // The directory can change between asking for the size and fetching it; retry until it fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(path.size()), path.data());
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length + 1);
  }
}

void Win32Processes::ChangeDirectory(std::wstring_view path) {
  if (!::SetCurrentDirectoryW(std::wstring(path).c_str())) Raise(VbError::kPathNotFound);
}

std::wstring Win32Processes::CommandLine() {
  const wchar_t* line = ::GetCommandLineW();
  return line == nullptr ? std::wstring() : std::wstring(line);
}

std::optional<std::wstring> Win32Processes::EnvironmentVariable(std::wstring_view name) {
  // The variable can grow between asking for the size and fetching it; retry until it fits.
  // A variable set to nothing reads back as 0 characters without the not-found error.
  const std::wstring terminated(name);
  std::wstring value;
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length = ::GetEnvironmentVariableW(terminated.c_str(), value.data(),
                                                   static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::wstring();
    }
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);  // the size asked for includes the terminating null
  }
}

std::unique_ptr<ChildProcess> Win32Processes::StartImage(std::wstring_view application,
                                                         std::wstring_view command_line,
                                                         Status& error) {
  // CreateProcessW may write into the command line, so it gets a private, terminated copy.
  const std::wstring image(application);
  std::wstring line(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(image.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
    error = static_cast<Status>(::GetLastError());
    return nullptr;
  }
  error = 0;
  KernelHandle thread(started.hThread);
  return std::make_unique<Win32Child>(KernelHandle(started.hProcess), started.dwProcessId);
}

std::unique_ptr<NamedEvent> Win32Processes::MakeNamedEvent(std::wstring_view name, bool signalled) {
  const std::wstring terminated(name);
  KernelHandle event(::CreateEventW(nullptr, TRUE, signalled ? TRUE : FALSE, terminated.c_str()));
  if (!event) return nullptr;
  return std::make_unique<Win32NamedEvent>(std::move(event));
}

std::unique_ptr<NamedMutex> Win32Processes::MakeNamedMutex(std::wstring_view name,
                                                           bool& already_existed) {
  const std::wstring terminated(name);
  KernelHandle mutex(::CreateMutexW(nullptr, FALSE, terminated.c_str()));
  already_existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
  if (!mutex) return nullptr;
  return std::make_unique<Win32NamedMutex>(std::move(mutex));
}

}  // namespace platform::win32
