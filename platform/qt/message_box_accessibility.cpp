#include "platform/qt/message_box_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "platform/qt/message_box.h"

namespace platform::qt {
namespace {

// The box: role alert, named by its title, its text as the description.
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

// The text view reads as a label of the whole text: screen readers speak the labels of an alert
// as it appears, but an unfocused text view not at all.
class AccessibleMessageText final : public QAccessibleWidget {
 public:
  explicit AccessibleMessageText(MessageText* view)
      : QAccessibleWidget(view, QAccessible::StaticText) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) {
      return static_cast<const QTextEdit*>(widget())->toPlainText();
    }
    return QAccessibleWidget::text(kind);
  }
};

QAccessibleInterface* MessageBoxInterfaces(const QString& className, QObject* object) {
  if (className == QLatin1String(MessageBox::staticMetaObject.className())) {
    return new AccessibleMessageBox(static_cast<MessageBox*>(object));
  }
  if (className == QLatin1String(MessageText::staticMetaObject.className())) {
    return new AccessibleMessageText(static_cast<MessageText*>(object));
  }
  return nullptr;
}

}  // namespace

void InstallMessageBoxAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&MessageBoxInterfaces);
    return true;
  }();
  (void)installed;
}

}  // namespace platform::qt
