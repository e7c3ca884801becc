// The program's road from the process entry through the framework's run loop to its exit
// status. Identifiers that start with "_" and a capital are reserved in C++, so the start-up
// routines go without their leading underscore.
#pragma once

#include <cstdint>
#include <exception>

#include "platform/runtime_exception.h"

namespace app {

// The program's whole life; its result is the process's exit status, as RuntimeExit gave it.
int32_t ProgramMain();

// Hands the framework the exception helper and the start-up callback, then runs the run loop;
// whatever escapes them goes to UnhandledException, and start-up ends as after a quit.
void Main();
// The start-up callback: file types, then the application object with its menu bar.
void Startup();
// The program uses no plug-ins: an empty table.
void InitPluginEntrypoints();
void InitFileTypes();
void NewAppInstance();
// The program handles no menu item itself.
void ApplicationAddMenuHandlers();
// Releases the module-level values: the menu bar, then the instrument, multi and bank types.
void Finalize();

// The framework's exception helper: routine(argument)'s RuntimeException, or nullptr when it
// returned; other exceptions pass on.
std::exception_ptr CallFunctionWithExceptionHandling(void (*routine)(void*), void* argument);
void UnhandledException(const platform::RuntimeException& exception);

}  // namespace app
