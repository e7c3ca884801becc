#include "platform/qt/menu_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <optional>
#include <utility>

#include "platform/qt/local_path.h"

namespace platform::qt {
namespace {

bool HoldsLocalFiles(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) {
    return false;
  }
  for (const QUrl& url : data->urls()) {
    if (LocalFilePath(url)) {
      return true;
    }
  }
  return false;
}

}  // namespace

MenuWindow::MenuWindow(std::function<void(const std::string&)> dropped,
                       std::function<void()> closed)
    : dropped_(std::move(dropped)), closed_(std::move(closed)) {
  setWindowTitle(QStringLiteral("whichkontakt"));
  auto* hint = new QLabel(tr("Drop a Kontakt file here"), this);
  hint->setAlignment(Qt::AlignCenter);
  hint->setMargin(24);
  setCentralWidget(hint);
  setAcceptDrops(true);
}

void MenuWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (HoldsLocalFiles(event->mimeData())) {
    event->acceptProposedAction();
  }
}

void MenuWindow::dropEvent(QDropEvent* event) {
  if (!HoldsLocalFiles(event->mimeData())) {
    return;
  }
  event->acceptProposedAction();
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (const std::optional<std::string> path = LocalFilePath(url)) {
      paths.push_back(*path);
    }
  }
  // Answered once the drop has completed, so the file manager is not held while a box is open.
  QMetaObject::invokeMethod(
      this,
      [this, paths] {
        for (const std::string& path : paths) {
          dropped_(path);
        }
      },
      Qt::QueuedConnection);
}

void MenuWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  closed_();
}

}  // namespace platform::qt
