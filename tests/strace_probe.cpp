// Runs one detection on the file named by its argument and prints the result code and the answer,
// so that scripts/strace_check.sh can watch exactly the system calls a detection makes.
#include <iostream>
#include <memory>
#include <string>

#include "version_detection/bas_kontakt_version.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: strace_probe FILE\n";
    return 2;
  }
  const auto file = std::make_shared<platform::FolderItem>(argv[1]);
  std::string answer;
  const int32_t result = basKontaktVersion::ShowKontaktVersion(file, answer);
  std::cout << result << ' ' << answer << '\n';
  return result == basKontaktVersion::kFound ? 0 : 1;
}
