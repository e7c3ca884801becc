#include "platform/desktop.h"

#include "platform/runtime_exception.h"

namespace platform {
namespace {
Desktop* current = nullptr;
}  // namespace

Desktop& CurrentDesktop() {
  if (current == nullptr) {
    throw RuntimeException("no desktop is available to the framework");
  }
  return *current;
}

ScopedDesktop::ScopedDesktop(Desktop& desktop) : previous_(current) {
  current = &desktop;
}

ScopedDesktop::~ScopedDesktop() {
  current = previous_;
}

}  // namespace platform
