#include "platform/runtime_string.h"
#include "version_detection/bas_kontakt_version.h"

namespace basKontaktVersion {

std::string GetExt(const std::string& name) {
  return platform::Lowercase(platform::Right(name, 4));
}

}  // namespace basKontaktVersion
