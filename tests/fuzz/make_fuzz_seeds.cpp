// Writes the fuzzer's seed corpus: one file per Kontakt layout, each a name selector byte (0
// picks "a.nki") followed by the file's bytes.
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace {

std::string FileOf(size_t size, std::initializer_list<std::pair<size_t, std::string_view>> pieces) {
  std::string bytes(size, '\0');
  for (const auto& [at, piece] : pieces) {
    bytes.replace(at, piece.size(), piece);
  }
  return bytes;
}

// A newer-layout file with marker at markerAt and a tag at tail position p (tail: the last 512
// bytes, or all of a shorter file), the version field 1.2.3.4 in front of it.
std::string TailFile(size_t size, std::string_view marker, size_t markerAt, size_t p,
                     std::string_view tag) {
  const size_t at = size > 512 ? size - 512 + p : p;
  if (at < 4) {
    return FileOf(size, {{markerAt, marker}, {at, tag}});
  }
  return FileOf(size, {{markerAt, marker}, {at - 4, "\x04\x03\x02\x01"}, {at, tag}});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  const std::string_view container = "/\\ NI FC MTD  /\\";
  const std::string version("\x04\x02\x03\x00", 4);
  const std::string reversed("\x00\x03\x02\x04", 4);
  const std::pair<const char*, std::string> seeds[] = {
      {"kon4", std::string(1, '\0') + FileOf(300, {{16, version}, {20, "Kon4"}})},
      {"rev4nok", std::string(1, '\1') + FileOf(300, {{16, reversed}, {20, "4noK"}})},
      {"kon2-short", std::string(1, '\3') + FileOf(24, {{16, version}, {20, "Kon2"}})},
      {"hsin-5nok", std::string(1, '\0') + TailFile(1024, "hsin", 12, 100, "5noK")},
      {"hsin-6nok-507", std::string(1, '\2') + TailFile(1024, "hsin", 12, 507, "6noK")},
      {"container-6nok", std::string(1, '\0') + TailFile(1024, container, 0, 200, "6noK")},
      {"container-short", std::string(1, '\0') + TailFile(100, container, 0, 40, "5noK")},
      {"hsin-512", std::string(1, '\0') + TailFile(512, "hsin", 12, 300, "5noK")},
      {"hsin-tag-at-2", std::string(1, '\0') + TailFile(1024, "hsin", 12, 2, "5noK")},
      {"hsin-no-tag", std::string(1, '\0') + FileOf(700, {{12, "hsin"}})},
      // A name from the input: four bytes, then ".nki".
      {"odd-name", "\x83\xff\xfe/x" + FileOf(300, {{16, version}, {20, "Kon3"}})},
  };
  for (const auto& [name, bytes] : seeds) {
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write seed %s\n", name);
      return 1;
    }
  }
  return 0;
}
