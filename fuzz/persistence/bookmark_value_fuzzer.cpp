// A bookmark value read from the store: any text must parse into a valid bookmark
// of the book or into nothing, and a parsed bookmark must survive being written
// and read again.

#include <cstdlib>

#include "fuzz/persistence/fuzz_text.h"
#include "persistence/bookmark_store.h"
#include "platform/store/utf16_text.h"

namespace {

using namespace pgwk;

struct File {
  std::u16string name;
  std::uint32_t entries;
};

class TwoFileBook : public OpenBook {
 public:
  const ChmArchive* mainArchive() const override { return archive(0); }
  const ChmArchive* archiveNamed(std::u16string_view name) const override {
    for (std::size_t i = 0; i < 2; ++i)
      if (equalIgnoringCase(files_[i].name, name)) return archive(i);
    return nullptr;
  }
  std::u16string archiveFileName(const ChmArchive* a) const override { return a ? of(a).name : u""; }
  std::uint32_t entryCount(const ChmArchive* a) const override { return a ? of(a).entries : 0; }
  bool isCollection() const override { return false; }
  std::uint32_t mainFileSizeStamp() const override { return 1; }

 private:
  const ChmArchive* archive(std::size_t i) const { return reinterpret_cast<const ChmArchive*>(&files_[i]); }
  static const File& of(const ChmArchive* a) { return *reinterpret_cast<const File*>(a); }
  File files_[2] = {{u"main.chm", 1000}, {u"Merged.chm", 20}};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TwoFileBook book;
  std::u16string value = fuzz::wideText(data, size);
  auto bookmark = parseBookmark(value, book);
  if (!bookmark) return 0;
  if (!bookmark->file || bookmark->view.pageIndex < 0 ||
      static_cast<std::uint32_t>(bookmark->view.pageIndex) >= book.entryCount(bookmark->file))
    std::abort();
  if (bookmark->text.size() > Bookmark::kMaxText) std::abort();

  auto again = parseBookmark(formatBookmark(*bookmark, book), book);
  if (!again || again->file != bookmark->file || !(again->view == bookmark->view) ||
      !(again->created == bookmark->created))
    std::abort();
  std::u16string text = bookmark->text;
  for (char16_t& c : text)
    if (c == u'[') c = u'{';
  if (again->text != text) std::abort();
  return 0;
}
