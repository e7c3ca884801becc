#include "platform/qt/call_queue.h"

#include <QCoreApplication>
#include <utility>

namespace platform::qt {

CallQueue::CallQueue(std::function<void(int)> endLoop, std::function<void()> beforeEach)
    : endLoop_(std::move(endLoop)), beforeEach_(std::move(beforeEach)) {}

bool CallQueue::Run(Call call) {
  if (closed_) {
    return false;
  }
  waiting_.push_back(std::move(call));
  RunWaiting();
  return true;
}

bool CallQueue::Take(Call call) {
  if (closed_) {
    return false;
  }
  waiting_.push_back(std::move(call));
  QMetaObject::invokeMethod(
      &context_, [this] { RunWaiting(); }, Qt::QueuedConnection);
  return true;
}

void CallQueue::Close() {
  closed_ = true;
  if (!Busy()) {
    endLoop_(0);
  }
}

void CallQueue::RunWaiting() {
  if (running_) {
    return;
  }
  running_ = true;
  while (!waiting_.empty() && !escaped_) {
    const Call next = std::move(waiting_.front());
    waiting_.pop_front();
    try {
      beforeEach_();
      next();
    } catch (...) {
      escaped_ = std::current_exception();
      endLoop_(1);
    }
  }
  running_ = false;
  if (closed_ && !escaped_) {
    endLoop_(0);
  }
}

void CallQueue::Reset() {
  QCoreApplication::removePostedEvents(&context_, QEvent::MetaCall);
  waiting_.clear();
  closed_ = false;
  if (escaped_) {
    std::rethrow_exception(std::exchange(escaped_, nullptr));
  }
}

}  // namespace platform::qt
