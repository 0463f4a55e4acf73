#pragma once
// The web backend: serves the UI model to the user's browser on loopback.
//
//   UI origin       http://127.0.0.1:PORT/#TOKEN      the renderer (embedded JS/CSS/SVG),
//                                                     /api/stream (server-sent events with the
//                                                     changed widgets, versioned) and
//                                                     /api/event (the user's actions as JSON)
//   content origin  http://127.0.0.1:CPORT/abs/path   files below the content root only, for
//                                                     the HTML views' iframes
//
// Every /api request must carry the 128-bit token (header X-Pgwk-Token, or the
// query parameter token for the event stream) and a Host of the loopback address
// and its own port; an Origin, when sent, must be the UI origin. Nothing binds
// anything but 127.0.0.1.
//
// Threads: the HTTP threads only post InputEvents to the Ui's queue and read the
// published state under a lock; the model itself stays on the UI thread.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/ui.h"

namespace pgwk::web {

struct WebOptions {
  // The main window counts as hidden when no page has been connected this long...
  std::chrono::milliseconds hiddenAfter{5000};
  // ...or, at start, when no page has connected at all this long.
  std::chrono::milliseconds firstConnectWithin{60000};
  // Run $BROWSER or xdg-open with the page's address at start.
  bool openBrowser = true;
  // The charset an HTML file without one of its own is served with ("" = none).
  std::string defaultCharset;
};

class WebBackend : public ui::Backend {
 public:
  // Binds both servers to free loopback ports and starts serving; throws
  // std::runtime_error when a port cannot be had.
  WebBackend(ui::Ui& ui, WebOptions options = {});
  ~WebBackend() override;
  WebBackend(const WebBackend&) = delete;
  WebBackend& operator=(const WebBackend&) = delete;

  int port() const;
  int contentPort() const;
  const std::string& token() const;
  // http://127.0.0.1:PORT/#TOKEN
  std::string pageUrl() const;
  std::string contentOrigin() const;

  // Opens the page in the user's browser ($BROWSER, else xdg-open). Thread-safe.
  void openPage() const;
  // The charset for HTML files without one of their own (the reader's default code page).
  void setDefaultCharset(std::string charset);

  // Number of browser pages connected now.
  int connectedPages() const;
  // Published state version (grows with every publish).
  std::uint64_t version() const;

  void publish(ui::Ui& ui, const ui::ChangeSet& changes) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Starts the user's browser ($BROWSER, else xdg-open) on a URL without waiting for it.
void openBrowserAt(const std::string& url);

// 128 random bits as 32 lower-case hex digits, from the system's random source.
std::string makeToken();

// Compares without an early exit, so the time taken tells nothing about the token.
bool tokensEqual(const std::string& a, const std::string& b);

}  // namespace pgwk::web
