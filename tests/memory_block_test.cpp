#include "platform/memory_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "platform/runtime_exception.h"

namespace {

using namespace std::string_view_literals;

TEST(MemoryBlockTest, ByteGivesEveryValueUnsigned) {
  std::string all;
  for (int value = 0; value < 256; ++value) {
    all.push_back(static_cast<char>(value));
  }
  const auto mb = platform::MemoryBlock::Operator_Convert(all);
  ASSERT_EQ(mb->Size(), 256);
  for (int32_t offset = 0; offset < 256; ++offset) {
    EXPECT_EQ(mb->Byte(offset), offset);
  }
}

TEST(MemoryBlockTest, ByteOutsideTheBlockRaises) {
  const auto mb = platform::MemoryBlock::Operator_Convert("abcd");
  for (const int64_t offset :
       {int64_t{-1}, int64_t{-4}, int64_t{4}, int64_t{5}, std::numeric_limits<int64_t>::min(),
        std::numeric_limits<int64_t>::max()}) {
    SCOPED_TRACE(offset);
    EXPECT_THROW(mb->Byte(offset), platform::OutOfBoundsException);
  }
  EXPECT_THROW(platform::MemoryBlock::Operator_Convert("")->Byte(0),
               platform::OutOfBoundsException);
}

TEST(MemoryBlockTest, StringValueGivesOnlyTheInsidePartOfTheRun) {
  const auto mb = platform::MemoryBlock::Operator_Convert("abcdef");
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  struct Row {
    int32_t offset, length;
    std::string_view expected;
  };
  const Row rows[] = {
      {0, 4, "abcd"},   {2, 4, "cdef"},   {4, 4, "ef"},  {6, 1, ""},  {10, 2, ""},
      {-2, 4, "ab"},    {-10, 4, ""},     {2, 0, ""},    {2, -1, ""}, {0, kMax, "abcdef"},
      {kMax, kMax, ""}, {kMin, kMax, ""}, {kMin, 4, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.offset << ", " << row.length);
    EXPECT_EQ(mb->StringValue(row.offset, row.length), row.expected);
  }
}

TEST(MemoryBlockTest, ConvertCopiesEveryByteIncludingNul) {
  std::string source("K\0n\xff"sv);
  const auto mb = platform::MemoryBlock::Operator_Convert(source);
  source[0] = 'X';
  EXPECT_EQ(mb->Size(), 4);
  EXPECT_EQ(mb->StringValue(0, 4), "K\0n\xff"sv);
  EXPECT_EQ(mb->Byte(3), 255);
}

}  // namespace
