// Matching a change against the kind rules: commands by program and verb, paths by their
// ending, statements by what they hold.
#include "platform/preview/change_kinds.h"

#include <vector>

#include "platform/text.h"

namespace platform::preview {
namespace {

// The command line's tokens, quotes taken off; the first one is the program.
std::vector<std::wstring> Tokens(std::wstring_view line) {
  std::vector<std::wstring> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == L' ') ++i;
    if (i >= line.size()) break;
    std::wstring token;
    bool quoted = false;
    for (; i < line.size() && (quoted || line[i] != L' '); ++i) {
      if (line[i] == L'"') {
        quoted = !quoted;
      } else {
        token += line[i];
      }
    }
    tokens.push_back(token);
  }
  return tokens;
}

// "C:\WINNT\system32\net.exe" -> "NET".
std::wstring ProgramName(std::wstring_view token) {
  std::wstring name = Upcase(token.substr(token.find_last_of(L"\\/") + 1));
  if (name.size() > 4 && name.ends_with(L".EXE")) name.resize(name.size() - 4);
  return name;
}

bool Matches(const KindRule& rule, std::wstring_view text) {
  switch (rule.match) {
    case Match::kAny: return true;
    case Match::kEndsWith: return Upcase(text).ends_with(rule.text);
    case Match::kContains: return Upcase(text).find(rule.text) != std::wstring::npos;
    case Match::kProgramAndWord: {
      const std::vector<std::wstring> tokens = Tokens(text);
      if (tokens.empty() || ProgramName(tokens[0]) != rule.text) return false;
      for (std::size_t i = 1; i < tokens.size(); ++i) {
        if (Upcase(tokens[i]) == rule.word) return true;
      }
      return false;
    }
  }
  return false;
}

}  // namespace

const KindRule& RuleFor(Subject subject, std::wstring_view text) {
  for (const KindRule& rule : kKindRules) {
    if (rule.subject == subject && Matches(rule, text)) return rule;
  }
  return kKindRules[0];  // unreachable: every subject ends in a catch-all
}

std::wstring ServiceOfCommand(const KindRule& rule, std::wstring_view command_line) {
  if (rule.effect == ServiceEffect::kNone) return {};
  const std::vector<std::wstring> tokens = Tokens(command_line);
  const std::size_t at = static_cast<std::size_t>(rule.service_arg) + 1;
  return at < tokens.size() ? tokens[at] : std::wstring();
}

}  // namespace platform::preview
