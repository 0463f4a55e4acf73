#include "platform/ui/event_queue.h"

namespace pgwk::ui {

bool EventQueue::post(Message message) {
  {
    std::lock_guard lock(mutex_);
    // A quit must always get through; everything else may be refused when full.
    if (messages_.size() >= limit_ && message.kind != MessageKind::Quit) return false;
    messages_.push_back(std::move(message));
  }
  arrived_.notify_one();
  return true;
}

bool EventQueue::tryPop(Message& out) {
  std::lock_guard lock(mutex_);
  if (messages_.empty()) return false;
  out = std::move(messages_.front());
  messages_.pop_front();
  return true;
}

bool EventQueue::waitPop(Message& out, Clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  if (!arrived_.wait_until(lock, deadline, [this] { return !messages_.empty(); })) return false;
  out = std::move(messages_.front());
  messages_.pop_front();
  return true;
}

std::size_t EventQueue::size() const {
  std::lock_guard lock(mutex_);
  return messages_.size();
}

void EventQueue::setLimit(std::size_t limit) {
  std::lock_guard lock(mutex_);
  limit_ = limit;
}

}  // namespace pgwk::ui
