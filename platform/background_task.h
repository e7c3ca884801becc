// The framework's background-task hook: long work calls it so the event loop stays served.
#pragma once

namespace platform {

using BackgroundTaskHook = void (*)();

namespace detail {
inline BackgroundTaskHook installedHook = nullptr;
}  // namespace detail

// Inline: the tail scan calls it at each of up to 508 positions, mostly with no hook installed.
inline void RuntimeBackgroundTask() {
  if (detail::installedHook != nullptr) {
    detail::installedHook();
  }
}

// Installs the routine that RuntimeBackgroundTask calls (nullptr: none); returns the previous.
BackgroundTaskHook SetBackgroundTaskHook(BackgroundTaskHook hook) noexcept;

// Installs a hook for the lifetime of this object, then puts the previous one back.
class ScopedBackgroundTaskHook {
 public:
  explicit ScopedBackgroundTaskHook(BackgroundTaskHook hook) noexcept
      : previous_(SetBackgroundTaskHook(hook)) {}
  ~ScopedBackgroundTaskHook() { SetBackgroundTaskHook(previous_); }
  ScopedBackgroundTaskHook(const ScopedBackgroundTaskHook&) = delete;
  ScopedBackgroundTaskHook& operator=(const ScopedBackgroundTaskHook&) = delete;

 private:
  BackgroundTaskHook previous_;
};

}  // namespace platform
