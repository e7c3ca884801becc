#include "tests/support/temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace testing_support {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "whichkontakt-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a temporary folder");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::shared_ptr<platform::FolderItem> TempDir::Write(const std::string& name,
                                                     std::string_view bytes) const {
  std::ofstream out(path_ + "/" + name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write test file " + name);
  }
  return Item(name);
}

std::shared_ptr<platform::FolderItem> TempDir::Item(const std::string& name) const {
  return std::make_shared<platform::FolderItem>(path_ + "/" + name);
}

}  // namespace testing_support
