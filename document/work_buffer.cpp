#include "document/work_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "foundation/reader_error.h"

namespace pgwk {

void WorkBuffer::ensure(std::uint32_t n) {
  if (block_ && size_ >= n) return;
  std::uint32_t size = block_ ? n : std::max(n, kMinimumSize);
  block_.reset();
  size_ = 0;
  try {
    block_ = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t{size} + kPadding);
  } catch (const std::bad_alloc&) {
    raiseError("No memory to allocate.");
  }
  size_ = size;
  std::memset(block_.get() + size_, 0, kPadding);
}

void WorkBuffer::padAfter(std::uint32_t n) {
  if (block_ && n <= size_) std::memset(block_.get() + n, 0, kPadding);
}

}  // namespace pgwk
