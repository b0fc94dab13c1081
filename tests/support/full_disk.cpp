#include "tests/support/full_disk.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/media_factory.h"

namespace testmedia {

SmallDisk::SmallDisk(std::size_t bytes) {
    m_folder = MakeTempDir("smalldisk");
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    m_mounted = !m_folder.empty() && ::mount("tmpfs", m_folder.c_str(), "tmpfs",
                                             MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

SmallDisk::~SmallDisk() {
    if (m_mounted)
        ::umount2(m_folder.c_str(), MNT_DETACH);
    RemoveTree(m_folder);
}

void SmallDisk::Fill() {
    const int fd = ::open((m_folder + "/.filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    std::vector<char> block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    // The last partial page, byte by byte.
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

int RunWithFileSizeLimit(std::size_t limit, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit rl {};
        rl.rlim_cur = rl.rlim_max = limit;
        if (::setrlimit(RLIMIT_FSIZE, &rl) != 0)
            ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testmedia
