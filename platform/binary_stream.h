// The framework's binary stream over a file, read-only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/folder_item.h"

namespace platform {

class BinaryStream {
 public:
  // Never returns nil: a nil file raises NilObjectException, a file that cannot be opened for
  // reading (missing, unreadable, or not a regular file) raises IOException whose ErrorNumber
  // is the file's LastErrorCode. Writing is not supported: readWrite must be false.
  static std::shared_ptr<BinaryStream> Open(const std::shared_ptr<FolderItem>& file,
                                            bool readWrite);

  explicit BinaryStream(int fd, std::string name);
  ~BinaryStream();
  BinaryStream(const BinaryStream&) = delete;
  BinaryStream& operator=(const BinaryStream&) = delete;

  // Up to count bytes from the current position; fewer only at the end of the file.
  std::string Read(size_t count);
  // Moves the read position; past the end is allowed and reads nothing.
  void Position(uint64_t position);
  void Close();

  bool UseIOExceptions() const noexcept { return useIOExceptions_; }
  void UseIOExceptions(bool on) noexcept { useIOExceptions_ = on; }
  int32_t LastErrorCode() const noexcept { return lastErrorCode_; }
  // Raises IOException with LastErrorCode when UseIOExceptions is on and the code is not 0.
  void CheckForError() const;

 private:
  int fd_;
  std::string name_;
  std::string failedAction_;
  bool useIOExceptions_ = false;
  int32_t lastErrorCode_ = 0;
};

}  // namespace platform
