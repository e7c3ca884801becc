#include "platform/qt/display_identity.h"

#include <QFile>
#include <QGuiApplication>

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
  QString name = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
  if (!name.startsWith(QLatin1Char('/'))) {
    name = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + name;
  }
  return name;
}

}  // namespace

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

QString ThisDisplay() {
  const QString platform = QGuiApplication::platformName();
  QString display;
  if (platform == QLatin1String("xcb")) {
    display = CanonicalXDisplay(qEnvironmentVariable("DISPLAY"));
  } else if (platform.startsWith(QLatin1String("wayland"))) {
    display = WaylandSocket();
  }
  return BootId() + QLatin1Char(' ') + platform + QLatin1Char(' ') + display;
}

}  // namespace platform::qt
