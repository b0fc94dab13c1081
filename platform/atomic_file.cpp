#include "platform/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "platform/path_parts.h"
#include "platform/scratch_journal.h"

namespace {

// Characters of a scratch name that are ours: "." before, ".XXXXXX.part" after.
constexpr std::size_t kScratchExtra = 1 + 12;

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool g_useUnnamedFiles = true;

// Linking a file without a name needs /proc (or a privilege we do not ask for).
bool CanNameUnnamedFiles() {
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can && g_useUnnamedFiles;
}

mode_t CurrentUmask() {
    // Read rather than set and restore, which would race with other threads' creations.
    FILE* status = std::fopen("/proc/self/status", "re");
    mode_t mask = 022;
    if (status) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                break;
            }
        }
        std::fclose(status);
    }
    return mask;
}

std::string HiddenName(const std::string& target, const char* suffixPattern) {
    const std::string name = NameOf(target);
    std::string hidden = "." + name + suffixPattern;
    if (name.size() + kScratchExtra > NAME_MAX)
        hidden = std::string(".veltra") + suffixPattern;
    return Join(FolderOfPath(target), hidden);
}

// A new hidden file beside target, open for writing with the mode a plain new file would
// get, and noted so that a later start removes it if this process dies before it is done.
// -1 with errno set when none can be made.
int OpenScratchBeside(const std::string& target, std::string* path) {
    std::string pattern = HiddenName(target, ".XXXXXX.part");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemps(name.data(), 5, O_CLOEXEC);
    if (fd < 0)
        return -1;
    *path = name.data();
    ScratchJournal::Remember(*path);
    ::fchmod(fd, 0666 & ~CurrentUmask());
    return fd;
}

std::string ProcFdPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

void SyncFolder(const std::string& folder) {
    // What is durable is the file's contents, synced before naming; the folder sync only
    // hurries the new name to disk, so a failure here is not a failed write.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

AtomicFile::~AtomicFile() {
    if (!m_bFinished)
        Discard();
}

bool AtomicFile::Open(const std::string& target, Commit mode) {
    Discard();
    m_bFinished = false;
    m_error = 0;
    m_mode = mode;
    m_target = target;
    if (target.empty() || target.size() >= PATH_MAX || target.back() == '/') {
        m_error = target.size() >= PATH_MAX ? ENAMETOOLONG : EINVAL;
        return false;
    }
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(target.c_str(), resolved))
            m_target = resolved;
    }
    if (::stat(m_target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            m_error = EISDIR;
            return false;
        }
        // Renaming over a file the user made read-only would defeat the protection.
        if (mode == Commit::Replace && ::access(m_target.c_str(), W_OK) != 0) {
            m_error = EACCES;
            return false;
        }
    }
    m_folder = FolderOfPath(m_target);
    struct stat folder {};
    if (::stat(m_folder.c_str(), &folder) != 0) {
        m_error = errno;
        return false;
    }
    if (!S_ISDIR(folder.st_mode)) {
        m_error = ENOTDIR;
        return false;
    }

    if (CanNameUnnamedFiles()) {
        m_fd = ::open(m_folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_bUnnamed = true;
            return true;
        }
    }
    // File systems without unnamed files: a hidden name.
    m_fd = OpenScratchBeside(m_target, &m_scratch);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    return true;
}

std::string AtomicFile::CreateScratchBeside(const std::string& target) {
    std::string path;
    const int fd = OpenScratchBeside(target, &path);
    if (fd < 0)
        return {};
    ::close(fd);
    return path;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
    if (m_fd < 0 || m_error != 0) {
        if (m_error == 0)
            m_error = EBADF;
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = n < 0 ? errno : ENOSPC;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void AtomicFile::Fail(int error) {
    if (m_error == 0)
        m_error = error != 0 ? error : EIO;
}

bool AtomicFile::NameUnnamedFile() {
    const std::string self = ProcFdPath(m_fd);
    if (m_mode == Commit::NoReplace) {
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            m_error = errno;
            return false;
        }
        return true;
    }
    // rename is the only call that swaps a name atomically, and it needs a name to start
    // from: the file gets a hidden one for the moment between the link and the rename.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%06u.part",
                      static_cast<unsigned>(random() % 1000000));
        const std::string temp = HiddenName(m_target, suffix);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST)
                continue;
            m_error = errno;
            return false;
        }
        if (::rename(temp.c_str(), m_target.c_str()) != 0) {
            m_error = errno;
            ::unlink(temp.c_str());
            return false;
        }
        return true;
    }
    m_error = EEXIST;
    return false;
}

namespace {

// 0 or an errno value.
int NameScratch(const std::string& scratch, const std::string& target, AtomicFile::Commit mode) {
    if (mode == AtomicFile::Commit::Replace)
        return ::rename(scratch.c_str(), target.c_str()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, scratch.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without the no-replace rename: a hard link is just as exclusive.
    if (::link(scratch.c_str(), target.c_str()) != 0)
        return errno;
    ::unlink(scratch.c_str());
    return 0;
}

// What a finished file's mode is: the replaced file's, else what a new file gets.
void SetFinalMode(int fd, const std::string& target, AtomicFile::Commit mode) {
    struct stat existing {};
    if (mode == AtomicFile::Commit::Replace && ::stat(target.c_str(), &existing) == 0)
        ::fchmod(fd, existing.st_mode & 07777);
    else
        ::fchmod(fd, 0666 & ~CurrentUmask());
}

}  // namespace

bool AtomicFile::NameScratchFile() {
    m_error = NameScratch(m_scratch, m_target, m_mode);
    return m_error == 0;
}

int AtomicFile::CommitScratch(const std::string& scratch, const std::string& target, Commit mode) {
    const int fd = ::open(scratch.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return errno;
    SetFinalMode(fd, target, mode);
    int error = ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0)
        error = NameScratch(scratch, target, mode);
    if (error != 0)
        return error;
    ScratchJournal::Forget(scratch);
    SyncFolder(FolderOfPath(target));
    return 0;
}

bool AtomicFile::Finish() {
    if (m_fd < 0 || m_error != 0) {
        if (m_error == 0)
            m_error = EBADF;
        Discard();
        return false;
    }
    SetFinalMode(m_fd, m_target, m_mode);
    if (::fsync(m_fd) != 0) {
        m_error = errno;
        Discard();
        return false;
    }
    bool named;
    if (m_bUnnamed) {
        named = NameUnnamedFile();
        Close();
    } else {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) {
            m_error = errno;
            Discard();
            return false;
        }
        named = NameScratchFile();
        if (named) {
            ScratchJournal::Forget(m_scratch);
            m_scratch.clear();
        }
    }
    if (!named) {
        Discard();
        return false;
    }
    SyncFolder(m_folder);
    m_bFinished = true;
    return true;
}

void AtomicFile::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void AtomicFile::Discard() {
    Close();
    if (!m_scratch.empty()) {
        ::unlink(m_scratch.c_str());
        ScratchJournal::Forget(m_scratch);
    }
    m_scratch.clear();
    m_bUnnamed = false;
    m_bFinished = true;
}

int AtomicFile::ReplaceContents(const std::string& target, const std::string& bytes) {
    AtomicFile file;
    if (!file.Open(target, Commit::Replace) || !file.Write(bytes) || !file.Finish())
        return file.Error() != 0 ? file.Error() : EIO;
    return 0;
}

void AtomicFile::UseUnnamedFiles(bool use) {
    g_useUnnamedFiles = use;
}
