// The framework's byte buffer. It never reads outside its own storage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class MemoryBlock {
 public:
  // A new block holding a copy of the bytes of s.
  static std::shared_ptr<MemoryBlock> Operator_Convert(std::string_view s);

  explicit MemoryBlock(std::string bytes);

  int32_t Size() const noexcept { return static_cast<int32_t>(bytes_.size()); }
  // The byte at offset, 0 to 255; an offset outside the block raises OutOfBoundsException.
  int32_t Byte(int64_t offset) const;
  // The bytes of the run [offset, offset + length) that lie inside the block: a run that
  // reaches past either end gives only its inside part, possibly nothing.
  std::string_view StringValue(int32_t offset, int32_t length) const noexcept;

 private:
  std::string bytes_;
};

}  // namespace platform
