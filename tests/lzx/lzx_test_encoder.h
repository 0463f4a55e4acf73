#pragma once
// A small LZX encoder for the decoder's tests: uncompressed blocks, and verbatim and
// aligned-offset blocks with fixed (complete, length-balanced) code lengths. It
// follows the stream habits of book data: a fresh stream after every full window,
// the bit stream padded to a word after every 32768 bytes of output.
//
// LzxStreamWriter writes exactly the blocks and tokens a test asks for (including
// invalid ones); encodeLzx() turns data into a whole valid stream.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pgwk::test {

struct LzxToken {
  std::uint32_t length = 0;  // 0: a literal
  std::uint32_t offset = 0;  // match distance, 1 = the previous byte
  std::uint8_t literal = 0;

  static LzxToken byte(std::uint8_t b) { return {0, 0, b}; }
  static LzxToken match(std::uint32_t length, std::uint32_t offset) { return {length, offset, 0}; }
};

enum class LzxBlockKind { kVerbatim = 1, kAligned = 2, kUncompressed = 3 };

class LzxStreamWriter {
 public:
  explicit LzxStreamWriter(int windowBits);

  // The stream header: translation off (0) or on with the given file size.
  void header(std::int32_t e8FileSize);
  // An uncompressed block holding data, with the repeated offsets it restores.
  void uncompressedBlock(const std::uint8_t* data, std::size_t length, std::uint32_t r0 = 1,
                         std::uint32_t r1 = 1, std::uint32_t r2 = 1);
  // A verbatim or aligned block of tokens. blockLength is what the header claims;
  // by default the tokens' total length.
  void compressedBlock(LzxBlockKind kind, const std::vector<LzxToken>& tokens,
                       std::int64_t blockLength = -1);
  // A block header with any type and length and nothing after it.
  void rawBlockHeader(unsigned type, std::uint32_t length);
  // Fixes the main and length tree code lengths of the following blocks (padded with
  // zeros to the full alphabets); by default they are balanced and move every block.
  void setCodeLengths(std::vector<std::uint8_t> mainLengths, std::vector<std::uint8_t> lengthLengths);
  // Writes n bits of value as they are (zeros above bit 31).
  void bits(std::uint32_t value, unsigned n);
  // Starts afresh after a full window: the header comes next, code lengths and
  // repeated offsets go back to their initial values.
  void resetStream();

  std::uint64_t outputPosition() const { return outputPosition_; }
  // Compressed offset of the first byte of every 32768-byte output frame after the
  // first one, as a reset table would list them.
  const std::vector<std::size_t>& frameOffsets() const { return frameOffsets_; }
  // Pads to a whole word and returns the stream.
  std::vector<std::uint8_t> finish();

 private:
  void flushWord();
  void padToWord();
  void advanceOutput(std::uint32_t n, bool compressed);
  void writeCodeLengths(std::vector<std::uint8_t>& old, const std::vector<std::uint8_t>& lengths,
                        unsigned first, unsigned last);
  void writeToken(const LzxToken& token, bool aligned);

  int windowBits_;
  unsigned mainElements_;
  std::vector<std::uint8_t> out_;
  std::uint32_t pending_ = 0;  // bits of the current word, at the bottom
  unsigned pendingBits_ = 0;
  std::uint64_t outputPosition_ = 0;
  std::vector<std::size_t> frameOffsets_;
  std::uint32_t r0_ = 1, r1_ = 1, r2_ = 1;
  std::vector<std::uint8_t> oldMain_, oldLength_;
  std::vector<std::uint8_t> mainLengths_, lengthLengths_, alignedLengths_, preLengths_;
  std::vector<std::uint32_t> mainCodes_, lengthCodes_, alignedCodes_, preCodes_;
  bool fixedLengths_ = false;
};

struct LzxEncodeOptions {
  int windowBits = 16;
  // Block kinds used in turn, one per block.
  std::vector<LzxBlockKind> kinds = {LzxBlockKind::kVerbatim};
  std::uint32_t blockSize = 32768;
  std::int32_t e8FileSize = 0;
  bool findMatches = true;
};

struct LzxEncoded {
  std::vector<std::uint8_t> bytes;
  std::vector<std::size_t> frameOffsets;
};

// A valid stream for data: greedy matches (repeated offsets included), blocks that
// never cross a window end, a fresh stream after every full window.
LzxEncoded encodeLzx(const std::vector<std::uint8_t>& data, const LzxEncodeOptions& options);

// Text-like bytes with plenty of repeats, near and far, and some 0xE8 bytes.
std::vector<std::uint8_t> sampleData(std::size_t length, std::uint32_t seed);

// Code lengths of a complete prefix code over n symbols with lengths as even as possible.
std::vector<std::uint8_t> balancedCodeLengths(unsigned n);

}  // namespace pgwk::test
