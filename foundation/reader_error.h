#pragma once
// The one error type of the book engine. The document layer and content processing
// never return error codes: they throw a ReaderError whose message is the exact text
// the reader shows, and a catching site reports it under kErrorCaption.

#include <exception>
#include <string>

namespace pgwk {

inline constexpr const char* kErrorCaption = "PGWK Exception";

class ReaderError : public std::exception {
 public:
  // Messages are kept to this many bytes: a long path formatted into a message must
  // not make it unbounded, and every site that shows one relies on the bound.
  static constexpr std::size_t kMaxMessage = 250;

  explicit ReaderError(std::string message);
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }

 private:
  std::string message_;
};

// Formats printf-style and throws. Never returns.
[[noreturn]] void raiseError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// printf-style formatting into a std::string of any length.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace pgwk
