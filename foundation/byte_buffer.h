#pragma once
// A growable block of bytes for text being built, lists of zero-terminated strings
// and arrays of fixed-size records. It grows in the owner's fixed steps, never
// shrinks, and keeps every byte past the content zero: callers read strings out of
// it that end at the first zero byte.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pgwk {

class ByteBuffer {
 public:
  // Raises "No memory to allocate." when the first block cannot be had.
  ByteBuffer(std::uint32_t initialCapacity, int growth);

  std::uint8_t* data() { return block_.data(); }
  const std::uint8_t* data() const { return block_.data(); }
  const char* chars() const { return reinterpret_cast<const char*>(block_.data()); }
  std::uint32_t length() const { return length_; }
  std::uint32_t capacity() const { return static_cast<std::uint32_t>(block_.size()); }
  int growth() const { return growth_; }
  std::string_view view() const { return {chars(), length_}; }

  // Zeroes the whole block; the storage stays.
  void clear();
  // Makes room for n more bytes, zero, counted as content. Raises "No memory." when
  // growing fails; the old block is then kept.
  void extend(std::uint32_t n);
  void append(const void* bytes, std::uint32_t n);
  void append(std::string_view text) { append(text.data(), static_cast<std::uint32_t>(text.size())); }
  // Appends the text and its terminating zero.
  void appendString(std::string_view text);
  // Replaces oldLength bytes at position by newLength bytes, moving the tail; returns
  // the position just after the inserted bytes. A shrinking splice keeps the block
  // and does not clear the bytes past the new end.
  std::uint8_t* splice(std::uint32_t position, std::uint32_t oldLength, const void* bytes,
                       std::uint32_t newLength);
  // Takes n only when it lies inside the block (0 <= n < capacity).
  void setLength(std::int64_t n);

 private:
  std::vector<std::uint8_t> block_;
  std::uint32_t length_ = 0;
  int growth_;
};

}  // namespace pgwk
