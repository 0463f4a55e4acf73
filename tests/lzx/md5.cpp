#include "lzx/md5.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace pgwk::test {
namespace {

std::uint32_t rotl(std::uint32_t x, unsigned s) { return x << s | x >> (32 - s); }

}  // namespace

std::string md5Hex(const std::uint8_t* data, std::size_t length) {
  static const unsigned kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
  std::uint32_t k[64];
  for (int i = 0; i < 64; ++i)
    k[i] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));

  std::vector<std::uint8_t> message(data, data + length);
  message.push_back(0x80);
  while (message.size() % 64 != 56) message.push_back(0);
  const std::uint64_t bitLength = std::uint64_t{length} * 8;
  for (int i = 0; i < 8; ++i) message.push_back(static_cast<std::uint8_t>(bitLength >> (8 * i)));

  std::uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  for (std::size_t chunk = 0; chunk < message.size(); chunk += 64) {
    std::uint32_t m[16];
    for (int i = 0; i < 16; ++i) {
      const std::uint8_t* p = &message[chunk + 4 * i];
      m[i] = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
             std::uint32_t{p[3]} << 24;
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    for (int i = 0; i < 64; ++i) {
      std::uint32_t f;
      int g;
      if (i < 16) f = (b & c) | (~b & d), g = i;
      else if (i < 32) f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
      else if (i < 48) f = b ^ c ^ d, g = (3 * i + 5) % 16;
      else f = c ^ (b | ~d), g = (7 * i) % 16;
      f += a + k[i] + m[g];
      a = d;
      d = c;
      c = b;
      b += rotl(f, kShift[i / 16][i % 4]);
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (std::uint32_t word : h)
    for (int i = 0; i < 4; ++i) {
      std::uint8_t byte = static_cast<std::uint8_t>(word >> (8 * i));
      hex += kHex[byte >> 4];
      hex += kHex[byte & 15];
    }
  return hex;
}

}  // namespace pgwk::test
