// Path helpers that need only the facilities, shared by both backends.
#include "platform/processes.h"

namespace platform {

std::wstring ProgramFolder(Processes& processes) {
  const std::wstring path = processes.ModulePath();
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L"";
  std::wstring folder = path.substr(0, slash);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // App.Path of a drive root
  return folder;
}

std::wstring ArgumentsOf(std::wstring_view command_line) {
  std::size_t i = 0;
  if (!command_line.empty() && command_line[0] == L'"') {
    const auto close = command_line.find(L'"', 1);
    i = close == std::wstring_view::npos ? command_line.size() : close + 1;
  }
  while (i < command_line.size() && command_line[i] != L' ' && command_line[i] != L'\t') ++i;
  while (i < command_line.size() && (command_line[i] == L' ' || command_line[i] == L'\t')) ++i;
  return std::wstring(command_line.substr(i));
}

}  // namespace platform
