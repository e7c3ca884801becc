#include "platform/application.h"

#include <utility>

#include "platform/desktop.h"

namespace platform {

void Application::AutoQuit(bool on) {
  autoQuit_ = on;
  CurrentDesktop().AutoQuit(on);
}

void Application::MenuBar(std::shared_ptr<platform::MenuBar> bar) {
  menuBar_ = std::move(bar);
  CurrentDesktop().InstallMenuBar(menuBar_);
}

}  // namespace platform
