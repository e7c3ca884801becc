#include "platform/qt/local_path.h"

#include <QByteArray>

namespace platform::qt {

bool IsLocalFileUrl(const QUrl& url) {
  return url.isLocalFile() &&
         (url.host().isEmpty() ||
          url.host().compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0);
}

std::string LocalPathBytes(const QUrl& url) {
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toUtf8()).toStdString();
}

}  // namespace platform::qt
