// What each recorded change counts as: one table of rules, matched on the kind of change and on
// the command's program and verb, the path's ending or the statement's text.
#pragma once

#include <string>
#include <string_view>

namespace platform::preview {

enum class Subject {
  kCommand,
  kFileDeleted,
  kFolderDeleted,
  kKeyDeleted,
  kValueDeleted,
  kValueSet,
  kSql,
  kProcedure
};

enum class Match {
  kAny,             // every subject of its kind
  kProgramAndWord,  // the command's program (its file name, no ".exe") and one argument word
  kEndsWith,        // the upper-cased text ends with `text`
  kContains,        // the upper-cased text holds `text`
};

// What a command does to the service it names, as later readings should see it.
enum class ServiceEffect { kNone, kStops, kRemoves };

struct KindRule {
  Subject subject;
  Match match;
  std::wstring_view text;  // upper case
  std::wstring_view word;  // kProgramAndWord: the argument word, upper case
  std::wstring_view kind;
  ServiceEffect effect = ServiceEffect::kNone;
  int service_arg = -1;  // which argument names the service the command acts on
};

// First match wins; each subject ends in a catch-all.
inline constexpr KindRule kKindRules[] = {
    {Subject::kCommand, Match::kProgramAndWord, L"NET", L"STOP", L"services stopped",
     ServiceEffect::kStops, 1},
    {Subject::kCommand, Match::kProgramAndWord, L"INSTSRV", L"REMOVE", L"services removed",
     ServiceEffect::kRemoves, 0},
    {Subject::kCommand, Match::kProgramAndWord, L"SC", L"DELETE", L"services removed",
     ServiceEffect::kRemoves, 1},
    {Subject::kCommand, Match::kProgramAndWord, L"REGSVR32", L"/U", L"COM libraries unregistered"},
    {Subject::kCommand, Match::kProgramAndWord, L"SCHTASKS", L"/DELETE",
     L"scheduled tasks deleted"},
    {Subject::kCommand, Match::kAny, L"", L"", L"commands run"},
    {Subject::kFileDeleted, Match::kEndsWith, L".LNK", L"", L"shortcuts deleted"},
    {Subject::kFileDeleted, Match::kAny, L"", L"", L"files deleted"},
    {Subject::kFolderDeleted, Match::kAny, L"", L"", L"folders deleted"},
    {Subject::kKeyDeleted, Match::kAny, L"", L"", L"registry keys deleted"},
    // A share is a value under the server service's Shares key (its Security twin is not).
    {Subject::kValueDeleted, Match::kEndsWith, L"\\LANMANSERVER\\SHARES", L"", L"shares removed"},
    {Subject::kValueDeleted, Match::kAny, L"", L"", L"registry values deleted"},
    {Subject::kValueSet, Match::kEndsWith, L"\\RUNONCE", L"", L"RunOnce entries stored"},
    {Subject::kValueSet, Match::kAny, L"", L"", L"registry values set"},
    {Subject::kSql, Match::kContains, L"DROP DATABASE", L"", L"databases dropped"},
    {Subject::kSql, Match::kContains, L"SP_DELETE_JOB", L"", L"SQL jobs deleted"},
    {Subject::kSql, Match::kAny, L"", L"", L"SQL statements"},
    {Subject::kProcedure, Match::kContains, L"SP_DELETE_JOB", L"", L"SQL jobs deleted"},
    {Subject::kProcedure, Match::kAny, L"", L"", L"stored procedure calls"},
};

// The rule a change matches; `text` is the command line, the path (for values: the key's path)
// or the statement.
const KindRule& RuleFor(Subject subject, std::wstring_view text);

// The service a command acts on by its rule ("net stop W3svc" -> "W3svc"); empty when none.
std::wstring ServiceOfCommand(const KindRule& rule, std::wstring_view command_line);

}  // namespace platform::preview
