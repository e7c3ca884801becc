#include "platform/qt/local_path.h"

#include <QByteArray>

namespace platform::qt {

std::string LocalPathBytes(const QUrl& url) {
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toUtf8()).toStdString();
}

}  // namespace platform::qt
