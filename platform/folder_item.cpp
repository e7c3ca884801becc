#include "platform/folder_item.h"

#include <cerrno>
#include <utility>

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
  const bool exists = CurrentSystemCalls().Stat(path_.c_str(), &info) == 0;
  lastErrorCode_ = exists ? 0 : errno;
  return exists;
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
