#pragma once
// How the book engine shows a message box without knowing about windows: the shell
// passes an implementation in; the engine hands it the caption and the text.

#include <string>

namespace pgwk {

class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  // An error box (error icon, topmost) with this caption and text.
  virtual void show(const std::string& caption, const std::string& text) = 0;
};

}  // namespace pgwk
