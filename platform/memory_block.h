// The framework's byte buffer. It never reads outside its own storage.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class MemoryBlock {
 public:
  // A new block holding the bytes of s (taken over, not copied, when s is a temporary).
  static std::shared_ptr<MemoryBlock> Operator_Convert(std::string s);

  explicit MemoryBlock(std::string bytes);

  int32_t Size() const noexcept { return static_cast<int32_t>(bytes_.size()); }
  // The byte at offset, 0 to 255; an offset outside the block raises OutOfBoundsException.
  int32_t Byte(int64_t offset) const;
  // The bytes of the run [offset, offset + length) that lie inside the block: a run that
  // reaches past either end gives only its inside part, possibly nothing. Inline because the
  // tail scan asks for a run at each of its 508 positions.
  std::string_view StringValue(int32_t offset, int32_t length) const noexcept {
    const int64_t begin = std::max<int64_t>(offset, 0);
    const int64_t end = std::min<int64_t>(int64_t{offset} + std::max(length, 0), Size());
    if (begin >= end) {
      return {};
    }
    return std::string_view(bytes_).substr(static_cast<size_t>(begin),
                                           static_cast<size_t>(end - begin));
  }

 private:
  std::string bytes_;
};

}  // namespace platform
