// The content origin: only files below the folder, HTML with the view script
// added, the scripting policy and the charset rule.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/ui/controls.h"
#include "platform/ui/html_view.h"
#include "platform/ui/ui.h"
#include "platform/web/content_server.h"
#include "platform/web/web_backend.h"
#include "http_probe.h"

namespace pgwk::web {
namespace {

namespace fs = std::filesystem;

struct Folder {
  fs::path path;
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "pgwk-content-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
    fs::remove(path.string() + "-secret.htm", ignored);
  }
  void write(const std::string& name, const std::string& text) {
    fs::create_directories((path / name).parent_path());
    std::ofstream(path / name, std::ios::binary) << text;
  }
};

TEST(ContentServerText, ViewScriptGoesIntoTheHead) {
  const std::string script = "<script>V</script>";
  struct Case {
    const char* html;
    const char* expected;
  } cases[] = {
      {"<html><head><title>t</title></head></html>", "<html><head><script>V</script><title>t</title></head></html>"},
      {"<HTML><HEAD lang=en>x", "<HTML><HEAD lang=en><script>V</script>x"},
      {"<html><body>no head</body></html>", "<html><script>V</script><body>no head</body></html>"},
      {"<!DOCTYPE html>\n<p>bare", "<!DOCTYPE html><script>V</script>\n<p>bare"},
      {"<p>bare", "<script>V</script><p>bare"},
      {"<header>not the head</header>", "<script>V</script><header>not the head</header>"},
      {"", "<script>V</script>"},
  };
  for (const auto& c : cases) EXPECT_EQ(addViewScript(c.html, script), c.expected) << c.html;
}

TEST(ContentServerText, DeclaredCharsetAndTypes) {
  struct Case {
    const char* html;
    std::optional<std::string> charset;
  } cases[] = {
      {"<meta charset=\"windows-1251\">", "windows-1251"},
      {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=Shift_JIS\">", "shift_jis"},
      {"<meta charset = 'utf-8' >", "utf-8"},
      {"<meta name=\"x\" content=\"charset\">", std::nullopt},
      {"<p>charset=latin1</p>", std::nullopt},
      {"<meta charset=>", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(declaredCharset(c.html), c.charset) << c.html;
  // Beyond the first bytes a declaration no longer counts.
  EXPECT_EQ(declaredCharset(std::string(5000, ' ') + "<meta charset=koi8-r>"), std::nullopt);
  EXPECT_EQ(contentTypeFor("/t/0/a.HTM"), "text/html");
  EXPECT_EQ(contentTypeFor("/t/0/s.css"), "text/css");
  EXPECT_EQ(contentTypeFor("/t/0/p.gif"), "image/gif");
  EXPECT_EQ(contentTypeFor("/t/0.d/noext"), "application/octet-stream");
}

// Every way out of the folder is refused; the way in works, symbolic links
// included as long as they stay inside.
TEST(ContentServerPaths, OnlyFilesBelowTheFolder) {
  Folder folder;
  folder.write("0/page.htm", "<p>page</p>");
  folder.write("0/sub/pic.gif", "GIF89a");
  folder.write("0/name with space.htm", "<p>space</p>");
  std::ofstream(folder.path.string() + "-secret.htm") << "secret";
  fs::create_symlink("/etc/hostname", folder.path / "0/out.htm");
  fs::create_symlink(folder.path / "0/page.htm", folder.path / "0/in.htm");
  fs::create_symlink("/etc", folder.path / "0/etc");
  ContentServer server;
  server.setRoot(folder.path.string() + "/");
  const std::string root = folder.path.string();
  struct Case {
    std::string decoded;
    std::string raw;
    int status;
  } cases[] = {
      {root + "/0/page.htm", root + "/0/page.htm", 200},
      {root + "/0/sub/pic.gif", root + "/0/sub/pic.gif", 200},
      {root + "/0/name with space.htm", root + "/0/name%20with%20space.htm", 200},
      {root + "//0/page.htm", root + "//0/page.htm", 200},
      {root + "/0/in.htm", root + "/0/in.htm", 200},
      {root + "/0/../0/page.htm", root + "/0/../0/page.htm", 403},
      {root + "/0/../../etc/passwd", root + "/0/%2e%2e/%2E%2E/etc/passwd", 403},
      {root + "/./0/page.htm", root + "/%2e/0/page.htm", 403},
      {root + "/0/sub/../page.htm", root + "/0/sub%2f..%2fpage.htm", 403},
      {root + "/0/out.htm", root + "/0/out.htm", 403},
      {root + "/0/etc/passwd", root + "/0/etc/passwd", 403},
      {root + "-secret.htm", root + "-secret.htm", 403},
      {root + "/0", root + "/0", 403},
      {root, root, 403},
      {root + "/0/missing.htm", root + "/0/missing.htm", 403},
      {"/etc/passwd", "/etc/passwd", 403},
      {"relative/page.htm", "relative/page.htm", 403},
      {root + std::string("/0/page.htm\0x", 13), root + "/0/page.htm%00x", 403},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(server.answer(c.decoded, c.raw).status, c.status) << c.raw;
  }
  ContentServer unset;
  EXPECT_EQ(unset.answer(root + "/0/page.htm", root + "/0/page.htm").status, 403);
}

TEST(ContentServerPolicy, ScriptingOffBlocksTheBooksScriptsOnly) {
  Folder folder;
  folder.write("0/page.htm", "<html><head><title>t</title></head><body><script>x()</script></body></html>");
  folder.write("0/meta.htm", "<html><head><meta charset=\"windows-1251\"></head></html>");
  folder.write("0/style.css", "p{}");
  ui::Ui ui;
  WebOptions options;
  options.openBrowser = false;
  options.defaultCharset = "windows-1252";
  WebBackend web(ui, options);
  ui.setContentRoot(folder.path.string());
  auto& main = ui.create<ui::Window>(ui::kNoWidget, 0, ui::Rect::fromSize(0, 0, 240, 320));
  auto& view = ui.create<ui::HtmlView>(main.id(), 1, ui::Rect::fromSize(0, 0, 240, 300));
  ui.repaint();
  auto get = [&](const std::string& name) {
    return test::request(web.contentPort(), "GET", folder.path.string() + "/0/" + name, "");
  };

  auto on = get("page.htm");
  ASSERT_EQ(on.status, 200);
  EXPECT_EQ(on.header("Content-Security-Policy").find("script-src"), std::string::npos);
  EXPECT_NE(on.body.find("<head><script nonce=\""), std::string::npos);
  EXPECT_NE(on.body.find("'http://127.0.0.1:" + std::to_string(web.port()) + "'"), std::string::npos);
  EXPECT_EQ(on.body.find(web.token()), std::string::npos);
  EXPECT_EQ(on.header("Content-Type"), "text/html; charset=windows-1252");
  EXPECT_EQ(get("meta.htm").header("Content-Type"), "text/html; charset=windows-1251");
  EXPECT_EQ(get("style.css").header("Content-Type"), "text/css");

  view.setScripting(false);
  ui.repaint();
  auto off = get("page.htm");
  std::string csp = off.header("Content-Security-Policy");
  auto at = off.body.find("<script nonce=\"");
  ASSERT_NE(at, std::string::npos);
  std::string nonce = off.body.substr(at + 15, 32);
  EXPECT_NE(csp.find("script-src 'nonce-" + nonce + "'"), std::string::npos) << csp;
  EXPECT_NE(csp.find("frame-ancestors 'self' http://127.0.0.1:" + std::to_string(web.port())), std::string::npos);
  EXPECT_NE(get("page.htm").body.substr(at + 15, 32), nonce);  // a new one every time
  EXPECT_NE(get("style.css").header("Content-Security-Policy").find("script-src 'none'"), std::string::npos);

  // Only reading, only from the loopback name of the content origin itself.
  std::string path = folder.path.string() + "/0/page.htm";
  EXPECT_EQ(test::request(web.contentPort(), "POST", path, "", "x").status, 405);
  EXPECT_EQ(test::request(web.contentPort(), "GET", path, "", {}, "evil.example").status, 403);
  EXPECT_EQ(test::request(web.contentPort(), "GET", path, "Origin: http://evil.example\r\n").status, 403);
  EXPECT_EQ(test::request(web.contentPort(), "GET", folder.path.string() + "/0/%2e%2e/0/page.htm", "").status, 403);
  EXPECT_EQ(test::request(web.contentPort(), "GET", folder.path.string() + "/0/../0/page.htm", "").status, 403);
  EXPECT_EQ(test::request(web.contentPort(), "GET", path, "").status, 200);
}

}  // namespace
}  // namespace pgwk::web
