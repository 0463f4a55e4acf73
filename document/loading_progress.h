#pragma once
// Where long operations of the book engine tell the user how far they have got: the
// file being read and a running count of items created. The shell implements it with
// its loading dialog; pgwktool on the terminal. The default does nothing, so code
// that reports never has to ask whether anyone listens.

#include <string_view>

namespace pgwk {

class LoadingProgress {
 public:
  virtual ~LoadingProgress() = default;

  // The narrow name of the file now being read (a file name, not a whole path).
  virtual void reportFile(std::string_view name) {}
  // n more items (contents entries, collection folders, index topics) were created.
  virtual void addToTotal(int n) {}
};

}  // namespace pgwk
