// How the message box appears to assistive technology: as an alert, the way QMessageBox does, so
// that a screen reader reads its title and whole text the moment it appears, not only the
// focused OK button.
#pragma once

namespace platform::qt {

// Idempotent; needs the QApplication and holds only as long as it does.
void InstallMessageBoxAccessibility();

}  // namespace platform::qt
