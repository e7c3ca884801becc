#include "platform/memory_block.h"

#include <limits>
#include <utility>

#include "platform/runtime_exception.h"

namespace platform {

std::shared_ptr<MemoryBlock> MemoryBlock::Operator_Convert(std::string s) {
  return std::make_shared<MemoryBlock>(std::move(s));
}

// Size is an Int32: a larger block could not tell its own size.
MemoryBlock::MemoryBlock(std::string bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw OutOfBoundsException("a memory block holds at most 2147483647 bytes");
  }
}

int32_t MemoryBlock::Byte(int64_t offset) const {
  if (offset < 0 || offset >= Size()) {
    throw OutOfBoundsException("byte offset " + std::to_string(offset) +
                               " lies outside a block of " + std::to_string(Size()) + " bytes");
  }
  return static_cast<unsigned char>(bytes_[static_cast<size_t>(offset)]);
}

}  // namespace platform
