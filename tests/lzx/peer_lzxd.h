#pragma once
// libmspack's LZX decoder, the peer our decoder is compared with and measured against.
// Linked into tests and benchmarks only.

#include <cstddef>
#include <cstdint>

namespace pgwk::test {

// Decodes outLength bytes of the LZX stream in[0..inLength) with libmspack, resetting
// every resetFrames 32768-byte frames (0: never). Returns libmspack's error code
// (0 on success).
int peerLzxDecode(const std::uint8_t* in, std::size_t inLength, int windowBits, int resetFrames,
                  std::uint8_t* out, std::size_t outLength);

}  // namespace pgwk::test
