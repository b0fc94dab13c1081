// Brings the pipelines a graph has given up to a stop and frees them on a thread of its
// own, one after the other in the order they were handed over. A pipeline whose source
// stalls (a pipe whose writer holds back) or that is decoding a huge picture stops only
// once its streaming threads let go, which may take seconds or never come; the graph
// meanwhile opens its next file.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class PipelineRetirer {
  public:
    using Job = std::function<void()>;

    PipelineRetirer() = default;
    // Waits until every job handed over has run: what they free may still be called back
    // by the streaming threads they stop.
    ~PipelineRetirer();
    PipelineRetirer(const PipelineRetirer&) = delete;
    PipelineRetirer& operator=(const PipelineRetirer&) = delete;

    void Retire(Job job);
    // Waits, at most `bound`, until every job handed over so far has run; true when they
    // all have.
    bool Drain(std::chrono::milliseconds bound);

  private:
    void Loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread;
};
