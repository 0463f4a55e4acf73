#include "document/lzx_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace pgwk {
namespace {

constexpr unsigned kPreTreeSymbols = 20;
constexpr unsigned kPreTreeBits = 6;
constexpr unsigned kMainTreeSymbols = 256 + 8 * 50;  // the most any window needs
constexpr unsigned kMainTreeBits = 12;
constexpr unsigned kLengthTreeSymbols = 249 + 1;
constexpr unsigned kLengthTreeBits = 12;
constexpr unsigned kAlignedTreeSymbols = 8;
constexpr unsigned kAlignedTreeBits = 7;

constexpr unsigned kLiteralCount = 256;
constexpr unsigned kSecondaryLengths = 249;
constexpr unsigned kPrimaryLengthEscape = 7;
constexpr unsigned kMinMatch = 2;

constexpr std::uint16_t kBlockNone = 0;
constexpr std::uint16_t kBlockVerbatim = 1;
constexpr std::uint16_t kBlockAligned = 2;
constexpr std::uint16_t kBlockUncompressed = 3;

// The translation is defined for the first 32768 frames (1 GiB) of a stream only.
constexpr std::uint64_t kTranslatedFrames = 32768;

// Extra bits and base of every position slot.
struct PositionSlots {
  static constexpr unsigned kCount = 51;
  std::uint8_t extraBits[kCount];
  std::uint32_t base[kCount];
};

constexpr PositionSlots makePositionSlots() {
  PositionSlots slots{};
  std::uint32_t base = 0;
  for (unsigned i = 0; i < PositionSlots::kCount; ++i) {
    unsigned extra = i < 4 ? 0 : std::min((i - 2) / 2, 17u);
    slots.extraBits[i] = static_cast<std::uint8_t>(extra);
    slots.base[i] = base;
    base += 1u << extra;
  }
  return slots;
}

constexpr PositionSlots kSlots = makePositionSlots();
static_assert(kSlots.base[30] == 32768 && kSlots.base[36] == 262144 &&
              kSlots.base[49] == 1966080 && kSlots.extraBits[49] == 17);

unsigned positionSlotsFor(int windowBits) {
  if (windowBits == 20) return 42;
  if (windowBits == 21) return 50;
  return 2 * static_cast<unsigned>(windowBits);
}

std::uint32_t readLe32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

void writeLe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

// Undoes the encoder's rewriting of x86 CALL targets (byte 0xE8 followed by a 32-bit
// absolute address) in one output frame that starts at stream position `position`.
// The last 10 bytes of a frame are never touched.
void translateFrame(std::uint8_t* data, std::size_t length, std::int64_t position,
                    std::int32_t fileSize) {
  if (length <= 10) return;
  std::uint8_t* const start = data;
  std::uint8_t* const end = data + length - 10;
  std::uint8_t* p = data;
  while (p < end) {
    p = static_cast<std::uint8_t*>(std::memchr(p, 0xE8, static_cast<std::size_t>(end - p)));
    if (!p) return;
    std::int64_t current = position + (p - start);
    std::int64_t target = static_cast<std::int32_t>(readLe32(p + 1));
    if (target >= -current && target < fileSize) {
      std::int64_t relative = target >= 0 ? target - current : target + fileSize;
      writeLe32(p + 1, static_cast<std::uint32_t>(relative));
    }
    p += 5;
  }
}

template <typename Word>
inline void copyWord(std::uint8_t* dst, const std::uint8_t* src) {
  Word w;
  std::memcpy(&w, src, sizeof w);
  std::memcpy(dst, &w, sizeof w);
}

// An LZ77 copy within the window where the source starts `offset` bytes before the
// destination (1 <= offset <= position) and nothing past dst + length may be
// touched: the bytes there may still be read by later matches. Overlap (offset <
// length) repeats the last `offset` bytes, exactly as a byte-by-byte copy would.
inline void copyMatch(std::uint8_t* dst, std::uint32_t offset, unsigned length) {
  const std::uint8_t* src = dst - offset;
  if (offset >= 8) {
    // Every word read here holds bytes that are already final, so the last word may
    // overlap the one before it.
    if (length <= 8) {
      if (length >= 4) {
        copyWord<std::uint32_t>(dst, src);
        copyWord<std::uint32_t>(dst + length - 4, src + length - 4);
      } else {
        copyWord<std::uint16_t>(dst, src);
        copyWord<std::uint16_t>(dst + length - 2, src + length - 2);
      }
      return;
    }
    for (unsigned i = 0; i + 8 < length; i += 8) copyWord<std::uint64_t>(dst + i, src + i);
    copyWord<std::uint64_t>(dst + length - 8, src + length - 8);
  } else if (offset == 1) {
    std::memset(dst, *src, length);
  } else {
    for (unsigned i = 0; i < length; ++i) dst[i] = src[i];
  }
}

}  // namespace

// ---------------------------------------------------------------------------------
// HuffmanTable

HuffmanTable::HuffmanTable(unsigned bits, unsigned count)
    : tableBits(bits),
      symbolCount(count),
      lookup(std::make_unique<std::uint16_t[]>(lookupEntries())),
      codeLengths(std::make_unique<std::uint8_t[]>(count + kSpareLengths)) {}

bool HuffmanTable::build() {
  unsigned lengthCount[kMaxCodeLength + 1] = {};
  for (unsigned s = 0; s < symbolCount; ++s) {
    if (codeLengths[s] > kMaxCodeLength) return false;
    ++lengthCount[codeLengths[s]];
  }
  lengthCount[0] = 0;
  // Kraft sum in units of 2^-16: a usable code fills the code space exactly.
  std::uint32_t used = 0;
  for (unsigned len = 1; len <= kMaxCodeLength; ++len)
    used += lengthCount[len] << (kMaxCodeLength - len);

  const unsigned directEntries = 1u << tableBits;
  std::fill_n(lookup.get(), directEntries, std::uint16_t{0});
  empty = used == 0;
  if (empty) return true;
  if (used != 1u << kMaxCodeLength) return false;

  // Canonical codes: by increasing length, and by increasing symbol within a length.
  std::uint32_t nextCode[kMaxCodeLength + 1] = {};
  std::uint32_t code = 0;
  for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
    code = (code + lengthCount[len - 1]) << 1;
    nextCode[len] = code;
  }

  const unsigned entries = lookupEntries();
  unsigned nextNode = directEntries >> 1;
  for (unsigned s = 0; s < symbolCount; ++s) {
    const unsigned len = codeLengths[s];
    if (len == 0) continue;
    const std::uint32_t c = nextCode[len]++;
    if (len <= tableBits) {
      const unsigned shift = tableBits - len;
      std::fill_n(lookup.get() + (c << shift), 1u << shift, static_cast<std::uint16_t>(s));
      continue;
    }
    // Longer codes: the first tableBits bits choose a direct entry, every further
    // bit steps down a node.
    std::uint16_t* entry = &lookup[c >> (len - tableBits)];
    for (int bit = static_cast<int>(len - tableBits) - 1; bit >= 0; --bit) {
      if (*entry < symbolCount) {
        if (2 * nextNode + 1 >= entries) return false;
        lookup[2 * nextNode] = 0;
        lookup[2 * nextNode + 1] = 0;
        *entry = static_cast<std::uint16_t>(nextNode++);
      }
      entry = &lookup[2 * *entry + ((c >> bit) & 1)];
    }
    *entry = static_cast<std::uint16_t>(s);
  }
  return true;
}

// ---------------------------------------------------------------------------------
// Bit reader: 16-bit little-endian words, most significant bit first, held at the top
// of a 64-bit buffer. It never reads past the input: near the end it supplies zero
// words, and it gives up once it has supplied more of them than any look-ahead of a
// sound stream could take. Whether the stream actually consumed bits it does not
// have is asked with overran().

class LzxDecoder::BitReader {
 public:
  BitReader(const std::uint8_t* in, std::size_t length) : in_(in), length_(length) {}

  // At least 32 bits are held afterwards. False when the stream is far past its end.
  bool fill() {
    if (held_ >= 32) return true;
    if (pos_ + 4 <= length_) {
      std::uint32_t x;
      std::memcpy(&x, in_ + pos_, 4);
      if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap32(x);
      // Two little-endian words, the first one on top.
      const std::uint32_t words = x << 16 | x >> 16;
      buffer_ |= std::uint64_t{words} << (32 - held_);
      held_ += 32;
      pos_ += 4;
      return true;
    }
    return fillNearEnd();
  }

  // n <= 32 and fill() done since the last n bits were taken.
  std::uint32_t peek(unsigned n) const { return static_cast<std::uint32_t>(buffer_ >> (64 - n)); }
  void drop(unsigned n) {
    buffer_ <<= n;
    held_ -= n;
  }
  std::uint32_t take(unsigned n) {
    if (n == 0) return 0;
    std::uint32_t v = peek(n);
    drop(n);
    return v;
  }
  bool read(unsigned n, std::uint32_t& value) {
    if (!fill()) return false;
    value = take(n);
    return true;
  }
  std::uint64_t buffer() const { return buffer_; }

  // Drops what is left of the current 16-bit word.
  void alignToWord() { drop(held_ & 15); }

  // The stream has taken bits beyond the input.
  bool overran() const { return pos_ * 8 - held_ > std::uint64_t{length_} * 8; }

  // The first byte after an uncompressed block's header: the header is padded to the
  // next word, and by a whole word when it already ended on one.
  std::size_t bytesAfterPadding() const {
    std::uint64_t consumed = (pos_ - start_) * 8 - held_;
    return start_ + static_cast<std::size_t>((consumed / 16 + 1) * 2);
  }

  // Byte position while reading raw bytes (nothing held).
  std::size_t position() const { return pos_; }
  void restartAt(std::size_t position) {
    pos_ = start_ = position;
    held_ = 0;
    buffer_ = 0;
  }
  const std::uint8_t* input() const { return in_; }
  std::size_t length() const { return length_; }

 private:
  // Enough zero words for the look-ahead of one fill(); a sound stream never needs more.
  static constexpr std::size_t kLookAheadBytes = 8;

  bool fillNearEnd() {
    while (held_ < 32) {
      std::uint32_t word = 0;
      if (pos_ < length_) word = in_[pos_];
      if (pos_ + 1 < length_) word |= std::uint32_t{in_[pos_ + 1]} << 8;
      buffer_ |= std::uint64_t{word} << (48 - held_);
      held_ += 16;
      pos_ += 2;
    }
    return pos_ <= length_ + kLookAheadBytes;
  }

  const std::uint8_t* in_;
  std::size_t length_;
  std::size_t pos_ = 0;
  std::size_t start_ = 0;
  std::uint64_t buffer_ = 0;
  unsigned held_ = 0;
};

namespace {

constexpr unsigned kNoSymbol = 0xFFFF;

// Resolves a code longer than the table's direct bits; the buffer holds at least 16
// valid bits. kNoSymbol when the walk does not end within the longest code length.
unsigned walkTree(const HuffmanTable& table, std::uint64_t buffer, unsigned entry) {
  std::uint64_t bits = buffer << table.tableBits;
  for (unsigned depth = table.tableBits; depth < HuffmanTable::kMaxCodeLength; ++depth) {
    entry = table.lookup[2 * entry + static_cast<unsigned>(bits >> 63)];
    bits <<= 1;
    if (entry < table.symbolCount) return entry;
  }
  return kNoSymbol;
}

// Decodes one symbol; at least 16 bits must be held. kNoSymbol when unresolvable.
template <typename Reader>
inline unsigned decodeSymbol(const HuffmanTable& table, Reader& reader) {
  unsigned symbol = table.lookup[reader.peek(table.tableBits)];
  if (symbol >= table.symbolCount) {
    symbol = walkTree(table, reader.buffer(), symbol);
    if (symbol == kNoSymbol) return kNoSymbol;
  }
  reader.drop(table.codeLengths[symbol]);
  return symbol;
}

}  // namespace

// ---------------------------------------------------------------------------------
// LzxDecoder

LzxDecoder::LzxDecoder()
    : preTree_(kPreTreeBits, kPreTreeSymbols),
      mainTree_(kMainTreeBits, kMainTreeSymbols),
      lengthTree_(kLengthTreeBits, kLengthTreeSymbols),
      alignedTree_(kAlignedTreeBits, kAlignedTreeSymbols) {}

LzxDecoder::~LzxDecoder() = default;

int LzxDecoder::initialise(int windowBits) noexcept {
  if (windowBits < kMinWindowBits || windowBits > kMaxWindowBits) return kFormatError;
  const std::uint32_t size = 1u << windowBits;
  if (!window_ || windowCapacity_ < size) {
    window_.reset();
    windowCapacity_ = 0;
    windowSize_ = 0;
    failed_ = true;
    try {
      window_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    } catch (const std::bad_alloc&) {
      return kOutOfMemory;
    }
    windowCapacity_ = size;
  }
  windowSize_ = size;
  mainElements_ = kLiteralCount + 8 * positionSlotsFor(windowBits);
  r0_ = r1_ = r2_ = 1;
  headerRead_ = false;
  blockType_ = kBlockNone;
  blockLength_ = blockRemaining_ = 0;
  pendingOutput_ = 0;
  e8FileSize_ = 0;
  e8Position_ = 0;
  e8Started_ = false;
  windowPosition_ = 0;
  windowFilled_ = false;
  std::fill_n(mainTree_.codeLengths.get(), kMainTreeSymbols + HuffmanTable::kSpareLengths, 0);
  std::fill_n(lengthTree_.codeLengths.get(), kLengthTreeSymbols + HuffmanTable::kSpareLengths, 0);
  failed_ = false;
  return kOk;
}

void LzxDecoder::resetStream() {
  headerRead_ = false;
  std::fill_n(mainTree_.codeLengths.get(), kMainTreeSymbols + HuffmanTable::kSpareLengths, 0);
  std::fill_n(lengthTree_.codeLengths.get(), kLengthTreeSymbols + HuffmanTable::kSpareLengths, 0);
  r0_ = r1_ = r2_ = 1;
}

bool LzxDecoder::readCodeLengths(BitReader& reader, HuffmanTable& table, unsigned first,
                                 unsigned last) {
  for (unsigned i = 0; i < kPreTreeSymbols; ++i) {
    std::uint32_t len;
    if (!reader.read(4, len)) return false;
    preTree_.codeLengths[i] = static_cast<std::uint8_t>(len);
  }
  if (!preTree_.build()) return false;
  if (first < last && preTree_.empty) return false;

  std::uint8_t* lengths = table.codeLengths.get();
  unsigned x = first;
  while (x < last) {
    // A step takes at most two 15-bit pre-tree codes and 5 more bits.
    if (!reader.fill()) return false;
    unsigned z = decodeSymbol(preTree_, reader);
    if (z == kNoSymbol) return false;
    if (z == 17 || z == 18) {
      unsigned run = z == 17 ? reader.take(4) + 4 : reader.take(5) + 20;
      std::fill_n(lengths + x, run, 0);
      x += run;
    } else if (z == 19) {
      unsigned run = reader.take(1) + 4;
      unsigned delta = decodeSymbol(preTree_, reader);
      if (delta == kNoSymbol) return false;
      // The first length of the run, changed by the delta, is taken for all of it:
      // that is how books are written (changing each length by the delta
      // misreads them).
      const std::uint8_t same = static_cast<std::uint8_t>((lengths[x] + 34 - delta) % 17);
      std::fill_n(lengths + x, run, same);
      x += run;
    } else {
      lengths[x] = static_cast<std::uint8_t>((lengths[x] + 17 - z) % 17);
      ++x;
    }
  }
  return true;
}

int LzxDecoder::startBlock(BitReader& reader) {
  // An uncompressed block of odd length is followed by a pad byte, except where
  // the stream starts afresh: books put the next stream's first byte right there.
  const bool fresh = windowPosition_ == windowSize_;
  if (blockType_ == kBlockUncompressed)
    reader.restartAt(reader.position() + ((blockLength_ & 1) && !fresh ? 1 : 0));
  if (fresh) resetStream();

  std::uint32_t a, b;
  if (!headerRead_) {
    if (!reader.read(1, a)) return kInvalidData;
    e8FileSize_ = 0;
    if (a) {
      if (!reader.read(16, a) || !reader.read(16, b)) return kInvalidData;
      e8FileSize_ = static_cast<std::int32_t>(a << 16 | b);
    }
    headerRead_ = true;
  }

  std::uint32_t type;
  if (!reader.read(3, type) || !reader.read(16, a) || !reader.read(8, b)) return kInvalidData;
  blockType_ = static_cast<std::uint16_t>(type);
  blockLength_ = blockRemaining_ = a << 8 | b;

  switch (blockType_) {
    case kBlockAligned:
      for (unsigned i = 0; i < kAlignedTreeSymbols; ++i) {
        if (!reader.read(3, a)) return kInvalidData;
        alignedTree_.codeLengths[i] = static_cast<std::uint8_t>(a);
      }
      if (!alignedTree_.build()) return kInvalidData;
      [[fallthrough]];
    case kBlockVerbatim:
      if (!readCodeLengths(reader, mainTree_, 0, kLiteralCount) ||
          !readCodeLengths(reader, mainTree_, kLiteralCount, mainElements_) ||
          !mainTree_.build())
        return kInvalidData;
      if (mainTree_.codeLengths[0xE8] != 0) e8Started_ = true;
      if (!readCodeLengths(reader, lengthTree_, 0, kSecondaryLengths) || !lengthTree_.build())
        return kInvalidData;
      // A block with output but no main code has nothing to decode it with.
      if (mainTree_.empty && blockLength_ > 0) return kInvalidData;
      break;
    case kBlockUncompressed: {
      e8Started_ = true;
      std::size_t raw = reader.bytesAfterPadding();
      if (raw > reader.length() || reader.length() - raw < 12) return kInvalidData;
      const std::uint8_t* p = reader.input() + raw;
      r0_ = readLe32(p);
      r1_ = readLe32(p + 4);
      r2_ = readLe32(p + 8);
      reader.restartAt(raw + 12);
      break;
    }
    default:
      return kInvalidData;
  }
  return reader.overran() ? kInvalidData : kOk;
}

int LzxDecoder::copyWrappedMatch(std::uint32_t offset, std::uint32_t length) {
  // The source starts before the window position: it must lie in the part of the
  // window filled on the previous pass, never before the start of the stream or more
  // than a window back.
  if (offset == 0 || offset > windowSize_ || !windowFilled_) return kInvalidData;
  std::uint8_t* window = window_.get();
  const std::uint32_t mask = windowSize_ - 1;
  std::uint32_t src = windowPosition_ + windowSize_ - offset;
  for (std::uint32_t i = 0; i < length; ++i) window[windowPosition_ + i] = window[(src + i) & mask];
  return kOk;
}

template <bool kAligned>
int LzxDecoder::decodeCompressedRun(BitReader& reader, std::uint32_t runEnd, bool mayOverrun) {
  BitReader r = reader;
  std::uint8_t* const window = window_.get();
  const std::uint16_t* const mainLookup = mainTree_.lookup.get();
  const std::uint8_t* const mainLengths = mainTree_.codeLengths.get();
  std::uint32_t wp = windowPosition_;
  std::uint32_t r0 = r0_, r1 = r1_, r2 = r2_;

  while (wp < runEnd) {
    const std::uint32_t frameEnd = (wp | (kFrameSize - 1)) + 1;
    const std::uint32_t limit = std::min(runEnd, frameEnd);
    while (wp < limit) {
      if (!r.fill()) return kInvalidData;
      unsigned symbol = mainLookup[r.peek(kMainTreeBits)];
      if (symbol >= kMainTreeSymbols) {
        symbol = walkTree(mainTree_, r.buffer(), symbol);
        if (symbol == kNoSymbol) return kInvalidData;
      }
      r.drop(mainLengths[symbol]);
      if (symbol < kLiteralCount) {
        window[wp++] = static_cast<std::uint8_t>(symbol);
        if (wp >= limit) break;
        // Literals come in runs, and 32 bits hold any two main codes.
        symbol = mainLookup[r.peek(kMainTreeBits)];
        if (symbol >= kMainTreeSymbols) {
          symbol = walkTree(mainTree_, r.buffer(), symbol);
          if (symbol == kNoSymbol) return kInvalidData;
        }
        r.drop(mainLengths[symbol]);
        if (symbol < kLiteralCount) {
          window[wp++] = static_cast<std::uint8_t>(symbol);
          continue;
        }
        if (!r.fill()) return kInvalidData;
      }

      symbol -= kLiteralCount;
      unsigned length = symbol & 7;
      if (length == kPrimaryLengthEscape) {
        if (lengthTree_.empty) return kInvalidData;
        unsigned extra = decodeSymbol(lengthTree_, r);
        if (extra == kNoSymbol) return kInvalidData;
        length += extra;
      }
      length += kMinMatch;

      const unsigned slot = symbol >> 3;
      std::uint32_t offset;
      if (slot == 0) {
        offset = r0;
      } else if (slot == 1) {
        offset = r1;
        r1 = r0;
        r0 = offset;
      } else if (slot == 2) {
        offset = r2;
        r2 = r0;
        r0 = offset;
      } else {
        if (!r.fill()) return kInvalidData;
        const unsigned extra = kSlots.extraBits[slot];
        offset = kSlots.base[slot] - 2;
        if (kAligned && extra >= 3) {
          offset += r.take(extra - 3) << 3;
          if (alignedTree_.empty) return kInvalidData;
          unsigned low = decodeSymbol(alignedTree_, r);
          if (low == kNoSymbol) return kInvalidData;
          offset += low;
        } else {
          offset += r.take(extra);
        }
        r2 = r1;
        r1 = r0;
        r0 = offset;
      }

      if (length > runEnd - wp) {
        // Only the call's last run may end inside a match (the stream's last
        // frame can encode more than the section holds); the rest of the match
        // still belongs to this block and must fit in the window.
        const std::uint32_t excess = length - (runEnd - wp);
        if (!mayOverrun || excess > blockRemaining_ || length > windowSize_ - wp)
          return kInvalidData;
      }
      if (offset - 1 < wp) {
        copyMatch(window + wp, offset, length);
      } else {
        windowPosition_ = wp;
        if (int rc = copyWrappedMatch(offset, length)) return rc;
      }
      wp += length;
    }
    // Every 32768 bytes of output the encoder pads to a whole word.
    if (wp == frameEnd) r.alignToWord();
  }

  reader = r;
  windowPosition_ = wp;
  r0_ = r0;
  r1_ = r1;
  r2_ = r2;
  return kOk;
}

void LzxDecoder::translateFrames(std::uint8_t* out, std::size_t& done, std::size_t produced,
                                 bool final) const {
  while (done < produced) {
    const std::uint64_t position = e8Position_ + done;
    std::size_t end = done + static_cast<std::size_t>(kFrameSize - position % kFrameSize);
    if (end > produced) {
      if (!final) return;
      end = produced;
    }
    if (e8FileSize_ != 0 && e8Started_ && position / kFrameSize < kTranslatedFrames)
      translateFrame(out + done, end - done, static_cast<std::int64_t>(position), e8FileSize_);
    done = end;
  }
}

int LzxDecoder::decode(const std::uint8_t* in, std::size_t inLength, std::uint8_t* out,
                       std::size_t outLength) noexcept {
  if (!window_ || windowSize_ == 0) return kFormatError;
  if (failed_) return kInvalidData;
  failed_ = true;

  BitReader reader(in, inLength);
  std::uint8_t* const outStart = out;
  std::size_t toGo = outLength;
  std::size_t translated = 0;
  if (pendingOutput_ > 0 && toGo > 0) {
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(pendingOutput_, toGo));
    std::memcpy(out, window_.get() + windowPosition_ - pendingOutput_, n);
    pendingOutput_ -= n;
    out += n;
    toGo -= n;
    if (pendingOutput_ > 0) {
      translateFrames(outStart, translated, outLength, true);
      e8Position_ += outLength;
      failed_ = false;
      return kOk;
    }
  }
  while (toGo > 0) {
    if (blockRemaining_ == 0) {
      if (int rc = startBlock(reader)) return rc;
    }
    while (blockRemaining_ > 0 && toGo > 0) {
      const std::uint32_t run =
          static_cast<std::uint32_t>(std::min<std::size_t>(blockRemaining_, toGo));
      blockRemaining_ -= run;
      toGo -= run;
      if (windowPosition_ == windowSize_) {
        windowPosition_ = 0;
        windowFilled_ = true;
      }
      const std::uint32_t runStart = windowPosition_;
      if (run > windowSize_ - runStart) return kFormatError;

      int rc = kOk;
      const bool lastRun = toGo == 0 && blockRemaining_ > 0;
      if (blockType_ == kBlockVerbatim) {
        rc = decodeCompressedRun<false>(reader, runStart + run, lastRun);
      } else if (blockType_ == kBlockAligned) {
        rc = decodeCompressedRun<true>(reader, runStart + run, lastRun);
      } else {
        const std::size_t pos = reader.position();
        if (pos > inLength || inLength - pos < run) return kInvalidData;
        std::memcpy(window_.get() + runStart, in + pos, run);
        reader.restartAt(pos + run);
        windowPosition_ += run;
      }
      if (rc != kOk) return rc;
      // Bytes of a match beyond the run wait in the window for the next call.
      pendingOutput_ = windowPosition_ - (runStart + run);
      blockRemaining_ -= pendingOutput_;

      std::memcpy(out, window_.get() + runStart, run);
      out += run;
      translateFrames(outStart, translated, outLength - toGo, false);
    }
  }
  if (reader.overran()) return kInvalidData;
  translateFrames(outStart, translated, outLength, true);
  e8Position_ += outLength;
  failed_ = false;
  return kOk;
}

}  // namespace pgwk
