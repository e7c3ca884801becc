#include "platform/binary_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "platform/runtime_exception.h"
#include "platform/system_calls.h"
#include "tests/support/scripted_system_calls.h"
#include "tests/support/temp_dir.h"

namespace {

class BinaryStreamTest : public testing::Test {
 protected:
  std::shared_ptr<platform::BinaryStream> OpenDigits() {
    return platform::BinaryStream::Open(dir_.Write("digits.nki", "0123456789"), false);
  }

  testing_support::TempDir dir_;
  testing_support::ScriptedSystemCalls calls_;
  platform::ScopedSystemCalls scope_{calls_};
};

TEST_F(BinaryStreamTest, OpenOfNilRaisesNilObjectException) {
  EXPECT_THROW(platform::BinaryStream::Open(nullptr, false), platform::NilObjectException);
}

TEST_F(BinaryStreamTest, OpenFailureCarriesTheFilesErrorCodeAndLeaksNothing) {
  ASSERT_EQ(mkfifo((dir_.Path() + "/pipe.nki").c_str(), 0600), 0);
  ASSERT_EQ(mkdir((dir_.Path() + "/folder.nki").c_str(), 0700), 0);
  struct Row {
    const char* label;
    std::shared_ptr<platform::FolderItem> file;
    int injectedErrno;
    int expectedErrno;  // 0: any nonzero code
  };
  const Row rows[] = {
      {"missing", dir_.Item("missing.nki"), 0, ENOENT},
      {"unreadable", dir_.Write("locked.nki", "x"), EACCES, EACCES},
      {"directory", dir_.Item("folder.nki"), 0, EISDIR},
      // Would wait for a writer forever if opened blocking or read.
      {"named pipe", dir_.Item("pipe.nki"), 0, 0},
      {"device", std::make_shared<platform::FolderItem>("/dev/null"), 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    calls_.openErrno = row.injectedErrno;
    try {
      platform::BinaryStream::Open(row.file, false);
      ADD_FAILURE() << "opened";
    } catch (const platform::IOException& e) {
      EXPECT_NE(e.ErrorNumber(), 0);
      EXPECT_EQ(e.ErrorNumber(), row.file->LastErrorCode());
      if (row.expectedErrno != 0) {
        EXPECT_EQ(e.ErrorNumber(), row.expectedErrno);
      }
    }
    EXPECT_EQ(calls_.openedFds, calls_.closes);
  }
}

TEST_F(BinaryStreamTest, OpenForWritingIsRefusedWithoutOpening) {
  EXPECT_THROW(platform::BinaryStream::Open(dir_.Write("a.nki", "x"), true), platform::IOException);
  EXPECT_EQ(calls_.openedFds, 0);
}

TEST_F(BinaryStreamTest, ReadIsShortOnlyAtTheEndOfTheFile) {
  const auto stream = OpenDigits();
  EXPECT_TRUE(stream->UseIOExceptions());
  EXPECT_EQ(stream->Read(4), "0123");
  EXPECT_EQ(stream->Read(256), "456789");
  EXPECT_EQ(stream->Read(4), "");
  EXPECT_EQ(stream->LastErrorCode(), 0);
}

TEST_F(BinaryStreamTest, ShortAndInterruptedReadsAreResumed) {
  calls_.readChunk = 3;
  calls_.interruptions = 2;
  EXPECT_EQ(OpenDigits()->Read(8), "01234567");
}

TEST_F(BinaryStreamTest, PositionPastTheEndReadsNothing) {
  const auto stream = OpenDigits();
  stream->Position(7);
  EXPECT_EQ(stream->Read(512), "789");
  stream->Position(10);
  EXPECT_EQ(stream->Read(512), "");
  stream->Position(uint64_t{1} << 40);
  EXPECT_EQ(stream->Read(512), "");
  EXPECT_EQ(stream->LastErrorCode(), 0);
}

TEST_F(BinaryStreamTest, PositionBeyondWhatASeekCanTakeRaises) {
  const auto stream = OpenDigits();
  try {
    stream->Position(std::numeric_limits<uint64_t>::max());
    ADD_FAILURE() << "no exception";
  } catch (const platform::IOException& e) {
    EXPECT_EQ(e.ErrorNumber(), EINVAL);
  }
}

TEST_F(BinaryStreamTest, FailedReadOrSeekRaisesWithItsErrno) {
  const auto stream = OpenDigits();
  calls_.readErrno = EIO;
  try {
    stream->Read(4);
    ADD_FAILURE() << "read did not raise";
  } catch (const platform::IOException& e) {
    EXPECT_EQ(e.ErrorNumber(), EIO);
    EXPECT_EQ(stream->LastErrorCode(), EIO);
  }
  calls_.readErrno = 0;
  calls_.seekErrno = ESPIPE;
  try {
    stream->Position(2);
    ADD_FAILURE() << "seek did not raise";
  } catch (const platform::IOException& e) {
    EXPECT_EQ(e.ErrorNumber(), ESPIPE);
  }
  calls_.seekErrno = 0;
  stream->Position(2);  // a success clears the code left by the failure
  EXPECT_EQ(stream->LastErrorCode(), 0);
  EXPECT_EQ(stream->Read(2), "23");
}

TEST_F(BinaryStreamTest, WithoutIOExceptionsAFailureOnlySetsTheCode) {
  const auto stream = OpenDigits();
  stream->UseIOExceptions(false);
  calls_.readErrno = EIO;
  EXPECT_EQ(stream->Read(4), "");
  EXPECT_EQ(stream->LastErrorCode(), EIO);
}

TEST_F(BinaryStreamTest, StreamIsClosedExactlyOnce) {
  OpenDigits()->Read(1);
  EXPECT_EQ(calls_.closes, 1);  // by the destructor
  {
    const auto stream = OpenDigits();
    stream->Close();
    stream->Close();
    EXPECT_EQ(calls_.closes, 2);
  }
  EXPECT_EQ(calls_.closes, 2);  // the destructor did not close again
  EXPECT_EQ(calls_.openedFds, 2);
}

}  // namespace
