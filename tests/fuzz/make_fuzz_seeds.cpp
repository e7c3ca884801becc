// Writes the fuzzer's seed corpus: one file per Kontakt layout, each a name selector byte (0
// picks "a.nki") followed by the file's bytes.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "tests/support/kontakt_files.h"

namespace {

using testing_support::KontaktFile;

// The name selector byte in front of the file's bytes.
std::string Seed(char nameSelector, const KontaktFile& file) {
  return std::string(1, nameSelector) + file.Bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  const testing_support::VersionField version{4, 2, 3, 0};
  const testing_support::VersionField reversed{0, 3, 2, 4};
  // The newer layouts' version 1.2.3.4, stored least significant byte first.
  const testing_support::VersionField tailVersion{4, 3, 2, 1};
  const std::pair<const char*, std::string> seeds[] = {
      {"kon4", Seed('\0', KontaktFile(300).HeadTag(version, "Kon4"))},
      {"rev4nok", Seed('\1', KontaktFile(300).HeadTag(reversed, "4noK"))},
      {"kon2-short", Seed('\3', KontaktFile(24).HeadTag(version, "Kon2"))},
      {"hsin-5nok", Seed('\0', KontaktFile(1024).Hsin().TailTag(100, tailVersion, "5noK"))},
      {"hsin-6nok-507", Seed('\2', KontaktFile(1024).Hsin().TailTag(507, tailVersion, "6noK"))},
      {"container-6nok",
       Seed('\0', KontaktFile(1024).ContainerSignature().TailTag(200, tailVersion, "6noK"))},
      {"container-short",
       Seed('\0', KontaktFile(100).ContainerSignature().TailTag(40, tailVersion, "5noK"))},
      {"hsin-512", Seed('\0', KontaktFile(512).Hsin().TailTag(300, tailVersion, "5noK"))},
      {"hsin-tag-at-2", Seed('\0', KontaktFile(1024).Hsin().TailTag(2, tailVersion, "5noK"))},
      {"hsin-no-tag", Seed('\0', KontaktFile(700).Hsin())},
      // A name from the input: four bytes, then ".nki".
      {"odd-name", "\x83\xff\xfe/x" + KontaktFile(300).HeadTag(version, "Kon3").Bytes()},
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
