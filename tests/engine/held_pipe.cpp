#include "tests/engine/held_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

HeldPipe::HeldPipe(const std::string& path, std::vector<char> content, size_t heldAt)
    : m_path(path), m_content(std::move(content)), m_heldAt(std::min(heldAt, m_content.size())) {
    if (::mkfifo(m_path.c_str(), 0600) != 0)
        return;
    m_keeper = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // Non-blocking, so that a reader that stops reading cannot keep the writer from
    // ending when the pipe goes.
    if (m_keeper >= 0)
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    m_made = m_fd >= 0;
    if (!m_made)
        return;
    // A reader that gives up on the pipe while the keeper is gone closes it under the
    // writer: a failed write, not the end of the test program.
    std::signal(SIGPIPE, SIG_IGN);
    m_writer = std::thread([this] { Write(); });
}

HeldPipe::~HeldPipe() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_stopping = true;
        m_changed.notify_all();
    }
    if (m_writer.joinable())
        m_writer.join();
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_keeper >= 0)
        ::close(m_keeper);
}

void HeldPipe::Release() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_released = true;
    m_changed.notify_all();
}

void HeldPipe::Finish() {
    Release();
    if (m_writer.joinable())
        m_writer.join();
}

void HeldPipe::Write() {
    if (Give(0, m_heldAt)) {
        std::unique_lock<std::mutex> hold(m_lock);
        m_changed.wait(hold, [this] { return m_released || m_stopping; });
        const bool goOn = !m_stopping;
        hold.unlock();
        if (goOn)
            Give(m_heldAt, m_content.size());
    }
    // The end of the file for the reader.
    ::close(m_fd);
    m_fd = -1;
}

bool HeldPipe::Give(size_t from, size_t to) {
    while (from < to) {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (m_stopping)
                return false;
        }
        const ssize_t n = ::write(m_fd, m_content.data() + from, to - from);
        if (n > 0) {
            from += static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}
