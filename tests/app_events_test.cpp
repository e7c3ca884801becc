// Answering documents end to end, on a recording desktop: what the user is shown, exactly.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/startup.h"
#include "tests/support/kontakt_files.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/scripted_system_calls.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using testing_support::HeadTaggedFile;
using testing_support::RecordingDesktop;
using testing_support::TailTaggedFile;
using testing_support::TempDir;

const std::string kFailure(app::kFailureMessage);

class AppEventsTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    return folder_.Write(name, bytes)->Path();
  }
  std::string PathOf(const std::string& name) { return folder_.Item(name)->Path(); }
  std::vector<std::string> Warnings() const {
    std::vector<std::string> warnings;
    std::copy_if(desktop_.calls.begin(), desktop_.calls.end(), std::back_inserter(warnings),
                 [](const std::string& call) { return call.rfind("warning ", 0) == 0; });
    return warnings;
  }

  int32_t Run() {
    const platform::ScopedDesktop onDesktop(desktop_);
    return app::ProgramMain();
  }

  TempDir folder_;
  RecordingDesktop desktop_;
};

TEST_F(AppEventsTest, EachAnswerPathShowsExactlyTheAnswerText) {
  desktop_.startupDocuments = {
      Write("forward.nki", HeadTaggedFile({4, 2, 3, 0}, "Kon4")),
      Write("reversed.nkm", HeadTaggedFile({0, 3, 2, 4}, "4noK")),
      Write("tail five.nkb", TailTaggedFile(4096, {4, 3, 2, 1}, "5noK")),
      Write("Tail.Six.NKI", TailTaggedFile(600, {12, 0, 255, 6}, "6noK")),
  };
  EXPECT_EQ(Run(), 0);
  EXPECT_THAT(desktop_.Messages(), ElementsAre("forward.nki is Kontakt Version 4.2.3.0",
                                               "reversed.nkm is Kontakt Version 4.2.3.0",
                                               "tail five.nkb is Kontakt Version 1.2.3.4",
                                               "Tail.Six.NKI is Kontakt Version 6.255.0.12"));
}

TEST_F(AppEventsTest, NotFoundGivesTheOneFailureMessageWhateverTheKind) {
  desktop_.startupDocuments = {
      Write("other.txt", HeadTaggedFile({4, 2, 3, 0}, "Kon4")),
      Write("untagged.nkm", TailTaggedFile(2048, {1, 2, 3, 4}, "7noK")),
      Write("untagged.nkb", std::string(100, 'x')),
  };
  Run();
  EXPECT_THAT(desktop_.Messages(), ElementsAre(kFailure, kFailure, kFailure));
  EXPECT_EQ(kFailure,
            "Could not ascertain the version number. Please send this NKI to Quorvane at "
            "support@quorvane.com");
}

TEST_F(AppEventsTest, NilOrMissingDocumentShowsNothingAndRunsNoDetection) {
  desktop_.startupDocuments = {PathOf("missing.nki")};
  testing_support::ScriptedSystemCalls calls;
  {
    const platform::ScopedSystemCalls counted(calls);
    Run();
  }
  EXPECT_THAT(desktop_.Messages(), IsEmpty());
  EXPECT_THAT(desktop_.calls, Not(::testing::Contains(HasSubstr("error"))));
  // The event's own existence test, and no other: the detection would test it again.
  EXPECT_EQ(calls.stats, 1);
  EXPECT_EQ(calls.opens, 0);

  const platform::ScopedDesktop onDesktop(desktop_);
  app::App application;
  application.Event_OpenDocument(nullptr);
  EXPECT_THAT(desktop_.Messages(), IsEmpty());
}

TEST_F(AppEventsTest, DroppedDocumentsAreAnsweredOneByOne) {
  desktop_.startupDocuments = {Write("first.nki", HeadTaggedFile({2, 0, 0, 1}, "Kon2"))};
  desktop_.droppedDocuments = {Write("second.nki", HeadTaggedFile({1, 0, 0, 3}, "3noK"))};
  Run();
  EXPECT_THAT(desktop_.Messages(), ElementsAre("first.nki is Kontakt Version 2.0.0.1",
                                               "second.nki is Kontakt Version 3.0.0.1"));
}

TEST_F(AppEventsTest, UnreadableDocumentIsReportedInPlainWordsAndTheProgramGoesOn) {
  const std::string pipe = PathOf("pipe.nki");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string folder = PathOf("folder.nki");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  desktop_.startupDocuments = {pipe, folder};
  desktop_.droppedDocuments = {Write("after.nki", HeadTaggedFile({4, 0, 0, 0}, "Kon4"))};
  EXPECT_EQ(Run(), 0);
  EXPECT_THAT(
      Warnings(),
      ElementsAre("warning Could not read \u201cpipe.nki\u201d: it is not a regular file."
                  "|IOException (error 22): cannot open \"pipe.nki\": not a regular file",
                  "warning Could not read \u201cfolder.nki\u201d: it is a folder, not a file."
                  "|IOException (error 21): cannot open \"folder.nki\": Is a directory"));
  EXPECT_THAT(desktop_.Messages(), ElementsAre("after.nki is Kontakt Version 4.0.0.0"));
}

TEST_F(AppEventsTest, FileThatMayNotBeReadIsReportedInPlainWords) {
  const std::string locked = Write("locked.nki", HeadTaggedFile({4, 0, 0, 0}, "Kon4"));
  testing_support::ScriptedSystemCalls calls;
  calls.openErrno = EACCES;
  const platform::ScopedSystemCalls failing(calls);
  desktop_.startupDocuments = {locked};
  EXPECT_EQ(Run(), 0);
  EXPECT_THAT(Warnings(), ElementsAre(HasSubstr(
                              "Could not read \u201clocked.nki\u201d: you do not have permission "
                              "to read it.|IOException (error 13)")));
  EXPECT_THAT(Warnings(), Not(Contains(HasSubstr("not handled"))));
}

// Only a file that is not there is passed over in silence; one the system cannot look up (in a
// folder the user may not enter, say) is a warning that tells why.
TEST_F(AppEventsTest, DocumentThatCannotBeLookedUpIsReportedAbsentOneIsNot) {
  const struct {
    int statErrno;
    const char* warning;  // empty: nothing shown
  } rows[] = {
      {ENOENT, ""},
      {ENOTDIR, ""},
      {EACCES, "Could not read \u201clocked.nki\u201d: you may not open the folder it is in."},
      {ELOOP, "Could not read \u201clocked.nki\u201d: too many levels of symbolic links."},
      {EIO, "Could not read \u201clocked.nki\u201d: the system reported an input/output error."},
  };
  const std::string locked = Write("locked.nki", HeadTaggedFile({4, 0, 0, 0}, "Kon4"));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.statErrno);
    desktop_.calls.clear();
    testing_support::ScriptedSystemCalls calls;
    calls.statErrno = row.statErrno;
    const platform::ScopedSystemCalls failing(calls);
    desktop_.startupDocuments = {locked};
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(desktop_.Messages(), IsEmpty());
    EXPECT_EQ(calls.opens, 0);
    if (*row.warning == '\0') {
      EXPECT_THAT(Warnings(), IsEmpty());
    } else {
      EXPECT_THAT(Warnings(), ElementsAre(HasSubstr(row.warning)));
    }
  }
}

TEST_F(AppEventsTest, BareStartOffersTheDialogAndAnswersTheChosenFile) {
  desktop_.documentsFolder = folder_.Path();
  desktop_.chosenFiles = {Write("chosen.nki", HeadTaggedFile({5, 0, 3, 12}, "Kon4"))};
  Run();
  EXPECT_EQ(desktop_.lastDialog.title, "Select a Kontakt file");
  ASSERT_NE(desktop_.lastDialog.initialDirectory, nullptr);
  EXPECT_EQ(desktop_.lastDialog.initialDirectory->Path(), folder_.Path());
  ASSERT_EQ(desktop_.lastDialog.fileTypes.size(), 3u);
  EXPECT_EQ(desktop_.lastDialog.fileTypes[0].name, "NI Kontakt Instrument");
  EXPECT_EQ(desktop_.lastDialog.fileTypes[0].extensions, "nki");
  EXPECT_EQ(desktop_.lastDialog.fileTypes[1].name, "NI Kontakt Multi");
  EXPECT_EQ(desktop_.lastDialog.fileTypes[2].name, "NI Kontakt Bank");
  EXPECT_THAT(desktop_.Messages(), ElementsAre("chosen.nki is Kontakt Version 5.0.3.12"));
}

TEST_F(AppEventsTest, BareLaterStartOffersTheDialogAgainAfterTheAnswers) {
  desktop_.documentsFolder = folder_.Path();
  desktop_.startupDocuments = {Write("first.nki", HeadTaggedFile({4, 1, 0, 0}, "Kon4"))};
  desktop_.newDocumentRequests = 1;
  desktop_.chosenFiles = {Write("chosen.nkm", HeadTaggedFile({3, 0, 0, 2}, "Kon3"))};
  EXPECT_EQ(Run(), 0);
  EXPECT_THAT(desktop_.Messages(), ElementsAre("first.nki is Kontakt Version 4.1.0.0",
                                               "chosen.nkm is Kontakt Version 3.0.0.2"));
  EXPECT_EQ(std::count_if(desktop_.calls.begin(), desktop_.calls.end(),
                          [](const std::string& call) { return call.rfind("choose ", 0) == 0; }),
            1);
}

TEST_F(AppEventsTest, CancelledDialogShowsNothing) {
  Run();
  EXPECT_THAT(desktop_.calls, ::testing::Contains(HasSubstr("choose ")));
  EXPECT_THAT(desktop_.Messages(), IsEmpty());
}

TEST_F(AppEventsTest, ChosenFileGoneBeforeTheDetectionGetsTheFailureMessage) {
  desktop_.chosenFiles = {PathOf("gone.nki")};
  Run();
  EXPECT_THAT(desktop_.Messages(), ElementsAre(kFailure));
}

TEST_F(AppEventsTest, TheDesktopIsServedWhileTheTailIsScanned) {
  // The tag near the file's end: the scan passes over most of the tail before it finds it.
  desktop_.startupDocuments = {Write("late tag.nki", TailTaggedFile(4096, {1, 0, 0, 5}, "5noK"))};
  Run();
  const std::vector<std::string>& calls = desktop_.calls;
  const auto run = std::find(calls.begin(), calls.end(), "run");
  const auto answer =
      std::find(run, calls.end(), "message late tag.nki is Kontakt Version 5.0.0.1");
  ASSERT_NE(answer, calls.end());
  EXPECT_GT(std::count(run, answer, "serve"), 0);
}

}  // namespace
