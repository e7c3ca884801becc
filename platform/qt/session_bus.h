// Whether this process may use a session bus, and keeping every library in it from starting one
// or waiting on one that has stopped.
#pragma once

namespace platform::qt {

// The longest our own code waits on the bus for any one answer: a daemon or a program on the
// session that takes longer is as good as absent.
inline constexpr int kBusWaitLimitMs = 500;

// True when the session announces its bus: DBUS_SESSION_BUS_ADDRESS, or a socket of ours at
// $XDG_RUNTIME_DIR/bus.
bool SessionBusAnnounced();

// Without an announced bus, libdbus and GDBus would start one through the X server
// (dbus-launch --autolaunch), which writes ~/.dbus and leaves a daemon behind; and a bus whose
// daemon has stopped would hold every call for 25 seconds. Qt's accessibility bridge and
// menu-bar probe ask for the bus on their own. So when no bus is announced, or the announced one
// does not answer within kBusWaitLimitMs, whatever its transport, or it is on a transport that
// cannot be tried without starting something, the address is pointed at a transport that does
// not exist, and every request for the bus fails at once. Must run before QApplication exists.
void UseOnlyALiveSessionBus();

}  // namespace platform::qt
