#include "md5.h"

#include <array>
#include <cmath>
#include <cstring>

namespace pgwk::test {

namespace {

constexpr std::array<std::uint32_t, 64> kShifts = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
    5, 9,  14, 20, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 6, 10, 15, 21, 6, 10, 15, 21,
    6, 10, 15, 21, 6, 10, 15, 21};

std::array<std::uint32_t, 64> sineTable() {
  std::array<std::uint32_t, 64> table{};
  for (int i = 0; i < 64; ++i)
    table[i] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
  return table;
}

std::uint32_t rotate(std::uint32_t x, std::uint32_t n) { return (x << n) | (x >> (32 - n)); }

void block(std::uint32_t state[4], const std::uint8_t* p) {
  static const std::array<std::uint32_t, 64> k = sineTable();
  std::uint32_t m[16];
  for (int i = 0; i < 16; ++i)
    m[i] = std::uint32_t{p[4 * i]} | std::uint32_t{p[4 * i + 1]} << 8 | std::uint32_t{p[4 * i + 2]} << 16 |
           std::uint32_t{p[4 * i + 3]} << 24;
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; ++i) {
    std::uint32_t f;
    int g;
    if (i < 16) f = (b & c) | (~b & d), g = i;
    else if (i < 32) f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
    else if (i < 48) f = b ^ c ^ d, g = (3 * i + 5) % 16;
    else f = c ^ (b | ~d), g = (7 * i) % 16;
    std::uint32_t next = d;
    d = c;
    c = b;
    b = b + rotate(a + f + k[i] + m[g], kShifts[i]);
    a = next;
  }
  state[0] += a, state[1] += b, state[2] += c, state[3] += d;
}

}  // namespace

std::string md5Hex(const std::uint8_t* data, std::size_t length) {
  std::uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  std::size_t whole = length / 64 * 64;
  for (std::size_t at = 0; at < whole; at += 64) block(state, data + at);
  std::uint8_t tail[128] = {};
  std::size_t rest = length - whole;
  if (rest) std::memcpy(tail, data + whole, rest);
  tail[rest] = 0x80;
  std::size_t tailLength = rest < 56 ? 64 : 128;
  std::uint64_t bits = std::uint64_t{length} * 8;
  for (int i = 0; i < 8; ++i) tail[tailLength - 8 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  for (std::size_t at = 0; at < tailLength; at += 64) block(state, tail + at);
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (std::uint32_t word : state)
    for (int i = 0; i < 4; ++i) {
      std::uint8_t byte = static_cast<std::uint8_t>(word >> (8 * i));
      hex += digits[byte >> 4];
      hex += digits[byte & 15];
    }
  return hex;
}

}  // namespace pgwk::test
