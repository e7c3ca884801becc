// Bringing a window forward for a later start, with the desktop's startup id, so that a window
// manager that prevents focus stealing lets it come to the front: the user just asked for it.
#pragma once

#include <QString>

class QWidget;

namespace platform::qt {

// Raises and activates window. On X11 with a startup id it is activated as the id's launch, and
// that launch is marked finished; without one, or elsewhere, as Qt activates windows.
void ActivateForLaunch(QWidget& window, const QString& startupId);

}  // namespace platform::qt
