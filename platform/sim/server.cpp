// The simulated server: virtual time, the process table, programs and language libraries.
#include "platform/sim/server.h"

#include <algorithm>

#include "platform/sim/process.h"
#include "platform/text.h"

namespace platform::sim {
namespace {

constexpr std::uint64_t kMsPerDay = 86'400'000;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

std::wstring Key(std::wstring_view path) {
  ParsedPath parsed;
  if (!FileSystemState::Parse(path, L"C:\\", parsed)) return Upcase(path);
  return Upcase(parsed.Text());
}

}  // namespace

Server::Server() {
  SetStartTime({2006, 12, 6, 15, 38, 28, 0});
  // A few languages of Windows' locale database: abbreviation (LOCALE_SABBREVLANGNAME) and
  // the name VerLanguageName gives.
  struct KnownLanguage {
    std::uint32_t lcid;
    const char* abbreviation;
    const char* name;
  };
  constexpr KnownLanguage kLanguages[] = {
      {0x0409, "ENU", "English (United States)"},
      {0x0809, "ENG", "English (United Kingdom)"},
      {0x0407, "DEU", "German (Germany)"},
      {0x040C, "FRA", "French (France)"},
      {0x0410, "ITA", "Italian (Italy)"},
      {0x0C0A, "ESN", "Spanish - Modern Sort"},
      {0x0413, "NLD", "Dutch (Netherlands)"},
      {0x0416, "PTB", "Portuguese (Brazil)"},
      {0x0411, "JPN", "Japanese"},
      {0x0412, "KOR", "Korean"},
      {0x0804, "CHS", "Chinese (PRC)"},
      {0x0404, "CHT", "Chinese (Taiwan)"},
  };
  for (const KnownLanguage& language : kLanguages) {
    locale.info[{language.lcid, 0x0003}] = language.abbreviation;
    locale.info[{language.lcid, 0x0002}] = language.name;  // LOCALE_SLANGUAGE
    locale.language_names[language.lcid] = language.name;
  }
  locale.info[{0x0409, 0x1001}] = "English";  // LOCALE_SENGLANGUAGE
  locale.info[{0x0409, 0x0004}] = "English";  // LOCALE_SNATIVELANGNAME
  locale.info[{0x0409, 0x1004}] = "1252";     // LOCALE_IDEFAULTANSICODEPAGE
}

void Server::SetStartTime(const LocalTime& start) {
  start_days_ = DaysFromCivil(start.year, start.month, start.day);
  start_ms_of_day_ = ((start.hour * 60ULL + start.minute) * 60 + start.second) * 1000 +
                     static_cast<std::uint64_t>(start.millisecond);
}

LocalTime Server::LocalNow() const {
  const std::uint64_t total = start_ms_of_day_ + now_ms_;
  LocalTime t;
  CivilFromDays(start_days_ + static_cast<std::int64_t>(total / kMsPerDay), t.year, t.month, t.day);
  const std::uint64_t ms = total % kMsPerDay;
  t.hour = static_cast<int>(ms / 3'600'000);
  t.minute = static_cast<int>(ms / 60'000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

void Server::AdvanceTo(std::uint64_t ms) {
  for (;;) {
    ProcessRecord* next = nullptr;
    for (auto& record : processes_) {
      if (!record.ended && record.ends_ms && *record.ends_ms <= ms &&
          (next == nullptr || *record.ends_ms < *next->ends_ms)) {
        next = &record;
      }
    }
    const auto event = events_.begin();
    const bool event_due = event != events_.end() && event->first <= ms;
    if (event_due && (next == nullptr || event->first <= *next->ends_ms)) {
      now_ms_ = std::max(now_ms_, event->first);
      // Taken off first: the action may set further events.
      auto action = std::move(event->second);
      events_.erase(event);
      action();
      continue;
    }
    if (next == nullptr) break;
    now_ms_ = std::max(now_ms_, *next->ends_ms);
    EndProcess(*next);
  }
  now_ms_ = std::max(now_ms_, ms);
}

void Server::At(std::uint64_t ms, std::function<void()> action) {
  events_.emplace(ms, std::move(action));
}

void Server::EndProcess(ProcessRecord& record) {
  record.ended = true;
  if (const Program* program = ProgramAt(record.image_path); program && program->body) {
    Process child(*this, record.image_path, ArgumentsOf(record.command_line), program->own_strings,
                  program->file_version);
    child.set_command_line(record.command_line);
    child.set_startup_show_window(record.show_window);
    try {
      child.InheritCurrentDirectory(record.current_dir);
    } catch (const RuntimeError&) {
      // The parent's folder is gone; the child keeps its own.
    }
    record.exit_code = program->body(child);
  }
  if (record.image) --record.image->in_use;
  record.image.reset();
}

void Server::InstallProgram(std::wstring_view path, Program program) {
  if (!files.Exists(path)) files.WriteFile(path, "MZ");
  programs_[Key(path)] = std::move(program);
}

void Server::InstallLanguageLibrary(std::wstring_view path, StringTable table) {
  if (!files.Exists(path)) files.WriteFile(path, "MZ");
  libraries_[Key(path)] = std::move(table);
}

void Server::InstallCodeLibrary(std::wstring_view path, CodeLibrary library) {
  const std::string identity = "MZ code library " + std::to_string(code_libraries_.size() + 1);
  code_libraries_[identity] = std::make_shared<const CodeLibrary>(std::move(library));
  files.WriteFile(path, identity);
}

std::shared_ptr<const CodeLibrary> Server::CodeLibraryOf(const FileNode& file) const {
  const auto it = code_libraries_.find(file.content());
  return it == code_libraries_.end() ? nullptr : it->second;
}

const CodeLibrary* Server::CodeLibraryAt(std::wstring_view path) const {
  const FileNode* node = files.Find(path);
  return node == nullptr || node->is_folder ? nullptr : CodeLibraryOf(*node).get();
}

NamedEventState* Server::OpenNamedEvent(std::wstring_view name, bool signalled) {
  if (named_events_fail) return nullptr;
  auto [it, created] = named_events_.try_emplace(Upcase(name));
  if (created) {
    it->second.name = std::wstring(name);
    it->second.signalled = signalled;
  }
  ++it->second.open_count;
  return &it->second;
}

void Server::CloseNamedEvent(std::wstring_view name) {
  const auto it = named_events_.find(Upcase(name));
  if (it != named_events_.end() && --it->second.open_count == 0) named_events_.erase(it);
}

const NamedEventState* Server::Event(std::wstring_view name) const {
  const auto it = named_events_.find(Upcase(name));
  return it == named_events_.end() ? nullptr : &it->second;
}

void Server::OpenNamedMutex(std::wstring_view name, bool& already_existed) {
  int& handles = named_mutexes_[Upcase(name)];
  already_existed = handles > 0;
  ++handles;
}

void Server::CloseNamedMutex(std::wstring_view name) {
  const auto it = named_mutexes_.find(Upcase(name));
  if (it != named_mutexes_.end() && --it->second == 0) named_mutexes_.erase(it);
}

bool Server::MutexExists(std::wstring_view name) const {
  return named_mutexes_.count(Upcase(name)) != 0;
}

const Program* Server::ProgramAt(std::wstring_view path) const {
  const auto it = programs_.find(Key(path));
  return it == programs_.end() ? nullptr : &it->second;
}

const StringTable* Server::LibraryAt(std::wstring_view path) const {
  const auto it = libraries_.find(Key(path));
  return it == libraries_.end() || !files.Exists(path) ? nullptr : &it->second;
}

std::uint32_t Server::StartProcess(std::wstring image_path, std::wstring command_line,
                                   std::wstring current_dir, int show_window) {
  const Program* program = ProgramAt(image_path);
  const Program defaults;
  const Program& behaviour = program ? *program : defaults;
  ProcessRecord record;
  record.id = next_process_id_;
  next_process_id_ += 4;
  record.image_path = std::move(image_path);
  record.command_line = std::move(command_line);
  record.current_dir = std::move(current_dir);
  record.show_window = show_window;
  record.started_ms = now_ms_;
  if (!behaviour.hangs) {
    record.ends_ms = now_ms_ + (behaviour.run_time ? behaviour.run_time(*this, record.command_line)
                                                   : behaviour.run_ms);
  }
  if (FileNode* node = files.Find(record.image_path)) {
    ++node->in_use;
    record.image = FileSystemState::Share(*node);
  }
  processes_.push_back(std::move(record));
  return processes_.back().id;
}

void Server::Terminate(ProcessRecord& record, std::uint32_t exit_code) {
  if (record.ended) return;
  record.ended = true;
  record.ends_ms = now_ms_;
  record.exit_code = exit_code;
  if (record.image) --record.image->in_use;
  record.image.reset();
}

ProcessRecord* Server::FindProcess(std::uint32_t id) {
  for (auto& record : processes_) {
    if (record.id == id) return &record;
  }
  return nullptr;
}

std::vector<const ProcessRecord*> Server::Started(std::wstring_view command_prefix) const {
  std::vector<const ProcessRecord*> found;
  for (const auto& record : processes_) {
    if (record.command_line.size() >= command_prefix.size() &&
        EqualsNoCase(std::wstring_view(record.command_line).substr(0, command_prefix.size()),
                     command_prefix)) {
      found.push_back(&record);
    }
  }
  return found;
}

std::vector<std::string> Server::Problems() const {
  return boxes.Problems();
}

}  // namespace platform::sim
