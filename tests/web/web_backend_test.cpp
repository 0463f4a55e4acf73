// The web backend over plain HTTP: who may talk to it, what it publishes, and
// how the UI thread behaves when no page is connected.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/ui/controls.h"
#include "platform/ui/html_view.h"
#include "platform/ui/ui.h"
#include "platform/web/web_backend.h"
#include "http_probe.h"

namespace pgwk::web {
namespace {

using namespace std::chrono_literals;
using test::request;

WebOptions quiet() {
  WebOptions options;
  options.openBrowser = false;
  return options;
}

// Drains the queue on this (the UI) thread, as the loop does.
void pump(ui::Ui& ui) {
  ui::Message message;
  while (ui.peekMessage(message)) ui.dispatch(message);
  ui.repaint();
}

struct WebBackendTest : ::testing::Test {
  ui::Ui ui;
  WebBackend web{ui, quiet()};
  ui::Window& main = ui.create<ui::Window>(ui::kNoWidget, 0, ui::Rect::fromSize(0, 0, 240, 320), u"Main");
  void SetUp() override {
    ui.setMainWindow(main.id());
    ui.repaint();
  }
  std::string tokenHeader() const { return "X-Pgwk-Token: " + web.token() + "\r\n"; }
};

TEST_F(WebBackendTest, ApiRequestsNeedTheTokenTheLoopbackHostAndOurOrigin) {
  const std::string origin = "http://127.0.0.1:" + std::to_string(web.port());
  struct Case {
    const char* what;
    std::string headers;
    std::string host;
    int status;
  } cases[] = {
      {"no token", "", "", 403},
      {"wrong token", "X-Pgwk-Token: " + std::string(32, '0') + "\r\n", "", 403},
      {"short token", "X-Pgwk-Token: " + web.token().substr(0, 31) + "\r\n", "", 403},
      {"right token", tokenHeader(), "", 200},
      {"localhost", tokenHeader(), "localhost:" + std::to_string(web.port()), 200},
      {"foreign host", tokenHeader(), "pagewick.example:" + std::to_string(web.port()), 403},
      {"loopback, other port", tokenHeader(), "127.0.0.1:1", 403},
      {"foreign origin", tokenHeader() + "Origin: http://pagewick.example\r\n", "", 403},
      {"content origin", tokenHeader() + "Origin: " + web.contentOrigin() + "\r\n", "", 403},
      {"own origin", tokenHeader() + "Origin: " + origin + "\r\n", "", 200},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(request(web.port(), "GET", "/api/state", c.headers, {}, c.host).status, c.status) << c.what;
  }
  // The token also works as a query parameter (the event stream cannot send headers).
  EXPECT_EQ(request(web.port(), "GET", "/api/state?token=" + web.token(), "").status, 200);
  // The renderer itself holds no secret and needs no token; a foreign Host is still refused.
  EXPECT_EQ(request(web.port(), "GET", "/app.js", "").status, 200);
  EXPECT_EQ(request(web.port(), "GET", "/", "", {}, "evil.example").status, 403);
  auto page = request(web.port(), "GET", "/", "");
  EXPECT_NE(page.header("Content-Security-Policy").find("frame-ancestors 'none'"), std::string::npos);
  EXPECT_EQ(page.body.find(web.token()), std::string::npos);
}

TEST_F(WebBackendTest, EventsArePostedForTheUiThreadAndBadOnesRefused) {
  auto& button = ui.create<ui::Button>(main.id(), 7, ui::Rect::fromSize(0, 0, 50, 20), u"Go");
  int clicks = 0;
  main.setHandler([&](const ui::Message& m) -> std::int64_t {
    clicks += m.kind == ui::MessageKind::Command && m.code == 7;
    return 0;
  });
  std::string json = "Content-Type: application/json\r\n";
  auto post = [&](const std::string& body) {
    return request(web.port(), "POST", "/api/event", tokenHeader() + json, body).status;
  };
  std::string tap = R"({"k":"tap","w":)" + std::to_string(button.id()) + "}";
  EXPECT_EQ(post(tap), 204);
  EXPECT_EQ(post("[" + tap + "," + tap + "]"), 204);
  EXPECT_EQ(post(R"({"k":"tap","w":424242})"), 204);  // accepted, then ignored: no such widget
  const char* refused[] = {"not json", R"({"k":"explode","w":1})", R"({"k":"tap","w":"1"})", R"({"k":"tap","w":-1})",
                           R"({"k":"text","w":1,"text":5})", R"({"k":"html","w":1,"sv":[1,2]})", "[1,2]", "42"};
  for (const char* body : refused) EXPECT_EQ(post(body), 400) << body;
  EXPECT_EQ(request(web.port(), "POST", "/api/event", json, tap).status, 403);  // no token
  pump(ui);
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(ui.ignoredInputs(), 1u);
}

// The event stream: the first message is the whole state, later ones only what changed.
TEST_F(WebBackendTest, TheStreamCarriesVersionedChanges) {
  auto& label = ui.create<ui::Label>(main.id(), 3, ui::Rect::fromSize(0, 0, 50, 20), u"first");
  auto& other = ui.create<ui::Label>(main.id(), 4, ui::Rect::fromSize(0, 20, 50, 20), u"other");
  ui.repaint();
  int fd = test::connectTo(web.port());
  ASSERT_GE(fd, 0);
  test::sendAll(fd, "GET /api/stream?token=" + web.token() + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                        std::to_string(web.port()) + "\r\n\r\n");
  std::string received;
  auto readUntil = [&](const std::string& needle) {
    char buffer[4096];
    while (received.find(needle) == std::string::npos) {
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return false;
      received.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  };
  ASSERT_TRUE(readUntil("\"other\""));
  EXPECT_NE(received.find("\"reset\":true"), std::string::npos);
  EXPECT_NE(received.find("\"first\""), std::string::npos);
  received.clear();
  const ui::WidgetId otherId = other.id();
  label.setText(u"second");
  ui.destroy(otherId);
  ui.repaint();
  ASSERT_TRUE(readUntil("\"second\""));
  ASSERT_TRUE(readUntil("}\n\n"));
  EXPECT_NE(received.find("\"reset\":false"), std::string::npos);
  EXPECT_EQ(received.find("\"other\""), std::string::npos);
  EXPECT_NE(received.find("\"gone\":[" + std::to_string(otherId) + "]"), std::string::npos);
  auto deadline = std::chrono::steady_clock::now() + 2s;
  while (web.connectedPages() != 1 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(web.connectedPages(), 1);
  ::close(fd);
  // The beat finds the closed connection within a second or two.
  deadline = std::chrono::steady_clock::now() + 5s;
  while (web.connectedPages() != 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
  EXPECT_EQ(web.connectedPages(), 0);
}

// Both servers listen on 127.0.0.1 and nothing else.
TEST_F(WebBackendTest, ServersBindOnlyTheLoopbackAddress) {
  std::ifstream tcp("/proc/net/tcp");
  ASSERT_TRUE(tcp) << "no /proc/net/tcp";
  std::string line;
  std::getline(tcp, line);
  int found = 0;
  while (std::getline(tcp, line)) {
    std::istringstream in(line);
    std::string slot, local, remote, state;
    in >> slot >> local >> remote >> state;
    if (state != "0A") continue;  // listening
    int port = std::stoi(local.substr(local.find(':') + 1), nullptr, 16);
    if (port != web.port() && port != web.contentPort()) continue;
    EXPECT_EQ(local.substr(0, 8), "0100007F") << "port " << port;
    ++found;
  }
  EXPECT_EQ(found, 2);
  // Nor on any IPv6 address.
  std::ifstream tcp6("/proc/net/tcp6");
  std::getline(tcp6, line);
  while (std::getline(tcp6, line)) {
    std::istringstream in(line);
    std::string slot, local, remote, state;
    in >> slot >> local >> remote >> state;
    if (state != "0A") continue;
    int port = std::stoi(local.substr(local.find(':') + 1), nullptr, 16);
    EXPECT_NE(port, web.port());
    EXPECT_NE(port, web.contentPort());
  }
}

TEST(WebBackendToken, RandomAndComparedWhole) {
  std::string a = makeToken();
  std::string b = makeToken();
  EXPECT_EQ(a.size(), 32u);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_TRUE(tokensEqual(a, a));
  EXPECT_FALSE(tokensEqual(a, b));
  EXPECT_FALSE(tokensEqual(a, a.substr(0, 31)));
  EXPECT_FALSE(tokensEqual("", a));
}

// Nobody connects, or the page goes away while a modal dialog runs: the window
// counts as hidden, the program closes it, and the modal loop returns.
TEST(WebBackendHidden, AModalDialogDoesNotWedgeWhenThePageGoes) {
  struct Case {
    const char* what;
    bool connectFirst;
  } cases[] = {{"never connected", false}, {"connected, then gone", true}};
  for (const auto& c : cases) {
    ui::Ui ui;
    WebOptions options = quiet();
    options.hiddenAfter = 300ms;
    options.firstConnectWithin = 600ms;
    WebBackend web(ui, options);
    auto& main = ui.create<ui::Window>(ui::kNoWidget, 0, ui::Rect::fromSize(0, 0, 240, 320));
    ui.setMainWindow(main.id());
    auto& dialog = ui.create<ui::Dialog>(ui::kNoWidget, 0, ui::Rect::fromSize(0, 0, 200, 100), u"Options");
    bool hidden = false;
    main.setHandler([&](const ui::Message& m) -> std::int64_t {
      if (m.kind == ui::MessageKind::WindowHidden) {
        hidden = true;
        ui.destroy(dialog.id());
        ui.postQuit(0);
      }
      return 0;
    });
    std::thread page;
    if (c.connectFirst) {
      page = std::thread([&] {
        int fd = test::connectTo(web.port());
        test::sendAll(fd, "GET /api/stream?token=" + web.token() + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                              std::to_string(web.port()) + "\r\n\r\n");
        char buffer[4096];
        (void)::recv(fd, buffer, sizeof buffer, 0);
        std::this_thread::sleep_for(300ms);  // the dialog is open by now
        ::close(fd);
      });
    }
    auto started = std::chrono::steady_clock::now();
    int result = ui.runModal(dialog.id(), -7);
    auto took = std::chrono::steady_clock::now() - started;
    if (page.joinable()) page.join();
    EXPECT_EQ(result, -7) << c.what;
    EXPECT_TRUE(hidden) << c.what;
    EXPECT_LT(took, 8s) << c.what;
    EXPECT_FALSE(ui.shown()) << c.what;
  }
}

}  // namespace
}  // namespace pgwk::web
