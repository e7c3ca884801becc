#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/background_task.h"
#include "platform/runtime_exception.h"
#include "platform/system_calls.h"
#include "tests/support/kontakt_files.h"
#include "tests/support/scripted_system_calls.h"
#include "tests/support/temp_dir.h"
#include "version_detection/bas_kontakt_version.h"

namespace {

using basKontaktVersion::kFound;
using basKontaktVersion::kNotFound;
using basKontaktVersion::ShowKontaktVersion;

using testing_support::KontaktFile;
using testing_support::TailOffset;
using testing_support::VersionField;

constexpr std::string_view kUntouched = "text the caller passed";
// The newer layouts' version 1.2.3.4, stored least significant byte first.
constexpr VersionField kV1234Reversed{4, 3, 2, 1};

int backgroundCalls = 0;
void CountBackgroundCall() {
  ++backgroundCalls;
}

// Filler that is neither zero nor part of any signature, so that no answer rests on it.
KontaktFile File(size_t size) {
  return KontaktFile(size, 'x');
}

// A newer-layout file: "hsin" or the container signature, and at tail position p a tag with the
// version 1.2.3.4 in front of it.
std::string HsinFile(size_t size, size_t p, std::string_view tag = "5noK") {
  return File(size).Hsin().TailTag(p, kV1234Reversed, tag).Bytes();
}
std::string ContainerFile(size_t size, size_t p, std::string_view tag = "5noK") {
  return File(size).ContainerSignature().TailTag(p, kV1234Reversed, tag).Bytes();
}

// A Kontakt 2 to 4 head: version field at 16, tag at 20.
std::string HeadFile(VersionField field, std::string_view tag, size_t size = 300) {
  return File(size).HeadTag(field, tag).Bytes();
}

enum class Reads { kNothing, kHead, kHeadAndTail };

struct Row {
  std::string label;
  std::string name;
  std::string bytes;
  std::string answer;  // empty: not found, and the caller's text stays as it was
  Reads reads;
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << row.label;
}

std::vector<Row> Rows() {
  const VersionField v4230{4, 2, 3, 0};
  const VersionField v4230Reversed{0, 3, 2, 4};
  const std::string kon4Head = HeadFile(v4230, "Kon4");
  const std::string hsin5 = HsinFile(4096, 100);
  const Reads head = Reads::kHead;
  const Reads tail = Reads::kHeadAndTail;
  const Reads none = Reads::kNothing;
  return {
      // Kontakt 2 to 4: the version in the head, its byte order told by the tag.
      {"Kon4", "a.nki", kon4Head, "a.nki is Kontakt Version 4.2.3.0", head},
      {"Rev4noK", "a.nki", HeadFile(v4230Reversed, "4noK"), "a.nki is Kontakt Version 4.2.3.0",
       head},
      {"Kon2", "a.nki", HeadFile({2, 0, 1, 9}, "Kon2"), "a.nki is Kontakt Version 2.0.1.9", head},
      {"Kon3HighBytesUnsigned", "a.nki", HeadFile({3, 128, 255, 0}, "Kon3"),
       "a.nki is Kontakt Version 3.128.255.0", head},
      {"Rev2noK", "a.nki", HeadFile({12, 3, 0, 5}, "2noK"), "a.nki is Kontakt Version 5.0.3.12",
       head},
      {"Rev3noKZeros", "a.nki", HeadFile({0, 0, 0, 0}, "3noK"), "a.nki is Kontakt Version 0.0.0.0",
       head},
      {"HeadOfExactly24Bytes", "a.nki", HeadFile(v4230, "Kon4", 24),
       "a.nki is Kontakt Version 4.2.3.0", head},
      {"HeadOf23Bytes", "a.nki", HeadFile(v4230, "Kon", 23), "", head},
      {"EmptyFile", "a.nki", "", "", head},
      {"LowerCaseTag", "a.nki", HeadFile(v4230, "kon4"), "", head},
      {"Kon5AtHeadIsNoSignature", "a.nki", HeadFile(v4230, "Kon5", 4096), "", head},
      {"Rev5noKAtHeadIsNoSignature", "a.nki", HeadFile(v4230, "5noK", 4096), "", head},
      {"Rev6noKAtHeadWithTailTag", "a.nki",
       File(4096).HeadTag(v4230, "6noK").TailTag(100, kV1234Reversed, "6noK").Bytes(), "", head},
      // Order of the tests: hsin, then the head tags, then the container signature.
      {"HsinBeatsHeadTag", "a.nki",
       File(4096).Hsin().TailTag(100, kV1234Reversed, "5noK").HeadTag(v4230, "Kon4").Bytes(),
       "a.nki is Kontakt Version 1.2.3.4", tail},
      {"HsinBeatsHeadTagEvenWithoutTailTag", "a.nki",
       File(4096).Hsin().HeadTag(v4230Reversed, "4noK").Bytes(), "", tail},
      {"HeadTagBeatsContainer", "a.nki",
       File(4096)
           .ContainerSignature()
           .TailTag(100, kV1234Reversed, "5noK")
           .HeadTag(v4230, "Kon4")
           .Bytes(),
       "a.nki is Kontakt Version 4.2.3.0", head},
      {"UpperCaseHsin", "a.nki",
       File(4096).At(12, "HSIN").TailTag(100, kV1234Reversed, "5noK").Bytes(), "", head},
      {"ContainerWithOneBlank", "a.nki",
       File(4096).At(0, "/\\ NI FC MTD /\\").TailTag(100, kV1234Reversed, "5noK").Bytes(), "",
       head},
      // Kontakt 5 and 6: the version in front of a tag in the last 512 bytes.
      {"Hsin5noK", "a.nki", hsin5, "a.nki is Kontakt Version 1.2.3.4", tail},
      {"Hsin6noK", "a.nki", HsinFile(4096, 100, "6noK"), "a.nki is Kontakt Version 1.2.3.4", tail},
      {"Container5noK", "a.nki", ContainerFile(4096, 100), "a.nki is Kontakt Version 1.2.3.4",
       tail},
      {"Container6noK", "a.nki", ContainerFile(4096, 100, "6noK"),
       "a.nki is Kontakt Version 1.2.3.4", tail},
      {"ContainerOnly16Bytes", "a.nki", std::string(testing_support::kContainerSignature), "",
       tail},
      {"TailTagAt507", "a.nki", HsinFile(4096, 507), "a.nki is Kontakt Version 1.2.3.4", tail},
      {"TailTagAt508", "a.nki", HsinFile(4096, 508), "", tail},
      {"TailTagAt4", "a.nki", HsinFile(4096, 4), "a.nki is Kontakt Version 1.2.3.4", tail},
      {"TagBeforeTheTail", "a.nki",
       File(4096).Hsin().At(4096 - 520, kV1234Reversed).At(4096 - 516, "5noK").Bytes(), "", tail},
      {"ForwardKon5InTail", "a.nki", HsinFile(4096, 100, "Kon5"), "", tail},
      {"NoTailTag", "a.nki", File(4096).Hsin().Bytes(), "", tail},
      {"LowestTailTagWins", "a.nki",
       File(4096)
           .Hsin()
           .TailTag(200, {6, 0, 0, 0}, "6noK")
           .TailTag(300, {5, 0, 0, 0}, "5noK")
           .Bytes(),
       "a.nki is Kontakt Version 0.0.0.6", tail},
      {"ShortFileScannedWhole", "a.nki", HsinFile(100, 60), "a.nki is Kontakt Version 1.2.3.4",
       tail},
      {"ShortFileTagInLastFourBytes", "a.nki", HsinFile(100, 96), "", tail},
      {"FileOfExactly512Bytes", "a.nki", HsinFile(512, 507), "a.nki is Kontakt Version 1.2.3.4",
       tail},
      {"FileOf513Bytes", "a.nki", HsinFile(513, 507), "a.nki is Kontakt Version 1.2.3.4", tail},
      // Names: the last four characters, lower-cased, must be .nki, .nkm or .nkb.
      {"UpperNKI", "A.NKI", kon4Head, "A.NKI is Kontakt Version 4.2.3.0", head},
      {"MixedNkm", "b.Nkm", kon4Head, "b.Nkm is Kontakt Version 4.2.3.0", head},
      {"MixedNkB", "c.nkB", kon4Head, "c.nkB is Kontakt Version 4.2.3.0", head},
      {"NameNotUtf8", "\xff\xfe.nki", kon4Head, "\xff\xfe.nki is Kontakt Version 4.2.3.0", head},
      {"NameWithBlanksDotsAndUmlaut", "Fl\xc3\xb6te 2 (v1.2).nkm", hsin5,
       "Fl\xc3\xb6te 2 (v1.2).nkm is Kontakt Version 1.2.3.4", tail},
      {"ExtNkiBak", "a.nki.bak", kon4Head, "", none},
      {"ExtWithoutDot", "anki", kon4Head, "", none},
      {"ExtNk", "a.nk", kon4Head, "", none},
      {"ThreeCharacterName", "nki", kon4Head, "", none},
      {"DotNk", ".nk", kon4Head, "", none},
  };
}

class DetectionTest : public testing::TestWithParam<Row> {
 protected:
  testing_support::TempDir dir_;
};

TEST_P(DetectionTest, AnswersAndReadsOnlyWhatItNeeds) {
  const Row& row = GetParam();
  const auto file = dir_.Write(row.name, row.bytes);
  testing_support::ScriptedSystemCalls calls;
  const platform::ScopedSystemCalls scope(calls);
  std::string s(kUntouched);

  EXPECT_EQ(ShowKontaktVersion(file, s), row.answer.empty() ? kNotFound : kFound);
  EXPECT_EQ(s, row.answer.empty() ? std::string(kUntouched) : row.answer);

  switch (row.reads) {
    case Reads::kNothing:
      EXPECT_EQ(calls.opens, 0);
      EXPECT_EQ(calls.stats, 1) << "the length was read";
      break;
    case Reads::kHead:
      EXPECT_EQ(calls.seeks, 0);
      EXPECT_LE(calls.contentReads, 1);
      EXPECT_LE(calls.bytesRead, 256u);
      break;
    case Reads::kHeadAndTail:
      EXPECT_EQ(calls.seeks, 1);
      EXPECT_EQ(calls.seekedTo, static_cast<off_t>(TailOffset(row.bytes.size(), 0)));
      EXPECT_LE(calls.contentReads, 2);
      EXPECT_LE(calls.bytesRead, 256u + 512u);
      break;
  }
  if (row.reads != Reads::kNothing) {
    EXPECT_EQ(calls.opens, 1);
    EXPECT_EQ(calls.closes, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, DetectionTest, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& param) {
                           return param.param.label;
                         });

class ShowKontaktVersionTest : public testing::Test {
 protected:
  testing_support::TempDir dir_;
  testing_support::ScriptedSystemCalls calls_;
  platform::ScopedSystemCalls scope_{calls_};
  std::string s_{kUntouched};
};

TEST_F(ShowKontaktVersionTest, NilOrMissingFileIsNotFoundAndOpensNothing) {
  EXPECT_EQ(ShowKontaktVersion(nullptr, s_), kNotFound);
  EXPECT_EQ(ShowKontaktVersion(dir_.Item("missing.nki"), s_), kNotFound);
  EXPECT_EQ(calls_.opens, 0);
  EXPECT_EQ(s_, kUntouched);
}

TEST_F(ShowKontaktVersionTest, TailScanYieldsOnceForEveryRejectedPosition) {
  struct Case {
    std::string bytes;
    int expectedCalls;
  };
  const Case cases[] = {
      {File(4096).Hsin().Bytes(), 508}, {HsinFile(4096, 4), 4},
      {HsinFile(4096, 100), 100},       {HsinFile(4096, 507), 507},
      {File(100).Hsin().Bytes(), 96},   {HeadFile({4, 2, 3, 0}, "Kon4"), 0},
  };
  const platform::BackgroundTaskHook previous =
      platform::SetBackgroundTaskHook(CountBackgroundCall);
  for (const Case& row : cases) {
    SCOPED_TRACE(row.expectedCalls);
    backgroundCalls = 0;
    ShowKontaktVersion(dir_.Write("a.nki", row.bytes), s_);
    EXPECT_EQ(backgroundCalls, row.expectedCalls);
  }
  platform::SetBackgroundTaskHook(previous);
}

// The version field of a tag at tail positions 0 to 3 would begin before the tail: no number
// is made up for it.
TEST_F(ShowKontaktVersionTest, TailTagWithoutRoomForItsFieldRaisesAndStillCloses) {
  for (const size_t size : {size_t{4096}, size_t{100}}) {
    for (size_t p = 0; p < 4; ++p) {
      SCOPED_TRACE(testing::Message() << "size " << size << ", tag at " << p);
      const auto file =
          dir_.Write("a.nki", File(size).Hsin().At(TailOffset(size, p), "6noK").Bytes());
      calls_.opens = calls_.closes = 0;
      EXPECT_THROW(ShowKontaktVersion(file, s_), platform::OutOfBoundsException);
      EXPECT_EQ(calls_.opens, 1);
      EXPECT_EQ(calls_.closes, 1);
      EXPECT_EQ(s_, kUntouched);
    }
  }
}

TEST_F(ShowKontaktVersionTest, PipeOrFolderNamedLikeKontaktFileRaisesWithoutBlocking) {
  ASSERT_EQ(mkfifo((dir_.Path() + "/pipe.nki").c_str(), 0600), 0);
  ASSERT_EQ(mkdir((dir_.Path() + "/folder.nki").c_str(), 0700), 0);
  try {
    ShowKontaktVersion(dir_.Item("folder.nki"), s_);
    ADD_FAILURE() << "a folder was read";
  } catch (const platform::IOException& e) {
    EXPECT_EQ(e.ErrorNumber(), EISDIR);
  }
  EXPECT_THROW(ShowKontaktVersion(dir_.Item("pipe.nki"), s_), platform::IOException);
  EXPECT_EQ(calls_.opens, calls_.closes);
  EXPECT_EQ(s_, kUntouched);
}

// The length is read before the file is opened; the file may be shorter by the time it is read.
TEST_F(ShowKontaktVersionTest, FileThatShrinksAfterItsLengthIsNotFound) {
  for (const off_t shrunk : {off_t{600}, off_t{20}, off_t{0}}) {
    SCOPED_TRACE(shrunk);
    const auto file = dir_.Write("a.nki", HsinFile(4096, 100));
    calls_.beforeOpen = [&] { ASSERT_EQ(truncate(file->Path().c_str(), shrunk), 0); };
    calls_.closes = 0;
    EXPECT_EQ(ShowKontaktVersion(file, s_), kNotFound);
    EXPECT_EQ(calls_.closes, 1);
    EXPECT_EQ(s_, kUntouched);
  }
}

TEST_F(ShowKontaktVersionTest, FailedReadOrSeekRaisesWithItsErrnoAndStillCloses) {
  const auto file = dir_.Write("a.nki", HsinFile(4096, 100));
  for (const int failingRead : {1, 2}) {
    SCOPED_TRACE(failingRead);
    calls_.readCalls = 0;
    calls_.readErrno = EIO;
    calls_.failingRead = failingRead;
    calls_.closes = 0;
    try {
      ShowKontaktVersion(file, s_);
      ADD_FAILURE() << "no exception";
    } catch (const platform::IOException& e) {
      EXPECT_EQ(e.ErrorNumber(), EIO);
    }
    EXPECT_EQ(calls_.closes, 1);
  }
  calls_.readErrno = 0;
  calls_.seekErrno = EOVERFLOW;
  calls_.closes = 0;
  try {
    ShowKontaktVersion(file, s_);
    ADD_FAILURE() << "no exception";
  } catch (const platform::IOException& e) {
    EXPECT_EQ(e.ErrorNumber(), EOVERFLOW);
  }
  EXPECT_EQ(calls_.closes, 1);
  EXPECT_EQ(s_, kUntouched);
}

}  // namespace
