// modLocalize: language choice, language library, string lookup, language list and fonts, with
// every failure shown in a box and the operation carrying on with its next step.
#include "common/localize.h"

#include <algorithm>
#include <iterator>

#include <utility>

#include "platform/error.h"
#include "platform/text.h"

namespace velmar {
namespace {

constexpr std::uint32_t kAbbreviatedLanguageName = 3;  // LOCALE_SABBREVLANGNAME
constexpr std::uint32_t kUsEnglish = 1033;
constexpr std::int32_t kResourceNotFound = 326;
// The message has always read this way, misspelling included; keep it as it is.
constexpr std::wstring_view kInitializeError = L"Error in InitalizeLanguages: ";

struct CodeEntry {
  const wchar_t* code;
  std::uint32_t lcid;
};

// clang-format off
constexpr CodeEntry kLanguageCodes[] = {
    {L"ENX", kTddTtyLanguage}, {L"ENU", 1033}, {L"ENG", 2057}, {L"ENA", 3081}, {L"ENC", 4105},
    {L"ENZ", 5129}, {L"ENI", 6153}, {L"DEU", 1031}, {L"DES", 2055}, {L"DEA", 3079},
    {L"DEL", 4103}, {L"DEC", 5127}, {L"ESP", 1034}, {L"ESM", 2058}, {L"ESN", 3082},
    {L"ESG", 4106}, {L"ESC", 5130}, {L"ESA", 6154}, {L"ESD", 7178}, {L"ESV", 8202},
    {L"ESO", 9226}, {L"ESR", 10250}, {L"ESS", 11274}, {L"ESH", 18442}, {L"ESI", 19466},
    {L"ESU", 20490}, {L"FRA", 1036}, {L"FRB", 2060}, {L"FRC", 3084}, {L"FRS", 4108},
    {L"FRL", 5132}, {L"ITA", 1040}, {L"ITS", 2064}, {L"JPN", 1041}, {L"NLD", 1043},
    {L"NLB", 2067}, {L"NOR", 1044}, {L"NON", 2068}, {L"PTB", 1046}, {L"PTG", 2070},
    {L"CHT", 1028}, {L"ZHT", 3076}, {L"CHS", 2052}, {L"ZHI", 4100},
};
// clang-format on

std::wstring TrimSpaces(std::wstring_view text) {
  const auto first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const auto last = text.find_last_not_of(L' ');
  return std::wstring(text.substr(first, last - first + 1));
}

// The program's file name without its extension, as the libraries beside it are named.
std::wstring ProgramBaseName(platform::Processes& processes) {
  const std::wstring path = processes.ModulePath();
  const auto slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  return name;
}

}  // namespace

LanguageFont LanguageFontFor(std::uint32_t lcid) {
  switch (lcid) {
    case 1042: return {129, L"\uAD74\uB9BC"};
    case 1028: return {136, L"\u65B0\u7D30\u660E\u9AD4"};
    case 1041: return {128, L"\uFF2D\uFF33\u0020\uFF30\u30B4\u30B7\u30C3\u30AF"};
    case 2052: return {134, L"\u5B8B\u4F53"};
    default: return {1, L""};
  }
}

std::uint32_t LanguageCodeToId(std::wstring_view code) {
  for (const auto& entry : kLanguageCodes) {
    if (code == entry.code) return entry.lcid;
  }
  return kUsEnglish;
}

std::wstring AbbreviationFromLocaleInfo(platform::Locale& locale, std::uint32_t lcid) {
  if (lcid == kTddTtyLanguage) return L"ENX";
  const std::string name = locale.LocaleInfo(lcid, kAbbreviatedLanguageName);
  if (name.empty()) return L"ERR";
  return TrimSpaces(locale.FromAnsi(name).substr(0, 3));
}

std::wstring AbbreviationFromFixedTable(platform::Locale& /*locale*/, std::uint32_t lcid) {
  static constexpr std::wstring_view kNotInTable[] = {L"ENX", L"CHT", L"ZHT", L"CHS", L"ZHI"};
  const auto id = static_cast<std::uint16_t>(lcid);
  if (id == 0) return L"ENU";
  for (const auto& entry : kLanguageCodes) {
    if (entry.lcid != id) continue;
    if (std::find(std::begin(kNotInTable), std::end(kNotInTable), entry.code) !=
        std::end(kNotInTable)) {
      break;
    }
    return entry.code;
  }
  return L"ERROR";
}

LocalizeVariant DirscrubLocalizeVariant() {
  return {200, L"error in myLoadResString: ", &AbbreviationFromFixedTable,
          FontTarget::kFontObjectOnly};
}

LocalizeVariant UninstallerLocalizeVariant() {
  return {1200, L"error in mymyLoadString: ", &AbbreviationFromLocaleInfo,
          FontTarget::kFontAndNameProperty};
}

Localizer::Localizer(platform::Host& host, std::wstring caption, LocalizeVariant variant)
    : host_(host), caption_(std::move(caption)), variant_(std::move(variant)) {}

// Each step of an operation runs on its own: a failure is shown and the next step still runs.
template <typename Step>
void Localizer::Guarded(std::wstring_view prefix, Step step) {
  try {
    step();
  } catch (const platform::RuntimeError& error) {
    host_.boxes.Show(std::wstring(prefix) + error.description(), caption_, platform::mb::kOk);
  }
}

void Localizer::InitializeLanguages() {
  if (current_language_ == 0) current_language_ = host_.locale.UserDefaultLangId();
  library_.reset();
  Guarded(kInitializeError, [&] { LoadLibraryOfCurrentLanguage(); });
  ListLanguages();
  Guarded(kInitializeError, [&] {
    if (font_hook_) font_hook_(CurrentFont(), variant_.font_target);
  });
}

// A missing library is no error: the built-in English table answers every lookup.
void Localizer::LoadLibraryOfCurrentLanguage() {
  const std::wstring path = platform::ProgramFolder(host_.processes) + L"\\" +
                            ProgramBaseName(host_.processes) + L"_" +
                            LanguageAbbreviation(current_language_) + L".dll";
  library_.emplace(host_.resources, host_.resources.LoadDataFile(path));
}

// Every file named <program>_<code>.dll in the program's folder, in the folder's order, with
// the code spelled as the file is.
void Localizer::ListLanguages() {
  languages_.clear();
  const std::wstring prefix = ProgramBaseName(host_.processes) + L"_";
  Guarded(kInitializeError, [&] {
    for (const auto& name : host_.files.ListFiles(platform::ProgramFolder(host_.processes))) {
      Guarded(kInitializeError, [&] {
        if (name.size() < prefix.size() || name.size() < 3) return;
        if (!platform::EqualsNoCase(name.substr(0, prefix.size()), prefix)) return;
        if (!platform::EqualsNoCase(name.substr(name.size() - 3), L"DLL")) return;
        // The code stands just before ".dll"; a name too short to hold one is an invalid
        // argument, reported like any other failure here.
        if (name.size() < 7) platform::Raise(platform::VbError::kInvalidProcedureCall);
        languages_.push_back(name.substr(name.size() - 7, 3));
      });
    }
  });
  if (languages_.empty()) languages_.emplace_back();
}

std::wstring Localizer::LoadLocalizedString(std::uint32_t id) {
  std::wstring result;
  Guarded(variant_.load_error_prefix, [&] {
    // Without a library this asks the program itself, which is the built-in table again.
    if (auto text = host_.resources.LoadText(library_handle(), id); text && !text->empty()) {
      // LoadStringW fills the buffer to one short of its size and terminates it there.
      result = text->substr(0, variant_.string_buffer_chars - 1);
      return;
    }
    auto builtin = host_.resources.LoadText(0, id);
    if (!builtin) {
      platform::Raise(kResourceNotFound,
                      L"Resource with identifier '" + std::to_wstring(id) + L"' not found");
    }
    result = *builtin;
  });
  return result;
}

std::wstring Localizer::LanguageAbbreviation(std::uint32_t lcid) {
  return variant_.abbreviation(host_.locale, lcid);
}

std::wstring Localizer::LanguageDisplayName(std::uint32_t lcid) {
  if (lcid == kTddTtyLanguage) return L"English (TDD/TTY)";
  const std::string name = host_.locale.LanguageName(lcid);
  if (name.empty()) return L"(error)";
  return host_.locale.FromAnsi(name);
}

std::wstring Localizer::LanguageNameFromCode(std::wstring_view code) {
  return LanguageDisplayName(LanguageCodeToId(code));
}

}  // namespace velmar
