// File paths between Qt and the framework, which keeps them as bytes.
#pragma once

#include <QUrl>
#include <string>

namespace platform::qt {

// The path of a local file URL as bytes: percent-decoded directly, so that a name that is not
// valid UTF-8 survives, where QUrl::toLocalFile would replace its bytes.
std::string LocalPathBytes(const QUrl& url);

}  // namespace platform::qt
