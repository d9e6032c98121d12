// modLocalize: the user-interface language — which one is active, its library beside the
// program, string lookup with the built-in English table behind it, the languages present.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace velmar {

// The identifier of the product's own "English (TDD/TTY)", unknown to Windows.
inline constexpr std::uint32_t kTddTtyLanguage = 33801;

// Character set and face name a window's controls take for a language.
struct LanguageFont {
  std::uint8_t charset = 1;  // DEFAULT_CHARSET
  std::wstring name;         // empty: controls keep their own face
};

// Korean, Traditional Chinese, Japanese and Simplified Chinese need their own face; every
// other language keeps the default character set and face.
LanguageFont LanguageFontFor(std::uint32_t lcid);

// Three-letter code to language identifier; the codes are matched exactly, in upper case, and
// anything else is US English.
std::uint32_t LanguageCodeToId(std::wstring_view code);

// Where the window side sets the face: the uninstaller sets the font object and the control's
// own face-name property, Dirscrub only the font object.
enum class FontTarget { kFontAndNameProperty, kFontObjectOnly };

// The pieces in which the two programs' copies of this module differ.
struct LocalizeVariant {
  std::size_t string_buffer_chars;  // LoadStringW buffer, terminator included
  std::wstring load_error_prefix;   // message when a string is in neither table
  // Three-letter code of a language identifier; it names the language library.
  std::wstring (*abbreviation)(platform::Locale& locale, std::uint32_t lcid);
  FontTarget font_target;
};

// The uninstaller's copy: codes from the locale, 1200-character strings.
LocalizeVariant UninstallerLocalizeVariant();

// Dirscrub's copy: codes from its own table, 200-character strings, fonts on the font object.
LocalizeVariant DirscrubLocalizeVariant();

// Abbreviation from Dirscrub's fixed table (its identifiers are 16-bit): 0 and 1033 give ENU,
// the language code table read backwards gives the rest but for ENX and the Chinese codes,
// anything else is "ERROR".
std::wstring AbbreviationFromFixedTable(platform::Locale& locale, std::uint32_t lcid);

// Abbreviation from GetLocaleInfoA (LOCALE_SABBREVLANGNAME); "ERR" when the locale has none.
std::wstring AbbreviationFromLocaleInfo(platform::Locale& locale, std::uint32_t lcid);

// The program-wide language state and its operations. One object per program, created at
// start-up and handed to every window that shows localised texts.
class Localizer {
 public:
  // Applies a language's font to every window that is loaded; set by the user interface.
  using FontHook = std::function<void(const LanguageFont& font, FontTarget target)>;

  // caption: the program's title, shown on the module's error boxes.
  Localizer(platform::Host& host, std::wstring caption,
            LocalizeVariant variant = UninstallerLocalizeVariant());

  // Chooses the user's default language if none is chosen yet, (re)loads its library,
  // rebuilds the available-language list and applies the fonts to the loaded windows.
  void InitializeLanguages();
  // The library's text first, then the built-in table's; a text in neither shows an error box
  // and gives an empty text.
  std::wstring LoadLocalizedString(std::uint32_t id);

  std::wstring LanguageAbbreviation(std::uint32_t lcid);
  std::wstring LanguageDisplayName(std::uint32_t lcid);
  std::wstring LanguageNameFromCode(std::wstring_view code);

  // The font of the current language, for a window that applies it to itself.
  LanguageFont CurrentFont() const { return LanguageFontFor(current_language_); }
  FontTarget font_target() const { return variant_.font_target; }
  void SetFontHook(FontHook hook) { font_hook_ = std::move(hook); }

  // 0 until a language is chosen; the language menu sets it before InitializeLanguages.
  std::uint32_t current_language() const { return current_language_; }
  void set_current_language(std::uint32_t lcid) { current_language_ = lcid; }
  // Codes in the spelling of the library files; one empty entry when there is no library.
  const std::vector<std::wstring>& available_languages() const { return languages_; }
  bool library_loaded() const { return library_handle() != 0; }

 private:
  platform::ModuleHandle library_handle() const { return library_ ? library_->get() : 0; }
  void LoadLibraryOfCurrentLanguage();
  void ListLanguages();
  template <typename Step>
  void Guarded(std::wstring_view prefix, Step step);

  platform::Host& host_;
  std::wstring caption_;
  LocalizeVariant variant_;
  FontHook font_hook_;
  std::uint32_t current_language_ = 0;
  std::optional<platform::ScopedModule> library_;
  std::vector<std::wstring> languages_{std::wstring()};
};

}  // namespace velmar
