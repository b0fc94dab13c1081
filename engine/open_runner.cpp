#include "engine/open_runner.h"

OpenRunner::~OpenRunner() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
        m_pending = nullptr;
        m_cancelled = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void OpenRunner::Start(Work work) {
    Cancel();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_cancelled = false;
        m_pending = std::move(work);
        // Started on the first open: a graph that only converts never needs it.
        if (!m_thread.joinable())
            m_thread = std::thread(&OpenRunner::Loop, this);
    }
    m_wake.notify_all();
}

void OpenRunner::Cancel() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_pending = nullptr;
    m_cancelled = true;
    m_idle.wait(lock, [this] { return !m_busy; });
}

void OpenRunner::Await() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_busy && !m_pending; });
}

void OpenRunner::Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_pending; });
        if (m_quit)
            return;
        Work work = std::move(m_pending);
        m_pending = nullptr;
        m_busy = true;
        lock.unlock();
        work(m_cancelled);
        work = nullptr;  // whatever it holds goes before the runner reports idle
        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
}
