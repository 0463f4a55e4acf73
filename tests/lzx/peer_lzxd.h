#pragma once
// libmspack's LZX decoder, the peer our decoder is compared with and measured against.
// Linked into tests and benchmarks only.

#include <cstddef>
#include <cstdint>

namespace pgwk::test {

// Decodes outLength bytes of the LZX stream in[0..inLength) with libmspack, resetting
// every resetFrames 32768-byte frames (0: never). Returns libmspack's error code
// (0 on success).
//
// Told the stream's length (declareLength), libmspack insists that the last frame
// ends exactly there, which the Microsoft compiler's books overshoot; not told, it
// decodes whole frames and runs out of input on books whose stream stops right at
// the end (the Free Pascal writer's). Each kind of book works one way.
int peerLzxDecode(const std::uint8_t* in, std::size_t inLength, int windowBits, int resetFrames,
                  std::uint8_t* out, std::size_t outLength, bool declareLength);

// Tries without the length first, then with it.
int peerLzxDecodeEitherWay(const std::uint8_t* in, std::size_t inLength, int windowBits,
                           int resetFrames, std::uint8_t* out, std::size_t outLength);

}  // namespace pgwk::test
