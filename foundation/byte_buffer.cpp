#include "foundation/byte_buffer.h"

#include <cstring>
#include <new>

#include "foundation/reader_error.h"

namespace pgwk {

ByteBuffer::ByteBuffer(std::uint32_t initialCapacity, int growth)
    : growth_(growth < 1 ? 1 : growth) {
  try {
    block_.assign(initialCapacity, 0);
  } catch (const std::bad_alloc&) {
    raiseError("No memory to allocate.");
  }
}

void ByteBuffer::clear() {
  std::memset(block_.data(), 0, block_.size());
  length_ = 0;
}

void ByteBuffer::extend(std::uint32_t n) {
  std::uint64_t wanted = std::uint64_t{length_} + n;
  if (wanted > UINT32_MAX) raiseError("No memory.");
  if (wanted > block_.size()) {
    // Integer division: an exact multiple of the step still adds one more step.
    std::uint64_t steps = (wanted - block_.size()) / growth_ + 1;
    std::uint64_t newCapacity = block_.size() + steps * growth_;
    if (newCapacity > UINT32_MAX) raiseError("No memory.");
    try {
      std::vector<std::uint8_t> grown(newCapacity, 0);
      std::memcpy(grown.data(), block_.data(), block_.size());
      block_.swap(grown);
    } catch (const std::bad_alloc&) {
      raiseError("No memory.");
    }
  }
  std::memset(block_.data() + length_, 0, n);
  length_ += n;
}

void ByteBuffer::append(const void* bytes, std::uint32_t n) {
  extend(n);
  if (n) std::memcpy(block_.data() + length_ - n, bytes, n);
}

void ByteBuffer::appendString(std::string_view text) {
  append(text);
  extend(1);
}

std::uint8_t* ByteBuffer::splice(std::uint32_t position, std::uint32_t oldLength,
                                 const void* bytes, std::uint32_t newLength) {
  std::uint32_t contentLength = length_;
  if (position > contentLength) position = contentLength;
  if (oldLength > contentLength - position) oldLength = contentLength - position;
  if (newLength <= oldLength) {
    length_ = contentLength - (oldLength - newLength);
  } else {
    extend(newLength - oldLength);
  }
  std::uint32_t tail = contentLength - position - oldLength;
  std::memmove(block_.data() + position + newLength, block_.data() + position + oldLength, tail);
  if (newLength) std::memcpy(block_.data() + position, bytes, newLength);
  return block_.data() + position + newLength;
}

void ByteBuffer::setLength(std::int64_t n) {
  if (n >= 0 && n < static_cast<std::int64_t>(block_.size())) length_ = static_cast<std::uint32_t>(n);
}

}  // namespace pgwk
