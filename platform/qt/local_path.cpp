#include "platform/qt/local_path.h"

#include <QByteArray>

namespace platform::qt {
namespace {

// A file: URL on this machine: no host, or "localhost". A file: URL naming another host is not a
// local file, whatever its path says.
bool IsLocalFileUrl(const QUrl& url) {
  return url.isLocalFile() &&
         (url.host().isEmpty() ||
          url.host().compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0);
}

}  // namespace

std::optional<std::string> LocalFilePath(const QUrl& url) {
  if (!url.isValid() || !IsLocalFileUrl(url) || url.hasQuery() || url.hasFragment()) {
    return std::nullopt;
  }
  const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toUtf8());
  if (!path.startsWith('/') || path.contains('\0')) {
    return std::nullopt;
  }
  return path.toStdString();
}

}  // namespace platform::qt
