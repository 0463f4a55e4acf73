#include "platform/store/store_text.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "platform/store/store.h"
#include "platform/store/utf16_text.h"

namespace pgwk {

namespace {

struct RootName {
  StoreRoot root;
  std::string_view name;
  std::string_view shortName;
};
constexpr RootName kRoots[] = {
    {StoreRoot::ClassRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {StoreRoot::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
};

bool lessIgnoringCase(const std::u16string& a, const std::u16string& b) {
  std::u16string fa = foldCase(a), fb = foldCase(b);
  return fa != fb ? fa < fb : a < b;
}

std::uint32_t numberOf(const std::vector<std::uint8_t>& d) {
  return d[0] | (d[1] << 8) | (d[2] << 16) | (std::uint32_t(d[3]) << 24);
}

// ---- export ---------------------------------------------------------------------

std::string quotedName(std::u16string_view text) {
  std::string out = "\"";
  for (char c : toUtf8(text)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

// The quoted form holds exactly one terminating zero and printable, well-formed
// text; any other string data goes out as hex to come back byte for byte.
bool hasQuotedForm(const StoreValue& value) {
  const auto& d = value.data;
  if (d.size() < 2 || d.size() % 2 != 0) return false;
  std::u16string text = textOfStringData(d);
  if (2 * (text.size() + 1) != d.size()) return false;
  if (!isWellFormedUtf16(text)) return false;
  return std::none_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20; });
}

std::string valueText(const StoreValue& value) {
  if (value.type == kStoreString && hasQuotedForm(value)) return quotedName(textOfStringData(value.data));
  char buf[32];
  if (value.type == kStoreNumber && value.data.size() == 4) {
    std::snprintf(buf, sizeof buf, "dword:%08x", numberOf(value.data));
    return buf;
  }
  std::snprintf(buf, sizeof buf, "hex(%x):", value.type);
  std::string out = buf;
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", value.data[i]);
    out += buf;
  }
  return out;
}

void exportKey(const StoreKey& key, const std::string& path, bool isRoot, std::string& out) {
  auto values = key.values();
  std::sort(values.begin(), values.end(),
            [](const auto& a, const auto& b) { return lessIgnoringCase(a.first, b.first); });
  // A root is always there; its line is written only when it holds values.
  if (!isRoot || !values.empty()) {
    out += "\n[" + path + "]\n";
    for (const auto& [name, value] : values)
      out += (name.empty() ? std::string("@") : quotedName(name)) + "=" + valueText(value) + "\n";
  }
  auto subkeys = key.subkeys();
  std::sort(subkeys.begin(), subkeys.end(), lessIgnoringCase);
  for (const std::u16string& name : subkeys)
    if (auto child = key.openSubkey(name)) exportKey(*child, path + "\\" + toUtf8(name), false, out);
}

// ---- import ---------------------------------------------------------------------

struct ImportedKey {
  StoreRoot root;
  std::u16string path;
  std::vector<std::pair<std::u16string, StoreValue>> values;
};

class TextParser {
 public:
  explicit TextParser(std::string_view text) : text_(text) {}

  std::optional<std::vector<ImportedKey>> parse() {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
    if (!isWellFormedUtf8(text_)) return fail(0, "the text is not UTF-8");
    bool sawHeader = false;
    std::size_t pos = 0;
    while (pos <= text_.size()) {
      std::size_t end = text_.find('\n', pos);
      if (end == std::string_view::npos) end = text_.size();
      ++lineNumber_;
      std::string_view line = trim(text_.substr(pos, end - pos));
      pos = end + 1;
      if (line.empty() || line[0] == ';') continue;
      if (!sawHeader) {
        if (line != kStoreTextHeader)
          return fail(lineNumber_, "the first line must be \"" + std::string(kStoreTextHeader) + "\"");
        sawHeader = true;
        continue;
      }
      bool ok = line[0] == '[' ? parseKeyLine(line) : parseValueLine(line);
      if (!ok) return std::nullopt;
    }
    if (!sawHeader) return fail(0, "the text is empty");
    return std::move(keys_);
  }

  const std::string& error() const { return error_; }

 private:
  static std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
  }

  std::nullopt_t fail(int line, const std::string& message) {
    error_ = line > 0 ? "line " + std::to_string(line) + ": " + message : message;
    return std::nullopt;
  }

  bool parseKeyLine(std::string_view line) {
    if (line.back() != ']') return fail(lineNumber_, "a key line must end with ']'"), false;
    std::string_view path = line.substr(1, line.size() - 2);
    if (!path.empty() && path[0] == '-')
      return fail(lineNumber_, "deleting keys is not supported; import replaces the whole store"), false;
    std::size_t slash = path.find('\\');
    std::string_view rootName = path.substr(0, slash);
    const RootName* root = nullptr;
    for (const RootName& r : kRoots)
      if (rootName == r.name || rootName == r.shortName) root = &r;
    if (!root)
      return fail(lineNumber_, "unknown root '" + std::string(rootName) +
                                   "' (HKEY_CURRENT_USER or HKEY_CLASSES_ROOT)"),
             false;
    std::u16string keyPath = slash == std::string_view::npos ? u"" : fromUtf8(path.substr(slash + 1));
    if (slash != std::string_view::npos && keyPath.empty())
      return fail(lineNumber_, "empty key name"), false;
    keys_.push_back({root->root, keyPath, {}});
    return true;
  }

  // Reads a quoted text at line[pos] (pos at the opening quote), unescaping \\ and \".
  std::optional<std::string> quotedText(std::string_view line, std::size_t& pos) {
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
      char c = line[pos];
      if (c == '"') {
        ++pos;
        return out;
      }
      if (c == '\\') {
        if (pos + 1 >= line.size() || (line[pos + 1] != '\\' && line[pos + 1] != '"')) {
          fail(lineNumber_, "a backslash in quotes must be followed by \\ or \"");
          return std::nullopt;
        }
        c = line[++pos];
      }
      out += c;
    }
    fail(lineNumber_, "missing closing quote");
    return std::nullopt;
  }

  static int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  static std::optional<std::uint32_t> hexNumber(std::string_view s) {
    if (s.empty() || s.size() > 8) return std::nullopt;
    std::uint32_t n = 0;
    for (char c : s) {
      int d = hexDigit(c);
      if (d < 0) return std::nullopt;
      n = n * 16 + static_cast<std::uint32_t>(d);
    }
    return n;
  }

  std::optional<std::vector<std::uint8_t>> hexBytes(std::string_view s) {
    std::vector<std::uint8_t> bytes;
    s = trim(s);
    if (s.empty()) return bytes;
    std::size_t pos = 0;
    while (true) {
      std::size_t comma = s.find(',', pos);
      std::string_view item = trim(s.substr(pos, comma == std::string_view::npos ? comma : comma - pos));
      auto n = hexNumber(item);
      if (item.size() != 2 || !n) {
        fail(lineNumber_, "bad byte '" + std::string(item) + "' in hex data");
        return std::nullopt;
      }
      bytes.push_back(static_cast<std::uint8_t>(*n));
      if (comma == std::string_view::npos) return bytes;
      pos = comma + 1;
    }
  }

  bool parseValueLine(std::string_view line) {
    if (keys_.empty()) return fail(lineNumber_, "a value before the first key line"), false;
    std::u16string name;
    std::size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      auto text = quotedText(line, pos);
      if (!text) return false;
      if (text->empty()) return fail(lineNumber_, "an empty value name (use @ for the unnamed value)"), false;
      name = fromUtf8(*text);
    } else {
      return fail(lineNumber_, "expected a key line, @= or \"name\"="), false;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') return fail(lineNumber_, "expected '=' after the value name"), false;
    std::string_view data = trim(line.substr(pos + 1));
    StoreValue value;
    if (!data.empty() && data[0] == '"') {
      std::size_t p = 0;
      auto text = quotedText(data, p);
      if (!text) return false;
      if (!trim(data.substr(p)).empty()) return fail(lineNumber_, "text after the closing quote"), false;
      value = {kStoreString, stringValueData(fromUtf8(*text))};
    } else if (data.substr(0, 6) == "dword:") {
      auto n = hexNumber(data.substr(6));
      if (!n) return fail(lineNumber_, "dword: needs one to eight hex digits"), false;
      value = {kStoreNumber, numberValueData(*n)};
    } else if (data.substr(0, 4) == "hex:" || data.substr(0, 4) == "hex(") {
      std::size_t colon = data.find(':');
      std::uint32_t type = 3;  // plain "hex:" is binary data
      if (data[3] == '(') {
        std::size_t close = data.find(')');
        auto t = close == std::string_view::npos ? std::nullopt : hexNumber(data.substr(4, close - 4));
        if (!t || colon != close + 1) return fail(lineNumber_, "hex(TYPE): needs a hex type"), false;
        type = *t;
      }
      auto bytes = hexBytes(data.substr(colon + 1));
      if (!bytes) return false;
      value = {type, std::move(*bytes)};
    } else {
      return fail(lineNumber_, "a value must be \"text\", dword:N or hex(TYPE):bytes"), false;
    }
    keys_.back().values.emplace_back(std::move(name), std::move(value));
    return true;
  }

  std::string_view text_;
  int lineNumber_ = 0;
  std::string error_;
  std::vector<ImportedKey> keys_;
};

}  // namespace

std::string exportStoreText(Store& store) {
  std::string out = std::string(kStoreTextHeader) + "\n";
  for (const RootName& r : kRoots)
    if (auto root = store.openKey(r.root, u"")) exportKey(*root, std::string(r.name), true, out);
  return out;
}

StoreImportResult importStoreText(Store& store, std::string_view text) {
  TextParser parser(text);
  auto keys = parser.parse();
  if (!keys) return {false, parser.error()};
  if (!store.usable()) return {false, "the store cannot be used: " + store.problem()};

  StoreTransaction transaction(store);
  auto failed = [](const std::string& what) { return StoreImportResult{false, what}; };
  if (!transaction.active()) return failed("the store is busy or cannot be written");
  if (!store.clearAll()) return failed("the store could not be emptied");
  for (const ImportedKey& k : *keys) {
    auto key = store.createKey(k.root, k.path);
    if (!key) return failed("cannot create key '" + toUtf8(k.path) + "' (an empty or invalid name)");
    for (const auto& [name, value] : k.values)
      if (!key->setValue(name, value.type, value.data))
        return failed("cannot write value '" + toUtf8(name) + "' of key '" + toUtf8(k.path) + "'");
  }
  if (!transaction.commit()) return failed("the store could not be written");
  return {true, {}};
}

}  // namespace pgwk
