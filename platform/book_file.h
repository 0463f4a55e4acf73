#pragma once
// Buffered binary reading of a file on disk. The reader opens a book file, reads and
// closes it within one operation; this object is that operation's one owner of the
// open file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace pgwk {

class BookFile {
 public:
  // Opens for binary reading; check isOpen().
  explicit BookFile(const std::string& path);

  bool isOpen() const { return file_ != nullptr; }
  bool seek(std::uint64_t offset);
  // Returns the number of bytes read; less than n at the end of the file or on error.
  std::size_t read(void* buffer, std::size_t n);
  // Size of the file in bytes, or -1 when it cannot be told.
  std::int64_t size();
  void close() { file_.reset(); }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace pgwk
