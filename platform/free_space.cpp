#include "platform/free_space.h"

#include <sys/statvfs.h>

std::optional<uint64_t> FreeBytesFor(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : path.substr(0, slash));
    struct statvfs fs;
    if (::statvfs(folder.c_str(), &fs) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(fs.f_bavail) * static_cast<uint64_t>(fs.f_frsize);
}
