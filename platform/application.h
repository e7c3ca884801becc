// The framework's application object: the program subclasses it to handle the events that the
// framework raises from its event loop.
#pragma once

#include <memory>

#include "platform/folder_item.h"
#include "platform/menu_item.h"

namespace platform {

class Application {
 public:
  Application() = default;
  virtual ~Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Raised once the application has opened, before any document event.
  virtual void Event_Open() {}
  // Raised for each document handed to the program.
  virtual void Event_OpenDocument(const std::shared_ptr<FolderItem>& /*item*/) {}
  // Raised when the program was started with no document.
  virtual void Event_NewDocument() {}

  // When on, the framework may end the program once its last window has closed.
  bool AutoQuit() const noexcept { return autoQuit_; }
  void AutoQuit(bool on);

  const std::shared_ptr<platform::MenuBar>& MenuBar() const noexcept { return menuBar_; }
  // The desktop shows this menu bar from now on.
  void MenuBar(std::shared_ptr<platform::MenuBar> bar);

 private:
  bool autoQuit_ = true;
  std::shared_ptr<platform::MenuBar> menuBar_;
};

}  // namespace platform
