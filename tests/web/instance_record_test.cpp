// The instance record: a second process finds the first, brings it forward and
// asks it to close; stale and damaged records find nothing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/ui/controls.h"
#include "platform/ui/ui.h"
#include "platform/web/instance_record.h"
#include "platform/web/web_backend.h"

namespace pgwk::web {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct RecordFolder {
  fs::path path;
  RecordFolder() {
    std::string pattern = (fs::temp_directory_path() / "pgwk-record-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~RecordFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::string record() const { return (path / "run/instance").string(); }
};

// The first instance, in a process of its own: it records itself, and ends when
// its main window gets a close request. Its servers are stopped properly before
// it ends, so that the answer to the close request still goes out.
int firstInstance(const std::string& recordPath) {
  setenv("BROWSER", "true", 1);  // "opening the page again" runs /bin/true
  ui::Ui ui;
  WebOptions options;
  options.openBrowser = false;
  WebBackend web(ui, options);
  auto& main = ui.create<ui::Window>(ui::kNoWidget, 0, ui::Rect::fromSize(0, 0, 240, 320));
  ui.setMainWindow(main.id());
  bool closed = false;
  main.setHandler([&](const ui::Message& m) -> std::int64_t {
    if (m.kind == ui::MessageKind::Close) {
      closed = true;
      ui.postQuit(0);
    }
    return 0;
  });
  ui.repaint();
  InstanceRecord record(recordPath);
  if (!record.write(web.port(), web.token())) return 3;
  ui::Message message;
  auto deadline = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < deadline && ui.getMessage(message)) ui.dispatch(message);
  record.clear();
  return closed ? 0 : 4;
}

TEST(InstanceRecord, FindBringForwardAndClose) {
  RecordFolder folder;
  fs::create_directories(fs::path(folder.record()).parent_path());
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) std::_Exit(firstInstance(folder.record()));

  InstanceRecord record(folder.record());
  std::optional<InstanceInfo> found;
  auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!found && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
    found = record.find();
  }
  ASSERT_TRUE(found);
  EXPECT_EQ(found->pid, child);
  EXPECT_EQ(fs::status(folder.record()).permissions() & fs::perms::group_all, fs::perms::none);
  EXPECT_EQ(fs::status(folder.record()).permissions() & fs::perms::others_all, fs::perms::none);
  EXPECT_TRUE(InstanceRecord::bringForward(*found));
  InstanceInfo forged = *found;
  forged.token = std::string(32, 'a');
  EXPECT_FALSE(InstanceRecord::requestClose(forged));
  EXPECT_TRUE(InstanceRecord::requestClose(*found));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(record.find());  // it cleared its record, and its process is gone
}

TEST(InstanceRecord, StaleOrDamagedRecordsFindNothing) {
  RecordFolder folder;
  InstanceRecord record(folder.record());
  EXPECT_FALSE(record.find());  // no folder, no record
  ASSERT_TRUE(record.write(1, std::string(32, 'b')));
  EXPECT_FALSE(record.find());  // our own record
  // A process that has ended.
  pid_t gone = fork();
  if (gone == 0) std::_Exit(0);
  waitpid(gone, nullptr, 0);
  const std::string damaged[] = {
      std::to_string(gone) + " 4000 " + std::string(32, 'c') + "\n",
      "x y z\n",
      std::to_string(getppid()) + " 70000 " + std::string(32, 'c') + "\n",
      std::to_string(getppid()) + " 4000 short\n",
      "",
  };
  for (const auto& text : damaged) {
    std::ofstream(folder.record(), std::ios::trunc) << text;
    EXPECT_FALSE(record.find()) << text;
  }
  // A live process that does not answer as an instance (this test's parent) finds nothing either.
  std::ofstream(folder.record(), std::ios::trunc) << getppid() << " 1 " << std::string(32, 'c') << "\n";
  EXPECT_FALSE(record.find());
  // Clearing leaves someone else's record alone.
  record.clear();
  EXPECT_TRUE(fs::exists(folder.record()));
}

TEST(InstanceRecord, DefaultPathIsPerUser) {
  std::string path = InstanceRecord::defaultPath();
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime == '/') EXPECT_EQ(path, std::string(runtime) + "/pagewick/instance");
  else EXPECT_EQ(path, "/tmp/pagewick-" + std::to_string(getuid()) + "/instance");
}

}  // namespace
}  // namespace pgwk::web
