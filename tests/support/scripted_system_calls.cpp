#include "tests/support/scripted_system_calls.h"

#include <algorithm>
#include <cerrno>

namespace testing_support {

int ScriptedSystemCalls::Open(const char* path, int flags) {
  ++opens;
  if (beforeOpen) {
    beforeOpen();
  }
  if (openErrno != 0) {
    errno = openErrno;
    return -1;
  }
  const int fd = SystemCalls::Open(path, flags);
  openedFds += fd >= 0 ? 1 : 0;
  return fd;
}

int ScriptedSystemCalls::Stat(const char* path, struct stat* info) {
  ++stats;
  if (statErrno != 0) {
    errno = statErrno;
    return -1;
  }
  return SystemCalls::Stat(path, info);
}

ssize_t ScriptedSystemCalls::Read(int fd, void* buffer, size_t count) {
  ++readCalls;
  if (interruptions > 0) {
    --interruptions;
    errno = EINTR;
    return -1;
  }
  if (readErrno != 0 && (failingRead == 0 || failingRead == readCalls)) {
    errno = readErrno;
    return -1;
  }
  const ssize_t n = SystemCalls::Read(fd, buffer, std::min(count, readChunk));
  if (n > 0) {
    ++contentReads;
    bytesRead += static_cast<size_t>(n);
  }
  return n;
}

off_t ScriptedSystemCalls::Seek(int fd, off_t offset, int whence) {
  ++seeks;
  seekedTo = offset;
  if (seekErrno != 0) {
    errno = seekErrno;
    return -1;
  }
  return SystemCalls::Seek(fd, offset, whence);
}

int ScriptedSystemCalls::Close(int fd) {
  ++closes;
  return SystemCalls::Close(fd);
}

}  // namespace testing_support
