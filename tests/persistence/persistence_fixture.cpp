#include "persistence_fixture.h"

#include <cstdlib>

#include "persistence/installation_keys.h"
#include "platform/store/utf16_text.h"

namespace pgwk::test {

TempFolder::TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pgwk-persistence-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void StoreTest::SetUp() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  hadXdg_ = xdg != nullptr;
  if (xdg) savedXdg_ = xdg;
  config_ = std::make_unique<TempFolder>();
  setenv("XDG_CONFIG_HOME", config_->path().c_str(), 1);
  store_ = std::make_unique<Store>(Store::userStorePath());
  ASSERT_TRUE(store_->usable()) << store_->problem();
}

void StoreTest::TearDown() {
  store_.reset();
  config_.reset();
  if (hadXdg_)
    setenv("XDG_CONFIG_HOME", savedXdg_.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

void StoreTest::reopen() {
  store_.reset();
  store_ = std::make_unique<Store>(Store::userStorePath());
  ASSERT_TRUE(store_->usable());
}

void StoreTest::seed() { ASSERT_TRUE(seedInstallationKeys(store(), u"/opt/pagewick")); }

std::optional<std::uint32_t> StoreTest::number(std::u16string_view key, std::u16string_view name) {
  auto k = store().openKey(StoreRoot::CurrentUser, key);
  return k ? k->queryNumber(name) : std::nullopt;
}

std::optional<std::u16string> StoreTest::text(std::u16string_view key, std::u16string_view name) {
  auto k = store().openKey(StoreRoot::CurrentUser, key);
  return k ? k->queryString(name, 1 << 20) : std::nullopt;
}

void StoreTest::setNumber(std::u16string_view key, std::u16string_view name, std::uint32_t n) {
  auto k = store().createKey(StoreRoot::CurrentUser, key);
  ASSERT_TRUE(k && k->setNumber(name, n));
}

void StoreTest::setText(std::u16string_view key, std::u16string_view name, std::u16string_view t) {
  auto k = store().createKey(StoreRoot::CurrentUser, key);
  ASSERT_TRUE(k && k->setString(name, t));
}

std::vector<std::u16string> StoreTest::valueNames(std::u16string_view key) {
  std::vector<std::u16string> names;
  if (auto k = store().openKey(StoreRoot::CurrentUser, key))
    for (const auto& [name, value] : k->values()) names.push_back(name);
  return names;
}

const ChmArchive* FakeBook::archiveNamed(std::u16string_view name) const {
  for (std::size_t i = 0; i < files_.size(); ++i)
    if (equalIgnoringCase(files_[i].name, name)) return archive(i);
  return nullptr;
}

std::u16string FakeBook::archiveFileName(const ChmArchive* a) const { return a ? fileOf(a)->name : u""; }

std::uint32_t FakeBook::entryCount(const ChmArchive* a) const { return a ? fileOf(a)->entries : 0; }

bool FakeMenu::deleteItem(int position) {
  if (position < 0 || position >= static_cast<int>(items.size())) return false;
  items.erase(items.begin() + position);
  return true;
}

void FakeMenu::insertItem(int position, int commandId, const std::u16string& text) {
  if (position < 0 || position > static_cast<int>(items.size())) position = static_cast<int>(items.size());
  items.insert(items.begin() + position, Item{commandId, text});
}

}  // namespace pgwk::test
