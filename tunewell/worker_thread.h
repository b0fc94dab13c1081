// The one worker thread the player holds at a time (playback or WAV output). A worker
// that has ended by itself still holds its handle until someone releases it; releasing
// joins, except on the worker itself (a host calling back into the library from its
// notification), where the handle is left for the next release.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

class WorkerThread {
  public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread() { Release(); }

    // False when no thread could be created.
    bool Start(std::function<void()> body);
    bool IsHeld() const { return m_held.load(); }
    bool HasEnded() const { return m_ended.load(); }
    bool IsCurrent() const { return m_id.load() == std::this_thread::get_id(); }
    // Joins the held worker; false when it could not (called on the worker itself).
    bool Release();

  private:
    // Touched only by the threads that start and release the worker; the worker itself
    // looks at the atomics alone.
    std::thread m_thread;
    std::atomic<bool> m_held{false};
    std::atomic<bool> m_ended{true};
    // Written by the worker as its first act, so it can recognise itself.
    std::atomic<std::thread::id> m_id{};
};
