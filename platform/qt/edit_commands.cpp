#include "platform/qt/edit_commands.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextEdit>
#include <array>
#include <optional>
#include <string_view>

namespace platform::qt {
namespace {

enum class Command { kUndo, kCut, kCopy, kPaste, kDelete, kSelectAll };

struct NamedCommand {
  std::string_view itemName;
  Command command;
};

constexpr std::array<NamedCommand, 6> kCommands{{
    {"EditUndo", Command::kUndo},
    {"EditCut", Command::kCut},
    {"EditCopy", Command::kCopy},
    {"EditPaste", Command::kPaste},
    {"EditClear", Command::kDelete},
    {"EditSelectAll", Command::kSelectAll},
}};

std::optional<Command> CommandNamed(std::string_view itemName) {
  for (const NamedCommand& named : kCommands) {
    if (named.itemName == itemName) {
      return named.command;
    }
  }
  return std::nullopt;
}

// The focused widget as the commands see it; the multi-line editors share one document model.
class TextTarget {
 public:
  static std::optional<TextTarget> Focused() {
    QWidget* focused = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focused)) {
      return TextTarget(line, nullptr);
    }
    if (auto* text = qobject_cast<QTextEdit*>(focused)) {
      return TextTarget(text, text->document());
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focused)) {
      return TextTarget(plain, plain->document());
    }
    return std::nullopt;
  }

  bool CanCarryOut(Command command) const {
    switch (command) {
      case Command::kUndo:
        return !ReadOnly() && UndoAvailable();
      case Command::kCut:
      case Command::kDelete:
        return !ReadOnly() && HasSelection();
      case Command::kCopy:
        return HasSelection();
      case Command::kPaste:
        return !ReadOnly();
      case Command::kSelectAll:
        return true;
    }
    return false;
  }

  void CarryOut(Command command) const {
    switch (command) {
      case Command::kUndo:
        return Invoke("undo");
      case Command::kCut:
        return Invoke("cut");
      case Command::kCopy:
        return Invoke("copy");
      case Command::kPaste:
        return Invoke("paste");
      case Command::kDelete:
        return Delete();
      case Command::kSelectAll:
        return Invoke("selectAll");
    }
  }

 private:
  TextTarget(QWidget* widget, QTextDocument* document) : widget_(widget), document_(document) {}

  QLineEdit* Line() const { return qobject_cast<QLineEdit*>(widget_); }
  QTextCursor Cursor() const {
    if (auto* text = qobject_cast<QTextEdit*>(widget_)) {
      return text->textCursor();
    }
    return qobject_cast<QPlainTextEdit*>(widget_)->textCursor();
  }

  void Invoke(const char* slot) const { QMetaObject::invokeMethod(widget_, slot); }
  bool ReadOnly() const { return widget_->property("readOnly").toBool(); }
  bool UndoAvailable() const {
    return document_ != nullptr ? document_->isUndoAvailable() : Line()->isUndoAvailable();
  }
  bool HasSelection() const {
    return document_ != nullptr ? Cursor().hasSelection() : Line()->hasSelectedText();
  }
  // Delete is no slot of the text widgets: it removes the selection directly.
  void Delete() const {
    if (document_ == nullptr) {
      Line()->del();
      return;
    }
    QTextCursor cursor = Cursor();
    cursor.removeSelectedText();
  }

  QWidget* widget_;
  QTextDocument* document_;
};

}  // namespace

bool IsEditCommand(const std::string& itemName) {
  return CommandNamed(itemName).has_value();
}

void ConnectEditCommand(QAction& action, const std::string& itemName) {
  const std::optional<Command> command = CommandNamed(itemName);
  if (!command) {
    return;
  }
  QObject::connect(&action, &QAction::triggered, &action, [command = *command] {
    if (const std::optional<TextTarget> target = TextTarget::Focused();
        target && target->CanCarryOut(command)) {
      target->CarryOut(command);
    }
  });
}

void UpdateEditCommands(QMenuBar& menuBar) {
  const std::optional<TextTarget> target = TextTarget::Focused();
  for (QAction* action : menuBar.findChildren<QAction*>()) {
    if (const std::optional<Command> command = CommandNamed(action->objectName().toStdString())) {
      action->setEnabled(target && target->CanCarryOut(*command));
    }
  }
}

}  // namespace platform::qt
