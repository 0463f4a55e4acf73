#pragma once
// What the persistence tests share: a store in a temporary XDG_CONFIG_HOME (the
// user's own store is never touched), a fake open book and a fake menu.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "persistence/bookmark_store.h"
#include "persistence/recent_files.h"
#include "platform/store/store.h"

namespace pgwk::test {

// A fresh folder below $TMPDIR (or /tmp), removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Every test gets its own XDG_CONFIG_HOME and a store in it.
class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 public:  // for the lambdas of case tables

  Store& store() { return *store_; }
  std::filesystem::path storePath() const { return Store::userStorePath(); }
  // Closes and opens the store again, as a restart of the reader does.
  void reopen();
  // The keys an installation creates, for a reader in /opt/pagewick.
  void seed();

  // Reads or writes a value of a current-user key directly.
  std::optional<std::uint32_t> number(std::u16string_view key, std::u16string_view name);
  std::optional<std::u16string> text(std::u16string_view key, std::u16string_view name);
  void setNumber(std::u16string_view key, std::u16string_view name, std::uint32_t n);
  void setText(std::u16string_view key, std::u16string_view name, std::u16string_view text);
  std::vector<std::u16string> valueNames(std::u16string_view key);

 protected:
  std::unique_ptr<TempFolder> config_;
  std::unique_ptr<Store> store_;
  std::string savedXdg_;
  bool hadXdg_ = false;
};

// A book of one or more CHM files; file 0 is the main one.
class FakeBook : public OpenBook {
 public:
  struct File {
    std::u16string name;
    std::uint32_t entries;
  };
  explicit FakeBook(std::vector<File> files, bool collection = false, std::uint32_t stamp = 1000)
      : files_(std::move(files)), collection_(collection), stamp_(stamp) {}

  const ChmArchive* archive(std::size_t i) const {
    return i < files_.size() ? reinterpret_cast<const ChmArchive*>(&files_[i]) : nullptr;
  }
  void setStamp(std::uint32_t stamp) { stamp_ = stamp; }

  const ChmArchive* mainArchive() const override { return archive(0); }
  const ChmArchive* archiveNamed(std::u16string_view name) const override;
  std::u16string archiveFileName(const ChmArchive* a) const override;
  std::uint32_t entryCount(const ChmArchive* a) const override;
  bool isCollection() const override { return collection_; }
  std::uint32_t mainFileSizeStamp() const override { return stamp_; }

 private:
  const File* fileOf(const ChmArchive* a) const { return reinterpret_cast<const File*>(a); }
  std::vector<File> files_;
  bool collection_;
  std::uint32_t stamp_;
};

class FakeMenu : public RecentFilesMenu {
 public:
  struct Item {
    int command;
    std::u16string text;
    bool operator==(const Item&) const = default;
  };
  std::vector<Item> items{{0, u"0. Empty"}};
  bool enabled = false;

  bool deleteItem(int position) override;
  void insertItem(int position, int commandId, const std::u16string& text) override;
  void enableRecentFilesItem(bool on) override { enabled = on; }
};

class RecordingApplier : public SettingsApplier {
 public:
  std::vector<Settings> applied;
  void applySettings(const Settings& s) override { applied.push_back(s); }
};

}  // namespace pgwk::test

