#pragma once
// Counts the message boxes a command shows, passing each on, so that a command
// whose work was partly refused can end with a failure status.

#include <string_view>

#include "document/error_report.h"

namespace pgwk::tool {

class CountingReport : public ErrorReport {
 public:
  explicit CountingReport(ErrorReport& next) : next_(next) {}
  void showMessage(std::string_view caption, std::string_view text) override {
    ++shown_;
    next_.showMessage(caption, text);
  }
  int shown() const { return shown_; }

 private:
  ErrorReport& next_;
  int shown_ = 0;
};

}  // namespace pgwk::tool
