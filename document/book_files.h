#pragma once
// The operations of the open book that reach into its archives, as the contents and
// index parsers need them: following a reference to another CHM file and reading
// files out of the current one. The Book provides them; tests and fuzzers provide
// in-memory books. Every operation works on, or moves, the Book's current archive.

#include <string>
#include <string_view>

namespace pgwk {

class BookFiles {
 public:
  virtual ~BookFiles() = default;

  // When the reference starts with a CHM-link prefix ("other.chm::"), makes the CHM
  // file it names current, opening it on first use, and returns true; otherwise
  // returns false and leaves the current archive alone. Raises ReaderError when the
  // named file cannot be opened. The switch is not undone.
  virtual bool switchArchive(std::string_view reference) = 0;

  // The whole file named by the reference (after its prefix has chosen the archive),
  // as an own copy. Raises ReaderError when it cannot be read.
  virtual std::string readFile(std::string_view reference) = 0;

  // The contents file name of the current archive (its #SYSTEM record, else its
  // window record); empty when it has none.
  virtual std::string contentsFileName() = 0;
};

}  // namespace pgwk
