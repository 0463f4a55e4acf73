#pragma once
// The per-user store: what the handheld platform's registry gave the reader, kept
// in one SQLite file per user ($XDG_CONFIG_HOME/pagewick/store.db).
//
// It keeps the registry's rules that the reader relies on:
//  - two roots (the current user's and the shared class root) in the same file;
//  - keys are paths of names separated by backslashes, compared without regard to
//    case; a key keeps the spelling it was created with;
//  - opening a key without creating it fails when it is missing;
//  - a query that fails leaves the caller's default (the calls return optionals);
//  - deleting a key deletes its values and every key below it;
//  - values are typed: 1 = UTF-16 string with its terminator, 4 = 32-bit number.
//
// Every write is a transaction of its own unless a StoreTransaction groups several.
// Two processes using the store at once wait for each other (busy timeout) rather
// than fail. A file that cannot be opened or is damaged makes the store unusable:
// every call fails, so the reader keeps its defaults; the file is never touched.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace pgwk {

enum class StoreRoot { CurrentUser, ClassRoot };

inline constexpr std::uint32_t kStoreString = 1;
inline constexpr std::uint32_t kStoreNumber = 4;

// How long a writer waits for another process's transaction before it gives up.
inline constexpr int kStoreBusyTimeoutMs = 5000;

// Longest key name (one path component) and value name the store accepts.
inline constexpr std::size_t kMaxKeyNameLength = 1024;
inline constexpr std::size_t kMaxValueNameLength = 16383;

struct StoreValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const StoreValue&) const = default;
};

// The data of a string value: UTF-16LE with its terminating zero.
std::vector<std::uint8_t> stringValueData(std::u16string_view text);
// The text of string data up to its first zero (an odd last byte is ignored).
std::u16string textOfStringData(const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> numberValueData(std::uint32_t number);

class Store;

// A handle on a key that existed when it was opened. Cheap to copy; nothing to
// close; it must not outlive its Store. When the key is deleted meanwhile, every
// call through the handle fails.
class StoreKey {
 public:
  // Type 4 values of exactly four bytes; anything else fails.
  std::optional<std::uint32_t> queryNumber(std::u16string_view name) const;
  // Type 1 values of at most maxBytes bytes (terminator included), as the
  // registry refuses data larger than the caller's buffer.
  std::optional<std::u16string> queryString(std::u16string_view name, std::size_t maxBytes) const;
  std::optional<StoreValue> queryValue(std::u16string_view name) const;

  bool setNumber(std::u16string_view name, std::uint32_t number) const;
  bool setString(std::u16string_view name, std::u16string_view text) const;
  bool setValue(std::u16string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) const;
  // Fails when there is no such value.
  bool deleteValue(std::u16string_view name) const;

  // Opens a key below this one (a relative path), without creating it.
  std::optional<StoreKey> openSubkey(std::u16string_view path) const;

  // Names of the direct subkeys, in the order they were created.
  std::vector<std::u16string> subkeys() const;
  // Every value of the key, in the order they were first written.
  std::vector<std::pair<std::u16string, StoreValue>> values() const;

  std::int64_t id() const { return id_; }

 private:
  friend class Store;
  StoreKey(Store* store, std::int64_t id) : store_(store), id_(id) {}
  Store* store_;
  std::int64_t id_;
};

class Store {
 public:
  // $XDG_CONFIG_HOME/pagewick/store.db, ~/.config/pagewick/store.db when the
  // variable is unset, empty or not absolute.
  static std::filesystem::path userStorePath();
  static std::unique_ptr<Store> openUserStore();

  // Opens the file, creating it (and its folder) when it does not exist. Never
  // throws: check usable(). An unusable file is reported once on stderr.
  explicit Store(std::filesystem::path file);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  bool usable() const { return db_ != nullptr; }
  const std::filesystem::path& file() const { return file_; }
  // Why the store is unusable (empty when it is usable).
  const std::string& problem() const { return problem_; }

  // An empty path names the root itself.
  std::optional<StoreKey> openKey(StoreRoot root, std::u16string_view path);
  // Opens the key, creating it and any missing key above it.
  std::optional<StoreKey> createKey(StoreRoot root, std::u16string_view path);
  // Deletes the key with its values and everything below it. A root cannot be
  // deleted; a missing key is a failure.
  bool deleteKey(StoreRoot root, std::u16string_view path);

  // Deletes every key and value of both roots (used by import).
  bool clearAll();

 private:
  friend class StoreKey;
  friend class StoreTransaction;
  class Statement;

  bool openFile(bool existed);
  bool schemaIsOurs();
  bool createSchema();
  void useWriteAheadLog();
  void markUnusable(const std::string& why);
  void reportFailure(const char* what);
  std::optional<std::int64_t> childKey(std::int64_t parent, std::u16string_view name);
  std::optional<std::int64_t> addChildKey(std::int64_t parent, std::u16string_view name);
  bool keyExists(std::int64_t id);
  bool execute(const char* sql);
  bool writesAllowed() const { return db_ && !transactionFailed_; }

  std::filesystem::path file_;
  sqlite3* db_ = nullptr;
  std::string problem_;
  int transactionDepth_ = 0;
  bool transactionFailed_ = false;
  bool reportedFailure_ = false;
};

// Groups writes into one transaction: either all of them reach the file or none.
// Nested transactions join the outermost. Destroying an uncommitted transaction
// rolls it back. While a transaction that could not begin is open, writes fail,
// so a group is never half-written outside a transaction.
class StoreTransaction {
 public:
  explicit StoreTransaction(Store& store);
  ~StoreTransaction();
  StoreTransaction(const StoreTransaction&) = delete;
  StoreTransaction& operator=(const StoreTransaction&) = delete;

  bool active() const { return active_; }
  // True when the writes reached the file (for a nested one: when the outer
  // transaction may still commit them).
  bool commit();

 private:
  Store& store_;
  bool active_ = false;
  bool outermost_ = false;
  bool finished_ = false;
};

}  // namespace pgwk
