#include "engine/still_scaler.h"

#include <gst/gst.h>

#include "engine/recent_frames.h"

StillScaler::~StillScaler() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    Drop();
}

void StillScaler::Request(GstSample* sample, QSize size, unsigned ticket) {
    GstSample* replaced = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        replaced = m_pending;
        m_pending = sample;
        m_size = size;
        m_ticket = ticket;
        // Started on the first large picture: most programs never show one.
        if (!m_thread.joinable())
            m_thread = std::thread(&StillScaler::Loop, this);
    }
    if (replaced)
        gst_sample_unref(replaced);
    m_wake.notify_all();
}

void StillScaler::Drop() {
    GstSample* dropped = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        dropped = m_pending;
        m_pending = nullptr;
    }
    if (dropped)
        gst_sample_unref(dropped);
}

void StillScaler::Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_pending; });
        if (m_quit)
            return;
        GstSample* sample = m_pending;
        m_pending = nullptr;
        const QSize size = m_size;
        const unsigned ticket = m_ticket;
        lock.unlock();
        const QImage still = FrameImage(sample, size);
        gst_sample_unref(sample);
        m_done(still, ticket);
        lock.lock();
    }
}
