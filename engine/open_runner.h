// Reads a graph's file up to its first frame on a thread of its own, so that a file that
// is slow to open (a large picture, a slow disk) never holds the user-interface thread.
// One open at a time: a new one, a close or the graph's end first cancels the one in hand
// and waits until it has given up.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class OpenRunner {
  public:
    // The work is told, through the flag, when it should give up; it checks the flag
    // often enough to return promptly.
    using Work = std::function<void(const std::atomic<bool>& cancelled)>;

    OpenRunner() = default;
    ~OpenRunner();
    OpenRunner(const OpenRunner&) = delete;
    OpenRunner& operator=(const OpenRunner&) = delete;

    // Cancels the work in hand, if any, then hands this one to the runner's thread.
    void Start(Work work);
    // Asks the work in hand to give up and returns once no work runs (at once when it has
    // finished already). Work not yet begun is dropped.
    void Cancel();
    // Returns once the work handed over has run (at once when none waits or runs).
    void Await();

  private:
    void Loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    Work m_pending;
    std::atomic<bool> m_cancelled{false};
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread;
};
