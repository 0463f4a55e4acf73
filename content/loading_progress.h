#pragma once
// The loading dialog as the book engine sees it: long operations report the file
// they read and add to the running item count. The shell passes an implementation.

#include <string_view>

namespace pgwk {

class LoadingProgress {
 public:
  virtual ~LoadingProgress() = default;
  virtual void reportFile(std::string_view name) = 0;
  virtual void addToTotal(int n) = 0;
};

}  // namespace pgwk
