#include "platform/file_type_registry.h"

#include <functional>
#include <map>
#include <utility>

namespace platform {
namespace {

std::map<std::string, FileTypeRecord, std::less<>>& Registry() {
  static std::map<std::string, FileTypeRecord, std::less<>> registry;
  return registry;
}

}  // namespace

// The desktop is told first, so a registration it refuses with an exception is not kept.
void RuntimeRegisterFileType(const std::string& name, const std::string& creator,
                             const std::string& type, const std::string& extensions) {
  FileTypeRecord record{name, creator, type, extensions};
  CurrentDesktop().RegisterFileType(record);
  Registry().insert_or_assign(name, std::move(record));
}

void RuntimeDeregisterFileType(const std::string& name) {
  CurrentDesktop().DeregisterFileType(name);
  Registry().erase(name);
}

std::vector<FileTypeRecord> RegisteredFileTypes(std::string_view filter) {
  std::vector<FileTypeRecord> types;
  size_t from = 0;
  while (from <= filter.size()) {
    size_t end = filter.find(';', from);
    if (end == std::string_view::npos) {
      end = filter.size();
    }
    if (const auto found = Registry().find(filter.substr(from, end - from));
        found != Registry().end()) {
      types.push_back(found->second);
    }
    from = end + 1;
  }
  return types;
}

}  // namespace platform
