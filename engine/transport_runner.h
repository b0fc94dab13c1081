// Carries out a graph's transport steps (seeks, restarts, rewinds) on a thread of its own,
// in the order they were asked for, so that a graph that is slow to pause or reposition
// (or stalls) never holds the user-interface thread. The later request wins: a seek
// replaces a seek that still waits, and a restart or rewind replaces every step that still
// waits, so that a seek asked for before it never lands after it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class TransportRunner {
  public:
    // A step is told through the flag that a request which replaces it waits behind it;
    // it then cuts its waits short. It reports its own outcome.
    using Step = std::function<void(const std::atomic<bool>& superseded)>;

    TransportRunner() = default;
    ~TransportRunner();
    TransportRunner(const TransportRunner&) = delete;
    TransportRunner& operator=(const TransportRunner&) = delete;

    void Seek(Step step);
    void Rewind(Step step);
    // Drops what still waits and tells the running step to give up its waits, without
    // waiting for it: a step blocked in a pipeline that stalls returns only once the
    // pipeline lets go. True when no step runs.
    bool Abandon();

  private:
    void Loop();
    void StartThread();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    // At most a rewind, then a seek: a later seek goes after the rewind asked for before it.
    std::optional<Step> m_rewind;
    std::optional<Step> m_seek;
    bool m_busy = false;
    bool m_busySeek = false;  // the running step is a seek
    bool m_quit = false;
    std::atomic<bool> m_superseded{false};
    std::thread m_thread;
};
