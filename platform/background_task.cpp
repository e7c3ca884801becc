#include "platform/background_task.h"

#include <utility>

namespace platform {
BackgroundTaskHook SetBackgroundTaskHook(BackgroundTaskHook hook) noexcept {
  return std::exchange(detail::installedHook, hook);
}

}  // namespace platform
