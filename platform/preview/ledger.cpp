// The preview's record of changes and the overlay later readings consult: names are compared
// upper-cased, and a removal covers everything below the removed path.
#include "platform/preview/ledger.h"

#include "platform/text.h"

namespace platform::preview {
namespace {

// True when the path or a folder (key) above it is in the set.
bool UnderAny(const std::set<std::wstring>& gone, const std::wstring& path) {
  if (gone.empty()) return false;
  for (std::size_t at = path.size(); at != std::wstring::npos && at > 0;
       at = path.rfind(L'\\', at - 1)) {
    if (gone.contains(path.substr(0, at))) return true;
  }
  return false;
}

std::wstring ValueKey(std::wstring_view key, std::wstring_view name) {
  return PathKey(key) + L"|" + Upcase(name);
}

}  // namespace

std::wstring PathKey(std::wstring_view path) {
  while (path.size() > 1 && path.back() == L'\\') path.remove_suffix(1);
  return Upcase(path);
}

void Ledger::Record(std::wstring_view kind, std::wstring text) {
  changes_.push_back(Change{std::wstring(kind), std::move(text)});
  if (note_) note_(changes_.back());
}

void Ledger::Record(Subject subject, std::wstring_view subject_text, std::wstring text) {
  Record(RuleFor(subject, subject_text).kind, std::move(text));
}

void Ledger::RemovePath(std::wstring_view path) {
  const std::wstring key = PathKey(path);
  std::erase_if(written_, [&](const auto& written) {
    return written.first == key || written.first.starts_with(key + L"\\");
  });
  paths_gone_.insert(key);
}

void Ledger::AssumeWritten(std::wstring_view path) {
  written_.try_emplace(PathKey(path));
}

void Ledger::AssumeCreated(std::wstring_view path, const AccessList& access) {
  written_.insert_or_assign(PathKey(path), access);
}

const AccessList* Ledger::CreatedAccess(std::wstring_view path) const {
  const auto found = written_.find(PathKey(path));
  return found != written_.end() && found->second ? &*found->second : nullptr;
}

bool Ledger::Written(std::wstring_view path) const {
  return written_.contains(PathKey(path));
}

bool Ledger::PathGone(std::wstring_view path) const {
  return !Written(path) && UnderAny(paths_gone_, PathKey(path));
}

void Ledger::RemoveKey(std::wstring_view path) {
  keys_gone_.insert(PathKey(path));
}

void Ledger::RestoreKey(std::wstring_view path) {
  keys_gone_.erase(PathKey(path));
}

bool Ledger::KeyGone(std::wstring_view path) const {
  return UnderAny(keys_gone_, PathKey(path));
}

void Ledger::RemoveValue(std::wstring_view key, std::wstring_view name) {
  values_gone_.insert(ValueKey(key, name));
}

void Ledger::RestoreValue(std::wstring_view key, std::wstring_view name) {
  values_gone_.erase(ValueKey(key, name));
}

bool Ledger::ValueGone(std::wstring_view key, std::wstring_view name) const {
  return KeyGone(key) || values_gone_.contains(ValueKey(key, name));
}

bool Ledger::AnyValueGone(std::wstring_view key) const {
  const std::wstring prefix = PathKey(key) + L"|";
  const auto next = values_gone_.lower_bound(prefix);
  return KeyGone(key) || (next != values_gone_.end() && next->starts_with(prefix));
}

void Ledger::NoteCommand(std::wstring_view command_line) {
  const KindRule& rule = RuleFor(Subject::kCommand, command_line);
  const std::wstring service = Upcase(ServiceOfCommand(rule, command_line));
  if (service.empty()) return;
  services_stopped_.insert(service);
  if (rule.effect == ServiceEffect::kRemoves) services_removed_.insert(service);
}

bool Ledger::ServiceStopped(std::wstring_view name) const {
  return services_stopped_.contains(Upcase(name));
}

bool Ledger::ServiceRemoved(std::wstring_view name) const {
  return services_removed_.contains(Upcase(name));
}

}  // namespace platform::preview
