// Turns the framework's menu model into Qt menus.
#pragma once

#include <QKeySequence>
#include <QString>
#include <functional>
#include <memory>

#include "platform/menu_item.h"

class QMenuBar;

namespace platform::qt {

// "Cmd+Q" names the platform's command key: Ctrl, which Qt shows as Command on macOS.
QKeySequence ShortcutFromText(const std::string& text);

// Fills menuBar with the bar's menus; choosing an item calls chosen(item), except the editing
// items ("EditUndo" ... "EditSelectAll"), which act on the focused widget and are enabled only
// while it can carry them out.
void BuildMenus(QMenuBar& menuBar, const platform::MenuItem& bar,
                const std::function<void(const std::shared_ptr<platform::MenuItem>&)>& chosen);

}  // namespace platform::qt
