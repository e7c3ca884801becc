#include "platform/qt/menu_translation.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <array>
#include <string_view>

namespace platform::qt {
namespace {

struct EditCommand {
  std::string_view itemName;
  const char* slot;
};

// The editing items the framework carries out itself, by the slot the text widgets share.
constexpr std::array<EditCommand, 6> kEditCommands{{
    {"EditUndo", "undo"},
    {"EditCut", "cut"},
    {"EditCopy", "copy"},
    {"EditPaste", "paste"},
    {"EditClear", "del"},
    {"EditSelectAll", "selectAll"},
}};

const EditCommand* FindEditCommand(const std::string& name) {
  for (const EditCommand& command : kEditCommands) {
    if (command.itemName == name) {
      return &command;
    }
  }
  return nullptr;
}

bool HasSelection(QWidget* widget) {
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    return line->hasSelectedText();
  }
  if (auto* text = qobject_cast<QTextEdit*>(widget)) {
    return text->textCursor().hasSelection();
  }
  if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    return plain->textCursor().hasSelection();
  }
  return false;
}

bool IsReadOnly(QWidget* widget) {
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    return line->isReadOnly();
  }
  if (auto* text = qobject_cast<QTextEdit*>(widget)) {
    return text->isReadOnly();
  }
  if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    return plain->isReadOnly();
  }
  return true;
}

bool CanUndo(QWidget* widget) {
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    return line->isUndoAvailable();
  }
  if (auto* text = qobject_cast<QTextEdit*>(widget)) {
    return text->document()->isUndoAvailable();
  }
  if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    return plain->document()->isUndoAvailable();
  }
  return false;
}

bool IsTextWidget(QWidget* widget) {
  return qobject_cast<QLineEdit*>(widget) != nullptr ||
         qobject_cast<QTextEdit*>(widget) != nullptr ||
         qobject_cast<QPlainTextEdit*>(widget) != nullptr;
}

bool CanCarryOut(const EditCommand& command, QWidget* focused) {
  if (!IsTextWidget(focused)) {
    return false;
  }
  const std::string_view name = command.itemName;
  if (name == "EditUndo") {
    return !IsReadOnly(focused) && CanUndo(focused);
  }
  if (name == "EditCut" || name == "EditClear") {
    return !IsReadOnly(focused) && HasSelection(focused);
  }
  if (name == "EditCopy") {
    return HasSelection(focused);
  }
  if (name == "EditPaste") {
    return !IsReadOnly(focused);
  }
  return true;
}

void UpdateEditActions(QMenuBar& menuBar) {
  QWidget* focused = QApplication::focusWidget();
  for (QAction* action : menuBar.findChildren<QAction*>()) {
    if (const auto* command = FindEditCommand(action->objectName().toStdString())) {
      action->setEnabled(CanCarryOut(*command, focused));
    }
  }
}

void AddItem(QMenu& menu, const std::shared_ptr<platform::MenuItem>& item,
             const std::function<void(const std::shared_ptr<platform::MenuItem>&)>& chosen) {
  if (item->IsSeparator()) {
    menu.addSeparator()->setObjectName(QString::fromStdString(item->Name()));
    return;
  }
  QAction* action = menu.addAction(QString::fromStdString(item->Text()));
  action->setObjectName(QString::fromStdString(item->Name()));
  action->setShortcut(ShortcutFromText(item->KeyboardShortcut()));
  if (const EditCommand* command = FindEditCommand(item->Name())) {
    QObject::connect(action, &QAction::triggered, action, [slot = command->slot] {
      if (QWidget* focused = QApplication::focusWidget(); IsTextWidget(focused)) {
        QMetaObject::invokeMethod(focused, slot);
      }
    });
  } else {
    QObject::connect(action, &QAction::triggered, action, [item, chosen] { chosen(item); });
  }
}

}  // namespace

QKeySequence ShortcutFromText(const std::string& text) {
  constexpr std::string_view kCommand = "Cmd+";
  if (text.rfind(kCommand, 0) == 0) {
    return QKeySequence(QString::fromStdString("Ctrl+" + text.substr(kCommand.size())));
  }
  return QKeySequence(QString::fromStdString(text));
}

void BuildMenus(QMenuBar& menuBar, const platform::MenuItem& bar,
                const std::function<void(const std::shared_ptr<platform::MenuItem>&)>& chosen) {
  for (const auto& top : bar.Children()) {
    QMenu* menu = menuBar.addMenu(QString::fromStdString(top->Text()));
    menu->setObjectName(QString::fromStdString(top->Name()));
    for (const auto& item : top->Children()) {
      AddItem(*menu, item, chosen);
    }
    QObject::connect(menu, &QMenu::aboutToShow, &menuBar,
                     [&menuBar] { UpdateEditActions(menuBar); });
  }
  UpdateEditActions(menuBar);
  QObject::connect(qApp, &QApplication::focusChanged, &menuBar,
                   [&menuBar] { UpdateEditActions(menuBar); });
}

}  // namespace platform::qt
