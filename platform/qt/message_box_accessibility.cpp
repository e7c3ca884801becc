#include "platform/qt/message_box_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "platform/qt/message_box.h"

namespace platform::qt {
namespace {

// The box: role alert, named by its title, its text as the description, which screen readers
// read as an alert appears. The text view is not also a label: they would read the text twice.
class AccessibleMessageBox final : public QAccessibleWidget {
 public:
  explicit AccessibleMessageBox(MessageBox* box)
      : QAccessibleWidget(box, QAccessible::AlertMessage) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Description) {
      return static_cast<const MessageBox*>(widget())->text();
    }
    return QAccessibleWidget::text(kind);
  }
};

QAccessibleInterface* MessageBoxInterfaces(const QString& className, QObject* object) {
  if (className == QLatin1String(MessageBox::staticMetaObject.className())) {
    return new AccessibleMessageBox(static_cast<MessageBox*>(object));
  }
  return nullptr;
}

}  // namespace

// Not once per process: Qt drops every installed factory as a QApplication ends.
void InstallMessageBoxAccessibility() {
  QAccessible::installFactory(&MessageBoxInterfaces);
}

}  // namespace platform::qt
