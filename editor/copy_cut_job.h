// A cut kept in the source's own format, run on a thread of its own so that the window
// stays live: it reports to its notify object as the conversion graph does (positions,
// then the end with 15, or a stop on failure), and Cancel ends it with nothing left under
// the target's name.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class QObject;

namespace editor {

class CopyCutJob {
  public:
    CopyCutJob() = default;
    ~CopyCutJob() { Cancel(); }
    CopyCutJob(const CopyCutJob&) = delete;
    CopyCutJob& operator=(const CopyCutJob&) = delete;

    // False when one is still running.
    bool Start(const std::string& source, const std::string& target, double startSeconds,
               double endSeconds, QObject* notify);
    // Stops a running cut and waits for its thread.
    void Cancel();
    bool Running() const { return m_bRunning.load(); }

  private:
    std::thread m_Thread;
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bRunning{false};
};

}  // namespace editor
