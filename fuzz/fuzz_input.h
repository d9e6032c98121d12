// Splitting one fuzz input into the pieces a target hands its parser: small numbers, byte runs,
// UTF-16 text and the rest, each taken from the front and never read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmar::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return empty() ? 0 : data_[pos_++]; }
  std::uint32_t Dword() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
    return value;
  }
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    const std::size_t n = count < size_ - pos_ ? count : size_ - pos_;
    std::vector<std::uint8_t> out(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
    return out;
  }
  std::vector<std::uint8_t> Rest() { return Bytes(size_ - pos_); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Bytes as UTF-16LE text (an odd last byte is dropped), as the platform stores wide text.
inline std::wstring Utf16Of(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  }
  return text;
}

// Bytes as Latin-1 text: every byte one character, so ASCII seeds stay readable.
inline std::wstring Latin1Of(const std::uint8_t* data, std::size_t size) {
  return std::wstring(data, data + size);
}

}  // namespace velmar::fuzz
