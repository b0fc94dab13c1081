#include "platform/session_bus.h"

#include <sys/stat.h>

#include <cstdlib>

bool SessionBusRunningWith(const std::string& address, const std::string& runtimeDir) {
    // "autolaunch:" is exactly what must not happen.
    if (!address.empty() && address.rfind("autolaunch:", 0) != 0)
        return true;
    if (runtimeDir.empty())
        return false;
    struct stat st;
    const std::string socket = runtimeDir + "/bus";
    return ::stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool SessionBusRunning() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return SessionBusRunningWith(address ? address : "", runtime ? runtime : "");
}
