// The one seam through which the layer reaches the file system, so that tests can count
// the calls a detection makes and inject the failures a real disk rarely produces.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace platform {

class SystemCalls {
 public:
  virtual ~SystemCalls() = default;
  virtual int Open(const char* path, int flags);
  virtual int Stat(const char* path, struct stat* info);
  virtual int Fstat(int fd, struct stat* info);
  virtual ssize_t Read(int fd, void* buffer, size_t count);
  virtual off_t Seek(int fd, off_t offset, int whence);
  virtual int Close(int fd);
};

SystemCalls& CurrentSystemCalls();

// Routes every file-system call to `calls` for the lifetime of this object.
class ScopedSystemCalls {
 public:
  explicit ScopedSystemCalls(SystemCalls& calls);
  ~ScopedSystemCalls();
  ScopedSystemCalls(const ScopedSystemCalls&) = delete;
  ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

 private:
  SystemCalls* previous_;
};

}  // namespace platform
