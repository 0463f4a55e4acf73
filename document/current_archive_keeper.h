#pragma once
// Puts the Book's current archive back when the scope ends, also when an error passes
// through: operations that look into other archives (reading a system file from the
// companion, following a merged file, loading every index) must leave the reader's
// cursor where they found it.

#include "document/book.h"

namespace pgwk {

class CurrentArchiveKeeper {
 public:
  explicit CurrentArchiveKeeper(Book& book) : book_(book), kept_(book.currentArchive()) {}
  ~CurrentArchiveKeeper() { book_.setCurrentArchive(kept_); }
  CurrentArchiveKeeper(const CurrentArchiveKeeper&) = delete;
  CurrentArchiveKeeper& operator=(const CurrentArchiveKeeper&) = delete;

  ChmArchive* kept() const { return kept_; }

 private:
  Book& book_;
  ChmArchive* kept_;
};

}  // namespace pgwk
