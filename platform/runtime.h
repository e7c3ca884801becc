// The framework's application road: start-up, the event loop, unhandled exceptions and exit.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>

#include "platform/application.h"
#include "platform/runtime_exception.h"

namespace platform {

// Calls routine(argument); returns the RuntimeException it raised, or nullptr when it returned.
// Exceptions of any other kind pass on to the caller.
using ExceptionHelper = std::exception_ptr (*)(void (*routine)(void*), void* argument);

// Readies the framework for a new run; the first framework call of the process.
void RuntimeInit();
void RuntimeSetExceptionHelper(ExceptionHelper helper);
// Runs the start-up routine now, before any application event; its exceptions pass on.
void RunFrameworkInitialization(void (*startup)());
void RuntimeInitExternalClasses();
void RuntimeAllocatePluginEntrypointsTable(int32_t count);
void RuntimeRegisterAppObject(std::shared_ptr<Application> app);
// The event loop: raises Event_Open, then Event_OpenDocument for each document handed to the
// program (Event_NewDocument when there was none), then one for each document dropped on it or
// handed over by a later start (Event_NewDocument for a bare later start), until the application
// quits. Every event goes through the exception helper, and a
// RuntimeException that comes back is reported and the loop goes on.
void RuntimeRun();
// Tells the user in plain words, in a warning box, what went wrong and with which file; the
// exception's class, error number and message are in the box's details.
void RuntimeUnhandledException(const RuntimeException& exception);
// Ends the framework's work: 0 after a run loop that ended by quitting, 1 when start-up failed.
int32_t RuntimeExit();

}  // namespace platform
