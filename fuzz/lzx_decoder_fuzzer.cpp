// Arbitrary bytes and window sizes into the LZX decoder.
//
// Input layout: byte 0 picks the window (15 + b % 7 bits); bytes 1-3 give the output
// length (little-endian, at most 2^20); byte 4 says where to split the output into
// two calls (0: one call) and byte 5 where to split the input; the rest is the
// stream. One decoder serves every input, as one serves every read of a book.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "document/lzx_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pgwk::LzxDecoder decoder;
  if (size < 6) return 0;
  const int windowBits = 15 + data[0] % 7;
  const std::size_t outLength =
      (std::size_t{data[1]} | std::size_t{data[2]} << 8 | std::size_t{data[3]} << 16) & 0xFFFFF;
  const std::size_t inLength = size - 6;

  // Exact-size copies, so that any read or write past them is caught.
  auto in = std::make_unique_for_overwrite<std::uint8_t[]>(inLength);
  for (std::size_t i = 0; i < inLength; ++i) in[i] = data[6 + i];
  auto out = std::make_unique_for_overwrite<std::uint8_t[]>(outLength);

  if (decoder.initialise(windowBits) != pgwk::LzxDecoder::kOk) std::abort();
  const std::size_t outSplit = data[4] ? outLength * data[4] / 256 : outLength;
  const std::size_t inSplit = data[4] ? inLength * data[5] / 256 : inLength;
  int rc = decoder.decode(in.get(), inSplit, out.get(), outSplit);
  if (rc < 0 || rc > 3) std::abort();
  if (rc == pgwk::LzxDecoder::kOk && outSplit < outLength) {
    rc = decoder.decode(in.get() + inSplit, inLength - inSplit, out.get() + outSplit,
                        outLength - outSplit);
    if (rc < 0 || rc > 3) std::abort();
  }
  // A failed stream stays failed until the next initialise.
  if (rc != pgwk::LzxDecoder::kOk && decoder.decode(in.get(), inLength, out.get(), 0) !=
                                         pgwk::LzxDecoder::kInvalidData)
    std::abort();
  return 0;
}
