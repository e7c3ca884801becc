#include "platform/runtime.h"

#include <cctype>
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

// What the user is told of an exception that nothing caught: the file it concerns, when known,
// and why in plain words; the class, error number and message go into the details.
void Report(const RuntimeException& exception, const std::string& documentName) {
  const auto* ioException = dynamic_cast<const IOException*>(&exception);
  const std::string& name = ioException != nullptr && !ioException->FileName().empty()
                                ? ioException->FileName()
                                : documentName;
  std::string text;
  if (name.empty() && exception.ErrorNumber() != 0) {
    // Not about a file (a failed file-type registration, say): the reasons for files would not
    // be true of it.
    text = "The system reported an error: " + SystemErrorText(exception.ErrorNumber());
  } else if (name.empty()) {
    text = exception.Reason();
    if (!text.empty()) {
      text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    }
  } else {
    text = "Could not read \u201c" + name + "\u201d: " + exception.Reason();
  }
  text += ".";
  std::string details = exception.ClassName();
  if (exception.ErrorNumber() != 0) {
    details += " (error " + std::to_string(exception.ErrorNumber()) + ")";
  }
  details += ": " + exception.Message();
  CurrentDesktop().ShowWarning(text, details);
}

// Every call from the event loop into the program passes through the exception helper that
// start-up handed over, so that a RuntimeException is reported instead of unwinding the loop.
// documentName: the document the event was raised for, if any.
void RaiseEvent(std::function<void()> event, const std::string& documentName = {}) {
  const ExceptionHelper helper = State().exceptionHelper;
  if (helper == nullptr) {
    event();
    return;
  }
  if (const std::exception_ptr caught = helper(&CallEventClosure, &event)) {
    try {
      std::rethrow_exception(caught);
    } catch (const RuntimeException& exception) {
      Report(exception, documentName);
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
    auto document = std::make_shared<FolderItem>(path);
    RaiseEvent([document] { State().app->Event_OpenDocument(document); }, document->Name());
  }

  void NewDocumentRequested() override {
    RaiseEvent([] { State().app->Event_NewDocument(); });
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
  Report(exception, {});
}

int32_t RuntimeExit() {
  const int32_t status = State().ranToQuit ? 0 : 1;
  State() = Framework{};
  return status;
}

}  // namespace platform
