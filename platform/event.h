// An event object with the semantics of a Windows event: auto-reset or manual-reset,
// waitable with a time-out. Header-only so that plug-in libraries can share it with
// the program without linking against it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class Event {
  public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

    explicit Event(bool manualReset = false, bool initialState = false)
        : m_manual(manualReset), m_signalled(initialState) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_signalled = true;
        }
        if (m_manual)
            m_cv.notify_all();
        else
            m_cv.notify_one();
    }

    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = false;
    }

    // True when signalled within the time-out; an auto-reset event is consumed.
    bool Wait(uint32_t timeoutMs = kInfinite) {
        std::unique_lock<std::mutex> lock(m_mutex);
        auto ready = [this] { return m_signalled; };
        if (timeoutMs == kInfinite)
            m_cv.wait(lock, ready);
        else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
            return false;
        if (!m_manual)
            m_signalled = false;
        return true;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_manual;
    bool m_signalled;
};
