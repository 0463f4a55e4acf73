// Decorates arbitrary page text in place: XML islands, frame sources, pictures off
// and the highlighting of a search phrase, with whole words and without.

#include <cstdint>
#include <string>

#include "content/page_decorations.h"
#include "document/book.h"
#include "foundation/byte_buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pgwk::Book book;
  // The first byte chooses the options and how much of the text is the phrase.
  if (size < 1) return 0;
  std::uint8_t choice = data[0];
  std::size_t phraseLength = std::min<std::size_t>(choice >> 4, size - 1);
  std::string phrase(reinterpret_cast<const char*>(data + 1), phraseLength);
  pgwk::PageOptions options;
  options.showImages = choice & 1;
  options.wholeWords = choice & 2;
  options.highlightWords = choice & 4;
  options.scrollToWord = choice & 8;
  options.highlightWhilePreparing = true;
  options.highlightText = phrase;
  pgwk::ByteBuffer page(64, 32);
  page.append(data + 1, static_cast<std::uint32_t>(size - 1));
  pgwk::decoratePage(book, page, options);
  return 0;
}
