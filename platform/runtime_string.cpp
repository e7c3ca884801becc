#include "platform/runtime_string.h"

namespace platform {
namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 1 for a byte that starts none.
size_t CharacterLength(std::string_view s, size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    minimum = 0x10000;
  } else {
    return 1;
  }
  if (i + length > s.size()) {
    return 1;
  }
  char32_t code = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0) != 0x80) {
      return 1;
    }
    code = (code << 6) | (next & 0x3F);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < minimum || code > 0x10FFFF || surrogate) {
    return 1;
  }
  return length;
}

}  // namespace

std::string RuntimeAddString(std::string_view a, std::string_view b) {
  std::string joined;
  joined.reserve(a.size() + b.size());
  joined.append(a).append(b);
  return joined;
}

std::string Str(int64_t n) {
  return std::to_string(n);
}

std::string Right(std::string_view s, int64_t n) {
  if (n <= 0) {
    return {};
  }
  // Characters are told apart only from the front, so count them, then skip all but the last n.
  uint64_t characters = 0;
  for (size_t i = 0; i < s.size(); i += CharacterLength(s, i)) {
    ++characters;
  }
  size_t start = 0;
  for (uint64_t skip = characters > static_cast<uint64_t>(n) ? characters - static_cast<uint64_t>(n)
                                                             : 0;
       skip > 0; --skip) {
    start += CharacterLength(s, start);
  }
  return std::string(s.substr(start));
}

std::string Lowercase(std::string_view s) {
  std::string lowered(s);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return lowered;
}

std::string ReplaceAll(std::string_view source, std::string_view find,
                       std::string_view replacement) {
  if (find.empty()) {
    return std::string(source);
  }
  std::string result;
  result.reserve(source.size());
  size_t from = 0;
  for (size_t hit = source.find(find); hit != std::string_view::npos;
       hit = source.find(find, from)) {
    result.append(source.substr(from, hit - from)).append(replacement);
    from = hit + find.size();
  }
  result.append(source.substr(from));
  return result;
}

}  // namespace platform
