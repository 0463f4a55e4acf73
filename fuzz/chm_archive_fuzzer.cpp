// Opens a CHM container made of arbitrary bytes and looks up every name it lists.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "document/book.h"
#include "foundation/reader_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The archive reads from a path; an in-memory file keeps the fuzzer off the disk.
  static int fd = memfd_create("chm", 0);
  if (fd < 0) return 0;
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  pgwk::Book book;
  try {
    pgwk::ChmArchive& archive = pgwk::ChmArchive::open(book, path);
    for (std::uint32_t i = 0; i < archive.entryCount(); ++i) {
      book.findEntry(archive.entry(i).name);
      book.findEntry("x/" + archive.entry(i).name + "#frag");
    }
  } catch (const pgwk::ReaderError&) {
  }
  return 0;
}
