// Fuzz target: the TAPI provider list (LINEPROVIDERLIST) parsed from the input bytes, and the
// base name taken of every file name it yields and of the input as text.
#include <cstdint>
#include <vector>

#include "PelletSetup/provider_list.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly `size` bytes, so any read past the list is caught by the sanitizer.
  const std::vector<std::uint8_t> list(data, data + size);
  const auto entries = pellet::ParseProviderList(list.data(), static_cast<std::uint32_t>(size));
  for (const pellet::ProviderEntry& entry : entries) {
    const std::wstring_view base = pellet::BaseName(entry.file);
    // The base name is a piece of the file name.
    if (base.size() > entry.file.size()) __builtin_trap();
    pellet::EqualsAsciiNoCase(base, L"ZqPellet");
  }
  const std::wstring text = velmar::fuzz::Utf16Of(data, size);
  pellet::BaseName(text);
  return 0;
}
