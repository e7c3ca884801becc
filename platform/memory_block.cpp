#include "platform/memory_block.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/runtime_exception.h"

namespace platform {

std::shared_ptr<MemoryBlock> MemoryBlock::Operator_Convert(std::string_view s) {
  if (s.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw OutOfBoundsException("a memory block holds at most 2147483647 bytes");
  }
  return std::make_shared<MemoryBlock>(std::string(s));
}

MemoryBlock::MemoryBlock(std::string bytes) : bytes_(std::move(bytes)) {}

int32_t MemoryBlock::Byte(int64_t offset) const {
  if (offset < 0 || offset >= Size()) {
    throw OutOfBoundsException("byte offset " + std::to_string(offset) +
                               " lies outside a block of " + std::to_string(Size()) + " bytes");
  }
  return static_cast<unsigned char>(bytes_[static_cast<size_t>(offset)]);
}

std::string_view MemoryBlock::StringValue(int32_t offset, int32_t length) const noexcept {
  const int64_t begin = std::max<int64_t>(offset, 0);
  const int64_t end = std::min<int64_t>(int64_t{offset} + std::max(length, 0), Size());
  if (begin >= end) {
    return {};
  }
  return std::string_view(bytes_).substr(static_cast<size_t>(begin),
                                          static_cast<size_t>(end - begin));
}

}  // namespace platform
