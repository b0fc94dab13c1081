#include "tunewell/worker_thread.h"

#include <system_error>

bool WorkerThread::Start(std::function<void()> body) {
    if (!Release())
        return false;
    m_ended = false;
    m_held = true;
    try {
        m_thread = std::thread([this, body = std::move(body)] {
            m_id = std::this_thread::get_id();
            body();
            m_ended = true;
        });
    } catch (const std::system_error&) {
        m_held = false;
        m_ended = true;
        return false;
    }
    return true;
}

bool WorkerThread::Release() {
    if (!m_held.load())
        return true;
    if (IsCurrent())
        return false;
    m_thread.join();
    m_id = std::thread::id();
    m_held = false;
    return true;
}
