// Writes two small Kontakt files to try the program on, one of each layout family:
//   kontakt4.nki  answers "kontakt4.nki is Kontakt Version 4.2.3.0" (version in the head)
//   kontakt5.nkm  answers "kontakt5.nkm is Kontakt Version 5.8.1.0" (version in the tail)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/kontakt_files.h"

namespace {

using testing_support::KontaktFile;

// Version numbers stored first to last, followed by the forward tag.
std::string Kontakt4Instrument() {
  return KontaktFile(300).HeadTag({4, 2, 3, 0}, "Kon4").Bytes();
}

// "hsin" in the head; in the tail the version stored least significant first, then the reversed
// tag, placed well away from the tail's ends so that neither edge case decides the answer.
std::string Kontakt5Multi() {
  return KontaktFile(2048).Hsin().TailTag(300, {0, 1, 8, 5}, "5noK").Bytes();
}

bool Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_sample_files: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_files FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "make_sample_files: cannot create %s\n", folder.c_str());
    return 1;
  }
  const bool written = Write(folder / "kontakt4.nki", Kontakt4Instrument()) &&
                       Write(folder / "kontakt5.nkm", Kontakt5Multi());
  return written ? 0 : 1;
}
