#include "lzx/peer_lzxd.h"

#include <mspack.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

// Debian's libmspack-dev ships only mspack.h; the LZX stream interface lives in the
// static library, declared here as libmspack 0.11 defines it.
extern "C" {
struct lzxd_stream;
struct lzxd_stream* lzxd_init(struct mspack_system* system, struct mspack_file* input,
                              struct mspack_file* output, int window_bits, int reset_interval,
                              int input_buffer_size, off_t output_length, char is_delta);
int lzxd_decompress(struct lzxd_stream* lzx, off_t out_bytes);
void lzxd_free(struct lzxd_stream* lzx);
}

namespace pgwk::test {
namespace {

struct MemoryFile {
  const std::uint8_t* in = nullptr;
  std::size_t inLength = 0;
  std::uint8_t* out = nullptr;
  std::size_t outLength = 0;
  std::size_t pos = 0;
};

MemoryFile* asMemory(mspack_file* f) { return reinterpret_cast<MemoryFile*>(f); }

int memoryRead(mspack_file* f, void* buffer, int bytes) {
  MemoryFile* m = asMemory(f);
  std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(bytes), m->inLength - m->pos);
  std::memcpy(buffer, m->in + m->pos, n);
  m->pos += n;
  return static_cast<int>(n);
}

int memoryWrite(mspack_file* f, void* buffer, int bytes) {
  MemoryFile* m = asMemory(f);
  if (static_cast<std::size_t>(bytes) > m->outLength - m->pos) return -1;
  std::memcpy(m->out + m->pos, buffer, static_cast<std::size_t>(bytes));
  m->pos += static_cast<std::size_t>(bytes);
  return bytes;
}

void* memoryAlloc(mspack_system*, std::size_t bytes) { return std::malloc(bytes); }
void memoryFree(void* p) { std::free(p); }
void memoryCopy(void* src, void* dest, std::size_t bytes) { std::memmove(dest, src, bytes); }
void quietMessage(mspack_file*, const char*, ...) {}

mspack_system memorySystem() {
  mspack_system sys{};
  sys.read = memoryRead;
  sys.write = memoryWrite;
  sys.message = quietMessage;
  sys.alloc = memoryAlloc;
  sys.free = memoryFree;
  sys.copy = memoryCopy;
  return sys;
}

}  // namespace

int peerLzxDecode(const std::uint8_t* in, std::size_t inLength, int windowBits, int resetFrames,
                  std::uint8_t* out, std::size_t outLength, bool declareLength) {
  mspack_system sys = memorySystem();
  MemoryFile input;
  input.in = in;
  input.inLength = inLength;
  MemoryFile output;
  output.out = out;
  output.outLength = outLength;
  // 4096 is the input buffer libmspack's own CHM reader uses.
  lzxd_stream* lzx = lzxd_init(&sys, reinterpret_cast<mspack_file*>(&input),
                               reinterpret_cast<mspack_file*>(&output), windowBits, resetFrames,
                               4096, declareLength ? static_cast<off_t>(outLength) : 0, 0);
  if (!lzx) return MSPACK_ERR_NOMEMORY;
  int rc = lzxd_decompress(lzx, static_cast<off_t>(outLength));
  lzxd_free(lzx);
  return rc;
}

int peerLzxDecodeEitherWay(const std::uint8_t* in, std::size_t inLength, int windowBits,
                           int resetFrames, std::uint8_t* out, std::size_t outLength) {
  int rc = peerLzxDecode(in, inLength, windowBits, resetFrames, out, outLength, false);
  if (rc != MSPACK_ERR_OK)
    rc = peerLzxDecode(in, inLength, windowBits, resetFrames, out, outLength, true);
  return rc;
}

}  // namespace pgwk::test
