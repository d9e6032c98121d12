// Directory values as Dirscrub reads them: identifiers turned into comparable text, and any
// property value as the text a log line shows.
#pragma once

#include <string>

#include "platform/directory_objects.h"

namespace dirscrub {

// A binary identifier read as UTF-16 text, two bytes a character (an odd last byte makes
// none): empty when shorter than 10 characters; otherwise its first and third bytes raised by
// 45, so the usual leading zero bytes read as hyphens.
std::wstring IdToText(const platform::doh::PropertyValue& value);

// The value as text: numbers in decimal, bytes read as UTF-16 as IdToText reads them, nothing
// as the empty text.
std::wstring PropertyText(const platform::doh::PropertyValue& value);

// The value as a number; raises 13 "Type mismatch" for what is not one.
std::int32_t PropertyNumber(const platform::doh::PropertyValue& value);

}  // namespace dirscrub
