// Clock, system information, locale and resources of one simulated process.
#include "platform/sim/sim_facilities.h"

#include <cstdio>

#include "platform/text.h"

namespace platform::sim {

float SimClock::SecondsSinceMidnight() {
  const LocalTime t = server_.LocalNow();
  return static_cast<float>(t.hour * 3600 + t.minute * 60 + t.second) +
         static_cast<float>(t.millisecond) / 1000.0f;
}

bool SimSystemInfo::Version(OsVersion& version) {
  version = server_.machine.os;
  return true;
}

Status SimSystemInfo::WorkstationInfo(WorkstationRecord& record) {
  constexpr Status kWorkstationNotStarted = 2138;  // NERR_WkstaNotStarted
  if (!server_.machine.workstation) return kWorkstationNotStarted;
  record = *server_.machine.workstation;
  return win::kSuccess;
}

Status SimSystemInfo::WorkstationUserInfo(WorkstationUserRecord& record) {
  constexpr Status kWorkstationNotStarted = 2138;
  if (!server_.machine.user) return kWorkstationNotStarted;
  record = *server_.machine.user;
  return win::kSuccess;
}

std::wstring SimSystemInfo::WindowsFolder() {
  return server_.machine.windows_folder;
}

std::wstring SimSystemInfo::SystemFolder() {
  return server_.machine.windows_folder + L"\\system32";
}

// GetVersion: major version in the low byte, minor in the next, the build in the high word of
// an NT-family system; other systems set the top bit.
std::uint32_t SimSystemInfo::VersionWord() {
  const OsVersion& os = server_.machine.os;
  constexpr std::uint32_t kNotNt = 0x80000000;
  constexpr std::uint32_t kNtPlatform = 2;  // VER_PLATFORM_WIN32_NT
  std::uint32_t word = (os.major & 0xFF) | (os.minor & 0xFF) << 8 | (os.build & 0x7FFF) << 16;
  if (os.platform_id != kNtPlatform) word |= kNotNt;
  return word;
}

bool SimSystemInfo::TokenGroupSids(std::vector<std::wstring>& sids) {
  sids.clear();
  if (server_.machine.token_query_fails) return false;
  sids = server_.machine.token_groups;
  return true;
}

std::string SimLocale::LocaleInfo(std::uint32_t lcid, std::uint32_t lctype) {
  constexpr std::uint32_t kUserDefault = 0x0400;
  constexpr std::uint32_t kSystemDefault = 0x0800;
  if (lcid == kUserDefault || lcid == kSystemDefault) lcid = server_.locale.user_lang_id;
  const auto it = server_.locale.info.find({lcid & 0xFFFF, lctype & 0x7FFFFFFF});
  return it == server_.locale.info.end() ? std::string() : it->second;
}

std::string SimLocale::LanguageName(std::uint32_t lang_id) {
  const auto it = server_.locale.language_names.find(lang_id);
  return it == server_.locale.language_names.end() ? "Language Neutral" : it->second;
}

std::wstring SimLocale::FormatGeneralDate(const LocalTime& t) {
  const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", t.month, t.day, t.year, hour12,
                t.minute, t.second, t.hour < 12 ? "AM" : "PM");
  return WideFromCp1252(text);
}

std::string SimLocale::ToAnsi(std::wstring_view text) {
  return Cp1252FromWide(text);
}
std::wstring SimLocale::FromAnsi(std::string_view bytes) {
  return WideFromCp1252(bytes);
}

namespace {

// Full-width forms (U+FF01 to U+FF5E) and the ideographic space weigh as their ASCII twins.
wchar_t NarrowChar(wchar_t c) {
  if (c >= 0xFF01 && c <= 0xFF5E) return static_cast<wchar_t>(c - 0xFEE0);
  if (c == 0x3000) return L' ';
  return c;
}

}  // namespace

bool SimLocale::EqualIgnoringCaseAndWidth(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpcaseChar(NarrowChar(a[i])) != UpcaseChar(NarrowChar(b[i]))) return false;
  }
  return true;
}

SimResources::~SimResources() = default;

ModuleHandle SimResources::LoadDataFile(std::wstring_view path) {
  ParsedPath parsed;
  if (!FileSystemState::Parse(path, current_dir_, parsed)) return 0;
  const StringTable* table = server_.LibraryAt(parsed.Text());
  if (table == nullptr) return 0;
  const ModuleHandle handle = next_;
  next_ += 0x10000;
  loaded_[handle] = {table, parsed.Text()};
  return handle;
}

void SimResources::ReleaseModule(ModuleHandle module) {
  loaded_.erase(module);
}

std::optional<std::wstring> SimResources::LoadText(ModuleHandle module, std::uint32_t id) {
  const StringTable* table = &own_;
  if (module != 0) {
    const auto it = loaded_.find(module);
    if (it == loaded_.end()) return std::nullopt;
    table = it->second.table;
  }
  const auto entry = table->find(id);
  // LoadString cannot tell an empty entry from a missing one.
  if (entry == table->end() || entry->second.empty()) return std::nullopt;
  return entry->second;
}

}  // namespace platform::sim
