// Carries out a graph's seeks on a thread of its own, so that a graph that is slow to
// reposition (or stalls) never holds the user-interface thread. The newest request wins:
// one asked for while another is carried out replaces any that still waits.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class SeekRunner {
  public:
    // perform: repositions to ns and says whether it landed; done: told afterwards, on the
    // runner's thread, with that result and the position asked for (tenths of a second).
    SeekRunner(std::function<bool(int64_t ns)> perform, std::function<void(bool, double)> done);
    ~SeekRunner();
    SeekRunner(const SeekRunner&) = delete;
    SeekRunner& operator=(const SeekRunner&) = delete;

    void Request(int64_t ns, double tenths);
    // Drops what still waits and returns once no seek is being carried out.
    void Settle();

  private:
    struct Job {
        int64_t ns;
        double tenths;
    };
    void Loop();

    std::function<bool(int64_t)> m_perform;
    std::function<void(bool, double)> m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_pending;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread;
};
