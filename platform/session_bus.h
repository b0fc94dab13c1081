// Whether a session message bus is already running for this user. Asking Qt for the
// session bus without one makes libdbus autolaunch a bus of its own (dbus-launch), a
// daemon that outlives the program; callers check this first and stay off the bus.
#pragma once

#include <string>

// True when DBUS_SESSION_BUS_ADDRESS names a bus, or the desktop's usual socket
// $XDG_RUNTIME_DIR/bus exists as a socket.
bool SessionBusRunning();

// The same rule over given values, for tests: address and runtime folder as the
// environment would hold them (empty when unset).
bool SessionBusRunningWith(const std::string& address, const std::string& runtimeDir);
