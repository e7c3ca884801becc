#include "platform/qt/session_bus.h"

#include <sys/stat.h>

#include <QByteArray>
#include <QtGlobal>

namespace platform::qt {

bool SessionBusAnnounced() {
  if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
    return true;
  }
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  struct stat info {};
  return !runtime.isEmpty() && stat((runtime + "/bus").constData(), &info) == 0 &&
         S_ISSOCK(info.st_mode);
}

void NeverStartASessionBus() {
  if (!SessionBusAnnounced()) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
  }
}

}  // namespace platform::qt
