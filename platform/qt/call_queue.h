// The one road from the event loop into the program. Its rules:
// 1. One call at a time. A call that comes while another runs (from the nested loop of a box, the
//    open dialog or the time-sliced tail scan) waits until that one has returned, so no box opens
//    on top of another, and calls run in the order they came.
// 2. Whatever the queue took, it runs. Closing it (Quit) refuses what comes afterwards, and the
//    loop ends only once the calls taken before have run: a document whose hand-over was
//    acknowledged is answered even when Quit came at the same moment.
// 3. A call that raises ends the loop at once; its exception is kept to be raised again once the
//    loop has returned, as nothing may unwind through Qt.
#pragma once

#include <QObject>
#include <deque>
#include <exception>
#include <functional>

namespace platform::qt {

class CallQueue {
 public:
  using Call = std::function<void()>;

  // endLoop: ends the event loop, with the status given; beforeEach: runs before every call.
  CallQueue(std::function<void(int status)> endLoop, std::function<void()> beforeEach);

  // Runs call now when no call is running, or once the running one has returned. False, and the
  // call is dropped, when the queue is closed.
  bool Run(Call call);
  // Takes call to run from the event loop, never inside this function: the caller (a bus call
  // waiting for its reply) returns first. False, and the call is dropped, when closed.
  bool Take(Call call);
  // A call is running or waiting.
  bool Busy() const noexcept { return running_ || !waiting_.empty(); }
  bool Closed() const noexcept { return closed_; }
  // Refuses every later call, and ends the loop once the calls already taken have run.
  void Close();
  // Forgets the calls still waiting once the loop has ended and opens the queue for a new run;
  // rethrows what a call raised.
  void Reset();

 private:
  void RunWaiting();

  std::function<void(int)> endLoop_;
  std::function<void()> beforeEach_;
  std::deque<Call> waiting_;
  bool running_ = false;
  bool closed_ = false;
  std::exception_ptr escaped_;
  QObject context_;  // the queued runs of Take, dropped with the queue
};

}  // namespace platform::qt
