// The store under a killed writer and under two writers at once. The writers are
// separate processes (persistence_store_writer), as two readers would be.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "persistence/recent_files.h"
#include "persistence/settings.h"
#include "persistence/store_keys.h"
#include "persistence_fixture.h"
#include "platform/store/utf16_text.h"
#include "writer_pattern.h"

extern char** environ;

namespace pgwk {
namespace {

using test::StoreTest;

// A child process whose standard output the test reads.
class Writer {
 public:
  explicit Writer(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    args.insert(args.begin(), PGWK_STORE_WRITER);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, PGWK_STORE_WRITER, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fdopen(fds[0], "r");
  }
  ~Writer() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      wait();
    }
    if (out_) fclose(out_);
  }
  bool started() const { return pid_ > 0 && out_; }
  // The next number the writer printed, or -1 at the end of its output.
  int nextNumber() {
    int n;
    return out_ && std::fscanf(out_, "%d", &n) == 1 ? n : -1;
  }
  void killNow() {
    if (pid_ > 0) kill(pid_, SIGKILL);
  }
  // The exit status, or -1 when it did not exit normally.
  int wait() {
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

class RobustnessTest : public StoreTest {
 protected:
  // The round whose settings the store holds, checking that every value and
  // every button belongs to that same round.
  int wholeSavedRound() {
    Store fresh(storePath());
    EXPECT_TRUE(fresh.usable()) << fresh.problem();
    auto options = fresh.openKey(StoreRoot::CurrentUser, kOptionsKey);
    auto buttons = fresh.openKey(StoreRoot::CurrentUser, kButtonsKey);
    if (!options || !buttons) return -1;
    auto round = options->queryNumber(u"ResentFilesNmb");
    if (!round) return -1;
    int i = static_cast<int>(*round);
    for (const auto& [name, value] : test::storedOptionValues(test::writerSettings(i)))
      EXPECT_EQ(options->queryNumber(name), value) << toUtf8(name) << " in round " << i;
    for (const ButtonAssignment& b : test::writerButtons(i))
      EXPECT_EQ(buttons->queryNumber(fromUtf8(std::to_string(b.action))), b.keyCode) << "round " << i;
    return i;
  }
};

TEST_F(RobustnessTest, AWriterKilledHalfwayLeavesItsLastCommittedSaveWhole) {
  seed();
  std::mt19937 random(12345);
  for (int attempt = 0; attempt < 4; ++attempt) {
    Writer writer({"settings-loop", storePath().string()});
    ASSERT_TRUE(writer.started());
    int wanted = 3 + static_cast<int>(random() % 25), last = 0;
    while (last < wanted) {
      int n = writer.nextNumber();
      ASSERT_GT(n, 0) << "the writer stopped early";
      last = n;
    }
    // Somewhere inside a following save.
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    writer.killNow();
    for (int n; (n = writer.nextNumber()) > 0;) last = n;
    EXPECT_EQ(writer.wait(), -1);
    // The save after the last one reported may have committed just before the kill.
    int round = wholeSavedRound();
    EXPECT_TRUE(round == last || round == last + 1) << "store holds round " << round << ", last reported " << last;
  }
}

TEST_F(RobustnessTest, TwoWritersAtOnceLoseNothing) {
  seed();
  constexpr int kRounds = 70;
  // This process keeps its own connection open too, as a running reader would.
  Writer settings({"settings", std::to_string(kRounds), storePath().string()});
  Writer books({"books", std::to_string(kRounds), storePath().string()});
  ASSERT_TRUE(settings.started() && books.started());
  EXPECT_EQ(settings.wait(), 0);
  EXPECT_EQ(books.wait(), 0);

  EXPECT_EQ(wholeSavedRound(), kRounds);
  reopen();
  RecentFiles recent(store());
  recent.load();
  ASSERT_EQ(recent.count(), RecentFiles::kMaxEntries);
  for (int i = 0; i < recent.count(); ++i) EXPECT_EQ(recent.entry(i)->path, test::writerBookPath(kRounds - i));
  // One bookmark key per listed book: those of dropped books went with them.
  auto root = store().openKey(StoreRoot::CurrentUser, kBookmarksRootKey);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->subkeys().size(), static_cast<std::size_t>(RecentFiles::kMaxEntries));
  for (int i = kRounds - RecentFiles::kMaxEntries + 1; i <= kRounds; ++i) {
    std::u16string key = std::u16string(kBookmarksRootKey) + u"\\" + std::u16string(fileNameOfPath(test::writerBookPath(i)));
    auto first = text(key, u"1");
    ASSERT_TRUE(first) << i;
    EXPECT_EQ(first->substr(0, 1 + std::to_string(i).size() + 1), fromUtf8("[" + std::to_string(i) + ","));
    EXPECT_TRUE(text(key, u"AutoSaveParams")) << i;
  }
}

TEST_F(RobustnessTest, InstancesStartingTogetherOnANewStoreAllUseIt) {
  store_.reset();
  test::TempFolder fresh;
  auto path = fresh.path() / "pagewick" / "store.db";
  std::vector<std::unique_ptr<Writer>> writers;
  for (int i = 0; i < 3; ++i) writers.push_back(std::make_unique<Writer>(std::vector<std::string>{"first-run", "5", path.string()}));
  for (auto& w : writers) EXPECT_EQ(w->wait(), 0);
  Store store(path);
  ASSERT_TRUE(store.usable());
  auto options = store.openKey(StoreRoot::CurrentUser, kOptionsKey);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->queryNumber(u"ResentFilesNmb"), 5u);
}

}  // namespace
}  // namespace pgwk
