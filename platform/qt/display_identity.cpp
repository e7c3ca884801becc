#include "platform/qt/display_identity.h"

#include <QFile>

namespace platform::qt {
namespace {

// Programs on two machines may share a bus but never a display.
QString BootId() {
  QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
  if (!file.open(QIODevice::ReadOnly)) {
    return QStringLiteral("unknown-boot");
  }
  return QString::fromLatin1(file.readLine().trimmed());
}

QString WaylandSocket() {
  QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (!name.startsWith(QLatin1Char('/'))) {
    name = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + name;
  }
  return name;
}

// The X display's name without its screen, the local socket spelled one way: ":1.0", "unix:1"
// and ":1" are one display.
QString CanonicalXDisplay(const QString& display) {
  const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
  if (colon < 0) {
    return display;
  }
  QString host = display.left(colon);
  // "localhost:10" is a display over TCP (ssh's forwarding, say), not the local ":10".
  if (host == QLatin1String("unix")) {
    host.clear();
  }
  const QString number = display.mid(colon + 1).section(QLatin1Char('.'), 0, 0);
  return host + QLatin1Char(':') + number;
}

}  // namespace

QString ThisDisplay() {
  // From the environment, not from Qt, so that a later start can tell before it makes its
  // QApplication: programs that would reach the same display servers the same way agree.
  QString display = BootId() + QLatin1Char(' ') + qEnvironmentVariable("QT_QPA_PLATFORM") +
                    QLatin1Char(' ') + CanonicalXDisplay(qEnvironmentVariable("DISPLAY"));
  if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
    display += QLatin1Char(' ') + WaylandSocket();
  }
  return display;
}

}  // namespace platform::qt
