// Whether this process may use a session bus, and keeping every library in it from starting one.
#pragma once

namespace platform::qt {

// True when the session announces its bus: DBUS_SESSION_BUS_ADDRESS, or a socket at
// $XDG_RUNTIME_DIR/bus.
bool SessionBusAnnounced();

// Without an announced bus, libdbus and GDBus would start one through the X server
// (dbus-launch --autolaunch), which writes ~/.dbus and leaves a daemon behind; Qt's accessibility
// bridge and menu-bar probe ask for the bus on their own. Pointing the address at a transport that
// does not exist makes every such request fail at once. Must run before QApplication exists.
void NeverStartASessionBus();

}  // namespace platform::qt
