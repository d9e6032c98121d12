// What a simulated code library holds: its string and message tables and its exports, each an
// action on the machine run with the calling process's context.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace platform::sim {

class Process;

using StringTable = std::map<std::uint32_t, std::wstring>;

// One call of an export: the numeric arguments in declaration order, a wide text argument
// (a file name), a caller's buffer, and a value the export hands back through a pointer.
struct ExportCall {
  Process& process;
  std::vector<std::uint32_t> args = {};
  std::wstring text = {};
  std::uint8_t* buffer = nullptr;
  std::uint32_t out = 0;
};

using ExportFn = std::function<std::int32_t(ExportCall&)>;

struct CodeLibrary {
  StringTable strings;
  std::map<std::uint32_t, std::wstring> messages;  // the message table, by identifier
  std::map<std::string, ExportFn> exports;         // by exported name (case matters)
};

}  // namespace platform::sim
