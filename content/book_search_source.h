#pragma once
// The full-text search's view of a Book: its archives in list order, each one's
// "$FIftiMain" and topic titles. Reading an archive makes it current.

#include "content/full_text_search.h"
#include "document/file_buffer.h"

namespace pgwk {

class Book;
class ChmArchive;

class BookSearchSource : public SearchSource {
 public:
  static constexpr const char* kIndexName = "/$FIftiMain";

  explicit BookSearchSource(Book& book) : book_(book) {}

  int archiveCount() override;
  const void* archiveIdentity(int archive) override;
  std::string archiveFileName(int archive) override;
  bool hasIndex(int archive) override;
  IndexBytes readIndex(int archive) override;
  int contentCodePage() override;
  int topicCount(int archive) override;
  std::string topicTitle(int archive, int topic) override;
  void rememberCurrentArchive() override;
  void restoreCurrentArchive() override;

 private:
  ChmArchive& makeCurrent(int archive);

  Book& book_;
  ChmArchive* remembered_ = nullptr;
  FileBuffer index_;  // borrows the Book's output buffer
};

}  // namespace pgwk
