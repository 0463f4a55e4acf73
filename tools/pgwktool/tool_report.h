#pragma once
// The message boxes of the book engine, as pgwktool shows them: a line on standard
// error, "pgwktool: CAPTION: TEXT".

#include <string_view>

#include "document/error_report.h"

namespace pgwk::tool {

class StderrReport : public ErrorReport {
 public:
  void showMessage(std::string_view caption, std::string_view text) override;
  int shown() const { return shown_; }

 private:
  int shown_ = 0;
};

}  // namespace pgwk::tool
