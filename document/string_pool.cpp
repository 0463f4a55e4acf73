#include "document/string_pool.h"

#include <climits>
#include <cstring>

#include "foundation/reader_error.h"

namespace pgwk {

void StringPool::create(std::uint32_t capacity, int growth) {
  if (!buffer_) buffer_ = std::make_unique<ByteBuffer>(capacity, growth);
}

int StringPool::add(std::string_view text) {
  if (!buffer_) create(kDefaultCapacity, static_cast<int>(kDefaultCapacity));
  // Offsets are ints; a pool that would outgrow them is refused like any other
  // allocation that cannot be had.
  if (std::uint64_t{buffer_->length()} + text.size() + 1 > INT_MAX) raiseError("No memory.");
  int offset = static_cast<int>(buffer_->length());
  buffer_->appendString(text);
  return offset;
}

std::string_view StringPool::textAt(int offset) const {
  if (!buffer_ || offset < 0 || static_cast<std::uint32_t>(offset) >= buffer_->length()) return {};
  const char* start = buffer_->chars() + offset;
  std::size_t room = buffer_->length() - static_cast<std::uint32_t>(offset);
  const void* zero = std::memchr(start, 0, room);
  return {start, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - start) : room};
}

void StringPool::dropLast(int offset) {
  if (!buffer_ || offset < 0) return;
  std::string_view last = textAt(offset);
  // Only the text at the very end can be given back; anything else stays in place.
  if (static_cast<std::uint64_t>(offset) + last.size() + 1 != buffer_->length()) return;
  std::memset(buffer_->data() + offset, 0, last.size() + 1);
  buffer_->setLength(offset);
}

}  // namespace pgwk
