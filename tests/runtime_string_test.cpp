#include "platform/runtime_string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace {

using namespace std::string_view_literals;

TEST(RuntimeStringTest, RightCountsCharactersNotBytes) {
  struct Row {
    std::string_view s;
    int64_t n;
    std::string_view expected;
  };
  const Row rows[] = {
      {"", 4, ""},
      {"abc", 4, "abc"},
      {"file.nki", 4, ".nki"},
      {"file.nki", 0, ""},
      {"file.nki", -1, ""},
      {"Fl\xc3\xb6te", 4, "l\xc3\xb6te"},                                    // two-byte letter
      {"a\xe2\x82\xac\xf0\x9f\x8e\xb9", 2, "\xe2\x82\xac\xf0\x9f\x8e\xb9"},  // three and four bytes
      {"\xff\xfe.nki", 4, ".nki"},  // invalid bytes count one each
      {"\xff\xfe.nki", 5, "\xfe.nki"},
      {"x\xe2\x82", 2, "\xe2\x82"},      // cut-off sequence: one per byte
      {"x\xc0\xaf", 1, "\xaf"},          // overlong encoding of "/"
      {"x\xed\xa0\x80", 2, "\xa0\x80"},  // encoded surrogate
      {"x\xf4\x90\x80\x80", 1, "\x80"},  // above U+10FFFF
      {"\xe2\x82\xac\x80", 1, "\x80"},   // stray continuation after a letter
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "n=" << row.n << " s=" << testing::PrintToString(row.s));
    EXPECT_EQ(platform::Right(row.s, row.n), row.expected);
  }
}

TEST(RuntimeStringTest, LowercaseLowersAsciiLettersOnly) {
  EXPECT_EQ(platform::Lowercase("A.NKI Zz@[`{"), "a.nki zz@[`{");
  // Non-ASCII letters and invalid bytes pass through byte for byte.
  EXPECT_EQ(platform::Lowercase("\xc3\x84\xc3\x96.NKM"), "\xc3\x84\xc3\x96.nkm");
  EXPECT_EQ(platform::Lowercase("\xff\xfe\xc1\xda"), "\xff\xfe\xc1\xda");
  EXPECT_EQ(platform::Lowercase("a\0B"sv), "a\0b"sv);
}

TEST(RuntimeStringTest, ReplaceAllReplacesFromTheLeftWithoutOverlap) {
  struct Row {
    std::string_view source, find, replacement, expected;
  };
  const Row rows[] = {
      {"a;;b", ";;", ";", "a;b"},
      {";;;", ";;", ";", ";;"},  // one pass: the third ";" is left for the caller to reduce
      {";;;;", ";;", ";", ";;"},
      {"a;;b;;;;c", ";;", ";", "a;b;;c"},
      {"abc", "", "x", "abc"},  // an empty find replaces nothing
      {"", ";", "x", ""},
      {"aaa", "a", "aa", "aaaaaa"},  // the replacement is not searched again
      {"abc", "abc", "", ""},
      {"abc", "abcd", "x", "abc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.source << " / " << row.find << " / " << row.replacement);
    EXPECT_EQ(platform::ReplaceAll(row.source, row.find, row.replacement), row.expected);
  }
}

TEST(RuntimeStringTest, StrGivesPlainDecimalDigits) {
  EXPECT_EQ(platform::Str(0), "0");
  EXPECT_EQ(platform::Str(7), "7");
  EXPECT_EQ(platform::Str(255), "255");
  EXPECT_EQ(platform::Str(-1), "-1");
  EXPECT_EQ(platform::Str(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

TEST(RuntimeStringTest, CompareIsExactBytesWithLetterCase) {
  EXPECT_EQ(platform::RuntimeStringCompare("Kon4", "Kon4"), 0);
  EXPECT_NE(platform::RuntimeStringCompare("Kon4", "kon4"), 0);
  EXPECT_NE(platform::RuntimeStringCompare("hsin", "HSIN"), 0);
  EXPECT_NE(platform::RuntimeStringCompare("Kon", "Kon4"), 0);
  EXPECT_EQ(platform::RuntimeStringCompare("", ""), 0);
  // Bytes after a NUL still count: these are byte strings, not C strings.
  EXPECT_NE(platform::RuntimeStringCompare("a\0b"sv, "a\0c"sv), 0);
  EXPECT_LT(platform::RuntimeStringCompare("ab", "abc"), 0);
  EXPECT_GT(platform::RuntimeStringCompare("b", "a"), 0);
  // Bytes order as unsigned values, as in memcmp, also when the first bytes settle it.
  EXPECT_GT(platform::RuntimeStringCompare("\x80", "a"), 0);
  EXPECT_LT(platform::RuntimeStringCompare("a\x01", "a\xff"), 0);
  EXPECT_EQ(platform::RuntimeAddString("x.nki", " is"), "x.nki is");
}

}  // namespace
