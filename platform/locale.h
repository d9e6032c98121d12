// Locale facility: the user's language, locale texts, the ANSI code page the A functions use,
// and the general date format of the run time (short date, a blank, long time).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace platform {

class Locale {
 public:
  virtual ~Locale() = default;
  virtual std::uint16_t UserDefaultLangId() = 0;  // GetUserDefaultLangID
  // GetLocaleInfoA; an empty text when the call fails.
  virtual std::string LocaleInfo(std::uint32_t lcid, std::uint32_t lctype) = 0;
  virtual std::string LanguageName(std::uint32_t lang_id) = 0;  // VerLanguageNameA
  virtual std::wstring FormatGeneralDate(const LocalTime& time) = 0;
  virtual std::string ToAnsi(std::wstring_view text) = 0;  // system code page
  virtual std::wstring FromAnsi(std::string_view bytes) = 0;
  // CompareStringW in the user's default locale with NORM_IGNORECASE | NORM_IGNOREWIDTH:
  // true when the two texts compare equal.
  virtual bool EqualIgnoringCaseAndWidth(std::wstring_view a, std::wstring_view b) = 0;
};

}  // namespace platform
