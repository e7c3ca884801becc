#include "app/startup.h"
#include "platform/desktop.h"
#include "platform/qt/qt_desktop.h"

int main(int argc, char** argv) {
  platform::qt::QtDesktop desktop(argc, argv);
  const platform::ScopedDesktop onThisDesktop(desktop);
  return app::ProgramMain();
}
