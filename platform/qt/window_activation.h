// Bringing a window forward for a later start, with the desktop's startup id, so that a window
// manager that prevents focus stealing lets it come to the front: the user just asked for it.
#pragma once

#include <QString>
#include <array>
#include <vector>

class QWidget;

namespace platform::qt {

// Raises and activates window. On X11 with a startup id it is activated as the id's launch, and
// that launch is marked finished; without one, or elsewhere, as Qt activates windows.
void ActivateForLaunch(QWidget& window, const QString& startupId);

// The startup-notification message that ends a launch's feedback (the busy cursor),
// `remove: ID="..."` and its NUL byte, in the pieces of 20 bytes that X client messages carry.
inline constexpr int kStartupInfoPieceSize = 20;
using StartupInfoPiece = std::array<char, kStartupInfoPieceSize>;
std::vector<StartupInfoPiece> LaunchFinishedPieces(const QString& startupId);

}  // namespace platform::qt
