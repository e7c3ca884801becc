#include "platform/qt/application_service.h"

#include <QByteArray>
#include <QUrl>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusError>
#include <QtDBus/QDBusMessage>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/qt/local_path.h"
#include "platform/qt/session_bus.h"

namespace platform::qt {
namespace {

// Long enough for a busy program, whose nested loops (a message box, the open dialog, a long
// scan) still answer at once; short enough that a start never seems to hang.
constexpr int kHandOverTimeoutMs = 500;

QString Interface() {
  return QStringLiteral("org.freedesktop.Application");
}

}  // namespace

QString FileUriOf(const std::string& path) {
  std::string absolute = path;
  if (path.empty() || path.front() != '/') {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    if (!error) {
      absolute = folder.native() + "/" + path;
    }
  }
  return QStringLiteral("file://") +
         QString::fromLatin1(QByteArray::fromStdString(absolute).toPercentEncoding("/"));
}

ApplicationService::ApplicationService(std::function<void(const std::vector<std::string>&)> opened,
                                       std::function<void()> activated)
    : opened_(std::move(opened)), activated_(std::move(activated)) {}

ApplicationService::~ApplicationService() {
  if (serving_) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(QString::fromLatin1(kBusName));
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
  }
}

ApplicationService::Outcome ApplicationService::Start(const std::vector<std::string>& documents) {
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
    if (bus.registerService(name)) {
      serving_ = true;
      return Outcome::kServing;
    }
    bus.unregisterObject(path);
  }

  QStringList uris;
  for (const std::string& document : documents) {
    // An empty argument names no file; on its own it would be passed over in silence too.
    if (!document.empty()) {
      uris << FileUriOf(document);
    }
  }
  QDBusMessage call;
  if (documents.empty()) {
    call = QDBusMessage::createMethodCall(name, path, Interface(), QStringLiteral("Activate"));
    call << QVariantMap();
  } else {
    call = QDBusMessage::createMethodCall(name, path, Interface(), QStringLiteral("Open"));
    call << uris << QVariantMap();
  }
  const QDBusMessage reply = bus.call(call, QDBus::Block, kHandOverTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage ? Outcome::kHandedOver : Outcome::kAlone;
}

void ApplicationService::Activate(const QVariantMap& /*platformData*/) {
  activated_();
}

void ApplicationService::Open(const QStringList& uris, const QVariantMap& /*platformData*/) {
  std::vector<std::string> paths;
  for (const QString& uri : uris) {
    const QUrl url = QUrl::fromEncoded(uri.toUtf8(), QUrl::StrictMode);
    if (url.isValid() && IsLocalFileUrl(url)) {
      paths.push_back(LocalPathBytes(url));
    }
  }
  opened_(paths);
}

void ApplicationService::ActivateAction(const QString& actionName,
                                        const QVariantList& /*parameter*/,
                                        const QVariantMap& /*platformData*/) {
  sendErrorReply(QDBusError::NotSupported,
                 QStringLiteral("whichkontakt has no action named \"%1\"").arg(actionName));
}

}  // namespace platform::qt
