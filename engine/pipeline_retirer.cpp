#include "engine/pipeline_retirer.h"

PipelineRetirer::~PipelineRetirer() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void PipelineRetirer::Retire(Job job) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
        // Started on the first pipeline given up: a graph that never closes one needs none.
        if (!m_thread.joinable())
            m_thread = std::thread(&PipelineRetirer::Loop, this);
    }
    m_wake.notify_all();
}

bool PipelineRetirer::Drain(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, bound, [this] { return m_jobs.empty() && !m_busy; });
}

void PipelineRetirer::Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        // The jobs still waiting run before the thread ends.
        m_wake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        m_busy = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}
