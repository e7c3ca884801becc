// Feeds arbitrary file names and contents to the detection. Only the exceptions the layer
// documents for bad input may leave it; anything else, a wrong answer or a leaked descriptor is
// a finding.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "platform/folder_item.h"
#include "platform/runtime_exception.h"
#include "tests/support/temp_dir.h"
#include "version_detection/bas_kontakt_version.h"

namespace {

constexpr std::string_view kUntouched = "untouched";

// A first byte below 0x80 picks one of these names.
constexpr std::string_view kNames[] = {
    "a.nki", "b.nkm", "c.nkb",        "D.NKI",     "e.Nkm",        "\xff\xfe.nki", "f.nki.bak",
    "nki",   ".nk",   "g.nk\xc3\xaf", "h i.j.nkb", "\xc3\xa9.nki", "k.nkx",
};
// Otherwise its low four bits give the length of a name taken from the input, and the next two
// bits one of these endings.
constexpr std::string_view kEndings[] = {".nki", ".NKM", ".nkB", ""};

void Require(bool holds) {
  if (!holds) {
    std::abort();
  }
}

// Takes the name off the front of the input; '/' and NUL cannot stand in a file name.
std::string TakeName(std::string_view& input) {
  const auto selector = static_cast<unsigned char>(input.front());
  input.remove_prefix(1);
  if (selector < 0x80) {
    return std::string(kNames[selector % std::size(kNames)]);
  }
  std::string name(input.substr(0, (selector & 0x0Fu) + 1u));
  input.remove_prefix(name.size());
  for (char& c : name) {
    if (c == '/' || c == '\0') {
      c = '_';
    }
  }
  name += kEndings[(selector >> 4) & 0x3u];
  if (name.empty() || name == "." || name == "..") {
    name += '_';
  }
  return name;
}

bool WriteFile(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    return false;
  }
  const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return close(fd) == 0 && written;
}

// The lowest free descriptor: the same before and after a call when the call leaked none.
int LowestFreeDescriptor() {
  const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  close(fd);
  return fd;
}

bool IsNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0')) {
    return false;
  }
  int value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') {
      return false;
    }
    value = value * 10 + (c - '0');
  }
  return value <= 255;
}

// The name, " is Kontakt Version " and four numbers of 0 to 255 joined by ".", nothing more.
bool IsAnswer(std::string_view s, const std::string& name) {
  const std::string lead = name + " is Kontakt Version ";
  if (s.substr(0, lead.size()) != lead) {
    return false;
  }
  s.remove_prefix(lead.size());
  for (int number = 0; number < 4; ++number) {
    const size_t dot = number < 3 ? s.find('.') : s.size();
    if (dot == std::string_view::npos || !IsNumber(s.substr(0, dot))) {
      return false;
    }
    s.remove_prefix(number < 3 ? dot + 1 : dot);
  }
  return s.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) {
    return 0;
  }
  static const testing_support::TempDir folder;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string name = TakeName(input);
  const std::string path = folder.Path() + "/" + name;
  if (!WriteFile(path, input)) {
    unlink(path.c_str());
    return 0;
  }

  const int freeBefore = LowestFreeDescriptor();
  std::string s(kUntouched);
  try {
    const int32_t result =
        basKontaktVersion::ShowKontaktVersion(std::make_shared<platform::FolderItem>(path), s);
    Require(result == basKontaktVersion::kFound
                ? IsAnswer(s, name)
                : result == basKontaktVersion::kNotFound && s == kUntouched);
  } catch (const platform::OutOfBoundsException&) {
    Require(s == kUntouched);
  } catch (const platform::IOException&) {
    Require(s == kUntouched);
  }
  Require(LowestFreeDescriptor() == freeBefore);
  unlink(path.c_str());
  return 0;
}
