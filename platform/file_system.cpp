#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

PathKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode))
        return PathKind::File;
    if (S_ISDIR(mode))
        return PathKind::Folder;
    return PathKind::Other;
}

}  // namespace

PathKind KindOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    return KindOfMode(st.st_mode);
}

bool NameExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

std::optional<std::uint64_t> RegularFileSize(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular)
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool CanWriteInto(const std::string& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
}

bool SameFile(const std::string& a, const std::string& b) {
    const auto ia = IdentityOf(a);
    return ia && ia == IdentityOf(b);
}

FolderListing ListFolder(const std::string& folder) {
    FolderListing listing;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return listing;
    struct stat st {};
    if (::fstat(::dirfd(dir), &st) != 0) {
        ::closedir(dir);
        return listing;
    }
    listing.device = static_cast<std::uint64_t>(st.st_dev);
    listing.inode = static_cast<std::uint64_t>(st.st_ino);
    std::vector<std::pair<std::string, unsigned char>> raw;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            raw.emplace_back(name, e->d_type);
    }
    ::closedir(dir);
    listing.ok = true;
    listing.entries.reserve(raw.size());
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const auto& [name, type] : raw) {
        FolderEntry entry{name, PathKind::Other};
        if (type == DT_DIR)
            entry.kind = PathKind::Folder;
        else if (type == DT_REG)
            entry.kind = PathKind::File;
        else if (type == DT_LNK || type == DT_UNKNOWN)
            entry.kind = KindOf(prefix + name);
        if (entry.kind != PathKind::Missing)
            listing.entries.push_back(std::move(entry));
    }
    return listing;
}

std::optional<FileStart> ReadFileStart(const std::string& path, std::size_t count) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    FileStart start;
    start.size = static_cast<std::uint64_t>(st.st_size);
    start.bytes.resize(count);
    std::size_t have = 0;
    while (have < count) {
        const ssize_t got = ::read(fd, start.bytes.data() + have, count - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    ::close(fd);
    start.bytes.resize(have);
    return start;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

WholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    WholeFile file;
    auto fail = [&file](WholeFile::Failure failure, int error) {
        file.failure = failure;
        file.error = error;
        file.bytes.clear();
        return file;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(WholeFile::Failure::Open, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        const int error = !S_ISREG(st.st_mode) ? EINVAL : EFBIG;
        ::close(fd);
        return fail(WholeFile::Failure::Open, error);
    }
    file.bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[64 * 1024];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return fail(WholeFile::Failure::Read, error);
        }
        if (got == 0)
            break;
        if (file.bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            ::close(fd);
            return fail(WholeFile::Failure::Open, EFBIG);
        }
        file.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return file;
}

int MemoryFileWith(const std::string& name, const std::string& bytes) {
    const int fd = ::memfd_create(name.c_str(), MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            ::close(fd);
            return -1;
        }
        done += static_cast<std::size_t>(put);
    }
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void CloseFile(int fd) {
    if (fd >= 0)
        ::close(fd);
}
