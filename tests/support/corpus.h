#pragma once
// Where the tests find the shared corpus, the repo's sources and the build.

#include <filesystem>
#include <string>
#include <vector>

namespace pgwk::test {

// The corpus folder, or empty when it is absent. Absent is fine on a user's fresh
// clone (callers skip with a message); under CI (CI=true) it is a failure.
std::filesystem::path corpusDir();
bool runningInCi();

// Books of the corpus below one of its folders ("real", "generated", "bad").
std::vector<std::filesystem::path> corpusBooks(const std::string& folder);

std::filesystem::path sourceDir();
std::filesystem::path buildDir();

}  // namespace pgwk::test

// Skips the current test when the corpus is absent, fails it under CI.
#define PGWK_REQUIRE_CORPUS()                                                     \
  do {                                                                            \
    if (::pgwk::test::corpusDir().empty()) {                                      \
      if (::pgwk::test::runningInCi()) FAIL() << "the shared corpus is missing";  \
      GTEST_SKIP() << "the shared corpus (../shared/corpus) is absent; skipped";  \
    }                                                                             \
  } while (0)
