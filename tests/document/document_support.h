#pragma once
// What the document tests share: fixture books, scratch folders, books opened the way
// the tool opens them, and running pgwktool.

#include <filesystem>
#include <memory>
#include <string>

#include "document/book.h"
#include "foundation/reader_error.h"
#include "support/corpus.h"

namespace pgwk::test {

// tests/fixtures/NAME compiled by chmcmd into the build tree; empty when absent.
std::filesystem::path fixtureBook(const std::string& name);

// Skips the current test when the fixture book was not built (no chmcmd), fails it
// under CI.
#define PGWK_REQUIRE_FIXTURE(path)                                                           \
  do {                                                                                       \
    if ((path).empty()) {                                                                    \
      if (::pgwk::test::runningInCi()) FAIL() << "fixture books were not built (chmcmd?)"; \
      GTEST_SKIP() << "fixture books were not built (is chmcmd installed?)";                \
    }                                                                                        \
  } while (0)

// A fresh folder below the system's temporary folder, removed with the object. With
// inMemory it goes to /dev/shm when there is one: creating thousands of files on a
// journalled disk costs seconds that say nothing about the code under test.
class ScratchFolder {
 public:
  explicit ScratchFolder(bool inMemory = false);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A Book with one CHM file opened and made its main archive.
std::unique_ptr<Book> openBook(const std::filesystem::path& path, int characterSet = 0);

// Runs pgwktool with the arguments (each quoted for the shell); returns its exit
// status and puts standard output and standard error into the strings given.
int runTool(const std::string& arguments, std::string* out = nullptr, std::string* err = nullptr);
std::string shellQuoted(const std::string& text);

std::string fileText(const std::filesystem::path& path);
// The message of the ReaderError that action throws, or "(no error)".
template <typename Action>
std::string errorOf(Action&& action) {
  try {
    action();
  } catch (const ReaderError& e) {
    return e.message();
  }
  return "(no error)";
}

}  // namespace pgwk::test
