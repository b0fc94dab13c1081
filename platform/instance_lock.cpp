#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QtDebug>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string DefaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (runtime && *runtime && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return runtime;
    return QDir::tempPath().toStdString();
}

}  // namespace

InstanceLock::InstanceLock(std::string name, std::string folder) {
    if (folder.empty())
        folder = DefaultFolder();
    if (folder.back() != '/')
        folder += '/';
    m_path = folder + FileNameFor(name);
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0)
        close(m_fd);  // closing drops the lock; the file stays, harmlessly, for the next one
}

std::string InstanceLock::FileNameFor(const std::string& name) {
    std::string readable;
    for (unsigned char c : name) {
        if (readable.size() >= 48)
            break;
        if (std::isalnum(c))
            readable += static_cast<char>(c);
        else if (readable.empty() || readable.back() != '_')
            readable += '_';
    }
    // FNV-1a over the whole text: names that fold to the same readable part stay apart.
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : name) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return "veltra-" + readable + "-" + hex + ".lock";
}

InstanceLock::Result InstanceLock::Acquire() {
    if (m_fd >= 0)
        return Result::Acquired;
    // O_CLOEXEC: a program we start must not inherit the lock and outlive us holding it.
    int fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        qWarning("platform: cannot open lock file %s: %s", m_path.c_str(), strerror(errno));
        return Result::Failed;
    }
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        if (err == EINTR)
            continue;
        close(fd);
        if (err == EWOULDBLOCK)
            return Result::AlreadyHeld;
        qWarning("platform: cannot lock %s: %s", m_path.c_str(), strerror(err));
        return Result::Failed;
    }
    m_fd = fd;
    return Result::Acquired;
}
