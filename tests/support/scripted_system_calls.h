// The real system calls, counted, with the failures a test asks for injected in front of them.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <limits>

#include "platform/system_calls.h"

namespace testing_support {

class ScriptedSystemCalls : public platform::SystemCalls {
 public:
  int Open(const char* path, int flags) override;
  int Stat(const char* path, struct stat* info) override;
  ssize_t Read(int fd, void* buffer, size_t count) override;
  off_t Seek(int fd, off_t offset, int whence) override;
  int Close(int fd) override;

  // Counts.
  int opens = 0;      // every call of Open, failed ones too
  int openedFds = 0;  // the opens that returned a descriptor
  int stats = 0;
  int readCalls = 0;     // every call of Read, failed and interrupted ones too
  int contentReads = 0;  // the reads that returned at least one byte
  size_t bytesRead = 0;
  int seeks = 0;
  off_t seekedTo = -1;  // the offset of the last seek
  int closes = 0;

  // Injections.
  std::function<void()> beforeOpen;  // runs at the start of every Open
  int statErrno = 0;                 // nonzero: every stat fails with it
  int openErrno = 0;                 // nonzero: every open fails with it
  int readErrno = 0;                 // nonzero: the reads chosen by failingRead fail with it
  int failingRead = 0;               // the read call that fails, counted from 1; 0: every one
  int seekErrno = 0;                 // nonzero: every seek fails with it
  int interruptions = 0;             // so many reads fail with EINTR before any other outcome
  size_t readChunk = std::numeric_limits<size_t>::max();  // the most bytes one read returns
};

}  // namespace testing_support
