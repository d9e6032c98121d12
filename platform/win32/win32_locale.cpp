// The locale facility on Windows: GetUserDefaultLangID, GetLocaleInfoA, VerLanguageNameA and
// the user's short date and long time formats, with CP_ACP for every ANSI conversion, and
// CompareStringW in the user's default locale.
#include "platform/win32/win32_locale.h"

#include <windows.h>

#include "platform/win32/win32_ansi.h"

namespace platform::win32 {
namespace {

SYSTEMTIME ToSystemTime(const LocalTime& time) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(time.year);
  st.wMonth = static_cast<WORD>(time.month);
  st.wDay = static_cast<WORD>(time.day);
  st.wHour = static_cast<WORD>(time.hour);
  st.wMinute = static_cast<WORD>(time.minute);
  st.wSecond = static_cast<WORD>(time.second);
  st.wMilliseconds = static_cast<WORD>(time.millisecond);
  return st;
}

// Both format calls report the size they need, terminator included, when given no buffer.
template <typename Format>
std::wstring Formatted(Format format) {
  const int needed = format(nullptr, 0);
  if (needed <= 0) return {};
  std::wstring text(static_cast<std::size_t>(needed), L'\0');
  const int written = format(text.data(), needed);
  if (written <= 0) return {};
  text.resize(static_cast<std::size_t>(written - 1));
  return text;
}

}  // namespace

std::uint16_t Win32Locale::UserDefaultLangId() {
  return ::GetUserDefaultLangID();
}

std::string Win32Locale::LocaleInfo(std::uint32_t lcid, std::uint32_t lctype) {
  const int needed = ::GetLocaleInfoA(lcid, lctype, nullptr, 0);
  if (needed <= 0) return {};
  std::string text(static_cast<std::size_t>(needed), '\0');
  const int written = ::GetLocaleInfoA(lcid, lctype, text.data(), needed);
  if (written <= 0) return {};
  text.resize(static_cast<std::size_t>(written - 1));
  return text;
}

std::string Win32Locale::LanguageName(std::uint32_t lang_id) {
  // The length it returns excludes the terminator; a name that filled the buffer was cut.
  std::string name(64, '\0');
  for (;;) {
    const DWORD length = ::VerLanguageNameA(lang_id, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length + 1 < name.size()) {
      name.resize(length);
      return name;
    }
    name.resize(name.size() * 2);
  }
}

std::wstring Win32Locale::FormatGeneralDate(const LocalTime& time) {
  const SYSTEMTIME st = ToSystemTime(time);
  const std::wstring date = Formatted([&](wchar_t* buffer, int size) {
    return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, size);
  });
  const std::wstring clock = Formatted([&](wchar_t* buffer, int size) {
    return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, size);
  });
  return date + L" " + clock;
}

std::string Win32Locale::ToAnsi(std::wstring_view text) {
  return AnsiFromWide(text);
}

std::wstring Win32Locale::FromAnsi(std::string_view bytes) {
  return WideFromAnsi(bytes);
}

bool Win32Locale::EqualIgnoringCaseAndWidth(std::wstring_view a, std::wstring_view b) {
  // Counted strings, so the views need no terminator; an empty view may have no storage at all,
  // which the call would refuse.
  const wchar_t* first = a.empty() ? L"" : a.data();
  const wchar_t* second = b.empty() ? L"" : b.data();
  return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | NORM_IGNOREWIDTH, first,
                          static_cast<int>(a.size()), second,
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace platform::win32
