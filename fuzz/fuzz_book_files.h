#pragma once
// The book the sitemap fuzzers parse into: one CHM file, "/fuzz/self.chm", whose every
// .hhc file is the fuzzer's input, so merges and collection references lead back into
// the same text (and exercise the guards against endless merging). Every other CHM
// file is missing.

#include <string>
#include <string_view>

#include "document/book.h"
#include "document/book_files.h"
#include "document/name_rules.h"
#include "foundation/reader_error.h"
#include "foundation/regex_matcher.h"
#include "foundation/text_routines.h"

namespace pgwk::fuzz {

class FuzzBookFiles : public BookFiles {
 public:
  static constexpr const char* kSelf = "/fuzz/self.chm";

  FuzzBookFiles(Book& book, std::string_view input) : book_(book), input_(input) {
    book_.setCurrentArchive(book_.archives().add(ChmArchive::makeCollection(kSelf)));
  }

  bool switchArchive(std::string_view reference) override {
    RegexMatcher& pattern = book_.chmLinkPattern();
    if (reference.empty() || pattern.match(reference) <= 0) return false;
    std::string file = trimmed(pattern.groupText(1));
    if (file.empty()) return false;
    if (!equalIgnoringCase(fileNameOf(file), "self.chm")) raiseError("Can't open file: %s.", file.c_str());
    book_.setCurrentArchive(book_.archives().at(0));
    return true;
  }

  std::string readFile(std::string_view reference) override {
    switchArchive(reference);
    std::string name = stripLinkPrefix(book_.chmLinkPattern(), reference);
    if (extensionOf(name) != ".hhc") raiseError("Can't find entry for file %s\n", name.c_str());
    return std::string(input_);
  }

  std::string contentsFileName() override { return "self.hhc"; }

 private:
  Book& book_;
  std::string_view input_;
};

}  // namespace pgwk::fuzz
