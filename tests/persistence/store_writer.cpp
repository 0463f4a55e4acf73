// A second process for the robustness tests.
//   persistence_store_writer settings-loop STORE   saves settings until killed, printing
//                                                  each round number once it is committed
//   persistence_store_writer settings N STORE      N settings saves
//   persistence_store_writer books N STORE         N books opened: recent list, bookmarks,
//                                                  display parameters
//   persistence_store_writer first-run N STORE     a first start on a store that may not
//                                                  exist yet: its keys, then N settings saves
// Exits 0 when every save succeeded, 1 when one failed, 2 on a wrong command line.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "persistence/bookmark_store.h"
#include "persistence/installation_keys.h"
#include "persistence/recent_files.h"
#include "persistence/settings.h"
#include "platform/store/store.h"
#include "writer_pattern.h"

namespace {

using namespace pgwk;

class OneFileBook : public OpenBook {
 public:
  const ChmArchive* mainArchive() const override { return reinterpret_cast<const ChmArchive*>(this); }
  const ChmArchive* archiveNamed(std::u16string_view) const override { return mainArchive(); }
  std::u16string archiveFileName(const ChmArchive*) const override { return u""; }
  std::uint32_t entryCount(const ChmArchive*) const override { return 1000; }
  bool isCollection() const override { return false; }
  std::uint32_t mainFileSizeStamp() const override { return 4242; }
};

int saveSettings(Store& store, int rounds, bool report) {
  SettingsStore settings(store);
  for (int i = 1; rounds < 0 || i <= rounds; ++i) {
    if (!settings.save(test::writerSettings(i), test::writerButtons(i))) {
      std::fprintf(stderr, "settings save %d failed\n", i);
      return 1;
    }
    if (report) {
      std::printf("%d\n", i);
      std::fflush(stdout);
    }
  }
  return 0;
}

int openBooks(Store& store, int rounds) {
  OneFileBook book;
  RecentFiles recent(store);
  recent.load();
  Settings applied;
  for (int i = 1; i <= rounds; ++i) {
    recent.addToFront(test::writerBookPath(i), u"Book", book);
    RecentEntry* front = recent.front();
    ViewState view;
    view.pageIndex = i;
    front->addBookmark(u"mark", view, book.mainArchive());
    bool ok = recent.save() && recent.saveStoredParameters(applied, book) &&
              recent.bookmarkStore().saveBookmarks(*front, book);
    if (!ok) {
      std::fprintf(stderr, "book save %d failed\n", i);
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "settings-loop" && argc == 3) {
    pgwk::Store store(argv[2]);
    return store.usable() ? saveSettings(store, -1, true) : 1;
  }
  if ((mode == "settings" || mode == "books" || mode == "first-run") && argc == 4) {
    int rounds = std::atoi(argv[2]);
    pgwk::Store store(argv[3]);
    if (!store.usable()) return 1;
    if (mode == "first-run") {
      if (!pgwk::createUserKeysIfMissing(store)) return 1;
      return saveSettings(store, rounds, false);
    }
    return mode == "settings" ? saveSettings(store, rounds, false) : openBooks(store, rounds);
  }
  std::fprintf(stderr, "usage: %s settings-loop STORE | settings N STORE | books N STORE | first-run N STORE\n", argv[0]);
  return 2;
}
