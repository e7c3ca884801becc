// Owns the program's name on the session bus and serves its object, but never answers a call:
// what a program that hangs looks like to a later start. Prints "owned" once it holds the name.
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>

#include "platform/qt/application_service.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  platform::qt::ApplicationService service([](const auto&, const auto&) { return true; },
                                           [](const auto&) { return true; });
  if (service.Start({}) != platform::qt::ApplicationService::Outcome::kServing) {
    std::fputs("silent_bus_owner: the name is not free on this bus\n", stderr);
    return 1;
  }
  std::puts("owned");
  std::fflush(stdout);
  // Calls reach the object only through this thread's event loop, which never runs.
  for (;;) {
    pause();
  }
}
