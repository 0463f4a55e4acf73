#pragma once
// One of the Book's two large work buffers (compressed input, decoded output). Sized
// up on demand and never shrunk, so ordinary page reads do not allocate.

#include <cstdint>
#include <memory>

namespace pgwk {

class WorkBuffer {
 public:
  static constexpr std::uint32_t kMinimumSize = 50000;
  // Zero bytes kept after the usable size: the decoder's bit reader may look a few
  // bytes past the end of its input before it notices that the input is used up.
  static constexpr std::uint32_t kPadding = 16;

  // Makes the buffer hold at least n bytes. The first allocation takes at least
  // kMinimumSize; a later, larger one replaces the block (its contents are lost).
  // Raises "No memory to allocate." when the block cannot be had.
  void ensure(std::uint32_t n);

  std::uint8_t* data() { return block_.get(); }
  const std::uint8_t* data() const { return block_.get(); }
  std::uint32_t size() const { return size_; }

  // Zeroes the padding after the first n bytes, once n bytes of input are in place.
  void padAfter(std::uint32_t n);

 private:
  std::unique_ptr<std::uint8_t[]> block_;
  std::uint32_t size_ = 0;
};

}  // namespace pgwk
