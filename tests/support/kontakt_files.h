// The layout of Kontakt files as far as the detection reads it, and files written in it: the one
// place that knows where each piece stands, for the tests, the fuzz seeds, the sample files and
// the benchmarks alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace testing_support {

// How much the detection reads: the head from the file's start, the tail from its end.
inline constexpr size_t kHeadSize = 256;
inline constexpr size_t kTailSize = 512;

inline constexpr std::string_view kContainerSignature = "/\\ NI FC MTD  /\\";

// The four numbers of a version, in the order the file stores them.
using VersionField = std::array<uint8_t, 4>;

// The file offset of tail position `position`: the tail is the last 512 bytes, or the whole of a
// shorter file.
size_t TailOffset(size_t size, size_t position);

// A file of `size` filler bytes that pieces of the layout are written over. A piece that would
// not fit throws std::out_of_range, so that a mistaken file cannot pass for a meant one.
class KontaktFile {
 public:
  explicit KontaktFile(size_t size, char filler = '\0');

  // The container signature at offset 0.
  KontaktFile& ContainerSignature();
  // "hsin" at offset 12.
  KontaktFile& Hsin();
  // The version field at offset 16, then the head tag at offset 20.
  KontaktFile& HeadTag(VersionField field, std::string_view tag);
  // The tag at tail position `position`, the version field in the four bytes before it.
  KontaktFile& TailTag(size_t position, VersionField field, std::string_view tag);
  // Bytes at a file offset, for files that stray from the layout on purpose.
  KontaktFile& At(size_t offset, std::string_view piece);
  KontaktFile& At(size_t offset, VersionField field);

  std::string Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// A 256-byte head: the version field as given, then tag at offset 20.
std::string HeadTaggedFile(VersionField field, std::string_view tag);

// A file of size bytes with "hsin" at offset 12; the tail holds field and then tag, so that
// the tag ends tagEndFromEnd bytes before the file's end.
std::string TailTaggedFile(size_t size, VersionField field, std::string_view tag,
                           size_t tagEndFromEnd = 16);

}  // namespace testing_support
