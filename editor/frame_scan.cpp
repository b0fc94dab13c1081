#include "editor/frame_scan.h"

#include "platform/window_message.h"

namespace editor {

void FrameScan::Start(const std::string& path, QObject* notify) {
    Cancel();
    m_bCancel = false;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_bReady = false;
    }
    m_Thread = std::thread([this, path, notify] {
        FrameTimes times = ReadFrameTimes(path, &m_bCancel);
        if (m_bCancel.load())
            return;
        {
            std::lock_guard<std::mutex> lock(m_Lock);
            m_Times = std::move(times);
            m_bReady = true;
        }
        PostWindowMessage(notify, kMsgFrameTimes, 0);
    });
}

bool FrameScan::Take(FrameTimes* times) {
    std::lock_guard<std::mutex> lock(m_Lock);
    if (!m_bReady)
        return false;
    *times = std::move(m_Times);
    m_bReady = false;
    return true;
}

void FrameScan::Cancel() {
    m_bCancel = true;
    if (m_Thread.joinable())
        m_Thread.join();
}

}  // namespace editor
