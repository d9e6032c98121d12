// The locale facility on Windows: the user's language and locale texts, the ANSI code page, the
// run time's general date format from the user's own formats, and locale-aware comparisons.
#pragma once

#include "platform/locale.h"

namespace platform::win32 {

class Win32Locale final : public Locale {
 public:
  std::uint16_t UserDefaultLangId() override;
  std::string LocaleInfo(std::uint32_t lcid, std::uint32_t lctype) override;
  std::string LanguageName(std::uint32_t lang_id) override;
  std::wstring FormatGeneralDate(const LocalTime& time) override;
  std::string ToAnsi(std::wstring_view text) override;
  std::wstring FromAnsi(std::string_view bytes) override;
  bool EqualIgnoringCaseAndWidth(std::wstring_view a, std::wstring_view b) override;
};

}  // namespace platform::win32
