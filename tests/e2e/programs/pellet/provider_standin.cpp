// Bench stand-in for the telephony service provider (built as ZqPellet.tsp): its set-up entry
// records each call, with its arguments, in the same file as the telephony library's calls.
#include <windows.h>

#include <string>

#include "tests/e2e/programs/pellet/standin_record.h"

namespace {
constexpr wchar_t kCallRecord[] = L"C:\\bench\\tapi-calls.txt";
}  // namespace

extern "C" {

// The callback type is never used: the program passes none.
__declspec(dllexport) LONG WINAPI
    TUISPI_providerInstall(LPVOID callback, HWND owner, DWORD permanent_id) {
  pellet_bench::AppendRecord(kCallRecord, std::string("TUISPI_providerInstall callback=") +
                                              (callback ? "given" : "none") +
                                              (owner ? " owner=window" : " owner=none") +
                                              " id=" + std::to_string(permanent_id));
  return 0;
}

}  // extern "C"
