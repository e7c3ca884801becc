#include "platform/binary_stream.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/runtime_exception.h"
#include "platform/system_calls.h"

namespace platform {
namespace {

std::string Describe(const std::string& action, const std::string& name, const char* cause) {
  return "cannot " + action + " \"" + name + "\": " + cause;
}

// Opens without blocking (a named pipe would wait for a writer) and accepts only regular files.
int OpenRegularFileForReading(const std::string& path, int32_t& error) {
  SystemCalls& calls = CurrentSystemCalls();
  const int fd = calls.Open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  struct stat info {};
  if (calls.Fstat(fd, &info) != 0) {
    error = errno;
  } else if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
  } else if (!S_ISREG(info.st_mode)) {
    error = EINVAL;
  } else {
    return fd;
  }
  calls.Close(fd);
  return -1;
}

}  // namespace

std::shared_ptr<BinaryStream> BinaryStream::Open(const std::shared_ptr<FolderItem>& file,
                                                 bool readWrite) {
  if (!file) {
    RaiseNilObjectException();
  }
  int32_t error = EROFS;
  const int fd = readWrite ? -1 : OpenRegularFileForReading(file->Path(), error);
  if (fd < 0) {
    file->LastErrorCode(error);
    // EINVAL here can only be the regular-file check's own refusal.
    const bool notRegular = error == EINVAL;
    throw IOException(
        Describe("open", file->Name(), notRegular ? "not a regular file" : std::strerror(error)),
        file->LastErrorCode(), file->Name(),
        notRegular ? std::string("it is not a regular file") : PlainErrorReason(error));
  }
  file->LastErrorCode(0);
  auto stream = std::make_shared<BinaryStream>(fd, file->Name());
  stream->UseIOExceptions(true);
  return stream;
}

BinaryStream::BinaryStream(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

BinaryStream::~BinaryStream() {
  if (fd_ >= 0) {
    CurrentSystemCalls().Close(fd_);
  }
}

std::string BinaryStream::Read(size_t count) {
  std::string bytes(count, '\0');
  size_t got = 0;
  lastErrorCode_ = 0;
  while (got < count) {
    const ssize_t n = CurrentSystemCalls().Read(fd_, bytes.data() + got, count - got);
    if (n > 0) {
      got += static_cast<size_t>(n);
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      lastErrorCode_ = errno;
      failedAction_ = "read";
      break;
    }
  }
  bytes.resize(got);
  CheckForError();
  return bytes;
}

void BinaryStream::Position(uint64_t position) {
  lastErrorCode_ = 0;
  if (position > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
    lastErrorCode_ = EINVAL;
  } else if (CurrentSystemCalls().Seek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
    lastErrorCode_ = errno;
  }
  failedAction_ = "seek in";
  CheckForError();
}

void BinaryStream::Close() {
  if (fd_ >= 0) {
    CurrentSystemCalls().Close(fd_);
    fd_ = -1;
  }
}

void BinaryStream::CheckForError() const {
  if (useIOExceptions_ && lastErrorCode_ != 0) {
    throw IOException(Describe(failedAction_, name_, std::strerror(lastErrorCode_)), lastErrorCode_,
                      name_);
  }
}

}  // namespace platform
