#include "platform/qt/application_service.h"

#include <QByteArray>
#include <QUrl>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusError>
#include <QtDBus/QDBusMessage>
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

// RequestName as QDBusConnection::registerService makes it, but waiting no longer than our limit.
bool OwnName(const QDBusConnection& bus, const QString& name) {
  constexpr uint kDoNotQueue = 4;
  constexpr uint kPrimaryOwner = 1;
  QDBusMessage request = BusDaemonCall(QStringLiteral("RequestName"));
  request << name << kDoNotQueue;
  const QDBusMessage reply = bus.call(request, QDBus::Block, kBusWaitLimitMs);
  return reply.type() == QDBusMessage::ReplyMessage &&
         reply.arguments().value(0).toUInt() == kPrimaryOwner;
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
    QDBusMessage release = BusDaemonCall(QStringLiteral("ReleaseName"));
    release << QString::fromLatin1(kBusName);
    bus.send(release);
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
  const QVariant display = platformData.value(QLatin1String(kDisplayKey));
  if (display.isValid() && display.toString() != display_) {
    return QStringLiteral("whichkontakt runs on another display");
  }
  const QVariant sentAt = platformData.value(QLatin1String(kSentAtKey));
  if (sentAt.isValid()) {
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
  } else if (!activated_(platformData)) {
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
          .arg(refused.join(QStringLiteral(", ")));
  if (!paths.empty() && !opened_(paths, platformData)) {
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
