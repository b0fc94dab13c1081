#include "platform/module_folder.h"

#include <unistd.h>

#include <climits>

std::string ModuleFolder() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    // A result that fills the buffer may have been cut short: refuse it rather than
    // hand out a wrong folder.
    if (n <= 0 || static_cast<size_t>(n) >= sizeof path)
        return {};
    std::string exe(path, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos)
        return {};
    return exe.substr(0, slash + 1);
}
