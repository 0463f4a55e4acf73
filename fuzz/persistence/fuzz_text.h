#pragma once
// Fuzz input as wide text: byte pairs, little-endian, so that every code unit
// (brackets, commas, digits, surrogates, zeros) can be reached.

#include <cstddef>
#include <cstdint>
#include <string>

namespace pgwk::fuzz {

inline std::u16string wideText(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return text;
}

}  // namespace pgwk::fuzz
