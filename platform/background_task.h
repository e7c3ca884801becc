// The framework's background-task hook: long work calls it so the event loop stays served.
#pragma once

namespace platform {

using BackgroundTaskHook = void (*)();

void RuntimeBackgroundTask();

// Installs the routine that RuntimeBackgroundTask calls (nullptr: none); returns the previous.
BackgroundTaskHook SetBackgroundTaskHook(BackgroundTaskHook hook) noexcept;

}  // namespace platform
