// The one road from the event loop into the program: one call at a time, in order; whatever was
// taken still runs after Quit; what a call raises ends the loop and is raised again afterwards.
#include "platform/qt/call_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using platform::qt::CallQueue;
using ::testing::ElementsAre;

class CallQueueTest : public ::testing::Test {
 protected:
  // Runs the event loop until the queue ends it; returns the status it ended with.
  int RunLoop() {
    QTimer::singleShot(5000, &application_, [] { QCoreApplication::exit(99); });
    return QCoreApplication::exec();
  }
  // A call that records its name, and runs nested's calls from inside itself, as the nested
  // loop of a box would.
  CallQueue::Call Record(const std::string& name, std::function<void()> nested = {}) {
    return [this, name, nested] {
      seen_.push_back(name + " begins");
      if (nested) {
        nested();
        QCoreApplication::processEvents();
      }
      seen_.push_back(name + " ends");
    };
  }

  int argc_ = 1;
  char name_[6] = "queue";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
  std::vector<std::string> seen_;
  std::vector<int> endings_;
  CallQueue queue_{[this](int status) {
                     endings_.push_back(status);
                     QCoreApplication::exit(status);
                   },
                   [this] { seen_.push_back("served"); }};
};

TEST_F(CallQueueTest, CallsFromInsideACallWaitUntilItHasReturned) {
  queue_.Run(Record("box", [this] {
    queue_.Run(Record("drop"));
    queue_.Take(Record("handed over"));
  }));
  EXPECT_THAT(seen_, ElementsAre("served", "box begins", "box ends", "served", "drop begins",
                                 "drop ends", "served", "handed over begins", "handed over ends"));
  EXPECT_FALSE(queue_.Busy());
}

TEST_F(CallQueueTest, TakenCallsRunFromTheLoopNotFromTheCallerThatTookThem) {
  EXPECT_TRUE(queue_.Take(Record("handed over")));
  EXPECT_TRUE(seen_.empty());
  EXPECT_TRUE(queue_.Busy());
  QCoreApplication::processEvents();
  EXPECT_THAT(seen_, ElementsAre("served", "handed over begins", "handed over ends"));
}

// A hand-over acknowledged just before Quit (the window closed) is answered before the loop
// ends; one that comes after Quit is refused, so that its later start runs alone.
TEST_F(CallQueueTest, QuitRefusesWhatComesAfterButRunsWhatWasTaken) {
  QTimer::singleShot(0, &application_, [this] {
    queue_.Take(Record("handed over"));
    queue_.Close();
    EXPECT_FALSE(queue_.Take(Record("too late")));
    EXPECT_FALSE(queue_.Run(Record("dropped too late")));
  });
  EXPECT_EQ(RunLoop(), 0);
  EXPECT_THAT(seen_, ElementsAre("served", "handed over begins", "handed over ends"));
  EXPECT_THAT(endings_, ElementsAre(0));
}

// Quit chosen while a box is up (from the tail scan's served loop, say): the box's call returns
// first, then what was taken runs, and only then does the loop end.
TEST_F(CallQueueTest, QuitDuringACallEndsTheLoopOnlyOnceTheCallsTakenHaveRun) {
  QTimer::singleShot(0, &application_, [this] {
    queue_.Run(Record("box", [this] {
      queue_.Take(Record("handed over"));
      queue_.Close();
      EXPECT_TRUE(endings_.empty());
      // Refused, so that its later start answers it: taken now, it would never run.
      EXPECT_FALSE(queue_.Take(Record("too late")));
    }));
  });
  EXPECT_EQ(RunLoop(), 0);
  EXPECT_THAT(seen_, ElementsAre("served", "box begins", "box ends", "served", "handed over begins",
                                 "handed over ends"));
  EXPECT_THAT(endings_, ElementsAre(0));
}

TEST_F(CallQueueTest, QuitWithNothingTakenEndsTheLoopAtOnce) {
  QTimer::singleShot(0, &application_, [this] { queue_.Close(); });
  EXPECT_EQ(RunLoop(), 0);
  EXPECT_THAT(endings_, ElementsAre(0));
}

TEST_F(CallQueueTest, ARaisingCallEndsTheLoopAndIsRaisedAgainAfterwards) {
  QTimer::singleShot(0, &application_, [this] {
    queue_.Take([] { throw std::runtime_error("escaped"); });
    queue_.Take(Record("never"));
  });
  EXPECT_EQ(RunLoop(), 1);
  EXPECT_THROW(queue_.Reset(), std::runtime_error);
  EXPECT_THAT(seen_, ElementsAre("served"));
  // A new run starts open and empty.
  queue_.Run(Record("next run"));
  EXPECT_THAT(seen_, ElementsAre("served", "served", "next run begins", "next run ends"));
}

}  // namespace
