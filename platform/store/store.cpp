#include "platform/store/store.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <pwd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/store/utf16_text.h"

namespace pgwk {

namespace {

// "PGWK": marks the file as ours, so a foreign database is never taken for a
// store and written into.
constexpr std::int32_t kApplicationId = 0x5047574B;
constexpr int kSchemaVersion = 1;
constexpr std::int64_t kCurrentUserRootId = 1;
constexpr std::int64_t kClassRootId = 2;

std::int64_t rootId(StoreRoot root) {
  return root == StoreRoot::CurrentUser ? kCurrentUserRootId : kClassRootId;
}

bool isValidName(std::u16string_view name, std::size_t maxLength) {
  if (name.size() > maxLength || !isWellFormedUtf16(name)) return false;
  for (char16_t c : name)
    if (c < 0x20) return false;
  return true;
}

bool isValidKeyName(std::u16string_view name) {
  return !name.empty() && name.find(u'\\') == std::u16string_view::npos &&
         isValidName(name, kMaxKeyNameLength);
}

// Splits "A\B\C" into its names; fails on an empty or invalid name.
std::optional<std::vector<std::u16string_view>> splitKeyPath(std::u16string_view path) {
  std::vector<std::u16string_view> names;
  if (path.empty()) return names;
  std::size_t start = 0;
  while (true) {
    std::size_t end = path.find(u'\\', start);
    std::u16string_view name = path.substr(start, end == std::u16string_view::npos ? end : end - start);
    if (!isValidKeyName(name)) return std::nullopt;
    names.push_back(name);
    if (end == std::u16string_view::npos) break;
    start = end + 1;
  }
  return names;
}

}  // namespace

// One prepared statement, finalised when it goes out of scope.
class Store::Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (db && sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  Statement& bind(int i, std::int64_t v) {
    if (stmt_) sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  Statement& bindText(int i, std::u16string_view text) {
    std::string utf8 = toUtf8(text);
    if (stmt_) sqlite3_bind_text(stmt_, i, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& bindBlob(int i, const std::vector<std::uint8_t>& data) {
    // A zero-length blob must stay a blob, not become NULL.
    if (stmt_) sqlite3_bind_blob(stmt_, i, data.empty() ? "" : static_cast<const void*>(data.data()),
                                 static_cast<int>(data.size()), SQLITE_TRANSIENT);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }
  std::u16string text(int col) const {
    const unsigned char* p = sqlite3_column_text(stmt_, col);
    int n = sqlite3_column_bytes(stmt_, col);
    return p ? fromUtf8(std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)))
             : std::u16string();
  }
  std::vector<std::uint8_t> blob(int col) const {
    const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, col));
    int n = sqlite3_column_bytes(stmt_, col);
    return p ? std::vector<std::uint8_t>(p, p + n) : std::vector<std::uint8_t>();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

std::vector<std::uint8_t> stringValueData(std::u16string_view text) {
  std::vector<std::uint8_t> data;
  data.reserve(2 * (text.size() + 1));
  for (char16_t c : text) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::u16string textOfStringData(const std::vector<std::uint8_t>& data) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

std::vector<std::uint8_t> numberValueData(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

// ---- Store ----------------------------------------------------------------------

std::filesystem::path Store::userStorePath() {
  std::filesystem::path config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* pw = getpwuid(getuid());
      home = pw ? pw->pw_dir : "/";
    }
    config = std::filesystem::path(home) / ".config";
  }
  return config / "pagewick" / "store.db";
}

std::unique_ptr<Store> Store::openUserStore() { return std::make_unique<Store>(userStorePath()); }

Store::Store(std::filesystem::path file) : file_(std::move(file)) {
  std::error_code ec;
  bool existed = std::filesystem::exists(file_, ec);
  if (ec) {
    markUnusable("its folder cannot be read: " + ec.message());
    return;
  }
  if (!existed) {
    std::filesystem::path folder = file_.parent_path();
    if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
      std::filesystem::create_directories(folder, ec);
      // The store holds what the user read and where: keep it to the user.
      if (!ec) ::chmod(folder.c_str(), 0700);
    }
    if (ec) {
      markUnusable("its folder cannot be created: " + ec.message());
      return;
    }
  }
  openFile(existed);
}

Store::~Store() {
  if (db_) sqlite3_close_v2(db_);
}

void Store::markUnusable(const std::string& why) {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  problem_ = why;
  std::fprintf(stderr,
               "pagewick: the store %s cannot be used (%s); the defaults stay in force and the file "
               "is left as it is\n",
               file_.c_str(), why.c_str());
}

void Store::reportFailure(const char* what) {
  // Later failures are silent, as the registry's are: the first one says enough.
  if (reportedFailure_ || !db_) return;
  reportedFailure_ = true;
  std::fprintf(stderr, "pagewick: the store %s: %s failed: %s\n", file_.c_str(), what, sqlite3_errmsg(db_));
}

bool Store::execute(const char* sql) {
  return db_ && sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool Store::openFile(bool existed) {
  int flags = SQLITE_OPEN_READWRITE | (existed ? 0 : SQLITE_OPEN_CREATE);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file_.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    markUnusable(why);
    return false;
  }
  db_ = db;
  sqlite3_busy_timeout(db_, kStoreBusyTimeoutMs);
  sqlite3_extended_result_codes(db_, 1);

  // Read before writing anything: a file that is not a database, or not ours,
  // must come out of this untouched.
  std::int64_t tables = -1;
  {
    Statement count(db_, "SELECT count(*) FROM sqlite_master");
    if (count.step() == SQLITE_ROW) tables = count.integer(0);
  }
  if (tables < 0) {
    markUnusable(sqlite3_errmsg(db_));
    return false;
  }
  if (tables == 0) {
    if (!createSchema()) {
      // A store created meanwhile by another process has been judged already.
      if (db_) markUnusable(std::string("it cannot be initialised: ") + sqlite3_errmsg(db_));
      return false;
    }
  } else if (!schemaIsOurs()) {
    return false;
  }
  useWriteAheadLog();
  // Every commit reaches the disk before the call returns: a committed value
  // survives a crash of the reader or of the machine.
  execute("PRAGMA synchronous=FULL");
  return true;
}

bool Store::schemaIsOurs() {
  auto pragma = [&](const char* sql) -> std::optional<std::int64_t> {
    Statement s(db_, sql);
    if (s.step() == SQLITE_ROW) return s.integer(0);
    return std::nullopt;
  };
  auto appId = pragma("PRAGMA application_id");
  auto version = pragma("PRAGMA user_version");
  if (!appId || !version) {
    markUnusable(sqlite3_errmsg(db_));
    return false;
  }
  if (*appId != kApplicationId) {
    markUnusable("it is not a Pagewick store");
    return false;
  }
  if (*version != kSchemaVersion) {
    markUnusable("it was written by another version of Pagewick (store version " + std::to_string(*version) +
                 ")");
    return false;
  }
  Statement check(db_, "PRAGMA quick_check");
  if (check.step() != SQLITE_ROW || toUtf8(check.text(0)) != "ok") {
    markUnusable("it is damaged");
    return false;
  }
  return true;
}

void Store::useWriteAheadLog() {
  // WAL: readers never wait for a writer. The mode is kept in the file, so only
  // the first opening switches it; that fails while another process has the file
  // open, and then a later opening does it. Until then the rollback journal
  // keeps commits just as safe, only readers wait more.
  {
    Statement mode(db_, "PRAGMA journal_mode");
    if (mode.step() == SQLITE_ROW && toUtf8(mode.text(0)) == "wal") return;
  }
  execute("PRAGMA journal_mode=WAL");
}

bool Store::createSchema() {
  if (!execute("BEGIN IMMEDIATE")) return false;
  // Another process may have created the store while this one waited for the lock.
  std::int64_t tables = 0;
  {
    Statement count(db_, "SELECT count(*) FROM sqlite_master");
    if (count.step() == SQLITE_ROW) tables = count.integer(0);
  }
  if (tables > 0) {
    execute("COMMIT");
    return schemaIsOurs();
  }
  bool ok = execute(
                "CREATE TABLE keys("
                "  id INTEGER PRIMARY KEY,"
                "  parent INTEGER REFERENCES keys(id),"
                "  name TEXT NOT NULL,"
                "  folded TEXT NOT NULL,"
                "  UNIQUE(parent, folded));"
                "CREATE TABLE vals("
                "  key INTEGER NOT NULL REFERENCES keys(id),"
                "  name TEXT NOT NULL,"
                "  folded TEXT NOT NULL,"
                "  type INTEGER NOT NULL,"
                "  data BLOB NOT NULL,"
                "  seq INTEGER NOT NULL,"
                "  PRIMARY KEY(key, folded)) WITHOUT ROWID;"
                "INSERT INTO keys(id, parent, name, folded) VALUES"
                "  (1, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user'),"
                "  (2, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root');") &&
            execute(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str()) &&
            execute(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
  if (!ok || !execute("COMMIT")) {
    execute("ROLLBACK");
    return false;
  }
  return true;
}

std::optional<std::int64_t> Store::childKey(std::int64_t parent, std::u16string_view name) {
  Statement s(db_, "SELECT id FROM keys WHERE parent=?1 AND folded=?2");
  s.bind(1, parent).bindText(2, foldCase(name));
  int rc = s.step();
  if (rc == SQLITE_ROW) return s.integer(0);
  if (rc != SQLITE_DONE) reportFailure("reading a key");
  return std::nullopt;
}

std::optional<std::int64_t> Store::addChildKey(std::int64_t parent, std::u16string_view name) {
  Statement s(db_, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
  s.bind(1, parent).bindText(2, name).bindText(3, foldCase(name));
  if (s.step() != SQLITE_DONE) {
    reportFailure("creating a key");
    return std::nullopt;
  }
  return sqlite3_last_insert_rowid(db_);
}

bool Store::keyExists(std::int64_t id) {
  Statement s(db_, "SELECT 1 FROM keys WHERE id=?1");
  s.bind(1, id);
  return s.step() == SQLITE_ROW;
}

std::optional<StoreKey> Store::openKey(StoreRoot root, std::u16string_view path) {
  if (!db_) return std::nullopt;
  return StoreKey(this, rootId(root)).openSubkey(path);
}

std::optional<StoreKey> Store::createKey(StoreRoot root, std::u16string_view path) {
  if (!writesAllowed()) return std::nullopt;
  auto names = splitKeyPath(path);
  if (!names) return std::nullopt;
  StoreTransaction transaction(*this);
  if (!transaction.active()) return std::nullopt;
  std::int64_t id = rootId(root);
  for (std::u16string_view name : *names) {
    auto child = childKey(id, name);
    if (!child) child = addChildKey(id, name);
    if (!child) return std::nullopt;
    id = *child;
  }
  if (!transaction.commit()) return std::nullopt;
  return StoreKey(this, id);
}

bool Store::deleteKey(StoreRoot root, std::u16string_view path) {
  if (!writesAllowed() || path.empty()) return false;
  StoreTransaction transaction(*this);
  if (!transaction.active()) return false;
  auto key = openKey(root, path);
  if (!key) return false;
  static constexpr const char* kBelow =
      "WITH RECURSIVE below(id) AS (SELECT ?1 UNION ALL "
      "SELECT keys.id FROM keys JOIN below ON keys.parent = below.id) ";
  Statement values(db_, (std::string(kBelow) + "DELETE FROM vals WHERE key IN below").c_str());
  Statement keys(db_, (std::string(kBelow) + "DELETE FROM keys WHERE id IN below").c_str());
  values.bind(1, key->id());
  keys.bind(1, key->id());
  if (values.step() != SQLITE_DONE || keys.step() != SQLITE_DONE) {
    reportFailure("deleting a key");
    return false;
  }
  return transaction.commit();
}

bool Store::clearAll() {
  if (!writesAllowed()) return false;
  StoreTransaction transaction(*this);
  if (!transaction.active()) return false;
  if (!execute("DELETE FROM vals; DELETE FROM keys WHERE parent IS NOT NULL")) {
    reportFailure("emptying the store");
    return false;
  }
  return transaction.commit();
}

// ---- StoreKey -------------------------------------------------------------------

std::optional<StoreKey> StoreKey::openSubkey(std::u16string_view path) const {
  if (!store_->db_) return std::nullopt;
  auto names = splitKeyPath(path);
  if (!names) return std::nullopt;
  std::int64_t id = id_;
  // An empty path opens the key itself, which must still exist.
  if (names->empty() && !store_->keyExists(id)) return std::nullopt;
  for (std::u16string_view name : *names) {
    auto child = store_->childKey(id, name);
    if (!child) return std::nullopt;
    id = *child;
  }
  return StoreKey(store_, id);
}

std::optional<StoreValue> StoreKey::queryValue(std::u16string_view name) const {
  if (!store_->db_ || !isValidName(name, kMaxValueNameLength)) return std::nullopt;
  Store::Statement s(store_->db_, "SELECT type, data FROM vals WHERE key=?1 AND folded=?2");
  s.bind(1, id_).bindText(2, foldCase(name));
  int rc = s.step();
  if (rc != SQLITE_ROW) {
    if (rc != SQLITE_DONE) store_->reportFailure("reading a value");
    return std::nullopt;
  }
  return StoreValue{static_cast<std::uint32_t>(s.integer(0)), s.blob(1)};
}

std::optional<std::uint32_t> StoreKey::queryNumber(std::u16string_view name) const {
  auto value = queryValue(name);
  if (!value || value->type != kStoreNumber || value->data.size() != 4) return std::nullopt;
  const auto& d = value->data;
  return static_cast<std::uint32_t>(d[0] | (d[1] << 8) | (d[2] << 16) | (std::uint32_t(d[3]) << 24));
}

std::optional<std::u16string> StoreKey::queryString(std::u16string_view name, std::size_t maxBytes) const {
  auto value = queryValue(name);
  if (!value || value->type != kStoreString || value->data.size() > maxBytes) return std::nullopt;
  return textOfStringData(value->data);
}

bool StoreKey::setValue(std::u16string_view name, std::uint32_t type,
                        const std::vector<std::uint8_t>& data) const {
  if (!store_->writesAllowed() || !isValidName(name, kMaxValueNameLength)) return false;
  // The key must still exist: a handle on a deleted key writes nothing, as in the
  // registry. A value keeps its place in the order and its first spelling.
  Store::Statement s(store_->db_,
                     "INSERT INTO vals(key, name, folded, type, data, seq) "
                     "SELECT ?1, ?2, ?3, ?4, ?5, "
                     "  (SELECT coalesce(max(seq), 0) + 1 FROM vals WHERE key=?1) "
                     "WHERE EXISTS(SELECT 1 FROM keys WHERE id=?1) "
                     "ON CONFLICT(key, folded) DO UPDATE SET type=excluded.type, data=excluded.data");
  s.bind(1, id_).bindText(2, name).bindText(3, foldCase(name)).bind(4, type).bindBlob(5, data);
  if (s.step() != SQLITE_DONE) {
    store_->reportFailure("writing a value");
    return false;
  }
  return sqlite3_changes(store_->db_) == 1;
}

bool StoreKey::setNumber(std::u16string_view name, std::uint32_t number) const {
  return setValue(name, kStoreNumber, numberValueData(number));
}

bool StoreKey::setString(std::u16string_view name, std::u16string_view text) const {
  return setValue(name, kStoreString, stringValueData(text));
}

bool StoreKey::deleteValue(std::u16string_view name) const {
  if (!store_->writesAllowed() || !isValidName(name, kMaxValueNameLength)) return false;
  Store::Statement s(store_->db_, "DELETE FROM vals WHERE key=?1 AND folded=?2");
  s.bind(1, id_).bindText(2, foldCase(name));
  if (s.step() != SQLITE_DONE) {
    store_->reportFailure("deleting a value");
    return false;
  }
  return sqlite3_changes(store_->db_) == 1;
}

std::vector<std::u16string> StoreKey::subkeys() const {
  std::vector<std::u16string> names;
  if (!store_->db_) return names;
  Store::Statement s(store_->db_, "SELECT name FROM keys WHERE parent=?1 ORDER BY id");
  s.bind(1, id_);
  int rc;
  while ((rc = s.step()) == SQLITE_ROW) names.push_back(s.text(0));
  if (rc != SQLITE_DONE) store_->reportFailure("listing keys");
  return names;
}

std::vector<std::pair<std::u16string, StoreValue>> StoreKey::values() const {
  std::vector<std::pair<std::u16string, StoreValue>> result;
  if (!store_->db_) return result;
  Store::Statement s(store_->db_, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY seq");
  s.bind(1, id_);
  int rc;
  while ((rc = s.step()) == SQLITE_ROW)
    result.emplace_back(s.text(0), StoreValue{static_cast<std::uint32_t>(s.integer(1)), s.blob(2)});
  if (rc != SQLITE_DONE) store_->reportFailure("listing values");
  return result;
}

// ---- StoreTransaction -----------------------------------------------------------

StoreTransaction::StoreTransaction(Store& store) : store_(store) {
  if (!store_.db_) return;
  if (store_.transactionDepth_ == 0) {
    store_.transactionFailed_ = false;
    // IMMEDIATE takes the write lock at once (waiting up to the busy timeout), so
    // two writers never deadlock upgrading from a read.
    if (!store_.execute("BEGIN IMMEDIATE")) {
      store_.reportFailure("starting a transaction");
      store_.transactionFailed_ = true;
    }
    outermost_ = true;
  }
  ++store_.transactionDepth_;
  active_ = !store_.transactionFailed_;
}

bool StoreTransaction::commit() {
  if (finished_ || !store_.db_) return false;
  finished_ = true;
  --store_.transactionDepth_;
  if (!outermost_) return !store_.transactionFailed_;
  bool ok = false;
  if (!store_.transactionFailed_) {
    ok = store_.execute("COMMIT");
    if (!ok) store_.reportFailure("committing");
  }
  if (!ok) store_.execute("ROLLBACK");
  store_.transactionFailed_ = false;
  return ok;
}

StoreTransaction::~StoreTransaction() {
  if (finished_ || !store_.db_) return;
  --store_.transactionDepth_;
  if (outermost_) {
    store_.execute("ROLLBACK");
    store_.transactionFailed_ = false;
  } else {
    // An inner group gave up: the outer one must not commit half of it.
    store_.transactionFailed_ = true;
  }
}

}  // namespace pgwk
