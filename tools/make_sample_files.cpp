// Writes two small Kontakt files to try the program on, one of each layout family:
//   kontakt4.nki  answers "kontakt4.nki is Kontakt Version 4.2.3.0" (version in the head)
//   kontakt5.nkm  answers "kontakt5.nkm is Kontakt Version 5.8.1.0" (version in the tail)
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

void Put(std::string& bytes, size_t at, std::string_view piece) {
  bytes.replace(at, piece.size(), piece);
}

// Version numbers stored first to last, followed by the forward tag.
std::string Kontakt4Instrument() {
  std::string bytes(300, '\0');
  Put(bytes, 16, std::string_view("\x04\x02\x03\x00", 4));
  Put(bytes, 20, "Kon4");
  return bytes;
}

// "hsin" in the head; in the tail the version stored least significant first, then the reversed
// tag, placed well away from the tail's ends so that neither edge case decides the answer.
std::string Kontakt5Multi() {
  constexpr size_t kSize = 2048;
  constexpr size_t kTagAt = kSize - 512 + 300;
  std::string bytes(kSize, '\0');
  Put(bytes, 12, "hsin");
  Put(bytes, kTagAt - 4, std::string_view("\x00\x01\x08\x05", 4));
  Put(bytes, kTagAt, "5noK");
  return bytes;
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
