#include "platform/binary_stream.h"
#include "platform/runtime_string.h"
#include "version_detection/bas_kontakt_version.h"

namespace basKontaktVersion {
namespace {

constexpr int32_t kHeadSize = 256;
constexpr int32_t kTailSize = 512;
constexpr std::string_view kContainerSignature = "/\\ NI FC MTD  /\\";

bool Equals(std::string_view a, std::string_view b) {
  return platform::RuntimeStringCompare(a, b) == 0;
}

bool IsKontaktExtension(const std::string& ext) {
  return Equals(ext, ".nki") || Equals(ext, ".nkm") || Equals(ext, ".nkb");
}

}  // namespace

int32_t ShowKontaktVersion(const std::shared_ptr<platform::FolderItem>& f, std::string& s) {
  int32_t result = kNotFound;
  if (!f || !f->Exists() || !IsKontaktExtension(GetExt(f->Name()))) {
    return result;
  }
  const uint64_t length = f->Length();
  const auto stream = platform::BinaryStream::Open(f, false);
  auto mb = platform::MemoryBlock::Operator_Convert(stream->Read(kHeadSize));

  bool tailPath = false;
  if (Equals(mb->StringValue(12, 4), "hsin")) {
    tailPath = true;
  } else {
    const std::string_view tag = mb->StringValue(20, 4);
    if (Equals(tag, "Kon2") || Equals(tag, "Kon3") || Equals(tag, "Kon4")) {
      s = GetVerStr(f, mb, 16, true);
      result = kFound;
    } else if (Equals(tag, "2noK") || Equals(tag, "3noK") || Equals(tag, "4noK")) {
      s = GetVerStr(f, mb, 16, false);
      result = kFound;
    } else if (Equals(mb->StringValue(0, 16), kContainerSignature)) {
      tailPath = true;
    }
  }

  if (tailPath) {
    // A file shorter than its tail is scanned whole rather than from a wrapped position.
    stream->Position(length > kTailSize ? length - kTailSize : 0);
    mb = platform::MemoryBlock::Operator_Convert(stream->Read(kTailSize));
    if (GetVerK56(f, mb, s)) {
      result = kFound;
    }
  }
  stream->Close();
  return result;
}

}  // namespace basKontaktVersion
