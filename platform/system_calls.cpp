#include "platform/system_calls.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

SystemCalls& RealSystemCalls() {
  static SystemCalls real;
  return real;
}

SystemCalls* current = nullptr;

}  // namespace

int SystemCalls::Open(const char* path, int flags) {
  return ::open(path, flags);
}
int SystemCalls::Stat(const char* path, struct stat* info) {
  return ::stat(path, info);
}
int SystemCalls::Fstat(int fd, struct stat* info) {
  return ::fstat(fd, info);
}
ssize_t SystemCalls::Read(int fd, void* buffer, size_t count) {
  return ::read(fd, buffer, count);
}
off_t SystemCalls::Seek(int fd, off_t offset, int whence) {
  return ::lseek(fd, offset, whence);
}
int SystemCalls::Close(int fd) {
  return ::close(fd);
}

SystemCalls& CurrentSystemCalls() {
  return current != nullptr ? *current : RealSystemCalls();
}

ScopedSystemCalls::ScopedSystemCalls(SystemCalls& calls) : previous_(current) {
  current = &calls;
}

ScopedSystemCalls::~ScopedSystemCalls() {
  current = previous_;
}

}  // namespace platform
