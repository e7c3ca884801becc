// File paths between Qt and the framework, which keeps them as bytes.
#pragma once

#include <QUrl>
#include <optional>
#include <string>

namespace platform::qt {

// The path of a local file URL as bytes: percent-decoded directly, so that a name that is not
// valid UTF-8 survives, where QUrl::toLocalFile would replace its bytes. Nothing for a URL that
// is invalid, not a local file, relative, carries a query or fragment, or decodes to a NUL byte,
// which would end the path early and name another file.
std::optional<std::string> LocalFilePath(const QUrl& url);

}  // namespace platform::qt
