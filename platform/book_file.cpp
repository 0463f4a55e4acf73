#include "platform/book_file.h"

namespace pgwk {

BookFile::BookFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}

bool BookFile::seek(std::uint64_t offset) {
  if (!file_ || offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
  return fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::size_t BookFile::read(void* buffer, std::size_t n) {
  if (!file_ || n == 0) return 0;
  return std::fread(buffer, 1, n, file_.get());
}

std::int64_t BookFile::size() {
  if (!file_) return -1;
  off_t here = ftello(file_.get());
  if (fseeko(file_.get(), 0, SEEK_END) != 0) return -1;
  off_t end = ftello(file_.get());
  fseeko(file_.get(), here, SEEK_SET);
  return end;
}

}  // namespace pgwk
