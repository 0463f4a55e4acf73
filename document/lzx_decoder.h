#pragma once
// The LZX decoder behind a book's "MSCompressed" section.
//
// LZX is an LZ77 window with Huffman-coded literals, match lengths and aligned
// offset bits, in blocks of three kinds (verbatim, aligned offset, uncompressed).
// This decoder follows that format plus three habits of the CHM data it reads:
//
//  - When a block starts and the window has just been filled completely, the stream
//    starts afresh (header bit read again, code lengths from zero, repeated offsets
//    1, 1, 1). Books reset their compressor every window, so one Decode call can run
//    across many restart points.
//  - The bit stream is re-aligned to a 16-bit word after every 32768 bytes of output.
//  - Output is copied to the caller after every run, so one call may produce many
//    windows' worth of bytes.
//
// Using it:
//
//    LzxDecoder decoder;                       // may throw std::bad_alloc
//    if (decoder.initialise(16) != LzxDecoder::kOk) ...
//    int rc = decoder.decode(in, inLength, out, outLength);
//
//  - initialise(windowBits) must come before every independent stream; it accepts
//    15 to 21 bits (CHM books use 16 to 18) and keeps the window buffer when it is
//    already big enough.
//  - decode(in, inLength, out, outLength) writes exactly outLength bytes to out or
//    fails. `in` must begin at a restart point (right after initialise) or where the
//    previous call's input ended. The bit reader starts afresh with every call, so
//    every call but the last should end on a 32768-byte output frame boundary, with
//    `in` split at that frame's first compressed byte (the offsets a reset table
//    lists). The intended use is one call per span, from a restart point to the end
//    of the span. A call may end inside a match (the last frame of a book's stream
//    often encodes more than the section holds): the rest of the match is kept and
//    opens the next call's output.
//  - No padding after the input is needed: nothing past in[inLength - 1] is ever read.
//    A stream that needs bits it does not have returns kInvalidData.
//  - Results: kOk (0); kFormatError (1): window bits outside 15..21, decode without a
//    successful initialise, or a run that would cross the end of the window;
//    kInvalidData (2): anything wrong with the bytes, including input that runs out
//    before outLength bytes are produced; kOutOfMemory (3): the window could not be
//    allocated. After a failure the stream is dead: further decode calls return
//    kInvalidData until the next initialise. Bytes of out from the point of failure
//    on are unspecified. No exception leaves initialise or decode.
//  - The "E8" call translation is applied per 32768-byte output frame (the end of a
//    call also ends a frame), to the first 32768 frames of a stream only.
//
// One decoder serves one reader at a time; it is not re-entrant.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace pgwk {

// One canonical Huffman decoding table. The first `tableBits` bits of a code index
// `lookup` directly; codes longer than that continue in binary tree nodes stored
// after the direct entries (node n owns entries 2n and 2n + 1, nodes are numbered
// from 2^(tableBits - 1), and an entry at or above `symbolCount` is a node).
struct HuffmanTable {
  // Reserved past the last symbol: a run of zero lengths may overshoot the end of
  // the range being read by up to 51 entries.
  static constexpr unsigned kSpareLengths = 64;
  static constexpr unsigned kMaxCodeLength = 16;

  HuffmanTable(unsigned tableBits, unsigned symbolCount);

  // Builds `lookup` from `codeLengths`. False when the lengths over- or under-fill the
  // code space; all-zero lengths are accepted and give an empty table.
  bool build();

  unsigned lookupEntries() const { return (1u << tableBits) + 2 * symbolCount; }

  unsigned tableBits;
  unsigned symbolCount;
  std::unique_ptr<std::uint16_t[]> lookup;
  std::unique_ptr<std::uint8_t[]> codeLengths;  // symbolCount + kSpareLengths entries
  // The last build saw only zero lengths: no symbol can be decoded from it.
  bool empty = true;
};

class LzxDecoder {
 public:
  enum Result : int { kOk = 0, kFormatError = 1, kInvalidData = 2, kOutOfMemory = 3 };

  static constexpr int kMinWindowBits = 15;
  static constexpr int kMaxWindowBits = 21;
  static constexpr std::uint32_t kFrameSize = 32768;

  // Allocates the four tables; the window waits for initialise. Throws std::bad_alloc
  // when memory runs out.
  LzxDecoder();
  ~LzxDecoder();
  LzxDecoder(const LzxDecoder&) = delete;
  LzxDecoder& operator=(const LzxDecoder&) = delete;

  int initialise(int windowBits) noexcept;
  int decode(const std::uint8_t* in, std::size_t inLength, std::uint8_t* out,
             std::size_t outLength) noexcept;

  std::uint32_t windowSize() const { return windowSize_; }

 private:
  class BitReader;

  int startBlock(BitReader& reader);
  void resetStream();
  bool readCodeLengths(BitReader& reader, HuffmanTable& table, unsigned first, unsigned last);
  template <bool kAligned>
  int decodeCompressedRun(BitReader& reader, std::uint32_t runEnd, bool mayOverrun);
  int copyWrappedMatch(std::uint32_t offset, std::uint32_t length);
  void translateFrames(std::uint8_t* out, std::size_t& done, std::size_t produced,
                       bool final) const;

  std::unique_ptr<std::uint8_t[]> window_;
  std::uint32_t windowSize_ = 0;
  std::uint32_t windowCapacity_ = 0;
  std::uint32_t windowPosition_ = 0;
  // The window has been filled at least once since initialise, so every byte of it
  // holds decoded data and a match may reach back across its start.
  bool windowFilled_ = false;
  std::uint32_t r0_ = 1, r1_ = 1, r2_ = 1;
  unsigned mainElements_ = 0;
  bool headerRead_ = false;
  std::uint16_t blockType_ = 0;
  std::uint32_t blockLength_ = 0;
  std::uint32_t blockRemaining_ = 0;
  // Bytes of the last match that went past the previous call's output; they open
  // the next call's output.
  std::uint32_t pendingOutput_ = 0;
  // The last call failed: the stream cannot continue until the next initialise.
  bool failed_ = true;

  std::int32_t e8FileSize_ = 0;
  // Output bytes produced since initialise; the translation works in these positions.
  std::uint64_t e8Position_ = 0;
  // Set by the first uncompressed block or main tree with a code for byte 0xE8.
  bool e8Started_ = false;

  HuffmanTable preTree_;
  HuffmanTable mainTree_;
  HuffmanTable lengthTree_;
  HuffmanTable alignedTree_;
};

}  // namespace pgwk
