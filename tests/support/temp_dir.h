// A temporary folder that tests fill with files of given bytes; removed with its contents.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/folder_item.h"

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Writes bytes to a file of that name and returns its reference.
  std::shared_ptr<platform::FolderItem> Write(const std::string& name,
                                              std::string_view bytes) const;
  // A reference to name inside the folder, whether or not it exists.
  std::shared_ptr<platform::FolderItem> Item(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace testing_support
