// The framework's file reference: a path on the local file system.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class FolderItem {
 public:
  explicit FolderItem(std::string path);

  const std::string& Path() const noexcept { return path_; }
  // The last component of the path, as bytes, extension included.
  std::string Name() const;
  // True when the path names something that exists (a link is followed), false when it is absent
  // (ENOENT, ENOTDIR). Raises IOException when the system cannot tell (no permission to search a
  // folder on the path, a loop of links, an I/O error).
  bool Exists();
  // Size in bytes; 0 when it cannot be read, with LastErrorCode telling why.
  uint64_t Length();
  // The errno of the last operation on this item that failed, 0 after one that succeeded.
  int32_t LastErrorCode() const noexcept { return lastErrorCode_; }
  void LastErrorCode(int32_t code) noexcept { lastErrorCode_ = code; }

 private:
  std::string path_;
  int32_t lastErrorCode_ = 0;
};

}  // namespace platform
