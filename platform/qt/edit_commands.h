// The framework's own editing commands: they act on the focused text widget, and are enabled
// only while it can carry them out.
#pragma once

#include <string>

class QAction;
class QMenuBar;

namespace platform::qt {

// True for the items the framework carries out itself ("EditUndo" ... "EditSelectAll").
bool IsEditCommand(const std::string& itemName);
// Makes action carry out the named command on whatever text widget has the focus.
void ConnectEditCommand(QAction& action, const std::string& itemName);
// Enables each editing command of the bar that the focused widget can carry out.
void UpdateEditCommands(QMenuBar& menuBar);

}  // namespace platform::qt
