#include "platform/web/web_backend.h"

#include <spawn.h>
#include <sys/wait.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "platform/ui/html_view.h"
#include "platform/ui/utf.h"
#include "platform/web/content_server.h"
#include "platform/web/embedded_assets.h"
#include "platform/web/event_decoder.h"

extern char** environ;

namespace pgwk::web {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr std::size_t kMaxEventBody = 256 * 1024;
constexpr auto kStreamBeat = std::chrono::seconds(1);
constexpr auto kWatchdogTick = std::chrono::milliseconds(100);
// Tombstones of destroyed widgets are kept this many; a page further behind starts over.
constexpr std::size_t kKeptTombstones = 2000;
// Threads per server: each open event stream and each idle keep-alive
// connection of the browser holds one.
constexpr std::size_t kUiThreads = 24;
constexpr std::size_t kContentThreads = 16;

std::string originOf(const char* host, int port) { return "http://" + std::string(host) + ":" + std::to_string(port); }

bool hostAllowed(const httplib::Request& req, int port) {
  std::string host = req.get_header_value("Host");
  std::string p = ":" + std::to_string(port);
  return host == kLoopback + p || host == "localhost" + p;
}

bool originAllowed(const httplib::Request& req, int port) {
  if (!req.has_header("Origin")) return true;
  std::string origin = req.get_header_value("Origin");
  return origin == originOf(kLoopback, port) || origin == originOf("localhost", port);
}

void refuse(httplib::Response& res, int status, const char* why) {
  res.status = status;
  res.set_content(std::string(why) + "\n", "text/plain");
}

}  // namespace

std::string makeToken() {
  std::random_device random;  // the kernel's random source
  std::string token;
  static constexpr char kHex[] = "0123456789abcdef";
  for (int i = 0; i < 4; ++i) {
    std::uint32_t word = random();
    for (int k = 0; k < 8; ++k) {
      token += kHex[word & 0xF];
      word >>= 4;
    }
  }
  return token;
}

bool tokensEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

// What the HTTP threads and the UI thread share: the published state and the
// connection bookkeeping, behind one lock.
struct SharedState {
  struct Entry {
    std::uint64_t version = 0;
    std::string json;  // empty for a destroyed widget
  };

  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t version = 0;
  std::map<ui::WidgetId, Entry> widgets;
  std::map<ui::WidgetId, Entry> bulks;  // the bulk parts (list items, tree rows)
  std::string globals = "{}";
  std::uint64_t globalsVersion = 0;
  std::uint64_t prunedUpTo = 0;  // tombstones at or below this version are gone
  std::size_t tombstones = 0;
  bool stopping = false;
  int streams = 0;

  // Builds the event-stream message that brings a page from `since` to now.
  std::string messageSince(std::uint64_t since) const {
    bool reset = since == 0 || since < prunedUpTo || since > version;
    std::string out = "id: " + std::to_string(version) + "\ndata: {\"v\":" + std::to_string(version) +
                      ",\"reset\":" + (reset ? "true" : "false") + ",\"w\":[";
    std::string gone;
    bool first = true;
    for (const auto& [id, entry] : widgets) {
      if (!reset && entry.version <= since) continue;
      if (entry.json.empty()) {
        if (reset) continue;
        if (!gone.empty()) gone += ',';
        gone += std::to_string(id);
        continue;
      }
      if (!first) out += ',';
      out += entry.json;
      first = false;
    }
    out += "],\"b\":[";
    first = true;
    for (const auto& [id, entry] : bulks) {
      if (!reset && entry.version <= since) continue;
      if (!first) out += ',';
      out += "{\"id\":" + std::to_string(id) + ",\"d\":" + entry.json + "}";
      first = false;
    }
    out += "],\"gone\":[" + gone + "]";
    if (reset || globalsVersion > since) out += ",\"g\":" + globals;
    out += "}\n\n";
    return out;
  }
};

struct WebBackend::Impl {
  ui::Ui& ui;
  WebOptions options;
  std::string token = makeToken();
  std::shared_ptr<SharedState> shared = std::make_shared<SharedState>();
  ContentServer content;
  httplib::Server uiServer;
  httplib::Server contentServer;
  int uiPort = 0;
  int contentPort = 0;
  std::thread uiThread;
  std::thread contentThread;
  std::thread watchdog;
  std::atomic<ui::WidgetId> mainWindow{ui::kNoWidget};
  std::string contentRootPublished;
  std::map<ui::WidgetId, std::uint64_t> bulkRevisions;  // UI thread only

  Impl(ui::Ui& u, WebOptions o) : ui(u), options(std::move(o)) {}

  std::string uiOrigin() const { return originOf(kLoopback, uiPort); }
  std::string contentOriginText() const { return originOf(kLoopback, contentPort); }

  void bind();
  void routeUi();
  void routeContent();
  void watch();
  void postHidden();
};

void WebBackend::Impl::bind() {
  uiServer.new_task_queue = [] { return new httplib::ThreadPool(kUiThreads); };  // httplib owns it
  contentServer.new_task_queue = [] { return new httplib::ThreadPool(kContentThreads); };
  for (httplib::Server* server : {&uiServer, &contentServer}) {
    server->set_tcp_nodelay(true);  // small answers must not wait for the peer's delayed ack
    server->set_keep_alive_max_count(100);
  }
  uiServer.set_payload_max_length(kMaxEventBody);
  contentServer.set_payload_max_length(1024);
  uiPort = uiServer.bind_to_any_port(kLoopback);
  contentPort = contentServer.bind_to_any_port(kLoopback);
  if (uiPort <= 0 || contentPort <= 0) throw std::runtime_error("cannot listen on a loopback port");
}

void WebBackend::Impl::routeUi() {
  uiServer.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("Cache-Control", "no-store");
    if (!hostAllowed(req, uiPort)) {
      refuse(res, 403, "foreign host");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (!originAllowed(req, uiPort)) {
      refuse(res, 403, "foreign origin");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.path.rfind("/api/", 0) == 0) {
      std::string given = req.has_header("X-Pgwk-Token") ? req.get_header_value("X-Pgwk-Token")
                                                         : req.get_param_value("token");
      if (!tokensEqual(given, token)) {
        refuse(res, 403, "missing or wrong token");
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });

  auto serveAsset = [this](const httplib::Request& req, httplib::Response& res) {
    const Asset* asset = findAsset(req.path);
    if (!asset) {
      refuse(res, 404, "not found");
      return;
    }
    std::string type(asset->contentType);
    if (type.rfind("text/", 0) == 0) type += "; charset=utf-8";
    if (req.path == "/") {
      res.set_header("Content-Security-Policy",
                     "default-src 'self'; frame-src " + contentOriginText() +
                         "; img-src 'self' data:; script-src 'self'; style-src 'self'; connect-src 'self'; "
                         "frame-ancestors 'none'; base-uri 'none'; form-action 'none'");
    }
    res.set_content(std::string(asset->data), type.c_str());
  };
  uiServer.Get("/", serveAsset);
  uiServer.Get("/favicon.ico", [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
  uiServer.Get(R"(/[A-Za-z0-9_.-]+)", serveAsset);
  uiServer.Get(R"(/res/[A-Za-z0-9_.-]+)", serveAsset);

  std::shared_ptr<SharedState> state = shared;
  uiServer.Get("/api/stream", [state](const httplib::Request& req, httplib::Response& res) {
    auto since = std::make_shared<std::uint64_t>(0);
    if (req.has_header("Last-Event-ID")) {
      *since = std::strtoull(req.get_header_value("Last-Event-ID").c_str(), nullptr, 10);
    }
    {
      std::lock_guard lock(state->mutex);
      ++state->streams;
    }
    res.set_header("X-Accel-Buffering", "no");
    res.set_chunked_content_provider(
        "text/event-stream",
        [state, since](std::size_t, httplib::DataSink& sink) {
          std::string chunk;
          {
            std::unique_lock lock(state->mutex);
            bool news = state->changed.wait_for(lock, kStreamBeat, [&] {
              return state->stopping || state->version != *since;
            });
            if (state->stopping) return false;
            if (news) {
              chunk = state->messageSince(*since);
              *since = state->version;
            }
          }
          // The beat finds pages that went away: the write fails, the stream ends.
          if (chunk.empty()) chunk = ": beat\n\n";
          return sink.is_writable() && sink.write(chunk.data(), chunk.size());
        },
        [state](bool) {
          std::lock_guard lock(state->mutex);
          --state->streams;
        });
  });

  uiServer.Post("/api/event", [this](const httplib::Request& req, httplib::Response& res) {
    json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded()) {
      refuse(res, 400, "not JSON");
      return;
    }
    std::vector<ui::InputEvent> events;
    if (!decodeEvents(body, events)) {
      refuse(res, 400, "not an event");
      return;
    }
    for (auto& event : events) {
      if (!ui.postInput(std::move(event))) {
        refuse(res, 503, "busy");
        return;
      }
    }
    res.status = 204;
  });

  uiServer.Post("/api/forward", [this](const httplib::Request&, httplib::Response& res) {
    openBrowserAt(uiOrigin() + "/#" + token);
    res.status = 204;
  });

  uiServer.Get("/api/ping", [](const httplib::Request&, httplib::Response& res) { res.status = 204; });

  uiServer.Post("/api/close", [this](const httplib::Request&, httplib::Response& res) {
    ui::Message close;
    close.kind = ui::MessageKind::Close;
    close.window = mainWindow;
    ui.post(std::move(close));
    res.status = 204;
  });

  uiServer.Get("/api/state", [state](const httplib::Request&, httplib::Response& res) {
    std::lock_guard lock(state->mutex);
    std::string message = state->messageSince(0);
    std::size_t start = message.find("data: ") + 6;
    res.set_content(message.substr(start, message.size() - start - 2), "application/json");
  });
}

void WebBackend::Impl::routeContent() {
  contentServer.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("Cache-Control", "no-store");
    if (!hostAllowed(req, contentPort)) {
      refuse(res, 403, "foreign host");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (!originAllowed(req, contentPort)) {
      refuse(res, 403, "foreign origin");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.method != "GET" && req.method != "HEAD") {
      refuse(res, 405, "read only");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  contentServer.Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
    ContentResponse answer = content.answer(req.path, req.target);
    res.status = answer.status;
    if (!answer.csp.empty()) res.set_header("Content-Security-Policy", answer.csp);
    res.set_content(std::move(answer.body), answer.contentType.c_str());
  });
}

void WebBackend::Impl::postHidden() {
  ui::InputEvent gone;
  gone.kind = ui::InputKind::PageShown;
  gone.flag = false;
  ui.postInput(std::move(gone));
  ui::Message hidden;
  hidden.kind = ui::MessageKind::WindowHidden;
  hidden.window = mainWindow;
  ui.post(std::move(hidden));
}

void WebBackend::Impl::watch() {
  auto started = Clock::now();
  auto lastSeen = started;
  bool everConnected = false;
  bool shown = false;
  bool hiddenAtStart = false;
  std::unique_lock lock(shared->mutex);
  while (!shared->stopping) {
    shared->changed.wait_for(lock, kWatchdogTick, [&] { return shared->stopping; });
    if (shared->stopping) break;
    auto now = Clock::now();
    int streams = shared->streams;
    lock.unlock();
    if (streams > 0) {
      lastSeen = now;
      everConnected = true;
      if (!shown) {
        shown = true;
        ui::InputEvent page;
        page.kind = ui::InputKind::PageShown;
        page.flag = true;
        ui.postInput(std::move(page));
      }
    } else if (shown && now - lastSeen >= options.hiddenAfter) {
      shown = false;
      postHidden();
    } else if (!everConnected && !hiddenAtStart && now - started >= options.firstConnectWithin) {
      hiddenAtStart = true;
      postHidden();
    }
    lock.lock();
  }
}

WebBackend::WebBackend(ui::Ui& ui, WebOptions options) : impl_(std::make_unique<Impl>(ui, std::move(options))) {
  impl_->bind();
  ContentPolicy policy;
  policy.uiOrigin = impl_->uiOrigin();
  policy.defaultCharset = impl_->options.defaultCharset;
  if (const Asset* view = findAsset("/view.js")) {
    std::string script(view->data);
    auto replace = [&](const std::string& key, const std::string& value) {
      for (std::size_t at = script.find(key); at != std::string::npos; at = script.find(key, at + value.size())) {
        script.replace(at, key.size(), value);
      }
    };
    replace("__UI_ORIGIN__", impl_->uiOrigin());
    replace("__CONTENT_ORIGIN__", impl_->contentOriginText());
    policy.viewScript = std::move(script);
  }
  impl_->content.setPolicy(std::move(policy));
  impl_->routeUi();
  impl_->routeContent();
  impl_->uiThread = std::thread([this] { impl_->uiServer.listen_after_bind(); });
  impl_->contentThread = std::thread([this] { impl_->contentServer.listen_after_bind(); });
  impl_->watchdog = std::thread([this] { impl_->watch(); });
  // A stop() that comes before the listening loop has started would not reach
  // it, and the destructor would wait on it for ever: wait until both listen.
  auto deadline = Clock::now() + std::chrono::seconds(10);
  while ((!impl_->uiServer.is_running() || !impl_->contentServer.is_running()) && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ui.setBackend(this);
  if (impl_->options.openBrowser) openPage();
}

WebBackend::~WebBackend() {
  if (impl_->ui.backend() == this) impl_->ui.setBackend(nullptr);
  {
    std::lock_guard lock(impl_->shared->mutex);
    impl_->shared->stopping = true;
  }
  impl_->shared->changed.notify_all();
  impl_->uiServer.stop();
  impl_->contentServer.stop();
  impl_->uiThread.join();
  impl_->contentThread.join();
  impl_->watchdog.join();
}

int WebBackend::port() const { return impl_->uiPort; }
int WebBackend::contentPort() const { return impl_->contentPort; }
const std::string& WebBackend::token() const { return impl_->token; }
std::string WebBackend::pageUrl() const { return impl_->uiOrigin() + "/#" + impl_->token; }
std::string WebBackend::contentOrigin() const { return impl_->contentOriginText(); }

void WebBackend::openPage() const { openBrowserAt(pageUrl()); }

void WebBackend::setDefaultCharset(std::string charset) { impl_->content.setDefaultCharset(std::move(charset)); }

int WebBackend::connectedPages() const {
  std::lock_guard lock(impl_->shared->mutex);
  return impl_->shared->streams;
}

std::uint64_t WebBackend::version() const {
  std::lock_guard lock(impl_->shared->mutex);
  return impl_->shared->version;
}

void WebBackend::publish(ui::Ui& ui, const ui::ChangeSet& changes) {
  std::vector<std::pair<ui::WidgetId, std::string>> described;
  std::vector<std::pair<ui::WidgetId, std::string>> bulks;
  described.reserve(changes.changed.size());
  for (ui::WidgetId id : changes.changed) {
    const ui::Widget* widget = ui.find(id);
    if (!widget) continue;
    json out;
    widget->describe(out);
    described.emplace_back(id, out.dump(-1, ' ', false, json::error_handler_t::replace));
    auto known = impl_->bulkRevisions.find(id);
    if (known == impl_->bulkRevisions.end() || known->second != widget->bulkRevision()) {
      impl_->bulkRevisions[id] = widget->bulkRevision();
      json bulk = json::object();
      widget->describeBulk(bulk);
      if (!bulk.empty()) bulks.emplace_back(id, bulk.dump(-1, ' ', false, json::error_handler_t::replace));
    }
    // The content server needs the scripting switch for the next page it serves.
    if (const auto* view = dynamic_cast<const ui::HtmlView*>(widget)) impl_->content.setScripting(view->scripting());
  }
  std::string globals;
  if (changes.globals) {
    impl_->mainWindow = ui.mainWindow();
    if (ui.contentRoot() != impl_->contentRootPublished) {
      impl_->contentRootPublished = ui.contentRoot();
      impl_->content.setRoot(ui.contentRoot());
    }
    json g;
    g["screen"] = {ui.screenSize().width, ui.screenSize().height};
    g["scale"] = ui.scale();
    g["main"] = ui.mainWindow();
    g["focus"] = ui.focus();
    g["cursor"] = ui.cursor() == ui::CursorShape::Busy ? "busy" : "normal";
    g["fullScreen"] = ui.fullScreen();
    json modal = json::array();
    for (const auto& frame : ui.modalStack()) modal.push_back(frame.dialog);
    g["modal"] = std::move(modal);
    if (const ui::PopupState* popup = ui.popup(); popup && !popup->done) {
      json menu;
      if (const ui::Menu* m = ui.menu(popup->menu)) m->describe(menu);
      g["popup"] = {{"menu", std::move(menu)},
                    {"x", popup->point.x},
                    {"y", popup->point.y},
                    {"fromMenuBar", popup->fromMenuBar}};
    } else {
      g["popup"] = nullptr;
    }
    g["clipboard"] = {{"v", ui.clipboardVersion()}, {"text", ui::toUtf8(ui.clipboardText())}};
    json opens = json::array();
    for (const auto& [seq, target] : ui.externalOpens()) opens.push_back({seq, target});
    g["opens"] = std::move(opens);
    g["content"] = impl_->contentOriginText();
    globals = g.dump(-1, ' ', false, json::error_handler_t::replace);
  }
  {
    std::lock_guard lock(impl_->shared->mutex);
    SharedState& s = *impl_->shared;
    ++s.version;
    for (auto& [id, text] : described) s.widgets[id] = {s.version, std::move(text)};
    for (auto& [id, text] : bulks) s.bulks[id] = {s.version, std::move(text)};
    for (ui::WidgetId id : changes.gone) {
      s.widgets[id] = {s.version, {}};
      s.bulks.erase(id);
      impl_->bulkRevisions.erase(id);
      ++s.tombstones;
    }
    if (!globals.empty()) {
      s.globals = std::move(globals);
      s.globalsVersion = s.version;
    }
    if (s.tombstones > kKeptTombstones) {
      // Forget the oldest half; a page that has not seen them starts over.
      std::uint64_t horizon = s.version;
      std::vector<std::pair<std::uint64_t, ui::WidgetId>> stones;
      for (const auto& [id, entry] : s.widgets) {
        if (entry.json.empty()) stones.emplace_back(entry.version, id);
      }
      std::sort(stones.begin(), stones.end());
      std::size_t drop = stones.size() / 2;
      for (std::size_t i = 0; i < drop; ++i) {
        s.widgets.erase(stones[i].second);
        horizon = stones[i].first;
      }
      s.prunedUpTo = std::max(s.prunedUpTo, horizon);
      s.tombstones -= drop;
    }
  }
  impl_->shared->changed.notify_all();
}

// Starts the user's browser on a URL without waiting for it; a reaper thread
// collects the child so that it leaves no zombie.
void openBrowserAt(const std::string& url) {
  std::string program = "xdg-open";
  if (const char* browser = std::getenv("BROWSER"); browser && *browser) {
    program = browser;
    program = program.substr(0, program.find(':'));
  }
  std::fprintf(stderr, "Pagewick: %s\n", url.c_str());
  std::vector<char*> argv{program.data(), const_cast<char*>(url.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return;
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace pgwk::web
