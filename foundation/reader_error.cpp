#include "foundation/reader_error.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace pgwk {

namespace {

std::string formatList(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int needed = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (needed <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(needed) + 1);
  std::vsnprintf(text.data(), text.size(), format, args);
  return std::string(text.data(), static_cast<std::size_t>(needed));
}

}  // namespace

ReaderError::ReaderError(std::string message) : message_(std::move(message)) {
  if (message_.size() > kMaxMessage) message_.resize(kMaxMessage);
}

void raiseError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = formatList(format, args);
  va_end(args);
  throw ReaderError(std::move(message));
}

std::string formatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatList(format, args);
  va_end(args);
  return text;
}

}  // namespace pgwk
