#include "app/startup.h"

#include <memory>
#include <string>

#include "app/app.h"
#include "app/file_types1.h"
#include "app/menu_bar1.h"
#include "platform/runtime.h"

namespace app {
namespace {

// Whatever else escaped, in the terms of the framework's exceptions.
platform::RuntimeException Describe(std::exception_ptr escaped) {
  try {
    std::rethrow_exception(escaped);
  } catch (const std::exception& exception) {
    return platform::RuntimeException(exception.what());
  } catch (...) {
    return platform::RuntimeException("an exception of an unknown kind");
  }
}

}  // namespace

int32_t ProgramMain() {
  platform::RuntimeInit();
  // Every class's record (its parent, name, virtual operations and event bindings) is built by
  // the compiler, so there is nothing to initialise here.
  Main();
  Finalize();
  return platform::RuntimeExit();
}

void Main() {
  try {
    platform::RuntimeSetExceptionHelper(&CallFunctionWithExceptionHandling);
    platform::RunFrameworkInitialization(&Startup);
    platform::RuntimeRun();
  } catch (const platform::RuntimeException& exception) {
    UnhandledException(exception);
  } catch (...) {
    UnhandledException(Describe(std::current_exception()));
  }
}

void Startup() {
  platform::RuntimeInitExternalClasses();
  InitPluginEntrypoints();
  InitFileTypes();
  NewAppInstance();
  ApplicationAddMenuHandlers();
}

void InitPluginEntrypoints() {
  platform::RuntimeAllocatePluginEntrypointsTable(0);
}

void InitFileTypes() {
  FileTypes1::Initialize();
}

void NewAppInstance() {
  auto application = std::make_shared<App>();
  application->Constructor();
  application->MenuBar(MenuBar1::Instance());
  platform::RuntimeRegisterAppObject(application);
}

void ApplicationAddMenuHandlers() {}

void Finalize() {
  MenuBar1::_implicitInstance_Exit();
  FileTypes1::pNIKontaktInstrument_Exit();
  FileTypes1::pNIKontaktMulti_Exit();
  FileTypes1::pNIKontaktBank_Exit();
}

std::exception_ptr CallFunctionWithExceptionHandling(void (*routine)(void*), void* argument) {
  try {
    routine(argument);
    return nullptr;
  } catch (const platform::RuntimeException&) {
    return std::current_exception();
  }
}

void UnhandledException(const platform::RuntimeException& exception) {
  platform::RuntimeUnhandledException(exception);
}

}  // namespace app
