#include "platform/runtime_exception.h"
#include "platform/runtime_string.h"
#include "version_detection/bas_kontakt_version.h"

namespace basKontaktVersion {

std::string GetVerStr(const std::shared_ptr<platform::FolderItem>& f,
                      const std::shared_ptr<platform::MemoryBlock>& mb, int32_t offset,
                      bool inOrder) {
  if (!f) {
    platform::RaiseNilObjectException();
  }
  std::string text = platform::RuntimeAddString(f->Name(), " is Kontakt Version ");
  for (int32_t number = 0; number < 4; ++number) {
    const int32_t k = inOrder ? number : 3 - number;
    if (!mb) {
      platform::RaiseNilObjectException();
    }
    // Widened so that no offset can overflow on its way to Byte, which rejects what lies outside.
    text += platform::Str(mb->Byte(int64_t{offset} + k));
    if (number < 3) {
      text += '.';
    }
  }
  return text;
}

}  // namespace basKontaktVersion
