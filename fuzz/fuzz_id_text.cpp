// Fuzz target: Dirscrub's identifier and property texts over a property value made of the
// input as bytes, as UTF-16 text and as a number.
#include <cstdint>
#include <cstring>
#include <vector>

#include "dirscrub/id_text.h"
#include "fuzz/fuzz_input.h"
#include "platform/error.h"

namespace {

using platform::doh::PropertyValue;

// Type mismatch (13) is the one error a conversion may raise, and only for the wrong shape:
// a number as an identifier, anything else as a number.
template <typename Convert>
void ExpectMismatchOnly(Convert convert, bool mismatch) {
  try {
    convert();
    if (mismatch) __builtin_trap();
  } catch (const platform::RuntimeError& error) {
    if (!mismatch || error.number() != 13) __builtin_trap();
  }
}

void Render(const PropertyValue& value) {
  const bool number = std::holds_alternative<std::int32_t>(value);
  ExpectMismatchOnly([&] { dirscrub::IdToText(value); }, number);
  ExpectMismatchOnly([&] { dirscrub::PropertyNumber(value); }, !number);
  dirscrub::PropertyText(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Render(std::vector<std::uint8_t>(data, data + size));
  Render(velmar::fuzz::Utf16Of(data, size));
  std::int32_t number = 0;
  if (size > 0) std::memcpy(&number, data, size < sizeof number ? size : sizeof number);
  Render(number);
  Render(PropertyValue{});
  return 0;
}
