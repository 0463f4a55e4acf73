#include "persistence/bookmark_store.h"

#include <string>
#include <vector>

#include "persistence/recent_entry.h"
#include "persistence/store_keys.h"
#include "platform/store/store.h"
#include "platform/store/utf16_text.h"

namespace pgwk {

namespace {

// The longest bookmark value read back. A bookmark of the longest text and file
// name is well over the 500 bytes a smaller buffer would allow, and a value
// that cannot be read ends the loading of all that follow it.
constexpr std::size_t kMaxStoredValueBytes = 8192;
constexpr int kBookmarkNumbers = 11;
constexpr int kParameterNumbers = 10;

std::u16string numberText(std::int32_t n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string valueName(int n) { return numberText(n); }

bool isBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Optional blanks and sign, then digits up to the first other character; 0 when
// there are none. Overlong numbers wrap in 32 bits rather than overflow.
std::int32_t leadingNumber(std::u16string_view s) {
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  std::uint32_t n = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) n = n * 10 + static_cast<std::uint32_t>(s[i] - u'0');
  return static_cast<std::int32_t>(negative ? 0u - n : n);
}

// The numbers of a text in which each is followed by a comma; what follows the
// last comma is not a number.
std::vector<std::int32_t> commaTerminatedNumbers(std::u16string_view s, int maxCount) {
  std::vector<std::int32_t> numbers;
  std::size_t pos = 0;
  while (static_cast<int>(numbers.size()) < maxCount) {
    std::size_t comma = s.find(u',', pos);
    if (comma == std::u16string_view::npos) break;
    numbers.push_back(leadingNumber(s.substr(pos, comma - pos)));
    pos = comma + 1;
  }
  return numbers;
}

void appendNumber(std::u16string& out, std::int32_t n) {
  out += numberText(n);
  out += u',';
}

std::int32_t asStored(std::uint32_t n) { return static_cast<std::int32_t>(n); }

}  // namespace

std::u16string_view fileNameOfPath(std::u16string_view path) {
  std::size_t cut = path.rfind(u'/');
  if (cut == std::u16string_view::npos) cut = path.rfind(u'\\');
  return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
}

// ---- formats ----------------------------------------------------------------------

std::u16string formatBookmark(const Bookmark& b, const OpenBook& book) {
  std::u16string out = book.archiveFileName(b.file);
  out += u'[';
  const ViewState& v = b.view;
  appendNumber(out, v.pageIndex);
  appendNumber(out, v.verticalPosition);
  appendNumber(out, v.horizontalPosition);
  appendNumber(out, v.DysplayClearType ? 1 : 0);
  appendNumber(out, v.DysplayFitToWindow ? 1 : 0);
  appendNumber(out, v.DysplayShowImages ? 1 : 0);
  appendNumber(out, v.DysplayDisableCSS ? 1 : 0);
  appendNumber(out, v.DysplayTextSize);
  appendNumber(out, v.EnableScript ? 1 : 0);
  const DateTime& t = b.created;
  appendNumber(out, asStored((t.month & 0xFFu) | ((t.dayOfWeek & 0xFFu) << 8) | (std::uint32_t(t.year) << 16)));
  appendNumber(out, asStored((t.day & 0xFFu) | ((t.hour & 0xFFu) << 8) | ((t.minute & 0xFFu) << 16) |
                             ((t.second & 0xFFu) << 24)));
  out += u']';
  for (char16_t c : b.text) out += c == u'[' ? u'{' : c == u']' ? u'}' : c;
  return out;
}

std::unique_ptr<Bookmark> parseBookmark(std::u16string_view value, const OpenBook& book) {
  std::size_t open = value.rfind(u'[');
  if (open == std::u16string_view::npos) return nullptr;
  std::size_t close = value.rfind(u']');
  // A "]" before the numbers' "[" leaves no numbers to read.
  if (close == std::u16string_view::npos || close < open) return nullptr;

  auto b = std::make_unique<Bookmark>();
  std::u16string_view fileName = value.substr(0, open);
  b->file = fileName.empty() ? book.mainArchive() : book.archiveNamed(fileName);
  if (!b->file) return nullptr;
  b->text = value.substr(close + 1, Bookmark::kMaxText);

  auto n = commaTerminatedNumbers(value.substr(open + 1, close - open - 1), kBookmarkNumbers);
  auto at = [&](int k) { return k < static_cast<int>(n.size()) ? n[static_cast<std::size_t>(k)] : 0; };
  ViewState& v = b->view;
  v.pageIndex = at(0);
  v.verticalPosition = at(1);
  v.horizontalPosition = at(2);
  v.DysplayClearType = at(3) != 0;
  v.DysplayFitToWindow = at(4) != 0;
  v.DysplayShowImages = at(5) != 0;
  v.DysplayDisableCSS = at(6) != 0;
  v.DysplayTextSize = at(7);
  v.EnableScript = at(8) != 0;
  auto date = static_cast<std::uint32_t>(at(9));
  auto time = static_cast<std::uint32_t>(at(10));
  b->created.month = static_cast<std::uint16_t>(date & 0xFF);
  b->created.dayOfWeek = static_cast<std::uint16_t>((date >> 8) & 0xFF);
  b->created.year = static_cast<std::uint16_t>(date >> 16);
  b->created.day = static_cast<std::uint16_t>(time & 0xFF);
  b->created.hour = static_cast<std::uint16_t>((time >> 8) & 0xFF);
  b->created.minute = static_cast<std::uint16_t>((time >> 16) & 0xFF);
  b->created.second = static_cast<std::uint16_t>(time >> 24);

  if (v.pageIndex < 0 || static_cast<std::uint32_t>(v.pageIndex) >= book.entryCount(b->file)) return nullptr;
  return b;
}

std::u16string formatAutoSaveParams(const Settings& s, std::uint32_t fileSizeStamp) {
  std::u16string out = u"[";
  appendNumber(out, s.DysplayClearType ? 1 : 0);
  appendNumber(out, s.DysplayFitToWindow ? 1 : 0);
  appendNumber(out, s.DysplayTextSize);
  appendNumber(out, s.DysplayShowImages ? 1 : 0);
  appendNumber(out, s.DysplayDisableCSS ? 1 : 0);
  appendNumber(out, s.DefaultCodePage);
  appendNumber(out, s.EnableScript ? 1 : 0);
  appendNumber(out, s.ShowScriptErrors ? 1 : 0);
  appendNumber(out, s.ShowMergedFileErrors ? 1 : 0);
  appendNumber(out, asStored(fileSizeStamp));
  out += u']';
  return out;
}

AutoSaveParams parseAutoSaveParams(std::u16string_view value, const Settings& applied) {
  AutoSaveParams p{applied, std::nullopt};
  if (value.empty()) return p;
  auto n = commaTerminatedNumbers(value.substr(1), kParameterNumbers);
  Settings& s = p.settings;
  for (std::size_t k = 0; k < n.size(); ++k) {
    std::int32_t x = n[k];
    switch (k) {
      case 0: s.DysplayClearType = x != 0; break;
      case 1: s.DysplayFitToWindow = x != 0; break;
      case 2: s.DysplayTextSize = x; break;
      case 3: s.DysplayShowImages = x != 0; break;
      case 4: s.DysplayDisableCSS = x != 0; break;
      case 5: s.DefaultCodePage = x; break;
      case 6: s.EnableScript = x != 0; break;
      case 7: s.ShowScriptErrors = x != 0; break;
      case 8: s.ShowMergedFileErrors = x != 0; break;
      case 9: p.fileSize = static_cast<std::uint32_t>(x); break;
    }
  }
  return p;
}

// ---- store ------------------------------------------------------------------------

namespace {

// The key path of a book, or none when its file name cannot name a key.
std::optional<std::u16string> bookKeyPath(const BookmarkStore& bookmarks, const RecentEntry& entry) {
  if (entry.path.empty()) return std::nullopt;
  std::u16string name = bookmarks.bookKeyName(entry);
  // A backslash would make the name a path of several keys.
  if (name.empty() || name.find(u'\\') != std::u16string::npos) return std::nullopt;
  return std::u16string(kBookmarksRootKey) + u"\\" + name;
}

}  // namespace

std::u16string BookmarkStore::bookKeyName(const RecentEntry& entry) const {
  std::u16string_view fileName = fileNameOfPath(entry.path);
  if (auto root = store_.openKey(StoreRoot::CurrentUser, kBookmarksRootKey)) {
    for (const std::u16string& name : root->subkeys()) {
      std::size_t slash = name.rfind(u'/');
      std::u16string_view last = slash == std::u16string::npos ? std::u16string_view(name)
                                                               : std::u16string_view(name).substr(slash + 1);
      if (equalIgnoringCase(last, fileName)) return name;
    }
  }
  return std::u16string(fileName);
}

void BookmarkStore::loadBookmarks(RecentEntry& entry, const OpenBook& book) {
  if (entry.path.empty()) return;
  entry.clearBookmarks();
  auto path = bookKeyPath(*this, entry);
  if (!path) return;
  auto key = store_.openKey(StoreRoot::CurrentUser, *path);
  if (!key) return;
  // The reader never writes more than 40; values beyond are not its own.
  for (int n = 1; n <= RecentEntry::kMaxBookmarks; ++n) {
    auto value = key->queryString(valueName(n), kMaxStoredValueBytes);
    if (!value) break;
    entry.appendBookmark(parseBookmark(*value, book));
  }
}

bool BookmarkStore::saveBookmarks(const RecentEntry& entry, const OpenBook& book) {
  auto path = bookKeyPath(*this, entry);
  if (!path) return false;
  StoreTransaction transaction(store_);
  if (!transaction.active()) return false;
  auto key = store_.createKey(StoreRoot::CurrentUser, *path);
  if (!key) return false;
  for (int n = 1; n <= RecentEntry::kMaxBookmarks; ++n) key->deleteValue(valueName(n));
  bool all = true;
  for (int i = 0; i < entry.bookmarkCount(); ++i)
    all = key->setString(valueName(i + 1), formatBookmark(*entry.bookmark(i), book)) && all;
  return transaction.commit() && all;
}

bool BookmarkStore::deleteKey(const RecentEntry& entry) {
  auto path = bookKeyPath(*this, entry);
  return path && store_.deleteKey(StoreRoot::CurrentUser, *path);
}

bool BookmarkStore::saveParameters(const RecentEntry& entry, const Settings& applied, const OpenBook& book) {
  auto path = bookKeyPath(*this, entry);
  if (!path) return false;
  StoreTransaction transaction(store_);
  if (!transaction.active()) return false;
  auto key = store_.createKey(StoreRoot::CurrentUser, *path);
  if (!key) return false;
  key->deleteValue(kAutoSaveParams);
  bool ok = key->setString(kAutoSaveParams, formatAutoSaveParams(applied, book.mainFileSizeStamp()));
  return transaction.commit() && ok;
}

ParametersResult BookmarkStore::loadParameters(const RecentEntry& entry, const Settings& applied,
                                               const OpenBook& book, SettingsApplier& applier) {
  auto path = bookKeyPath(*this, entry);
  if (!path) return ParametersResult::NotStored;
  auto key = store_.openKey(StoreRoot::CurrentUser, *path);
  if (!key) return ParametersResult::NotStored;
  auto value = key->queryString(kAutoSaveParams, kMaxStoredValueBytes);
  if (!value) return ParametersResult::NotStored;
  AutoSaveParams params = parseAutoSaveParams(*value, applied);
  if (params.fileSize && !book.isCollection() && *params.fileSize != book.mainFileSizeStamp()) {
    // The book was replaced: its page indexes no longer mean the same pages.
    StoreTransaction transaction(store_);
    for (int n = 1; n <= RecentEntry::kMaxBookmarks; ++n) key->deleteValue(valueName(n));
    transaction.commit();
    return ParametersResult::BookChanged;
  }
  applier.applySettings(params.settings);
  return ParametersResult::Applied;
}

}  // namespace pgwk
