#pragma once
// A whole stored file in memory. Either it owns its bytes (an own copy, freed with
// it) or it points into the Book's output buffer, which the next read on the same
// Book overwrites.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace pgwk {

class FileBuffer {
 public:
  FileBuffer() = default;
  FileBuffer(FileBuffer&&) noexcept = default;
  FileBuffer& operator=(FileBuffer&&) noexcept = default;
  FileBuffer(const FileBuffer&) = delete;
  FileBuffer& operator=(const FileBuffer&) = delete;

  // Takes over a block of at least length bytes.
  static FileBuffer owning(std::unique_ptr<std::uint8_t[]> bytes, std::uint32_t length) {
    FileBuffer buffer;
    buffer.data_ = bytes.get();
    buffer.owned_ = std::move(bytes);
    buffer.length_ = length;
    return buffer;
  }
  // Copies the bytes into a block of its own. A zero byte follows the copy (not
  // counted in the length), so a stored text without a terminator still ends.
  static FileBuffer copyOf(const std::uint8_t* bytes, std::uint32_t length) {
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t{length} + 1);
    if (length) std::memcpy(block.get(), bytes, length);
    block[length] = 0;
    return owning(std::move(block), length);
  }
  // Points at bytes owned elsewhere; frees nothing.
  static FileBuffer borrowing(const std::uint8_t* bytes, std::uint32_t length) {
    FileBuffer buffer;
    buffer.data_ = bytes;
    buffer.length_ = length;
    return buffer;
  }

  const std::uint8_t* data() const { return data_; }
  const char* chars() const { return reinterpret_cast<const char*>(data_); }
  std::uint32_t length() const { return length_; }
  bool empty() const { return length_ == 0; }
  bool ownsData() const { return owned_ != nullptr; }
  std::string_view view() const { return data_ ? std::string_view(chars(), length_) : std::string_view(); }

  // Back to the empty, owning state.
  void reset() { *this = FileBuffer(); }

 private:
  std::unique_ptr<std::uint8_t[]> owned_;
  const std::uint8_t* data_ = nullptr;
  std::uint32_t length_ = 0;
};

}  // namespace pgwk
