#include "platform/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>

namespace pgwk {

namespace {

std::string iconvName(int codePage) {
  if (codePage == 65001) return "UTF-8";
  return "CP" + std::to_string(codePage);
}

// iconv descriptors are costly to open; the reader converts thousands of names at a
// time, so each direction of each code page is opened once per thread.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of in; an input unit that cannot be converted is skipped (unitSize
  // bytes) and replaced by `replacement`.
  std::string convert(std::string_view in, std::size_t unitSize, std::string_view replacement) {
    std::string out;
    if (!valid()) return out;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 4 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    std::size_t used = 0;
    while (inLeft > 0) {
      char* outPtr = out.data() + used;
      std::size_t outLeft = out.size() - used;
      std::size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      used = out.size() - outLeft;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL: an unconvertible or truncated unit.
      std::size_t skip = inLeft < unitSize ? inLeft : unitSize;
      inPtr += skip;
      inLeft -= skip;
      if (used + replacement.size() > out.size()) out.resize(out.size() * 2 + replacement.size());
      out.replace(used, replacement.size(), replacement);
      used += replacement.size();
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

Converter& converter(const std::string& to, const std::string& from) {
  thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>> cache;
  auto& slot = cache[{to, from}];
  if (!slot) slot = std::make_unique<Converter>(to, from);
  return *slot;
}

bool isAscii(std::string_view bytes) {
  for (unsigned char c : bytes)
    if (c >= 0x80) return false;
  return true;
}

bool asciiCompatible(int codePage) { return codePage != 1200 && codePage != 1201; }

std::string_view asBytes(std::u16string_view wide) {
  return {reinterpret_cast<const char*>(wide.data()), wide.size() * 2};
}

std::u16string fromBytes(const std::string& bytes) {
  std::u16string wide(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return wide;
}

}  // namespace

bool isCodePageUsable(int codePage) {
  if (codePage <= 0) return false;
  return converter("UTF-16LE", iconvName(codePage)).valid();
}

std::string codePageFromUtf16(std::u16string_view wide, int codePage) {
  bool ascii = true;
  for (char16_t u : wide)
    if (u >= 0x80) ascii = false;
  if (ascii && asciiCompatible(codePage)) return std::string(wide.begin(), wide.end());
  return converter(iconvName(codePage), "UTF-16LE").convert(asBytes(wide), 2, "?");
}

std::u16string utf16FromCodePage(std::string_view bytes, int codePage) {
  if (isAscii(bytes) && asciiCompatible(codePage)) return std::u16string(bytes.begin(), bytes.end());
  static const std::string replacement("\xFD\xFF", 2);  // U+FFFD, little-endian
  return fromBytes(converter("UTF-16LE", iconvName(codePage)).convert(bytes, 1, replacement));
}

std::string utf8FromCodePage(std::string_view bytes, int codePage) {
  if (isAscii(bytes) && asciiCompatible(codePage)) return std::string(bytes);
  return converter("UTF-8", iconvName(codePage)).convert(bytes, 1, "\xEF\xBF\xBD");
}

std::string codePageFromUtf8(std::string_view utf8, int codePage) {
  if (isAscii(utf8) && asciiCompatible(codePage)) return std::string(utf8);
  return converter(iconvName(codePage), "UTF-8").convert(utf8, 1, "?");
}

std::string utf8FromUtf16(std::u16string_view wide) {
  return converter("UTF-8", "UTF-16LE").convert(asBytes(wide), 2, "\xEF\xBF\xBD");
}

std::u16string utf16FromUtf8(std::string_view utf8) {
  static const std::string replacement("\xFD\xFF", 2);
  return fromBytes(converter("UTF-16LE", "UTF-8").convert(utf8, 1, replacement));
}

}  // namespace pgwk
