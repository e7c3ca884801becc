#include "platform/qt/menu_translation.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <string_view>

#include "platform/qt/edit_commands.h"

namespace platform::qt {
namespace {

void AddItem(QMenu& menu, const std::shared_ptr<platform::MenuItem>& item,
             const std::function<void(const std::shared_ptr<platform::MenuItem>&)>& chosen) {
  if (item->IsSeparator()) {
    menu.addSeparator()->setObjectName(QString::fromStdString(item->Name()));
    return;
  }
  QAction* action = menu.addAction(QString::fromStdString(item->Text()));
  action->setObjectName(QString::fromStdString(item->Name()));
  action->setShortcut(ShortcutFromText(item->KeyboardShortcut()));
  if (IsEditCommand(item->Name())) {
    ConnectEditCommand(*action, item->Name());
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
                     [&menuBar] { UpdateEditCommands(menuBar); });
  }
  UpdateEditCommands(menuBar);
  QObject::connect(qApp, &QApplication::focusChanged, &menuBar,
                   [&menuBar] { UpdateEditCommands(menuBar); });
}

}  // namespace platform::qt
