// The program's whole road on a recording desktop: start-up, the run loop, shut-down.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/file_types1.h"
#include "app/startup.h"
#include "platform/runtime_exception.h"
#include "tests/support/recording_desktop.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing_support::RecordingDesktop;

const std::vector<std::string> kRegistrations = {
    "register NI Kontakt Instrument|????|tNKI|nki",
    "register NI Kontakt Multi|????|tNKM|nkm",
    "register NI Kontakt Bank|????|tNKB|nkb",
};
const std::vector<std::string> kWithdrawals = {
    "deregister NI Kontakt Instrument",
    "deregister NI Kontakt Multi",
    "deregister NI Kontakt Bank",
};

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

void ExpectModuleValuesReleased(const RecordingDesktop& desktop) {
  EXPECT_EQ(app::FileTypes1::NIKontaktInstrument(), nullptr);
  EXPECT_EQ(app::FileTypes1::NIKontaktMulti(), nullptr);
  EXPECT_EQ(app::FileTypes1::NIKontaktBank(), nullptr);
  EXPECT_TRUE(desktop.menuBar.expired()) << "the menu bar outlived shut-down";
}

int32_t RunProgram(platform::Desktop& desktop) {
  const platform::ScopedDesktop onDesktop(desktop);
  return app::ProgramMain();
}

TEST(StartupTest, BareStartAndQuitRegistersRunsAndReleasesInOrder) {
  RecordingDesktop desktop;
  desktop.chosenMenuItems = {"FileQuit"};
  EXPECT_EQ(RunProgram(desktop), 0);
  EXPECT_EQ(desktop.calls,
            Joined({kRegistrations,
                    {"menubar", "run", "autoquit off",
                     "choose Select a Kontakt file|/home/user/Documents|NI Kontakt Instrument;NI "
                     "Kontakt Multi;NI Kontakt Bank",
                     "quit"},
                    kWithdrawals}));
  ExpectModuleValuesReleased(desktop);
}

TEST(StartupTest, ProgramCanRunTwiceInOneProcess) {
  RecordingDesktop first;
  RecordingDesktop second;
  EXPECT_EQ(RunProgram(first), 0);
  EXPECT_EQ(RunProgram(second), 0);
  EXPECT_EQ(first.calls, second.calls);
}

// Fails the registration of one file type, as a desktop might.
class FailingRegistrationDesktop : public RecordingDesktop {
 public:
  void RegisterFileType(const platform::FileTypeRecord& type) override {
    RecordingDesktop::RegisterFileType(type);
    if (type.name == "NI Kontakt Multi") {
      throw platform::IOException("cannot register the type", 5);
    }
  }
};

TEST(StartupTest, ExceptionOutOfStartupSkipsTheRunLoopAndStillShutsDown) {
  FailingRegistrationDesktop desktop;
  EXPECT_EQ(RunProgram(desktop), 1);
  ASSERT_EQ(desktop.calls.size(), 4u);
  EXPECT_EQ(desktop.calls[0], kRegistrations[0]);
  EXPECT_EQ(desktop.calls[1], kRegistrations[1]);
  EXPECT_EQ(desktop.calls[2],
            "warning The system reported an error: input/output error."
            "|IOException (error 5): cannot register the type");
  // The multi type never counted as registered, so only the instrument type is withdrawn.
  EXPECT_EQ(desktop.calls[3], kWithdrawals[0]);
  ExpectModuleValuesReleased(desktop);
}

class FailingLoopDesktop : public RecordingDesktop {
 public:
  void Run(platform::EventSink& events) override {
    RecordingDesktop::Run(events);
    throw platform::NilObjectException();
  }
};

TEST(StartupTest, ExceptionOutOfTheRunLoopIsReportedThenShutDownRuns) {
  FailingLoopDesktop desktop;
  desktop.startupDocuments = {"/nonexistent/a.nki"};
  EXPECT_EQ(RunProgram(desktop), 1);
  const auto error = std::find_if(desktop.calls.begin(), desktop.calls.end(), [](const auto& c) {
    return c ==
           "warning An unexpected error occurred.|NilObjectException: an object reference is nil";
  });
  ASSERT_NE(error, desktop.calls.end());
  EXPECT_EQ(std::vector<std::string>(error + 1, desktop.calls.end()), kWithdrawals);
  ExpectModuleValuesReleased(desktop);
}

class StdExceptionLoopDesktop : public RecordingDesktop {
 public:
  void Run(platform::EventSink& /*events*/) override { throw std::bad_alloc(); }
};

TEST(StartupTest, ExceptionOfAnotherKindIsReportedToo) {
  StdExceptionLoopDesktop desktop;
  EXPECT_EQ(RunProgram(desktop), 1);
  EXPECT_THAT(desktop.calls, ::testing::Contains("warning An unexpected error occurred."
                                                 "|RuntimeException: std::bad_alloc"));
  EXPECT_EQ(std::vector<std::string>(desktop.calls.end() - 3, desktop.calls.end()), kWithdrawals);
}

void Returns(void* called) {
  *static_cast<bool*>(called) = true;
}
void RaisesIOException(void*) {
  throw platform::IOException("cannot read", 5);
}
void RaisesStdException(void*) {
  throw std::logic_error("not a framework exception");
}

TEST(StartupTest, ExceptionHelperReturnsNilTheRuntimeExceptionOrLetsOthersThrough) {
  bool called = false;
  EXPECT_EQ(app::CallFunctionWithExceptionHandling(&Returns, &called), nullptr);
  EXPECT_TRUE(called);

  const std::exception_ptr caught =
      app::CallFunctionWithExceptionHandling(&RaisesIOException, nullptr);
  ASSERT_NE(caught, nullptr);
  try {
    std::rethrow_exception(caught);
  } catch (const platform::IOException& exception) {
    EXPECT_EQ(exception.ErrorNumber(), 5);
  }

  EXPECT_THROW(app::CallFunctionWithExceptionHandling(&RaisesStdException, nullptr),
               std::logic_error);
}

}  // namespace
