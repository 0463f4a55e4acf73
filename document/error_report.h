#pragma once
// How the book engine shows an error it has caught and decided to survive (a merged
// file that cannot be read, a pattern that does not compile): a message box with a
// caption, the error icon and the topmost style in the shell, a line on standard
// error in pgwktool. Errors the engine does not survive are thrown instead.

#include <string>
#include <string_view>

#include "foundation/reader_error.h"

namespace pgwk {

class ErrorReport {
 public:
  virtual ~ErrorReport() = default;

  virtual void showMessage(std::string_view caption, std::string_view text) {}

  // The usual box: the error's text under kErrorCaption ("PGWK Exception").
  void showError(std::string_view text) { showMessage(kErrorCaption, text); }
  void showError(const ReaderError& error) { showError(error.message()); }
};

}  // namespace pgwk
