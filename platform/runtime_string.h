// The framework's string operations. Strings are byte strings holding UTF-8 text; bytes
// that are not valid UTF-8 are kept as they are and count as one character each.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Byte-wise comparison, letter case included: negative, 0 (equal) or positive.
// Inline, and runs that differ in their first byte settled without a library memcmp call: the
// tail scan compares at each of its 508 positions, and those calls dominated a whole detection.
inline int RuntimeStringCompare(std::string_view a, std::string_view b) noexcept {
  if (!a.empty() && !b.empty() && a.front() != b.front()) {
    return static_cast<unsigned char>(a.front()) < static_cast<unsigned char>(b.front()) ? -1 : 1;
  }
  const int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::string RuntimeAddString(std::string_view a, std::string_view b);

// Decimal text of n: no padding, a minus sign only for negative values.
std::string Str(int64_t n);

// The last n characters of s (all of s when it has fewer).
std::string Right(std::string_view s, int64_t n);

// ASCII letters lowered; every other byte is kept, so any name survives unchanged but for case.
std::string Lowercase(std::string_view s);

// Each non-overlapping occurrence of find, from the left, replaced by replacement.
std::string ReplaceAll(std::string_view source, std::string_view find,
                       std::string_view replacement);

}  // namespace platform
