#include "engine/seek_runner.h"

SeekRunner::SeekRunner(std::function<bool(int64_t)> perform, std::function<void(bool, double)> done)
    : m_perform(std::move(perform)), m_done(std::move(done)) {}

SeekRunner::~SeekRunner() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
        m_pending.reset();
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SeekRunner::Request(int64_t ns, double tenths) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending = Job{ns, tenths};
        // Started on the first seek: most graphs are never sought.
        if (!m_thread.joinable())
            m_thread = std::thread(&SeekRunner::Loop, this);
    }
    m_wake.notify_all();
}

void SeekRunner::Settle() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_pending.reset();
    m_idle.wait(lock, [this] { return !m_busy; });
}

void SeekRunner::Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_pending; });
        if (m_quit)
            return;
        Job job = *m_pending;
        m_pending.reset();
        m_busy = true;
        lock.unlock();
        const bool landed = m_perform(job.ns);
        m_done(landed, job.tenths);
        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
}
