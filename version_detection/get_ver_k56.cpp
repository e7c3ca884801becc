#include "platform/background_task.h"
#include "platform/runtime_exception.h"
#include "platform/runtime_string.h"
#include "version_detection/bas_kontakt_version.h"

namespace basKontaktVersion {

bool GetVerK56(const std::shared_ptr<platform::FolderItem>& f,
               const std::shared_ptr<platform::MemoryBlock>& mb, std::string& s) {
  if (!mb) {
    platform::RaiseNilObjectException();
  }
  // The last position looked at is Size - 5: a tag in the block's last four bytes is not found.
  for (int32_t p = 0; !(mb->Size() - 5 < p); ++p) {
    const std::string_view t = mb->StringValue(p, 4);
    if (platform::RuntimeStringCompare(t, "5noK") == 0 ||
        platform::RuntimeStringCompare(t, "6noK") == 0) {
      s = GetVerStr(f, mb, p - 4, false);
      return true;
    }
    platform::RuntimeBackgroundTask();
  }
  return false;
}

}  // namespace basKontaktVersion
