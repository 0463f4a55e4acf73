#pragma once
// The one message queue of the UI thread. Any thread may post (the web backend's
// HTTP threads post user actions); only the UI thread takes messages out.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/ui/message.h"

namespace pgwk::ui {

class EventQueue {
 public:
  using Clock = std::chrono::steady_clock;

  // Refuses (returns false) once the queue holds `limit` messages, so a flood
  // of posts from outside cannot grow memory without bound.
  bool post(Message message);
  bool tryPop(Message& out);
  // Waits until a message arrives or the deadline passes.
  bool waitPop(Message& out, Clock::time_point deadline);
  std::size_t size() const;
  void setLimit(std::size_t limit);

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Message> messages_;
  std::size_t limit_ = 100000;
};

}  // namespace pgwk::ui
