#include "platform/background_task.h"

#include <utility>

namespace platform {
namespace {
BackgroundTaskHook installedHook = nullptr;
}  // namespace

void RuntimeBackgroundTask() {
  if (installedHook != nullptr) {
    installedHook();
  }
}

BackgroundTaskHook SetBackgroundTaskHook(BackgroundTaskHook hook) noexcept {
  return std::exchange(installedHook, hook);
}

}  // namespace platform
