#include "platform/folder_item.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/runtime_exception.h"
#include "platform/system_calls.h"

namespace platform {

FolderItem::FolderItem(std::string path) : path_(std::move(path)) {}

std::string FolderItem::Name() const {
  const size_t end = path_.find_last_not_of('/');
  if (end == std::string::npos) {
    return path_.empty() ? std::string() : std::string("/");
  }
  const size_t slash = path_.rfind('/', end);
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  return path_.substr(start, end + 1 - start);
}

bool FolderItem::Exists() {
  struct stat info {};
  if (CurrentSystemCalls().Stat(path_.c_str(), &info) == 0) {
    lastErrorCode_ = 0;
    return true;
  }
  lastErrorCode_ = errno;
  if (lastErrorCode_ == ENOENT || lastErrorCode_ == ENOTDIR) {
    return false;
  }
  // Not absent, only out of reach: passing over it in silence would hide a file the user sees.
  throw IOException("cannot look up \"" + Name() + "\": " + std::strerror(lastErrorCode_),
                    lastErrorCode_, Name(),
                    lastErrorCode_ == EACCES ? "you may not open the folder it is in"
                                             : PlainErrorReason(lastErrorCode_));
}

uint64_t FolderItem::Length() {
  struct stat info {};
  if (CurrentSystemCalls().Stat(path_.c_str(), &info) != 0) {
    lastErrorCode_ = errno;
    return 0;
  }
  lastErrorCode_ = 0;
  return static_cast<uint64_t>(info.st_size);
}

}  // namespace platform
