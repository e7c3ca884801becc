#include "platform/runtime.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/background_task.h"
#include "platform/desktop.h"
#include "platform/menu_item.h"

namespace platform {
namespace {

struct Framework {
  ExceptionHelper exceptionHelper = nullptr;
  std::shared_ptr<Application> app;
  bool ranToQuit = false;
};

Framework& State() {
  static Framework framework;
  return framework;
}

void ServeDesktopEvents() {
  CurrentDesktop().ServeEvents();
}

void CallEventClosure(void* closure) {
  (*static_cast<std::function<void()>*>(closure))();
}

// Every call from the event loop into the program passes through the exception helper that
// start-up handed over, so that a RuntimeException is reported instead of unwinding the loop.
void RaiseEvent(std::function<void()> event) {
  const ExceptionHelper helper = State().exceptionHelper;
  if (helper == nullptr) {
    event();
    return;
  }
  if (const std::exception_ptr caught = helper(&CallEventClosure, &event)) {
    try {
      std::rethrow_exception(caught);
    } catch (const RuntimeException& exception) {
      RuntimeUnhandledException(exception);
    }
  }
}

// Turns what happens in the desktop's loop into the application's events.
class ApplicationEvents final : public EventSink {
 public:
  void Started(const std::vector<std::string>& documents) override {
    RaiseEvent([] { State().app->Event_Open(); });
    for (const std::string& path : documents) {
      DocumentDropped(path);
    }
    if (documents.empty()) {
      RaiseEvent([] { State().app->Event_NewDocument(); });
    }
  }

  void DocumentDropped(const std::string& path) override {
    RaiseEvent([path] { State().app->Event_OpenDocument(std::make_shared<FolderItem>(path)); });
  }

  void MenuItemChosen(const std::shared_ptr<MenuItem>& item) override {
    RaiseEvent([item] {
      if (!item) {
        RaiseNilObjectException();
      }
      item->Event_Action();
    });
  }
};

}  // namespace

void RuntimeInit() {
  State() = Framework{};
}

void RuntimeSetExceptionHelper(ExceptionHelper helper) {
  State().exceptionHelper = helper;
}

void RunFrameworkInitialization(void (*startup)()) {
  startup();
}

void RuntimeInitExternalClasses() {}

void RuntimeAllocatePluginEntrypointsTable(int32_t /*count*/) {}

void RuntimeRegisterAppObject(std::shared_ptr<Application> app) {
  State().app = std::move(app);
}

void RuntimeRun() {
  if (!State().app) {
    throw RuntimeException("no application object has been registered");
  }
  const ScopedBackgroundTaskHook serveDuringLongWork(&ServeDesktopEvents);
  ApplicationEvents events;
  CurrentDesktop().Run(events);
  State().ranToQuit = true;
}

void RuntimeUnhandledException(const RuntimeException& exception) {
  std::string text = std::string("An exception of class ") + exception.ClassName() +
                     " was not handled.\n\n" + exception.Message();
  if (exception.ErrorNumber() != 0) {
    text += " (error " + std::to_string(exception.ErrorNumber()) + ")";
  }
  CurrentDesktop().ShowError(exception.ClassName(), text);
}

int32_t RuntimeExit() {
  const int32_t status = State().ranToQuit ? 0 : 1;
  State() = Framework{};
  return status;
}

}  // namespace platform
