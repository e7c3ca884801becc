#include "tests/support/kontakt_files.h"

namespace testing_support {

std::string HeadTaggedFile(std::array<uint8_t, 4> field, std::string_view tag) {
  std::string bytes(256, '\0');
  for (size_t i = 0; i < field.size(); ++i) {
    bytes[16 + i] = static_cast<char>(field[i]);
  }
  bytes.replace(20, tag.size(), tag);
  return bytes;
}

std::string TailTaggedFile(size_t size, std::array<uint8_t, 4> field, std::string_view tag,
                           size_t tagEndFromEnd) {
  std::string bytes(size, '\0');
  bytes.replace(12, 4, "hsin");
  const size_t tagAt = size - tagEndFromEnd - tag.size();
  for (size_t i = 0; i < field.size(); ++i) {
    bytes[tagAt - 4 + i] = static_cast<char>(field[i]);
  }
  bytes.replace(tagAt, tag.size(), tag);
  return bytes;
}

}  // namespace testing_support
