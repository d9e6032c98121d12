// Connection texts as "key=value" pairs split by semicolons, keys without case, a value in
// braces kept whole. Without a Provider key ADO uses its ODBC provider, which wants a driver.
#include "tests/conformance/ado_standin/connection_text.h"

#include <map>

#include "platform/error.h"
#include "platform/text.h"

namespace ado_standin {
namespace {

[[noreturn]] void RaiseNoDriver() {
  platform::Raise(-2147467259,  // E_FAIL, as the ODBC driver manager reports through ADO
                  L"[Microsoft][ODBC Driver Manager] Data source name not found and no default "
                  L"driver specified");
}

// The pairs, or nothing when the text is not a list of them.
bool Parse(const std::wstring& text, std::map<std::wstring, std::wstring>& pairs) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t equals = text.find(L'=', i);
    if (equals == std::wstring::npos) return false;
    std::wstring key = text.substr(i, equals - i);
    while (!key.empty() && key.front() == L' ') key.erase(0, 1);
    while (!key.empty() && key.back() == L' ') key.pop_back();
    if (key.empty() || key.find(L';') != std::wstring::npos) return false;
    std::size_t end = equals + 1;
    if (end < text.size() && text[end] == L'{') {
      end = text.find(L'}', end);
      if (end == std::wstring::npos) return false;
      ++end;
    }
    end = text.find(L';', end);
    if (end == std::wstring::npos) end = text.size();
    pairs[platform::Upcase(key)] = text.substr(equals + 1, end - equals - 1);
    i = end + 1;
  }
  return true;
}

}  // namespace

void CheckConnectionText(const std::wstring& text) {
  std::map<std::wstring, std::wstring> pairs;
  const bool parsed = Parse(text, pairs);
  const auto provider = pairs.find(L"PROVIDER");
  if (parsed && provider != pairs.end()) {
    const std::wstring name = platform::Upcase(provider->second);
    if (name != L"SQLOLEDB" && name != L"SQLOLEDB.1") {
      platform::Raise(3706, L"Provider cannot be found. It may not be properly installed.");
    }
    const auto security = pairs.find(L"INTEGRATED SECURITY");
    if (security == pairs.end() || platform::Upcase(security->second) != L"SSPI") {
      // Without integrated security SQLOLEDB logs in as the empty user name.
      platform::Raise(-2147217843, L"Login failed for user ''.");
    }
    return;
  }
  const auto driver = pairs.find(L"DRIVER");
  if (!parsed || driver == pairs.end() || platform::Upcase(driver->second) != L"{SQL SERVER}") {
    RaiseNoDriver();
  }
}

}  // namespace ado_standin
