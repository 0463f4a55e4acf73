#include "lzx/lzx_test_encoder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace pgwk::test {
namespace {

constexpr unsigned kFrame = 32768;
constexpr unsigned kMainSymbols = 656;
constexpr unsigned kLengthSymbols = 250;

struct Slots {
  unsigned extra[51];
  std::uint32_t base[51];
  Slots() {
    std::uint32_t b = 0;
    for (unsigned i = 0; i < 51; ++i) {
      extra[i] = i < 4 ? 0 : std::min((i - 2) / 2, 17u);
      base[i] = b;
      b += 1u << extra[i];
    }
  }
};
const Slots kSlots;

unsigned slotCount(int windowBits) {
  return windowBits == 20 ? 42 : windowBits == 21 ? 50 : 2 * windowBits;
}

std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint8_t>& lengths) {
  unsigned count[17] = {};
  for (auto l : lengths) ++count[l];
  count[0] = 0;
  std::uint32_t next[17] = {};
  std::uint32_t code = 0;
  for (unsigned len = 1; len <= 16; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<std::uint32_t> codes(lengths.size());
  for (std::size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

}  // namespace

std::vector<std::uint8_t> balancedCodeLengths(unsigned n) {
  unsigned k = 0;
  while ((1u << k) < n) ++k;
  unsigned shorter = (1u << k) - n;
  std::vector<std::uint8_t> lengths(n, static_cast<std::uint8_t>(k));
  for (unsigned i = 0; i < shorter; ++i) lengths[i] = static_cast<std::uint8_t>(k - 1);
  return lengths;
}

LzxStreamWriter::LzxStreamWriter(int windowBits)
    : windowBits_(windowBits),
      mainElements_(256 + 8 * slotCount(windowBits)),
      oldMain_(kMainSymbols + 64),
      oldLength_(kLengthSymbols + 64) {
  preLengths_ = balancedCodeLengths(20);
  preCodes_ = canonicalCodes(preLengths_);
  alignedLengths_ = balancedCodeLengths(8);
  alignedCodes_ = canonicalCodes(alignedLengths_);
  mainLengths_ = balancedCodeLengths(mainElements_);
  mainLengths_.resize(kMainSymbols, 0);
  lengthLengths_ = balancedCodeLengths(249);
  lengthLengths_.resize(kLengthSymbols, 0);
}

void LzxStreamWriter::setCodeLengths(std::vector<std::uint8_t> mainLengths,
                                     std::vector<std::uint8_t> lengthLengths) {
  mainLengths.resize(kMainSymbols, 0);
  lengthLengths.resize(kLengthSymbols, 0);
  mainLengths_ = std::move(mainLengths);
  lengthLengths_ = std::move(lengthLengths);
  fixedLengths_ = true;
}

void LzxStreamWriter::bits(std::uint32_t value, unsigned n) {
  while (n > 0) {
    unsigned take = std::min(n, 16 - pendingBits_);
    std::uint32_t part = n - take >= 32 ? 0 : (value >> (n - take)) & ((1u << take) - 1);
    pending_ = (pending_ << take) | part;
    pendingBits_ += take;
    n -= take;
    if (pendingBits_ == 16) flushWord();
  }
}

void LzxStreamWriter::flushWord() {
  out_.push_back(static_cast<std::uint8_t>(pending_));
  out_.push_back(static_cast<std::uint8_t>(pending_ >> 8));
  pending_ = 0;
  pendingBits_ = 0;
}

void LzxStreamWriter::padToWord() {
  if (pendingBits_ > 0) bits(0, 16 - pendingBits_);
}

void LzxStreamWriter::header(std::int32_t e8FileSize) {
  bits(e8FileSize != 0, 1);
  if (e8FileSize != 0) {
    bits(static_cast<std::uint32_t>(e8FileSize) >> 16, 16);
    bits(static_cast<std::uint32_t>(e8FileSize) & 0xFFFF, 16);
  }
}

void LzxStreamWriter::resetStream() {
  std::fill(oldMain_.begin(), oldMain_.end(), 0);
  std::fill(oldLength_.begin(), oldLength_.end(), 0);
  r0_ = r1_ = r2_ = 1;
}

void LzxStreamWriter::rawBlockHeader(unsigned type, std::uint32_t length) {
  bits(type, 3);
  bits(length >> 8, 16);
  bits(length & 0xFF, 8);
}

void LzxStreamWriter::advanceOutput(std::uint32_t n, bool compressed) {
  std::uint64_t before = outputPosition_;
  outputPosition_ += n;
  if (outputPosition_ % kFrame == 0 && outputPosition_ / kFrame != before / kFrame) {
    if (compressed) padToWord();
    frameOffsets_.push_back(out_.size());
  }
}

void LzxStreamWriter::uncompressedBlock(const std::uint8_t* data, std::size_t length,
                                        std::uint32_t r0, std::uint32_t r1, std::uint32_t r2) {
  rawBlockHeader(3, static_cast<std::uint32_t>(length));
  // Padding to the next word, or a whole word when already on one.
  if (pendingBits_ > 0) padToWord();
  else bits(0, 16);
  for (std::uint32_t r : {r0, r1, r2})
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(r >> (8 * i)));
  r0_ = r0;
  r1_ = r1;
  r2_ = r2;
  for (std::size_t i = 0; i < length; ++i) {
    out_.push_back(data[i]);
    advanceOutput(1, false);
  }
  // Odd blocks get a pad byte, except at the end of a window, where the next stream
  // starts right away.
  if ((length & 1) && outputPosition_ % (std::uint64_t{1} << windowBits_) != 0) out_.push_back(0);
}

void LzxStreamWriter::writeCodeLengths(std::vector<std::uint8_t>& old,
                                       const std::vector<std::uint8_t>& lengths, unsigned first,
                                       unsigned last) {
  for (unsigned i = 0; i < 20; ++i) bits(preLengths_[i], 4);
  auto pre = [&](unsigned symbol) { bits(preCodes_[symbol], preLengths_[symbol]); };
  unsigned x = first;
  while (x < last) {
    unsigned zeros = 0;
    while (x + zeros < last && lengths[x + zeros] == 0) ++zeros;
    if (zeros >= 20) {
      unsigned run = std::min(zeros, 51u);
      pre(18);
      bits(run - 20, 5);
      std::fill_n(old.begin() + x, run, 0);
      x += run;
      continue;
    }
    if (zeros >= 4) {
      unsigned run = std::min(zeros, 19u);
      pre(17);
      bits(run - 4, 4);
      std::fill_n(old.begin() + x, run, 0);
      x += run;
      continue;
    }
    auto delta = [&](unsigned i) { return (old[i] + 17 - lengths[i]) % 17; };
    unsigned same = 1;
    while (x + same < last && same < 5 && delta(x + same) == delta(x)) ++same;
    if (same >= 4) {
      unsigned d = delta(x);
      pre(19);
      bits(same - 4, 1);
      pre(d);
      for (unsigned i = 0; i < same; ++i, ++x) old[x] = lengths[x];
      continue;
    }
    pre(delta(x));
    old[x] = lengths[x];
    ++x;
  }
}

void LzxStreamWriter::writeToken(const LzxToken& token, bool aligned) {
  if (token.length == 0) {
    bits(mainCodes_[token.literal], mainLengths_[token.literal]);
    return;
  }
  const std::uint32_t o = token.offset;
  unsigned slot;
  std::uint32_t extra = 0;
  if (o == r0_) {
    slot = 0;
  } else if (o == r1_) {
    slot = 1;
    std::swap(r0_, r1_);
  } else if (o == r2_) {
    slot = 2;
    std::swap(r0_, r2_);
  } else {
    std::uint32_t formatted = o + 2;
    slot = 3;
    while (slot + 1 < 51 && kSlots.base[slot + 1] <= formatted) ++slot;
    extra = formatted - kSlots.base[slot];
    r2_ = r1_;
    r1_ = r0_;
    r0_ = o;
  }
  unsigned head = std::min(token.length - 2, 7u);
  unsigned symbol = 256 + slot * 8 + head;
  if (mainLengths_[symbol] == 0) throw std::logic_error("offset needs a slot the window lacks");
  bits(mainCodes_[symbol], mainLengths_[symbol]);
  if (head == 7) {
    unsigned l = token.length - 9;
    bits(lengthCodes_[l], lengthLengths_[l]);
  }
  if (slot >= 3) {
    unsigned eb = kSlots.extra[slot];
    if (aligned && eb >= 3) {
      bits(extra >> 3, eb - 3);
      bits(alignedCodes_[extra & 7], alignedLengths_[extra & 7]);
    } else {
      bits(extra, eb);
    }
  }
}

void LzxStreamWriter::compressedBlock(LzxBlockKind kind, const std::vector<LzxToken>& tokens,
                                      std::int64_t blockLength) {
  std::uint64_t total = 0;
  for (const auto& t : tokens) total += t.length ? t.length : 1;
  rawBlockHeader(static_cast<unsigned>(kind),
                 static_cast<std::uint32_t>(blockLength >= 0 ? blockLength : total));
  const bool aligned = kind == LzxBlockKind::kAligned;
  if (aligned)
    for (unsigned i = 0; i < 8; ++i) bits(alignedLengths_[i], 3);

  // Every block moves the short codes elsewhere so that the length deltas vary.
  if (!fixedLengths_) {
    std::rotate(mainLengths_.begin(), mainLengths_.begin() + 37,
                mainLengths_.begin() + mainElements_);
    std::rotate(lengthLengths_.begin(), lengthLengths_.begin() + 11, lengthLengths_.begin() + 249);
  }
  mainCodes_ = canonicalCodes(mainLengths_);
  lengthCodes_ = canonicalCodes(lengthLengths_);
  writeCodeLengths(oldMain_, mainLengths_, 0, 256);
  writeCodeLengths(oldMain_, mainLengths_, 256, mainElements_);
  writeCodeLengths(oldLength_, lengthLengths_, 0, 249);

  for (const auto& t : tokens) {
    writeToken(t, aligned);
    advanceOutput(t.length ? t.length : 1, true);
  }
}

std::vector<std::uint8_t> LzxStreamWriter::finish() {
  padToWord();
  return out_;
}

// ---------------------------------------------------------------------------------

namespace {

std::uint32_t hash3(const std::uint8_t* p) {
  return ((std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]) * 2654435761u) >> 16;
}

std::vector<LzxToken> findTokens(const std::vector<std::uint8_t>& data, std::size_t from,
                                 std::size_t to, std::uint32_t windowSize, std::uint32_t r0,
                                 std::vector<std::int64_t>& head, bool findMatches) {
  std::vector<LzxToken> tokens;
  std::size_t pos = from;
  auto matchLength = [&](std::size_t src, std::size_t limit) {
    std::size_t n = 0;
    while (pos + n < limit && data[src + n] == data[pos + n]) ++n;
    return n;
  };
  while (pos < to) {
    const std::size_t frameEnd = (pos / kFrame + 1) * kFrame;
    const std::size_t limit = std::min({to, frameEnd, pos + 257});
    std::size_t bestLength = 0, bestOffset = 0;
    if (findMatches && pos + 3 <= data.size()) {
      const std::size_t maxOffset = std::min<std::size_t>(pos, windowSize - 3);
      if (r0 <= maxOffset && r0 > 0) {
        std::size_t n = matchLength(pos - r0, limit);
        if (n >= 2) bestLength = n, bestOffset = r0;
      }
      std::uint32_t h = hash3(&data[pos]);
      std::int64_t candidate = head[h];
      if (candidate >= 0 && pos - candidate <= maxOffset) {
        std::size_t n = matchLength(static_cast<std::size_t>(candidate), limit);
        if (n >= 3 && n > bestLength + 1) bestLength = n, bestOffset = pos - candidate;
      }
    }
    std::size_t step = bestLength >= 2 ? bestLength : 1;
    if (bestLength >= 2) {
      tokens.push_back(LzxToken::match(static_cast<std::uint32_t>(bestLength),
                                       static_cast<std::uint32_t>(bestOffset)));
      r0 = static_cast<std::uint32_t>(bestOffset);
    } else {
      tokens.push_back(LzxToken::byte(data[pos]));
    }
    for (std::size_t i = 0; i < step; ++i, ++pos)
      if (pos + 3 <= data.size()) head[hash3(&data[pos])] = static_cast<std::int64_t>(pos);
  }
  return tokens;
}

}  // namespace

LzxEncoded encodeLzx(const std::vector<std::uint8_t>& data, const LzxEncodeOptions& options) {
  const std::uint32_t windowSize = 1u << options.windowBits;
  LzxStreamWriter writer(options.windowBits);
  std::vector<std::int64_t> head(1 << 16, -1);
  std::uint32_t r0 = 1;
  std::size_t pos = 0, blockIndex = 0;
  while (pos < data.size()) {
    if (pos % windowSize == 0) {
      if (pos > 0) writer.resetStream();
      r0 = 1;
      writer.header(options.e8FileSize);
    }
    const std::size_t windowEnd = (pos / windowSize + 1) * windowSize;
    const std::size_t end = std::min({data.size(), pos + options.blockSize, windowEnd});
    const LzxBlockKind kind = options.kinds[blockIndex++ % options.kinds.size()];
    if (kind == LzxBlockKind::kUncompressed) {
      writer.uncompressedBlock(&data[pos], end - pos, r0, 1, 1);
      for (std::size_t i = pos; i < end; ++i)
        if (i + 3 <= data.size()) head[hash3(&data[i])] = static_cast<std::int64_t>(i);
    } else {
      auto tokens = findTokens(data, pos, end, windowSize, r0, head, options.findMatches);
      writer.compressedBlock(kind, tokens);
      for (auto it = tokens.rbegin(); it != tokens.rend(); ++it)
        if (it->length) {
          r0 = it->offset;
          break;
        }
    }
    pos = end;
  }
  LzxEncoded encoded;
  encoded.frameOffsets = writer.frameOffsets();
  encoded.bytes = writer.finish();
  return encoded;
}

std::vector<std::uint8_t> sampleData(std::size_t length, std::uint32_t seed) {
  static const char* const kWords[] = {"the ", "page ", "index ", "<a href=\"", "topic.htm",
                                       "</p>\n", "Pagewick ", "window ", "of ", "and ",
                                       "function(", ") {", "return ", "0x", "table "};
  std::uint32_t state = seed * 2654435761u + 1;
  auto next = [&] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  std::vector<std::uint8_t> data;
  data.reserve(length);
  while (data.size() < length) {
    std::uint32_t r = next() % 100;
    if (r < 60) {
      const char* w = kWords[next() % (sizeof(kWords) / sizeof(kWords[0]))];
      data.insert(data.end(), w, w + std::strlen(w));
    } else if (r < 75) {
      data.push_back(static_cast<std::uint8_t>(next()));
    } else if (r < 80) {
      data.push_back(0xE8);
      for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(next() % 7));
    } else if (r < 90 && data.size() > 300) {
      // A repeat from close by, sometimes overlapping itself.
      std::size_t back = 1 + next() % 300, n = 2 + next() % 300;
      for (std::size_t i = 0; i < n; ++i) data.push_back(data[data.size() - back]);
    } else if (data.size() > 40000) {
      // A repeat from far back (possibly beyond a window).
      std::size_t back = 20000 + next() % (data.size() - 20000), n = 5 + next() % 100;
      std::size_t src = data.size() - back;
      for (std::size_t i = 0; i < n; ++i) data.push_back(data[src + i]);
    }
  }
  data.resize(length);
  return data;
}

}  // namespace pgwk::test
