#include "platform/qt/application_service.h"

#include <QByteArray>
#include <QUrl>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusError>
#include <QtDBus/QDBusMessage>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/qt/display_identity.h"
#include "platform/qt/local_path.h"
#include "platform/qt/session_bus.h"

namespace platform::qt {
namespace {

// The later start waits kBusWaitLimitMs for the reply; a call taken later than this after it was
// sent leaves its reply that long, and more, to arrive.
constexpr qint64 kTakenWithinMs = kBusWaitLimitMs / 2;

// The platform-data keys of a later start: the freedesktop ones, and two of this program's own.
constexpr char kStartupIdKey[] = "desktop-startup-id";
constexpr char kActivationTokenKey[] = "activation-token";
constexpr char kDisplayKey[] = "x-whichkontakt-display";
constexpr char kSentAtKey[] = "x-whichkontakt-sent-at-ms";

QString Interface() {
  return QStringLiteral("org.freedesktop.Application");
}

QDBusMessage BusDaemonCall(const QString& method) {
  return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                        QStringLiteral("/org/freedesktop/DBus"),
                                        QStringLiteral("org.freedesktop.DBus"), method);
}

void ReleaseName(const QDBusConnection& bus, const QString& name) {
  QDBusMessage release = BusDaemonCall(QStringLiteral("ReleaseName"));
  release << name;
  bus.send(release);
}

// RequestName as QDBusConnection::registerService makes it, but waiting no longer than our limit.
// A request that did not answer in time may still be granted; the release sent after it then
// undoes that, since the daemon handles one connection's messages in order.
bool OwnName(const QDBusConnection& bus, const QString& name) {
  constexpr uint kDoNotQueue = 4;
  constexpr uint kPrimaryOwner = 1;
  QDBusMessage request = BusDaemonCall(QStringLiteral("RequestName"));
  request << name << kDoNotQueue;
  const QDBusMessage reply = bus.call(request, QDBus::Block, kBusWaitLimitMs);
  if (reply.type() == QDBusMessage::ReplyMessage) {
    return reply.arguments().value(0).toUInt() == kPrimaryOwner;
  }
  ReleaseName(bus, name);
  return false;
}

// What a launcher passes as a startup id or activation token: short printable ASCII. Anything
// else comes from no launcher, and is never written to the X server.
constexpr qsizetype kLaunchIdMaxLength = 256;

bool IsLaunchId(const QVariant& value) {
  if (value.typeId() != QMetaType::QString) {
    return false;
  }
  const QString id = value.toString();
  return !id.isEmpty() && id.size() <= kLaunchIdMaxLength &&
         std::all_of(id.cbegin(), id.cend(),
                     [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
}

// Of a caller's platform data, only the launch this program uses, each value of the type and
// form it needs; whatever else came is dropped.
QVariantMap LaunchOf(const QVariantMap& platformData) {
  QVariantMap launch;
  for (const char* key : {kStartupIdKey, kActivationTokenKey}) {
    const QVariant value = platformData.value(QLatin1String(key));
    if (IsLaunchId(value)) {
      launch.insert(QLatin1String(key), value);
    }
  }
  return launch;
}

// The refused URIs as an error names them: enough for a person to find them, never so much that
// the reply outgrows what the bus carries.
QString Listed(const QStringList& uris) {
  constexpr qsizetype kNamedAtMost = 10;
  constexpr qsizetype kUriLengthShown = 512;
  QStringList shown;
  for (qsizetype i = 0; i < uris.size() && i < kNamedAtMost; ++i) {
    shown << (uris[i].size() > kUriLengthShown ? uris[i].left(kUriLengthShown) + QStringLiteral("…")
                                               : uris[i]);
  }
  QString listed = shown.join(QStringLiteral(", "));
  if (uris.size() > kNamedAtMost) {
    listed += QStringLiteral(" and %1 more").arg(uris.size() - kNamedAtMost);
  }
  return listed;
}

// Milliseconds on the clock that every process of one boot shares.
qint64 MonotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

QString FileUriOf(const std::string& path) {
  std::string absolute = path;
  if (path.empty() || path.front() != '/') {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    if (error) {
      return {};
    }
    absolute = folder.native() + "/" + path;
  }
  return QStringLiteral("file://") +
         QString::fromLatin1(QByteArray::fromStdString(absolute).toPercentEncoding("/"));
}

QVariantMap LaunchOfThisStart() {
  QVariantMap data;
  for (const auto& [key, variable] : {std::pair{kStartupIdKey, "DESKTOP_STARTUP_ID"},
                                      std::pair{kActivationTokenKey, "XDG_ACTIVATION_TOKEN"}}) {
    if (!qEnvironmentVariableIsEmpty(variable)) {
      data.insert(QLatin1String(key), qEnvironmentVariable(variable));
    }
  }
  return data;
}

QVariantMap LaterStartPlatformData(QVariantMap launch) {
  QVariantMap data = std::move(launch);
  data.insert(QLatin1String(kDisplayKey), ThisDisplay());
  data.insert(QLatin1String(kSentAtKey), MonotonicMs());
  return data;
}

QString StartupIdOf(const QVariantMap& platformData) {
  return platformData.value(QLatin1String(kStartupIdKey)).toString();
}

ApplicationService::ApplicationService(Opened opened, Activated activated)
    : opened_(std::move(opened)), activated_(std::move(activated)), display_(ThisDisplay()) {}

ApplicationService::~ApplicationService() {
  if (serving_) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    ReleaseName(bus, QString::fromLatin1(kBusName));
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
  }
}

ApplicationService::Outcome ApplicationService::Start(const std::vector<std::string>& documents,
                                                      const QVariantMap& launch) {
  if (!SessionBusAnnounced()) {
    return Outcome::kAlone;
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    return Outcome::kAlone;
  }
  const QString name = QString::fromLatin1(kBusName);
  const QString path = QString::fromLatin1(kObjectPath);
  // The object first, so that a call arriving the moment the name is ours finds it.
  if (bus.registerObject(path, this, QDBusConnection::ExportAllSlots)) {
    if (OwnName(bus, name)) {
      serving_ = true;
      return Outcome::kServing;
    }
    bus.unregisterObject(path);
  }

  QStringList uris;
  for (const std::string& document : documents) {
    // An empty argument names no file; on its own it would be passed over in silence too.
    if (document.empty()) {
      continue;
    }
    const QString uri = FileUriOf(document);
    // A relative name with no current folder to take it from: only this start can read it.
    if (uri.isEmpty()) {
      return Outcome::kAlone;
    }
    uris << uri;
  }
  // Arguments that name no file are passed over in silence, and the session has its program: a
  // window of this start's own would wait there with nothing to answer.
  if (uris.isEmpty() && !documents.empty()) {
    return Outcome::kHandedOver;
  }
  QDBusMessage call;
  if (documents.empty()) {
    call = QDBusMessage::createMethodCall(name, path, Interface(), QStringLiteral("Activate"));
  } else {
    call = QDBusMessage::createMethodCall(name, path, Interface(), QStringLiteral("Open"));
    call << uris;
  }
  call << LaterStartPlatformData(launch);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kBusWaitLimitMs);
  if (reply.type() == QDBusMessage::ReplyMessage) {
    return Outcome::kHandedOver;
  }
  // Our own URIs are always well formed; were one refused, the others were still taken, and
  // answering them here as well would answer them twice.
  if (reply.errorName() == QLatin1String(kPartlyOpenedError)) {
    qWarning("whichkontakt: %s", qPrintable(reply.errorMessage()));
    return Outcome::kHandedOver;
  }
  return Outcome::kAlone;
}

QString ApplicationService::RefusalOf(const QVariantMap& platformData) const {
  // Callers other than a later start send neither key, and are taken as they come.
  // A value of another type is no later start's, and is passed over as any other caller's.
  const QVariant display = platformData.value(QLatin1String(kDisplayKey));
  if (display.typeId() == QMetaType::QString && display.toString() != display_) {
    return QStringLiteral("whichkontakt runs on another display");
  }
  const QVariant sentAt = platformData.value(QLatin1String(kSentAtKey));
  if (sentAt.typeId() == QMetaType::LongLong) {
    const qint64 late = MonotonicMs() - sentAt.toLongLong();
    if (late > kTakenWithinMs) {
      return QStringLiteral("whichkontakt was busy for %1 ms").arg(late);
    }
  }
  return {};
}

void ApplicationService::ReplyError(const QString& name, const QString& message) {
  // Only a call that came over the bus has a caller to answer.
  if (calledFromDBus()) {
    sendErrorReply(name, message);
  }
}

void ApplicationService::Refuse(const QString& why) {
  ReplyError(QLatin1String(kNotTakenError), why);
}

void ApplicationService::Activate(const QVariantMap& platformData) {
  if (const QString why = RefusalOf(platformData); !why.isEmpty()) {
    Refuse(why);
  } else if (!activated_(LaunchOf(platformData))) {
    Refuse(QStringLiteral("whichkontakt is quitting"));
  }
}

void ApplicationService::Open(const QStringList& uris, const QVariantMap& platformData) {
  if (const QString why = RefusalOf(platformData); !why.isEmpty()) {
    Refuse(why);
    return;
  }
  std::vector<std::string> paths;
  QStringList refused;
  for (const QString& uri : uris) {
    if (const std::optional<std::string> local =
            LocalFilePath(QUrl::fromEncoded(uri.toUtf8(), QUrl::StrictMode))) {
      paths.push_back(*local);
    } else {
      refused << uri;
    }
  }
  const QString notOpened =
      QStringLiteral("whichkontakt opens absolute local file URIs only, not: %1")
          .arg(Listed(refused));
  if (!paths.empty() && !opened_(paths, LaunchOf(platformData))) {
    Refuse(QStringLiteral("whichkontakt is quitting"));
  } else if (!refused.isEmpty()) {
    ReplyError(paths.empty() ? QDBusError::errorString(QDBusError::InvalidArgs)
                             : QLatin1String(kPartlyOpenedError),
               notOpened);
  } else if (paths.empty()) {
    ReplyError(QDBusError::errorString(QDBusError::InvalidArgs),
               QStringLiteral("no file to open was given"));
  }
}

void ApplicationService::ActivateAction(const QString& actionName,
                                        const QVariantList& /*parameter*/,
                                        const QVariantMap& /*platformData*/) {
  ReplyError(QDBusError::errorString(QDBusError::NotSupported),
             QStringLiteral("whichkontakt has no action named \"%1\"").arg(actionName));
}

}  // namespace platform::qt
