// The decoder against its peers on every book of the shared corpus: libmspack's LZX
// decoder on the same compressed bytes, and the checksums of every stored object as
// chmlib returns them (the corpus oracle).

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "document/lzx_decoder.h"
#include "lzx/chm_lzx_section.h"
#include "lzx/md5.h"
#include "lzx/peer_lzxd.h"
#include "support/corpus.h"

namespace pgwk {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct OracleObject {
  std::string name;
  std::uint64_t offset, length;
  std::string md5;
};

// Objects of the compressed section with the checksum chmlib gave them.
std::vector<OracleObject> oracleObjects(const fs::path& book, const std::string& folder) {
  std::vector<OracleObject> objects;
  std::ifstream f(test::corpusDir() / "oracle" / folder / (book.filename().string() + ".files.tsv"));
  std::string line;
  while (std::getline(f, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, section, offset, length, md5;
    if (!std::getline(fields, name, '\t') || !std::getline(fields, section, '\t') ||
        !std::getline(fields, offset, '\t') || !std::getline(fields, length, '\t') ||
        !std::getline(fields, md5, '\t'))
      continue;
    if (section != "1" || md5.size() != 32) continue;
    objects.push_back({name, std::stoull(offset), std::stoull(length), md5});
  }
  return objects;
}

std::size_t firstDifference(const Bytes& a, const Bytes& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return i;
}

void checkBook(const fs::path& book, const std::string& folder) {
  SCOPED_TRACE(book.filename().string());
  test::ChmLzxSection s;
  std::string why;
  ASSERT_TRUE(test::readChmLzxSection(book, s, why)) << why;
  const std::uint8_t* stream = s.stream.data();

  // The whole section in one call, across every restart point.
  LzxDecoder decoder;
  Bytes whole(s.uncompressedLength);
  ASSERT_EQ(decoder.initialise(s.windowBits), LzxDecoder::kOk);
  ASSERT_EQ(decoder.decode(stream, s.compressedLength, whole.data(), whole.size()), LzxDecoder::kOk);

  Bytes peer(s.uncompressedLength);
  ASSERT_EQ(test::peerLzxDecodeEitherWay(stream, s.compressedLength, s.windowBits,
                                static_cast<int>(s.resetInterval / LzxDecoder::kFrameSize),
                                peer.data(), peer.size()),
            0);
  EXPECT_TRUE(whole == peer) << "differs from libmspack at byte " << firstDifference(whole, peer);

  // Each restart span on its own, and its first reset-table block alone, the way
  // file extraction asks for them.
  Bytes part;
  for (const test::LzxSpan& span : test::restartSpans(s)) {
    const std::uint64_t firstBlock = span.uncompressedStart / s.blockLength;
    part.resize(span.uncompressedEnd - span.uncompressedStart);
    ASSERT_EQ(decoder.initialise(s.windowBits), LzxDecoder::kOk);
    ASSERT_EQ(decoder.decode(stream + span.compressedStart, span.compressedEnd - span.compressedStart,
                             part.data(), part.size()),
              LzxDecoder::kOk)
        << "span at " << span.uncompressedStart;
    ASSERT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + span.uncompressedStart))
        << "span at " << span.uncompressedStart;

    if (firstBlock + 1 < s.blockOffsets.size() && span.uncompressedEnd > (firstBlock + 1) * s.blockLength) {
      part.resize(s.blockLength);
      ASSERT_EQ(decoder.initialise(s.windowBits), LzxDecoder::kOk);
      ASSERT_EQ(decoder.decode(stream + span.compressedStart,
                               s.blockOffsets[firstBlock + 1] - span.compressedStart, part.data(),
                               part.size()),
                LzxDecoder::kOk)
          << "block " << firstBlock;
      ASSERT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + span.uncompressedStart))
          << "block " << firstBlock;
    }
  }

  // Every object as chmlib returned it.
  std::vector<OracleObject> objects = oracleObjects(book, folder);
  EXPECT_FALSE(objects.empty());
  for (const OracleObject& o : objects) {
    ASSERT_LE(o.offset + o.length, whole.size()) << o.name;
    EXPECT_EQ(test::md5Hex(whole.data() + o.offset, o.length), o.md5) << o.name;
  }
}

TEST(LzxCorpus, RealBooksMatchLibmspackAndChmlib) {
  PGWK_REQUIRE_CORPUS();
  auto books = test::corpusBooks("real");
  ASSERT_FALSE(books.empty());
  for (const auto& book : books) checkBook(book, "real");
}

TEST(LzxCorpus, GeneratedBookMatchesLibmspackAndChmlib) {
  PGWK_REQUIRE_CORPUS();
  auto books = test::corpusBooks("generated");
  ASSERT_FALSE(books.empty());
  for (const auto& book : books) checkBook(book, "generated");
}

// Malformed books: whatever their streams hold, decoding ends with a result code.
TEST(LzxCorpus, MalformedBooksDecodeToAResult) {
  PGWK_REQUIRE_CORPUS();
  int readable = 0;
  for (const auto& book : test::corpusBooks("bad")) {
    test::ChmLzxSection s;
    std::string why;
    if (!test::readChmLzxSection(book, s, why)) continue;
    ++readable;
    LzxDecoder decoder;
    Bytes out(std::min<std::uint64_t>(s.uncompressedLength, 1 << 24));
    ASSERT_EQ(decoder.initialise(s.windowBits), LzxDecoder::kOk);
    int rc = decoder.decode(s.stream.data(), std::min<std::uint64_t>(s.compressedLength, s.stream.size()),
                            out.data(), out.size());
    EXPECT_GE(rc, 0);
    EXPECT_LE(rc, 3);
  }
  RecordProperty("readable", readable);
}

}  // namespace
}  // namespace pgwk
