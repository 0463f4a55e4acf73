#include "document/lzx_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "lzx/lzx_test_encoder.h"

namespace pgwk {
namespace {

using test::LzxBlockKind;
using test::LzxEncodeOptions;
using test::LzxStreamWriter;
using test::LzxToken;

using Bytes = std::vector<std::uint8_t>;

// Decodes from a heap block of exactly the input's size, so that the sanitizer build
// catches any read past the input.
int decodeExact(LzxDecoder& decoder, const std::uint8_t* in, std::size_t inLength, Bytes& out,
                std::size_t outLength) {
  auto exact = std::make_unique<std::uint8_t[]>(inLength);
  if (inLength) std::memcpy(exact.get(), in, inLength);
  auto target = std::make_unique<std::uint8_t[]>(outLength);
  int rc = decoder.decode(exact.get(), inLength, target.get(), outLength);
  out.assign(target.get(), target.get() + outLength);
  return rc;
}

int decodeStream(int windowBits, const Bytes& stream, std::size_t outLength, Bytes& out) {
  LzxDecoder decoder;
  if (int rc = decoder.initialise(windowBits)) return rc;
  return decodeExact(decoder, stream.data(), stream.size(), out, outLength);
}

// The bytes an LZ77 token list stands for.
Bytes expand(const std::vector<LzxToken>& tokens, Bytes history = {}) {
  for (const auto& t : tokens) {
    if (t.length == 0) {
      history.push_back(t.literal);
    } else {
      for (std::uint32_t i = 0; i < t.length; ++i) history.push_back(history[history.size() - t.offset]);
    }
  }
  return history;
}

std::vector<LzxToken> literals(const std::string& text) {
  std::vector<LzxToken> tokens;
  for (char c : text) tokens.push_back(LzxToken::byte(static_cast<std::uint8_t>(c)));
  return tokens;
}

std::vector<LzxToken> literals(const Bytes& bytes, std::size_t from, std::size_t to) {
  std::vector<LzxToken> tokens;
  for (std::size_t i = from; i < to; ++i) tokens.push_back(LzxToken::byte(bytes[i]));
  return tokens;
}

std::string firstDifference(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return "first difference at byte " + std::to_string(i);
  return "equal";
}

TEST(LzxDecoder, InitialiseAcceptsWindowBits15To21Only) {
  LzxDecoder decoder;
  for (int bits : {-1, 0, 14, 22, 32}) EXPECT_EQ(decoder.initialise(bits), LzxDecoder::kFormatError) << bits;
  for (int bits = 15; bits <= 21; ++bits) {
    EXPECT_EQ(decoder.initialise(bits), LzxDecoder::kOk) << bits;
    EXPECT_EQ(decoder.windowSize(), 1u << bits);
  }
}

TEST(LzxDecoder, DecodeWithoutAWindowIsAFormatError) {
  LzxDecoder decoder;
  std::uint8_t in[4] = {}, out[4];
  EXPECT_EQ(decoder.decode(in, sizeof in, out, sizeof out), LzxDecoder::kFormatError);
  EXPECT_EQ(decoder.initialise(40), LzxDecoder::kFormatError);
  EXPECT_EQ(decoder.decode(in, sizeof in, out, sizeof out), LzxDecoder::kFormatError);
}

TEST(LzxDecoder, ZeroBytesAskedIsSuccessWithoutInput) {
  LzxDecoder decoder;
  ASSERT_EQ(decoder.initialise(16), LzxDecoder::kOk);
  EXPECT_EQ(decoder.decode(nullptr, 0, nullptr, 0), LzxDecoder::kOk);
}

struct RoundTrip {
  const char* name;
  int windowBits;
  std::vector<LzxBlockKind> kinds;
  std::size_t length;
  std::uint32_t blockSize;
};

const RoundTrip kRoundTrips[] = {
    // Several windows of each: every window is a fresh stream.
    {"uncompressed, odd blocks", 15, {LzxBlockKind::kUncompressed}, 100001, 10001},
    {"verbatim", 16, {LzxBlockKind::kVerbatim}, 200000, 32768},
    {"aligned", 17, {LzxBlockKind::kAligned}, 300000, 50000},
    {"mixed kinds, blocks across frames",
     16,
     {LzxBlockKind::kVerbatim, LzxBlockKind::kUncompressed, LzxBlockKind::kAligned},
     150001,
     7777},
    {"window 18", 18, {LzxBlockKind::kAligned, LzxBlockKind::kVerbatim}, 600000, 100000},
    {"window 20 (42 slots)", 20, {LzxBlockKind::kVerbatim}, 100000, 60000},
    {"window 21 (50 slots)", 21, {LzxBlockKind::kAligned}, 70000, 70000},
    {"one byte", 16, {LzxBlockKind::kVerbatim}, 1, 32768},
    {"one uncompressed byte", 16, {LzxBlockKind::kUncompressed}, 1, 32768},
};

TEST(LzxDecoder, RoundTripsEncodedStreamsInOneCall) {
  for (const RoundTrip& c : kRoundTrips) {
    SCOPED_TRACE(c.name);
    Bytes data = test::sampleData(c.length, static_cast<std::uint32_t>(c.length));
    LzxEncodeOptions options;
    options.windowBits = c.windowBits;
    options.kinds = c.kinds;
    options.blockSize = c.blockSize;
    test::LzxEncoded encoded = test::encodeLzx(data, options);
    Bytes out;
    ASSERT_EQ(decodeStream(c.windowBits, encoded.bytes, data.size(), out), LzxDecoder::kOk);
    EXPECT_TRUE(out == data) << firstDifference(out, data);
  }
}

// Successive calls continue the stream when split at frame boundaries, the way a
// reset table splits the compressed stream.
TEST(LzxDecoder, RoundTripsEncodedStreamsFrameByFrame) {
  for (const RoundTrip& c : kRoundTrips) {
    SCOPED_TRACE(c.name);
    Bytes data = test::sampleData(c.length, static_cast<std::uint32_t>(c.length) + 7);
    LzxEncodeOptions options;
    options.windowBits = c.windowBits;
    options.kinds = c.kinds;
    options.blockSize = c.blockSize;
    test::LzxEncoded encoded = test::encodeLzx(data, options);

    LzxDecoder decoder;
    ASSERT_EQ(decoder.initialise(c.windowBits), LzxDecoder::kOk);
    Bytes all, part;
    std::size_t inStart = 0;
    for (std::size_t frame = 0; all.size() < data.size(); ++frame) {
      const std::size_t inEnd =
          frame < encoded.frameOffsets.size() ? encoded.frameOffsets[frame] : encoded.bytes.size();
      const std::size_t outLength = std::min<std::size_t>(LzxDecoder::kFrameSize, data.size() - all.size());
      ASSERT_EQ(decodeExact(decoder, encoded.bytes.data() + inStart, inEnd - inStart, part, outLength),
                LzxDecoder::kOk)
          << "frame " << frame;
      all.insert(all.end(), part.begin(), part.end());
      inStart = inEnd;
    }
    EXPECT_TRUE(all == data) << firstDifference(all, data);
  }
}

TEST(LzxDecoder, RejectedInitialiseLeavesTheStreamAlone) {
  Bytes data = test::sampleData(3 * LzxDecoder::kFrameSize, 3);
  test::LzxEncoded encoded = test::encodeLzx(data, {});
  LzxDecoder decoder;
  ASSERT_EQ(decoder.initialise(16), LzxDecoder::kOk);
  Bytes first, second;
  const std::size_t split = encoded.frameOffsets[0];
  ASSERT_EQ(decodeExact(decoder, encoded.bytes.data(), split, first, LzxDecoder::kFrameSize), 0);
  EXPECT_EQ(decoder.initialise(14), LzxDecoder::kFormatError);
  EXPECT_EQ(decoder.initialise(22), LzxDecoder::kFormatError);
  ASSERT_EQ(decodeExact(decoder, encoded.bytes.data() + split, encoded.bytes.size() - split, second,
                        data.size() - first.size()),
            LzxDecoder::kOk);
  first.insert(first.end(), second.begin(), second.end());
  EXPECT_TRUE(first == data) << firstDifference(first, data);
}

// A stream that fills the window exactly goes on as a fresh one: header bit read
// again, code lengths from zero and repeated offsets back to 1. The second stream's
// first match repeats offset 1 (R0) and its code lengths are coded against zero,
// so a decoder that carried state over would go astray.
TEST(LzxDecoder, StreamThatFillsTheWindowContinuesAsAFreshStream) {
  const int bits = 15;
  const std::uint32_t window = 1u << bits;
  Bytes data = test::sampleData(window, 11);
  LzxStreamWriter writer(bits);
  writer.header(0);
  std::vector<LzxToken> first = literals(data, 0, 100);
  first.push_back(LzxToken::match(50, 77));  // leaves R0 = 77
  std::vector<LzxToken> rest = literals(data, 150, window);
  first.insert(first.end(), rest.begin(), rest.end());
  writer.compressedBlock(LzxBlockKind::kVerbatim, first);
  writer.resetStream();
  writer.header(0);
  std::vector<LzxToken> second = literals("zz");
  second.push_back(LzxToken::match(5, 1));
  second.push_back(LzxToken::match(4, window - 3));  // back into the previous pass
  writer.compressedBlock(LzxBlockKind::kVerbatim, second);
  Bytes stream = writer.finish();

  Bytes expected = expand(second, expand(first));
  Bytes out;
  ASSERT_EQ(decodeStream(bits, stream, expected.size(), out), LzxDecoder::kOk);
  EXPECT_TRUE(out == expected) << firstDifference(out, expected);
}

TEST(LzxDecoder, InputThatRunsOutBeforeTheOutputFails) {
  for (LzxBlockKind kind : {LzxBlockKind::kVerbatim, LzxBlockKind::kUncompressed}) {
    Bytes data = test::sampleData(100000, 5);
    LzxEncodeOptions options;
    options.kinds = {kind};
    Bytes stream = test::encodeLzx(data, options).bytes;
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{13},
                            stream.size() / 2, stream.size() - 8}) {
      Bytes out;
      EXPECT_EQ(decodeStream(16, Bytes(stream.begin(), stream.begin() + cut), data.size(), out),
                LzxDecoder::kInvalidData)
          << "kind " << static_cast<int>(kind) << " cut at " << cut;
    }
    // The whole stream but more output than it holds.
    Bytes out;
    EXPECT_EQ(decodeStream(16, stream, data.size() + 1, out), LzxDecoder::kInvalidData);
  }
}

// Every prefix of a small stream, decoded from a buffer of exactly its size: the
// sanitizer build proves nothing past the input is read.
TEST(LzxDecoder, EveryTruncationFailsCleanly) {
  Bytes data = test::sampleData(3000, 8);
  LzxEncodeOptions options;
  options.kinds = {LzxBlockKind::kAligned, LzxBlockKind::kUncompressed, LzxBlockKind::kVerbatim};
  options.blockSize = 1001;
  Bytes stream = test::encodeLzx(data, options).bytes;
  LzxDecoder decoder;
  for (std::size_t cut = 0; cut < stream.size(); ++cut) {
    ASSERT_EQ(decoder.initialise(16), LzxDecoder::kOk);
    Bytes out;
    int rc = decodeExact(decoder, stream.data(), cut, out, data.size());
    // The last word may hold nothing but padding.
    if (cut + 4 <= stream.size()) {
      EXPECT_EQ(rc, LzxDecoder::kInvalidData) << "cut at " << cut;
    }
    if (rc == LzxDecoder::kOk) {
      EXPECT_TRUE(out == data) << "cut at " << cut;
    }
  }
}

TEST(LzxDecoder, BlockTypesOtherThanOneToThreeFail) {
  for (unsigned type : {0u, 4u, 5u, 6u, 7u}) {
    LzxStreamWriter writer(16);
    writer.header(0);
    writer.rawBlockHeader(type, 100);
    writer.bits(0, 32);
    Bytes out;
    EXPECT_EQ(decodeStream(16, writer.finish(), 100, out), LzxDecoder::kInvalidData) << type;
  }
}

TEST(LzxDecoder, RunThatWouldCrossTheWindowEndIsAFormatError) {
  const std::uint32_t window = 1u << 15;
  Bytes data = test::sampleData(window + 5000, 2);
  LzxStreamWriter writer(15);
  writer.header(0);
  writer.compressedBlock(LzxBlockKind::kVerbatim, literals(data, 0, data.size()));
  Bytes out;
  EXPECT_EQ(decodeStream(15, writer.finish(), data.size(), out), LzxDecoder::kFormatError);
}

struct BadMatch {
  const char* name;
  std::vector<LzxToken> tokens;
  std::int64_t blockLength;  // -1: the tokens' length
};

TEST(LzxDecoder, MatchesOutsideTheStreamOrTheRunFail) {
  const BadMatch cases[] = {
      {"source before the stream start", {LzxToken::byte('a'), LzxToken::match(3, 2)}, -1},
      {"repeated offset 1 at the very start", {LzxToken::match(3, 1)}, -1},
      {"match longer than the block", {LzxToken::byte('a'), LzxToken::byte('b'), LzxToken::match(10, 2)}, 5},
  };
  for (const BadMatch& c : cases) {
    LzxStreamWriter writer(16);
    writer.header(0);
    writer.compressedBlock(LzxBlockKind::kVerbatim, c.tokens, c.blockLength);
    writer.bits(0, 32);
    Bytes out;
    EXPECT_EQ(decodeStream(16, writer.finish(), 20, out), LzxDecoder::kInvalidData) << c.name;
  }
}

// A call may end inside a match (the last frame of a book's stream can encode more
// than the section holds): the rest of the match opens the next call's output.
TEST(LzxDecoder, CallEndingInsideAMatchHandsTheRestToTheNextCall) {
  std::vector<LzxToken> tokens = literals("abcdefgh");
  tokens.push_back(LzxToken::match(20, 8));
  std::vector<LzxToken> tail = literals("xyz");
  tokens.insert(tokens.end(), tail.begin(), tail.end());
  LzxStreamWriter writer(16);
  writer.header(0);
  writer.compressedBlock(LzxBlockKind::kVerbatim, tokens);
  Bytes stream = writer.finish();
  const Bytes expected = expand(tokens);

  const std::size_t matchEnd = 8 + 20;
  for (std::size_t split : {9, 10, 27}) {
    LzxDecoder decoder;
    ASSERT_EQ(decoder.initialise(16), LzxDecoder::kOk);
    Bytes first, second;
    ASSERT_EQ(decodeExact(decoder, stream.data(), stream.size(), first, split), LzxDecoder::kOk) << split;
    // The match's remaining bytes need no input.
    ASSERT_EQ(decodeExact(decoder, nullptr, 0, second, matchEnd - split), LzxDecoder::kOk) << split;
    first.insert(first.end(), second.begin(), second.end());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), expected.begin())) << split;
    // Anything beyond them does.
    EXPECT_EQ(decodeExact(decoder, nullptr, 0, second, 1), LzxDecoder::kInvalidData) << split;
  }
}

// Repeated offsets restored by an uncompressed block are taken from the stream as
// they are: one beyond the window or zero must not reach outside it.
TEST(LzxDecoder, RepeatedOffsetsFromAnUncompressedBlockAreChecked) {
  const int bits = 15;
  const std::uint32_t window = 1u << bits;
  const Bytes filler = test::sampleData(window, 4);
  struct Case {
    std::uint32_t r0;
    int expected;
  } cases[] = {{window + 5, LzxDecoder::kInvalidData}, {0, LzxDecoder::kInvalidData},
               {window, LzxDecoder::kOk}, {window - 3, LzxDecoder::kOk}};
  for (const Case& c : cases) {
    LzxStreamWriter writer(bits);
    writer.header(0);
    writer.uncompressedBlock(filler.data(), filler.size());
    writer.resetStream();
    writer.header(0);
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    writer.uncompressedBlock(abc, 3, c.r0);
    std::vector<LzxToken> tokens = {LzxToken::match(6, c.r0)};
    writer.compressedBlock(LzxBlockKind::kVerbatim, tokens);
    Bytes out;
    const std::size_t total = window + 3 + 6;
    EXPECT_EQ(decodeStream(bits, writer.finish(), total, out), c.expected) << c.r0;
    if (c.expected == LzxDecoder::kOk) {
      Bytes history = filler;
      history.insert(history.end(), abc, abc + 3);
      Bytes expected = expand(tokens, history);
      EXPECT_TRUE(out == expected) << c.r0 << ": " << firstDifference(out, expected);
    }
  }
}

TEST(LzxDecoder, EmptyTreesDecodeNothing) {
  const int bits = 16;
  const unsigned mainElements = 256 + 8 * 32;
  auto stream = [&](std::vector<std::uint8_t> lengthLengths, const std::vector<LzxToken>& tokens) {
    LzxStreamWriter writer(bits);
    writer.header(0);
    writer.setCodeLengths(test::balancedCodeLengths(mainElements), std::move(lengthLengths));
    writer.compressedBlock(LzxBlockKind::kVerbatim, tokens);
    writer.bits(0, 32);
    return writer.finish();
  };
  std::vector<LzxToken> shortMatches = literals("abcdef");
  shortMatches.push_back(LzxToken::match(8, 6));
  std::vector<LzxToken> longMatch = literals("abcdef");
  longMatch.push_back(LzxToken::match(20, 6));

  // An all-zero length tree is fine as long as no match needs it.
  Bytes out;
  Bytes expected = expand(shortMatches);
  ASSERT_EQ(decodeStream(bits, stream({}, shortMatches), expected.size(), out), LzxDecoder::kOk);
  EXPECT_TRUE(out == expected);
  EXPECT_EQ(decodeStream(bits, stream({}, longMatch), 26, out), LzxDecoder::kInvalidData);

  // A main tree with no codes cannot produce a block's bytes.
  LzxStreamWriter writer(bits);
  writer.header(0);
  writer.setCodeLengths({}, test::balancedCodeLengths(249));
  writer.compressedBlock(LzxBlockKind::kVerbatim, {}, 10);
  writer.bits(0, 32);
  EXPECT_EQ(decodeStream(bits, writer.finish(), 10, out), LzxDecoder::kInvalidData);
}

TEST(LzxDecoder, OversubscribedTablesFail) {
  const int bits = 16;
  // Pre-tree: twenty codes of one bit.
  {
    LzxStreamWriter writer(bits);
    writer.header(0);
    writer.rawBlockHeader(1, 100);
    for (int i = 0; i < 20; ++i) writer.bits(1, 4);
    writer.bits(0, 64);
    Bytes out;
    EXPECT_EQ(decodeStream(bits, writer.finish(), 100, out), LzxDecoder::kInvalidData);
  }
  // Main tree: one code too many.
  {
    std::vector<std::uint8_t> main = test::balancedCodeLengths(256 + 8 * 32);
    main[300] = main[301] = 1;
    LzxStreamWriter writer(bits);
    writer.header(0);
    writer.setCodeLengths(main, test::balancedCodeLengths(249));
    writer.compressedBlock(LzxBlockKind::kVerbatim, {}, 100);
    writer.bits(0, 64);
    Bytes out;
    EXPECT_EQ(decodeStream(bits, writer.finish(), 100, out), LzxDecoder::kInvalidData);
  }
  // Aligned tree: eight codes of two bits.
  {
    LzxStreamWriter writer(bits);
    writer.header(0);
    writer.rawBlockHeader(2, 100);
    for (int i = 0; i < 8; ++i) writer.bits(2, 3);
    writer.bits(0, 64);
    Bytes out;
    EXPECT_EQ(decodeStream(bits, writer.finish(), 100, out), LzxDecoder::kInvalidData);
  }
}

TEST(LzxDecoder, FailedStreamStaysFailedUntilInitialise) {
  Bytes data = test::sampleData(5000, 1);
  Bytes good = test::encodeLzx(data, {}).bytes;
  Bytes bad = {0, 0, 0, 0, 0, 0, 0, 0};  // block type 0
  LzxDecoder decoder;
  Bytes out;
  ASSERT_EQ(decoder.initialise(16), LzxDecoder::kOk);
  EXPECT_EQ(decodeExact(decoder, bad.data(), bad.size(), out, 10), LzxDecoder::kInvalidData);
  EXPECT_EQ(decodeExact(decoder, good.data(), good.size(), out, data.size()), LzxDecoder::kInvalidData);
  ASSERT_EQ(decoder.initialise(16), LzxDecoder::kOk);
  EXPECT_EQ(decodeExact(decoder, good.data(), good.size(), out, data.size()), LzxDecoder::kOk);
  EXPECT_TRUE(out == data);
}

TEST(LzxDecoder, SmallerWindowAfterALargerOneDecodes) {
  LzxDecoder decoder;
  for (int bits : {17, 15, 16}) {
    Bytes data = test::sampleData(200000, bits);
    LzxEncodeOptions options;
    options.windowBits = bits;
    options.kinds = {LzxBlockKind::kAligned};
    Bytes stream = test::encodeLzx(data, options).bytes;
    ASSERT_EQ(decoder.initialise(bits), LzxDecoder::kOk);
    Bytes out;
    ASSERT_EQ(decodeExact(decoder, stream.data(), stream.size(), out, data.size()), LzxDecoder::kOk);
    EXPECT_TRUE(out == data) << bits << ": " << firstDifference(out, data);
  }
}

// ---------------------------------------------------------------------------------
// E8 translation

void putCall(Bytes& data, std::size_t at, std::int32_t target) {
  data[at] = 0xE8;
  for (int i = 0; i < 4; ++i) data[at + 1 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(target) >> (8 * i));
}

Bytes uncompressedStream(const Bytes& data, std::int32_t e8FileSize, int bits = 16) {
  LzxStreamWriter writer(bits);
  writer.header(e8FileSize);
  writer.uncompressedBlock(data.data(), data.size());
  return writer.finish();
}

TEST(LzxDecoder, TranslatesCallTargetsExceptInTheLastTenBytes) {
  const std::int32_t fileSize = 1000000;
  Bytes stored(64, 'x');
  putCall(stored, 5, 100);          // absolute 100 at 5 -> relative 95
  putCall(stored, 20, -3);          // negative, within reach -> -3 + file size
  putCall(stored, 30, -40);         // before the stream start: kept
  putCall(stored, 40, 2000000);     // beyond the file size: kept
  putCall(stored, 50, 100);         // last call outside the final 10 bytes -> 50
  stored[56] = 0xE8;                // inside the final 10 bytes: kept
  stored[57] = 100;

  Bytes expected = stored;
  putCall(expected, 5, 95);
  putCall(expected, 20, -3 + fileSize);
  putCall(expected, 50, 50);

  Bytes out;
  ASSERT_EQ(decodeStream(16, uncompressedStream(stored, fileSize), stored.size(), out), LzxDecoder::kOk);
  EXPECT_TRUE(out == expected) << firstDifference(out, expected);

  // Header bit 0: nothing is translated.
  ASSERT_EQ(decodeStream(16, uncompressedStream(stored, 0), stored.size(), out), LzxDecoder::kOk);
  EXPECT_TRUE(out == stored);
}

// Translation works frame by frame: the last 10 bytes of every 32768-byte frame are
// left alone, and positions keep counting across frames and calls.
TEST(LzxDecoder, TranslatesEachFrameOnItsOwn) {
  const std::int32_t fileSize = 1 << 24;
  const std::size_t frame = LzxDecoder::kFrameSize;
  Bytes stored(3 * frame, 'y');
  putCall(stored, frame - 11, 5000000);  // last call of frame 0 that still counts
  putCall(stored, frame - 6, 5000000);   // in frame 0's final 10 bytes
  putCall(stored, frame + 3, 5000000);   // frame 1
  putCall(stored, 2 * frame + 100, 5000000);
  Bytes expected = stored;
  putCall(expected, frame - 11, static_cast<std::int32_t>(5000000 - (frame - 11)));
  putCall(expected, frame + 3, static_cast<std::int32_t>(5000000 - (frame + 3)));
  putCall(expected, 2 * frame + 100, static_cast<std::int32_t>(5000000 - (2 * frame + 100)));

  Bytes stream = uncompressedStream(stored, fileSize, 17);
  Bytes out;
  ASSERT_EQ(decodeStream(17, stream, stored.size(), out), LzxDecoder::kOk);
  EXPECT_TRUE(out == expected) << firstDifference(out, expected);

  // The same in two calls, split after the first frame.
  LzxDecoder decoder;
  ASSERT_EQ(decoder.initialise(17), LzxDecoder::kOk);
  LzxStreamWriter probe(17);
  probe.header(fileSize);
  probe.uncompressedBlock(stored.data(), stored.size());
  const std::size_t split = probe.frameOffsets()[0];
  Bytes first, second;
  ASSERT_EQ(decodeExact(decoder, stream.data(), split, first, frame), LzxDecoder::kOk);
  ASSERT_EQ(decodeExact(decoder, stream.data() + split, stream.size() - split, second, 2 * frame),
            LzxDecoder::kOk);
  first.insert(first.end(), second.begin(), second.end());
  EXPECT_TRUE(first == expected) << firstDifference(first, expected);
}

// ---------------------------------------------------------------------------------
// HuffmanTable

// Follows a code through the table as the format lays it out: direct entries for
// the first tableBits bits, then one node per further bit.
unsigned lookUp(const HuffmanTable& t, std::uint32_t code, unsigned length) {
  if (length <= t.tableBits) return t.lookup[code << (t.tableBits - length)];
  unsigned entry = t.lookup[code >> (length - t.tableBits)];
  for (int bit = static_cast<int>(length - t.tableBits) - 1; bit >= 0; --bit) {
    if (entry < t.symbolCount) return 0xFFFF;
    entry = t.lookup[2 * entry + ((code >> bit) & 1)];
  }
  return entry;
}

TEST(HuffmanTable, BuildsCanonicalCodesLongAndShort) {
  // Lengths 1, 2, ..., 15, 15 (symbols listed out of order) fill the code space exactly.
  HuffmanTable table(6, 20);
  const unsigned lengths[20] = {0, 15, 1, 2, 3, 4, 5, 6, 7, 0, 8, 9, 10, 11, 12, 13, 14, 0, 15, 0};
  for (unsigned s = 0; s < 20; ++s) table.codeLengths[s] = static_cast<std::uint8_t>(lengths[s]);
  ASSERT_TRUE(table.build());
  EXPECT_FALSE(table.empty);
  // Canonical order: by length, then by symbol. Symbol 2 is "0", 3 is "10", ...,
  // the two 15-bit codes are all ones but the last bit, symbol 1 before symbol 18.
  std::uint32_t code = 0;
  unsigned previousLength = 0;
  const unsigned order[] = {2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 1, 18};
  for (unsigned s : order) {
    code <<= lengths[s] - previousLength;
    previousLength = lengths[s];
    EXPECT_EQ(lookUp(table, code, lengths[s]), s) << "symbol " << s;
    ++code;
  }
}

TEST(HuffmanTable, AcceptsOnlyCompleteCodesOrNoCodes) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> lengths;
    bool builds;
  } cases[] = {
      {"all zero", {}, true},
      {"two one-bit codes", {1, 1}, true},
      {"eight three-bit codes", {3, 3, 3, 3, 3, 3, 3, 3}, true},
      {"oversubscribed", {1, 1, 1}, false},
      {"oversubscribed by long codes", {1, 2, 3, 3, 16}, false},
      {"a single code", {0, 0, 1}, false},
      {"underfilled", {2, 2, 2}, false},
      {"length above 16", {1, 17}, false},
  };
  for (const Case& c : cases) {
    HuffmanTable table(7, 8);
    std::fill_n(table.codeLengths.get(), 8 + HuffmanTable::kSpareLengths, 0);
    std::copy(c.lengths.begin(), c.lengths.end(), table.codeLengths.get());
    EXPECT_EQ(table.build(), c.builds) << c.name;
    if (c.lengths.empty()) {
      EXPECT_TRUE(table.empty);
      for (unsigned i = 0; i < (1u << 7); ++i) ASSERT_EQ(table.lookup[i], 0) << i;
    }
  }
}

}  // namespace
}  // namespace pgwk
