#include "tests/support/kontakt_files.h"

#include <algorithm>
#include <stdexcept>

namespace testing_support {

namespace {

constexpr size_t kHsinOffset = 12;
constexpr size_t kHeadTagOffset = 20;

}  // namespace

size_t TailOffset(size_t size, size_t position) {
  return size > kTailSize ? size - kTailSize + position : position;
}

KontaktFile::KontaktFile(size_t size, char filler) : bytes_(size, filler) {}

KontaktFile& KontaktFile::ContainerSignature() {
  return At(0, kContainerSignature);
}

KontaktFile& KontaktFile::Hsin() {
  return At(kHsinOffset, "hsin");
}

KontaktFile& KontaktFile::HeadTag(VersionField field, std::string_view tag) {
  return At(kHeadTagOffset - field.size(), field).At(kHeadTagOffset, tag);
}

KontaktFile& KontaktFile::TailTag(size_t position, VersionField field, std::string_view tag) {
  // Positions count within the tail, which the tag must not outrun; its field may begin before
  // the tail, as in a file whose tag stands at one of the tail's first positions.
  if (position + tag.size() > std::min(bytes_.size(), kTailSize)) {
    throw std::out_of_range("the tag does not fit in the tail");
  }
  const size_t offset = TailOffset(bytes_.size(), position);
  return At(offset - field.size(), field).At(offset, tag);
}

KontaktFile& KontaktFile::At(size_t offset, std::string_view piece) {
  if (offset > bytes_.size() || piece.size() > bytes_.size() - offset) {
    throw std::out_of_range("a piece does not fit in the file");
  }
  bytes_.replace(offset, piece.size(), piece);
  return *this;
}

KontaktFile& KontaktFile::At(size_t offset, VersionField field) {
  return At(offset, std::string_view(reinterpret_cast<const char*>(field.data()), field.size()));
}

std::string HeadTaggedFile(VersionField field, std::string_view tag) {
  return KontaktFile(kHeadSize).HeadTag(field, tag).Bytes();
}

std::string TailTaggedFile(size_t size, VersionField field, std::string_view tag,
                           size_t tagEndFromEnd) {
  const size_t tagOffset = size - tagEndFromEnd - tag.size();
  return KontaktFile(size).Hsin().TailTag(tagOffset - TailOffset(size, 0), field, tag).Bytes();
}

}  // namespace testing_support
