// The framework's registry of document file types: the desktop learns of each registration,
// and an open dialog finds the registered types again by the names in its filter text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.h"

namespace platform {

// Registers the type under name, replacing an earlier registration of that name.
void RuntimeRegisterFileType(const std::string& name, const std::string& creator,
                             const std::string& type, const std::string& extensions);
void RuntimeDeregisterFileType(const std::string& name);

// The registered types named in filter (names joined by ";"), in the filter's order; a name
// that is not registered contributes nothing.
std::vector<FileTypeRecord> RegisteredFileTypes(std::string_view filter);

}  // namespace platform
