#pragma once

#include "document/book.h"

namespace pgwk {

// Puts the Book's current archive back when the scope ends, also when an error
// passes through: operations that follow references must not move the reader's
// cursor.
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
