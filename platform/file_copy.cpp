#include "platform/file_copy.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/max_path.h"

namespace {

// Between two chunks the caller may cancel and the window may repaint; big enough that
// the per-chunk overhead vanishes next to the copy itself.
constexpr std::size_t kChunkBytes = 8u << 20;

class Fd {
  public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

// Copies up to count bytes and returns how many (fewer when the source ends early), or -1
// with *error. In-kernel where the file systems allow, else through a buffer.
long long CopyRange(int in, int out, std::uint64_t count, bool* kernel, std::vector<char>* buffer,
                    int* error) {
    std::uint64_t copied = 0;
    while (copied < count) {
        const std::uint64_t left = count - copied;
        const std::size_t want = left < kChunkBytes ? static_cast<std::size_t>(left) : kChunkBytes;
        ssize_t done;
        if (*kernel) {
            done = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
            if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                             errno == EOPNOTSUPP || errno == EPERM)) {
                *kernel = false;
                continue;
            }
        } else {
            if (buffer->empty())
                buffer->resize(1u << 20);
            done = ::read(in, buffer->data(), want < buffer->size() ? want : buffer->size());
            for (ssize_t written = 0; done > 0 && written < done;) {
                const ssize_t w = ::write(out, buffer->data() + written,
                                          static_cast<std::size_t>(done - written));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0) {
                    *error = w < 0 ? errno : ENOSPC;
                    return -1;
                }
                written += w;
            }
        }
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0) {
            *error = errno;
            return -1;
        }
        if (done == 0)
            break;
        copied += static_cast<std::uint64_t>(done);
    }
    return static_cast<long long>(copied);
}

}  // namespace

CopyOutcome CopyFileNoReplace(const std::string& source, const std::string& target,
                              const CopyContinue& keepGoing) {
    CopyOutcome outcome;
    const std::string name = target.substr(target.rfind('/') + 1);
    if (target.size() >= kMaxPath || target.find('\0') != std::string::npos ||
        name.size() > NAME_MAX) {
        outcome.status = CopyStatus::TooLong;
        return outcome;
    }
    Fd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat src {};
    if (in.get() < 0 || ::fstat(in.get(), &src) != 0 || !S_ISREG(src.st_mode)) {
        outcome.status = CopyStatus::SourceMissing;
        outcome.error = errno;
        return outcome;
    }
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0) {
        outcome.status = existing.st_dev == src.st_dev && existing.st_ino == src.st_ino
                             ? CopyStatus::SameFile
                             : CopyStatus::TargetExists;
        return outcome;
    }

    // The bytes go to a file without a name (see AtomicFile), which takes the target's
    // name only when complete and only if that name is still free: a failed, cancelled or
    // killed copy leaves nothing behind.
    AtomicFile out;
    if (!out.Open(target, AtomicFile::Commit::NoReplace)) {
        outcome.status = CopyStatus::WriteFailed;
        outcome.error = out.Error();
        return outcome;
    }
    auto discard = [&](CopyStatus status, int error) {
        out.Discard();
        outcome.status = status;
        outcome.error = error;
        return outcome;
    };

    std::vector<char> buffer;
    bool kernel = true;
    std::uint64_t left = static_cast<std::uint64_t>(src.st_size);
    int error = 0;
    while (left > 0) {
        if (keepGoing && !keepGoing())
            return discard(CopyStatus::Cancelled, 0);
        const std::uint64_t chunk = left < kChunkBytes ? left : kChunkBytes;
        const long long done =
            CopyRange(in.get(), out.Descriptor(), chunk, &kernel, &buffer, &error);
        if (done < 0)
            return discard(CopyStatus::WriteFailed, error);
        if (static_cast<std::uint64_t>(done) < chunk)
            break;  // the source shrank meanwhile: what is there is copied
        left -= chunk;
    }
    ::fchmod(out.Descriptor(), src.st_mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID));
    if (!out.Finish()) {
        const int err = out.Error();
        outcome.status = err == EEXIST ? CopyStatus::TargetExists : CopyStatus::WriteFailed;
        outcome.error = err;
        return outcome;
    }
    struct stat written {};
    if (::stat(target.c_str(), &written) == 0) {
        outcome.device = static_cast<std::uint64_t>(written.st_dev);
        outcome.inode = static_cast<std::uint64_t>(written.st_ino);
    }
    outcome.status = CopyStatus::Copied;
    return outcome;
}
