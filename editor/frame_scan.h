// Reads a file's frame times (ReadFrameTimes) on a thread of its own and tells the
// window when they are there; the window then takes them on its own thread.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "engine/keyframe_index.h"

class QObject;

namespace editor {

// Posted to the notify object once the times are ready (wParam 0).
constexpr int kMsgFrameTimes = 2003;

class FrameScan {
  public:
    FrameScan() = default;
    ~FrameScan() { Cancel(); }
    FrameScan(const FrameScan&) = delete;
    FrameScan& operator=(const FrameScan&) = delete;

    void Start(const std::string& path, QObject* notify);
    // The times once the scan has finished; false before that, and after they were taken.
    bool Take(FrameTimes* times);
    void Cancel();

  private:
    std::thread m_Thread;
    std::atomic<bool> m_bCancel{false};
    std::mutex m_Lock;
    bool m_bReady = false;
    FrameTimes m_Times;
};

}  // namespace editor
