// Bytes of Kontakt files in the layouts the detection reads.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace testing_support {

// A 256-byte head: the four bytes at offsets 16 to 19 as given, then tag at offset 20.
std::string HeadTaggedFile(std::array<uint8_t, 4> field, std::string_view tag);

// A file of size bytes with "hsin" at offset 12; the tail holds field and then tag, so that
// the tag ends tagEndFromEnd bytes before the file's end.
std::string TailTaggedFile(size_t size, std::array<uint8_t, 4> field, std::string_view tag,
                           size_t tagEndFromEnd = 16);

}  // namespace testing_support
