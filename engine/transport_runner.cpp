#include "engine/transport_runner.h"

TransportRunner::~TransportRunner() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
        m_rewind.reset();
        m_seek.reset();
        m_superseded = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void TransportRunner::StartThread() {
    // Started on the first step: most graphs are never moved.
    if (!m_thread.joinable())
        m_thread = std::thread(&TransportRunner::Loop, this);
}

void TransportRunner::Seek(Step step) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seek = std::move(step);
        if (m_busy && m_busySeek)
            m_superseded = true;
        StartThread();
    }
    m_wake.notify_all();
}

void TransportRunner::Rewind(Step step) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seek.reset();
        m_rewind = std::move(step);
        if (m_busy)
            m_superseded = true;
        StartThread();
    }
    m_wake.notify_all();
}

bool TransportRunner::Abandon() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rewind.reset();
    m_seek.reset();
    if (m_busy)
        m_superseded = true;
    return !m_busy;
}

void TransportRunner::Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_rewind || m_seek; });
        if (m_quit)
            return;
        m_busySeek = !m_rewind;
        std::optional<Step>& next = m_rewind ? m_rewind : m_seek;
        Step step = std::move(*next);
        next.reset();
        m_busy = true;
        m_superseded = false;
        lock.unlock();
        step(m_superseded);
        step = nullptr;  // whatever it holds goes before the runner reports idle
        lock.lock();
        m_busy = false;
    }
}
