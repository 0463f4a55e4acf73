#pragma once
// A pool of zero-terminated texts in one ByteBuffer, addressed by offset. Contents
// and index entries hold offsets only, so a tree of thousands of entries costs one
// block per kind of text. Offset -1 means "no text"; reading it, an offset outside
// the pool, or a pool that was never created or has been released gives empty text.

#include <cstdint>
#include <memory>
#include <string_view>

#include "foundation/byte_buffer.h"

namespace pgwk {

class StringPool {
 public:
  static constexpr int kNone = -1;
  // The size a pool gets when a text is added before its owner created it.
  static constexpr std::uint32_t kDefaultCapacity = 1000;

  bool exists() const { return buffer_ != nullptr; }
  // Creates the block unless it exists already.
  void create(std::uint32_t capacity, int growth);
  // Frees the block; every text of the pool reads as empty from then on.
  void release() { buffer_.reset(); }

  // Appends the text and its terminating zero; returns its offset.
  int add(std::string_view text);
  std::string_view textAt(int offset) const;
  // Forgets the last text added when it starts at offset, so its space is used again.
  void dropLast(int offset);

  std::uint32_t length() const { return buffer_ ? buffer_->length() : 0; }
  std::uint32_t capacity() const { return buffer_ ? buffer_->capacity() : 0; }

 private:
  std::unique_ptr<ByteBuffer> buffer_;
};

}  // namespace pgwk
