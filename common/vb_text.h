// Number-to-text conversions of the run time that the logs and windows show exactly.
#pragma once

#include <string>

namespace velmar {

// The run time's Str(): a non-negative number gets a leading blank for its sign.
std::wstring VbStr(long number);

}  // namespace velmar
